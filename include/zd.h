/*
 * zd — a small, fast 2D vector-graphics library with a plain C interface.
 *
 * Conventions shared by every zd_ function:
 *  - Call zd_init() (or zd_init_keep_signals(), for a host with signal
 *    handlers of its own) once, before any other call (and before a second
 *    thread makes its first call). zd_abi_version, zd_version, zd_strerror,
 *    zd_last_error and the numra_ helpers work without it.
 *  - Status-returning functions return a ZdStatus: ZD_OK (0), ZD_BAD_ARGUMENT
 *    (2: nil handle or output, non-finite or out-of-range number, unparseable
 *    text, or any failure while working), ZD_UNSUPPORTED (4, never returned)
 *    or ZD_OUT_OF_MEMORY (8: a block for the caller could not be obtained).
 *  - Arguments are checked before anything is touched: a rejected call changes
 *    nothing. Output pointers that hand out a handle, a count or a block are
 *    cleared (nil / 0) as soon as they are known to be non-nil, so they hold
 *    nil / 0 after every failure. Caller records that a function fills (a
 *    point, bounds, a command) are written only on success.
 *  - Every float argument must be finite (NaN and infinities give 2);
 *    -0.0 and subnormal values are accepted. Angles are radians.
 *  - Handles returned to the caller carry one reference, the caller's; give
 *    it back with zd_path_free / zd_image_free / zd_color_free /
 *    zd_paint_free. Blocks handed out (strings, encoded files) belong to the
 *    caller until zd_buffer_free.
 *  - Threads: the library starts no thread and takes no lock. Calls that only
 *    read a handle may use it on any number of threads at once (reference
 *    counts are atomic). A call that writes a handle must not overlap any other
 *    call with that handle; ordering those is the caller's responsibility.
 *    Different handles are independent.
 *      Path. Written by the builders zd_path_move_to ... zd_path_add_path (the
 *        first argument of zd_path_add_path; the second is read) and by
 *        zd_path_transform. Read by zd_path_copy, zd_path_current,
 *        zd_path_start, zd_path_command_count, zd_path_command_get,
 *        zd_path_to_d, zd_path_flatten, zd_fill_path, zd_path_to_svg,
 *        zd_path_to_svg_rule, zd_path_stroke and zd_draw_path.
 *      Image. Written by zd_fill_path and zd_draw_path, and by the caller
 *        through the bytes zd_image_pixels points at. Read by zd_image_width,
 *        zd_image_height, zd_image_channels, zd_image_pixels,
 *        zd_image_encode_png and zd_image_encode.
 *      Colour. Never written after it is made. Read by zd_color_to_svg,
 *        zd_fill_path, zd_path_to_svg, zd_path_to_svg_rule, zd_color_convert,
 *        zd_color_gamut_map, zd_color_space, zd_color_components,
 *        zd_color_to_css, zd_color_mix, zd_color_delta_e and
 *        zd_paint_set_color and zd_paint_add_stop.
 *      Paint. Written by zd_paint_set_color ... zd_paint_set_tolerance,
 *        zd_paint_set_antialias and zd_paint_set_linear ...
 *        zd_paint_set_gradient_transform. Read by zd_paint_copy and
 *        zd_draw_path.
 *    zd_path_free, zd_image_free, zd_color_free and zd_paint_free give back
 *    one reference: call them when no call on another thread can still be
 *    handed that reference. A call already running holds its own reference.
 *  - Boolean arguments are int32_t: 0 is false, anything else is true.
 *  - zd_last_error() says what went wrong in the thread's last failed call
 *    ("parsePath: expected a number at offset 6"); every call that can fail
 *    clears it when it succeeds.
 */
#ifndef ZD_H
#define ZD_H

#include <stdint.h>

#if defined(_WIN32)
#define ZD_API
#else
#define ZD_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------ types */

/** Status of every status-returning function. */
typedef int32_t ZdStatus;

#define ZD_OK 0
#define ZD_BAD_ARGUMENT 2
#define ZD_UNSUPPORTED 4
#define ZD_OUT_OF_MEMORY 8

/** Opaque, reference-counted path (a command list plus start and current point). */
typedef struct ZdPath ZdPath;
/** Opaque, reference-counted RGBA image (8 bits per channel, straight alpha, sRGB). */
typedef struct ZdImage ZdImage;
/** Opaque, reference-counted colour (one colour value, never changed once made). */
typedef struct ZdColor ZdColor;

/** Command kinds as stored in a path; relative kinds are 10..18. */
enum {
  /* clang-format off */
  ZD_CLOSE = 0, ZD_MOVE = 1, ZD_LINE = 2, ZD_HLINE = 3, ZD_VLINE = 4,
  ZD_CUBIC = 5, ZD_SCUBIC = 6, ZD_QUAD = 7, ZD_TQUAD = 8, ZD_ARC = 9,
  ZD_RMOVE = 10, ZD_RLINE = 11, ZD_RHLINE = 12, ZD_RVLINE = 13,
  ZD_RCUBIC = 14, ZD_RSCUBIC = 15, ZD_RQUAD = 16, ZD_RTQUAD = 17, ZD_RARC = 18
  /* clang-format on */
};

/**
 * One path command, as read back by zd_path_command_get. params holds the
 * parameters in path-data order; unused slots are 0:
 *   move, line, smooth quad (and relatives): x, y
 *   hline, vline: v
 *   cubic: c1x, c1y, c2x, c2y, x, y
 *   smooth cubic, quad: cx, cy, x, y
 *   arc: rx, ry, rotation (radians), largeArc (1.0/0.0), sweep (1.0/0.0), x, y
 */
typedef struct ZdCommand {
  int32_t kind;
  float params[7];
} ZdCommand;

/* ------------------------------------------------------------------ frame */

/** Starts the library (colour-space registry, encoder tables, signal
 *  handlers for SIGINT, SIGSEGV, SIGABRT, SIGFPE, SIGILL, SIGBUS, which print
 *  a one-line message and re-raise; SIGPIPE is ignored). Later calls do nothing. */
ZD_API void zd_init(void);
/** Everything zd_init does except touching signal dispositions: for hosts
 *  with handlers of their own (Python, a JVM, a GUI toolkit). Either start-up
 *  may come first; each does its part once (zd_init after this one installs
 *  the handlers, this one after zd_init does nothing). */
ZD_API void zd_init_keep_signals(void);
/** ABI version: always 1. */
ZD_API int32_t zd_abi_version(void);
/** Library version text "1.0.0" (static; never freed). */
ZD_API const char *zd_version(void);
/** Static text for a status code ("ok", ...; "unknown error" for unknown codes). */
ZD_API const char *zd_strerror(ZdStatus status);
/** The calling thread's message for its last failed call, saying what failed and
 *  where ("parsePath: expected a number at offset 6", "zd_path_circle: r must be
 *  >= 0"); "" when there is none. Never nil; static per-thread text, valid until
 *  the thread's next call into the library. Any call that can fail clears it when
 *  it succeeds; zd_abi_version, zd_version, zd_strerror, zd_last_error, the free
 *  functions, zd_init, zd_init_keep_signals and the numra_ helpers leave it as it
 *  is. Another thread's calls never change it. */
ZD_API const char *zd_last_error(void);
/** Gives back a block handed out by the library (strings, encoded files); nil does nothing. */
ZD_API void zd_buffer_free(void *block);
/** Releases the caller's reference to a path; nil does nothing. */
ZD_API void zd_path_free(ZdPath *path);
/** Releases the caller's reference to an image; nil does nothing. */
ZD_API void zd_image_free(ZdImage *image);
/** Releases the caller's reference to a colour; nil does nothing. */
ZD_API void zd_color_free(ZdColor *color);
/** Releases the global tables made by zd_init; call at most once, after the last other call. */
ZD_API void zd_destroy_globals(void);

/* ------------------------------------------------------------ path handles */

/** New empty path (start and current point (0, 0)); nil on failure. */
ZD_API ZdPath *zd_path_new(void);
/** New path with a copy of the commands and both points of `path`; nil if path is nil. */
ZD_API ZdPath *zd_path_copy(ZdPath *path);

/** Appends a move to (x, y); start and current become (x, y). */
ZD_API ZdStatus zd_path_move_to(ZdPath *path, float x, float y);
/** Appends a line to (x, y); no implicit move is inserted. */
ZD_API ZdStatus zd_path_line_to(ZdPath *path, float x, float y);
/** Appends a cubic Bezier curve with controls (c1x, c1y), (c2x, c2y) ending at (x, y). */
ZD_API ZdStatus zd_path_bezier_curve_to(ZdPath *path, float c1x, float c1y, float c2x, float c2y,
                                        float x, float y);
/** Appends a quadratic Bezier curve with control (cx, cy) ending at (x, y). */
ZD_API ZdStatus zd_path_quadratic_curve_to(ZdPath *path, float cx, float cy, float x, float y);
/** Appends an elliptical arc (radii rx, ry >= 0, x-axis rotation in radians) ending at (x, y). */
ZD_API ZdStatus zd_path_elliptical_arc_to(ZdPath *path, float rx, float ry, float rotation,
                                          int32_t large_arc, int32_t sweep, float x, float y);
/** Appends a close; the current point returns to the subpath start. */
ZD_API ZdStatus zd_path_close_path(ZdPath *path);
/** Appends a closed rectangle from (x, y) of size w x h (negative sizes extend the other way). */
ZD_API ZdStatus zd_path_rect(ZdPath *path, int32_t clockwise, float x, float y, float w, float h);
/** Appends a closed rounded rectangle; radii are clamped to half the smaller side and to >= 0. */
ZD_API ZdStatus zd_path_rounded_rect(ZdPath *path, int32_t clockwise, float x, float y, float w,
                                     float h, float r_top_left, float r_top_right,
                                     float r_bottom_right, float r_bottom_left);
/** Appends a closed ellipse of four cubics centred at (cx, cy); rx, ry >= 0. */
ZD_API ZdStatus zd_path_ellipse(ZdPath *path, float cx, float cy, float rx, float ry);
/** Appends a closed circle (the ellipse with rx = ry = r); r >= 0. */
ZD_API ZdStatus zd_path_circle(ZdPath *path, float cx, float cy, float r);
/** Appends a closed regular polygon of n vertices (3 <= n <= 1048576), first vertex at (cx, cy - r). */
ZD_API ZdStatus zd_path_polygon(ZdPath *path, int32_t n, float cx, float cy, float r);
/** Appends a circular arc of radius r >= 0 from start_angle to end_angle (radians). */
ZD_API ZdStatus zd_path_arc(ZdPath *path, int32_t counterclockwise, float cx, float cy, float r,
                            float start_angle, float end_angle);
/** Appends an arc of radius r >= 0 tangent to the lines current->(x1, y1) and (x1, y1)->(x2, y2). */
ZD_API ZdStatus zd_path_arc_to(ZdPath *path, float x1, float y1, float x2, float y2, float r);
/** Appends a copy of every command of `source` (unchanged; relative stays relative). The
 *  same handle may be both: the path's own commands are then appended once. */
ZD_API ZdStatus zd_path_add_path(ZdPath *path, ZdPath *source);

/** Stores the current point in xy[0], xy[1]. */
ZD_API ZdStatus zd_path_current(ZdPath *path, float *xy);
/** Stores the start of the current subpath in xy[0], xy[1]. */
ZD_API ZdStatus zd_path_start(ZdPath *path, float *xy);
/** Number of commands; 0 for a nil path. */
ZD_API int64_t zd_path_command_count(ZdPath *path);
/** Copies command `index` (0 <= index < count) into *command; 2 and untouched otherwise. */
ZD_API ZdStatus zd_path_command_get(ZdPath *path, int64_t index, ZdCommand *command);
/** 1 for relative kinds (10..18), 0 for absolute ones (0..9), -1 otherwise. */
ZD_API int32_t zd_path_command_is_relative(int32_t kind);
/** Parameter count of a kind (0..7), -1 for a kind outside 0..18. */
ZD_API int32_t zd_path_command_parameter_count(int32_t kind);

/* ------------------------------------------------- path data and geometry */

/**
 * Parses SVG path data `text` (read up to its NUL) into a new path stored in *out
 * (nil on any failure). Strict: commands are kept as written (relative ones stay
 * relative; the arc rotation is read in degrees and kept in radians), the first
 * command must be a moveto, and empty or blank text gives an empty path. 2 for a nil
 * argument or text that does not parse.
 */
ZD_API ZdStatus zd_path_parse_d(const char *text, ZdPath **out);
/** Prints `path` as canonical SVG path data ("M 10 20 L 30.5 40 Z": one letter per
 *  command, one space between tokens, numbers to at most six decimals with '.' whatever
 *  the locale); *out receives a NUL-terminated block (free with zd_buffer_free) and *len
 *  its length without the NUL. 2 if a value is not finite, 8 if the block cannot be had. */
ZD_API ZdStatus zd_path_to_d(ZdPath *path, char **out, int64_t *len);
/**
 * Flattens `path` into line segments, 4 floats each (x0, y0, x1, y1). *count receives
 * the total number of segments even when it exceeds `capacity`; the first
 * min(total, capacity) are copied to `segments`. A nil array is allowed only with
 * capacity 0; with a negative capacity nothing is copied. tolerance <= 0 means 0.5.
 * *count is set to 0 first whenever count is non-nil, and keeps 0 on failure: 2 for
 * a nil path or count, a non-finite tolerance, a nil array with capacity != 0, or a
 * path that needs more than 1048576 segments.
 */
ZD_API ZdStatus zd_path_flatten(ZdPath *path, float *segments, int64_t capacity, int64_t *count,
                                float tolerance);
/** Bounds of `count` segments (4 floats each) as minX, minY, width, height in bounds[0..3];
 *  all zero for count 0. 2 (bounds untouched) for count < 0, nil bounds, a nil array with
 *  count != 0, or any non-finite coordinate. */
ZD_API ZdStatus zd_segments_bounds(const float *segments, int64_t count, float *bounds);
/** Point at t in [0, 1] of the quadratic Bezier curve (x0,y0) (x1,y1) (x2,y2), into xy[0..1].
 *  2 (xy untouched) for t outside [0, 1], nil xy, or any non-finite argument. */
ZD_API ZdStatus zd_quad_point(float x0, float y0, float x1, float y1, float x2, float y2, float t,
                              float *xy);
/** Point at t in [0, 1] of the cubic Bezier curve (x0,y0)..(x3,y3), into xy[0..1].
 *  2 (xy untouched) for t outside [0, 1], nil xy, or any non-finite argument. */
ZD_API ZdStatus zd_cubic_point(float x0, float y0, float x1, float y1, float x2, float y2, float x3,
                               float y3, float t, float *xy);

/* ------------------------------------------------------ wide integers */

/** Leading zero bits of x; 64 for x = 0. Needs no zd_init. */
ZD_API int64_t numra_clz64(uint64_t x);
/**
 * (hi * 2^64 + lo) / d: stores the quotient's low 64 bits in *q and lo - d * q (mod 2^64)
 * in *r. Intended for d != 0 and hi < d (then *r is the true remainder). Outside that it
 * still returns normally: for d = 0 it stores *q = UINT64_MAX and *r = lo; for hi >= d
 * it stores the low 64 bits of the true quotient and lo - d * q. Both pointers must be valid.
 */
ZD_API void numra_udiv128(uint64_t hi, uint64_t lo, uint64_t d, uint64_t *q, uint64_t *r);

/* ------------------------------------------------------------- images */

/** New width x height RGBA image, all bytes 0; nil if a size is <= 0 or the pixels
 *  cannot be obtained. */
ZD_API ZdImage *zd_image_new(int32_t width, int32_t height);
/** Width in pixels; 0 for nil. */
ZD_API int32_t zd_image_width(ZdImage *image);
/** Height in pixels; 0 for nil. */
ZD_API int32_t zd_image_height(ZdImage *image);
/** Channels per pixel (4); 0 for nil. */
ZD_API int32_t zd_image_channels(ZdImage *image);
/** Points *pixels at the image's own bytes (RGBA rows, top to bottom; not a copy, never
 *  freed by the caller, valid until the image is freed) and stores their count in *len. */
ZD_API ZdStatus zd_image_pixels(ZdImage *image, uint8_t **pixels, int64_t *len);
/** Encodes the image as PNG into a block of exactly *len bytes (free with zd_buffer_free).
 *  2 for a nil argument or when the image cannot be encoded (filtered rows of 2^31 + 3
 *  bytes or more, or a zlib stream over the 2^31 - 1 byte chunk limit); 8 if the block
 *  cannot be had. */
ZD_API ZdStatus zd_image_encode_png(ZdImage *image, uint8_t **out, int64_t *len);
/** Formats of zd_image_encode. */
#define ZD_FORMAT_PNG 0
#define ZD_FORMAT_JPEG 1
#define ZD_FORMAT_BMP 2
#define ZD_FORMAT_QOI 3
#define ZD_FORMAT_PNM 4
#define ZD_FORMAT_TGA 5
/** Encodes the image in `format` into a block of exactly *len bytes (free with
 *  zd_buffer_free). PNG: 8-bit RGBA, as zd_image_encode_png. JPEG: baseline JFIF,
 *  4:4:4, `quality` clamped to 1..100; JPEG has no alpha, so the alpha bytes are
 *  ignored and the red, green and blue bytes are encoded as they stand (not
 *  composited over any background). BMP: 32-bit, bottom-up. QOI: 4 channels. PNM:
 *  a PAM (P7, RGB_ALPHA). TGA: 32-bit uncompressed, at most 65535 pixels a side.
 *  `quality` is read by JPEG only. Both outputs are cleared first; 2 if either is
 *  nil, for a nil image, an unknown format or an image the format cannot hold (JPEG
 *  or TGA above 65535 pixels a side, a BMP of 4 GiB or more); 8 if no block is had. */
ZD_API ZdStatus zd_image_encode(ZdImage *image, int32_t format, int32_t quality, uint8_t **out,
                                int64_t *len);

/* ------------------------------------------------ colours, fill, documents */

/** Parses a colour string (#rgb, #rrggbb, #rgba, #rrggbbaa, rgb(), rgba() in comma or
 *  space syntax, oklch() with angle units); hex and rgb give sRGB, oklch() an OKLCH colour.
 *  Nil for nil text or any parse error. Free with zd_color_free. */
ZD_API ZdColor *zd_color_parse(const char *text);
/** sRGB colour from four finite numbers in [0, 1]; nil otherwise. Free with zd_color_free. */
ZD_API ZdColor *zd_color_rgba(float r, float g, float b, float a);
/** SVG colour text of the colour mapped into sRGB: "#RRGGBB", or "#RRGGBBAA" when the
 *  alpha is below 1 (upper-case hex), as a NUL-terminated block (free with zd_buffer_free);
 *  *len excludes the NUL. 2 on a nil argument or a colour that cannot be put into sRGB. */
ZD_API ZdStatus zd_color_to_svg(ZdColor *color, char **out, int64_t *len);
/** Fills `path` into `image` with `color`, anti-aliased (four sub-scanlines per row).
 *  fill_rule: 0 non-zero, 1 even-odd; mode: 0 source-over, 1 overwrite; tolerance <= 0
 *  means 0.5. 2 for a nil handle, a non-finite tolerance, a rule or mode other than 0/1,
 *  a path needing more than 1048576 segments, or a colour with no sRGB form; nothing is
 *  painted then. */
ZD_API ZdStatus zd_fill_path(ZdImage *image, ZdPath *path, ZdColor *color, int32_t fill_rule,
                             int32_t mode, float tolerance);
/** One-line SVG document of width x height (both >= 1, also the view box) holding the path
 *  as path data filled with the colour's SVG text, as a NUL-terminated block (free with
 *  zd_buffer_free). 2 on a nil argument, a non-finite path coordinate or a colour that
 *  cannot be put into sRGB; the outputs then hold nil and 0. */
ZD_API ZdStatus zd_path_to_svg(ZdPath *path, ZdColor *color, int32_t width, int32_t height,
                               char **out, int64_t *len);
/** zd_path_to_svg with the fill rule kept: fill_rule 1 (even-odd) adds
 *  fill-rule="evenodd" to the path element; 0 (non-zero, SVG's default) gives
 *  exactly zd_path_to_svg's bytes. 2 also for a rule other than 0 or 1. */
ZD_API ZdStatus zd_path_to_svg_rule(ZdPath *path, ZdColor *color, int32_t fill_rule, int32_t width,
                                    int32_t height, char **out, int64_t *len);

/* ------------------------------------------- CSS colours, spaces, mixing */

/**
 * Colours beyond sRGB. A colour belongs to one of the registered spaces, named as
 * the registry names them: "srgb", "srgb-linear", "p3", "p3-linear", "rec2020",
 * "rec2020-linear", "a98", "a98-linear", "prophoto", "prophoto-linear", "xyz" (D65),
 * "xyy", "lab" (D50), "lch", "oklab", "oklch", "hsv", "hsl", "hwb", "cmyk" (four
 * components), "ycbcr", "ictcp", "jzazbz", "cam16", "cam16-ucs", "hct".
 * "cmyk" is device CMYK without a profile, converted through sRGB by the naive
 * formulas: R = 1 - min(1, C(1 - K) + K) (G from M, B from Y), and back K = 1 - max(R,
 * G, B), C = (1 - R - K)/(1 - K) (likewise M, Y), all inks 0 but K when K = 1.
 * Components are in the registry's units: RGB 0..1, hsl/hsv/hwb hue in degrees and
 * the others 0..1, lab/lch L 0..100, oklab/oklch L 0..1. A component written `none`
 * in CSS is kept as missing: it reads as 0 everywhere, prints as `none` and, in
 * mixing, takes the other colour's value.
 */

/** Parses any CSS Color 4 colour: the 148 named colours and `transparent` (any case),
 *  hex (3, 4, 6, 8 digits), rgb()/rgba() and hsl()/hsla() (comma or space syntax),
 *  hwb(), lab(), lch(), oklab(), oklch(), color() with srgb, srgb-linear, display-p3,
 *  display-p3-linear, a98-rgb, prophoto-rgb, rec2020, xyz, xyz-d50, xyz-d65 or
 *  --<registry name>, and color-mix(in <space> [<method> hue], c1 [p1%], c2 [p2%]).
 *  Numbers follow CSS: `none`, percentages of each space's reference range, angle
 *  units deg, grad, rad, turn, alpha as `/ a` or `/ a%`, and CSS's clamping (rgb to
 *  0..255, alpha to 0..1, lab/lch L to 0..100, oklab/oklch L to 0..1, chroma and hsl
 *  saturation to >= 0; hues to [0, 360)). The colour keeps the space it was written in
 *  (lab() gives "lab", color(display-p3 ...) gives "p3"); color(xyz-d50 ...) is
 *  adapted to "xyz" (D65). Nil for nil text, currentcolor, system colours, relative
 *  colour syntax (`from`) and anything else that does not parse. Free with zd_color_free. */
ZD_API ZdColor *zd_color_parse_css(const char *text);
/** A colour in a registered space from `count` components (the space's component
 *  count: 3, or 4 for "cmyk") and an alpha in [0, 1]. Nil for an unknown space, a
 *  wrong count, a non-finite component or an alpha outside [0, 1]. */
ZD_API ZdColor *zd_color_new(const char *space, const float *components, int32_t count,
                             float alpha);
/** The colour converted into `space` through the conversion hub, without gamut mapping
 *  (values may lie outside the space's ranges); "cmyk" on either side goes through
 *  sRGB. A colour already in `space` comes back unchanged. A powerless hue (a grey in
 *  hsl, lch, oklch, ...) comes back missing with its chroma 0. Nil for a nil argument,
 *  an unknown space or a colour with no conversion (an xyy colour of y = 0, a result
 *  beyond float32). */
ZD_API ZdColor *zd_color_convert(ZdColor *color, const char *space);
/** The colour converted into `space` and brought into its ranges: method 0 reduces
 *  OKLCH chroma as zd_fill_path does, method 1 clamps each component. Spaces without
 *  bounded ranges (xyz, lab, oklab, ...) are converted only. Into "cmyk" the colour is
 *  mapped into sRGB by the method and converted, inks within [0, 1]; a "cmyk" colour
 *  has its inks clamped. Nil for a nil argument, an unknown space, another method or
 *  a colour with no conversion. */
ZD_API ZdColor *zd_color_gamut_map(ZdColor *color, const char *space, int32_t method);
/** The registry name of the colour's space (static; never freed); nil for nil. */
ZD_API const char *zd_color_space(ZdColor *color);
/** Writes the components into components[0..3] (unused slots 0; a missing component
 *  reads 0), their count (3, or 4 for CMYK) into *count and the alpha into *alpha.
 *  Every given output is cleared first; 2 if any argument is nil. */
ZD_API ZdStatus zd_color_components(ZdColor *color, float *components, int32_t *count,
                                    float *alpha);
/** CSS text of the colour in its own space, as a NUL-terminated block (free with
 *  zd_buffer_free): hex or rgb()/rgba() for sRGB inside 0..1, hsl(), hwb(), lab(),
 *  lch(), oklab(), oklch(), color(display-p3 ...) and the other predefined names, and
 *  color(--<registry name> ...) for spaces without a CSS form or values a CSS form
 *  would clamp. Numbers are the shortest that zd_color_parse_css reads back to the
 *  same float32 components; `none` stays `none`. 2 for a nil argument, 8 if the
 *  block cannot be had. */
ZD_API ZdStatus zd_color_to_css(ZdColor *color, char **out, int64_t *len);
/** Hue interpolation methods of zd_color_mix. */
#define ZD_HUE_SHORTER 0
#define ZD_HUE_LONGER 1
#define ZD_HUE_INCREASING 2
#define ZD_HUE_DECREASING 3
/** Mixes a and b in `space` as CSS color-mix() does: t = 0 gives a, 1 gives b; both
 *  are converted into `space`, a `none` component takes the other colour's value,
 *  polar hues follow hue_method (0 shorter, 1 longer, 2 increasing, 3 decreasing) and
 *  components (all four inks in "cmyk") are interpolated premultiplied by alpha.
 *  *out receives a new colour in `space` (cleared first). 2 for a nil argument, t
 *  outside [0, 1] or not finite, an unknown space, a method outside 0..3 or a colour
 *  with no conversion. */
ZD_API ZdStatus zd_color_mix(ZdColor *a, ZdColor *b, float t, const char *space, int32_t hue_method,
                             ZdColor **out);
/** Colour difference methods of zd_color_delta_e. */
#define ZD_DELTA_E_OK 0
#define ZD_DELTA_E_2000 1
#define ZD_DELTA_E_76 2
/** The colour difference of a and b (alpha ignored) into *out (cleared to 0 first):
 *  method 0 deltaE OK (Euclidean in OKLab), 1 CIEDE2000 and 2 deltaE 76 (both on CIE
 *  Lab D50); a "cmyk" colour is measured by its sRGB. 2 for a nil argument, another
 *  method or a colour with no conversion. */
ZD_API ZdStatus zd_color_delta_e(ZdColor *a, ZdColor *b, int32_t method, double *out);

/* ------------------------------------------ strokes, transforms, paints */

/** Fill rules (zd_fill_path, zd_paint_set_fill). */
#define ZD_FILL_NONZERO 0
#define ZD_FILL_EVENODD 1
/** Paint modes (zd_fill_path, zd_paint_set_mode): blend over the pixels, or replace them. */
#define ZD_MODE_OVER 0
#define ZD_MODE_OVERWRITE 1
/** Joins of a stroke's corners. */
#define ZD_JOIN_MITER 0
#define ZD_JOIN_ROUND 1
#define ZD_JOIN_BEVEL 2
/** Caps of a stroke's open ends. */
#define ZD_CAP_BUTT 0
#define ZD_CAP_ROUND 1
#define ZD_CAP_SQUARE 2

/**
 * How a path is stroked. width >= 0 (0 gives an empty outline); miter_limit >= 1
 * (the longest miter in widths, as in SVG; 4 is SVG's default; a longer miter
 * becomes a bevel); dashes: NULL or dash_count (0..1048576) lengths >= 0, on, off,
 * on, ... (an odd count is repeated to make it even; none or all zero is solid);
 * dash_offset: where in the pattern the stroke starts (may be negative).
 */
typedef struct ZdStroke {
  float width;
  int32_t join;
  int32_t cap;
  float miter_limit;
  const float *dashes;
  int32_t dash_count;
  float dash_offset;
} ZdStroke;

/**
 * The outline of `path` stroked with `style`: *out receives a new path (lines
 * and closes only) whose non-zero fill is exactly the area the stroke paints.
 * Curves and arcs are flattened at `tolerance` (<= 0 means 0.5), and round joins
 * and caps keep within it. A closed subpath is joined at its closing point and
 * has no caps; an open one has a cap at each end. A zero-length subpath
 * ("M 10 10 Z", "M 10 10 L 10 10") paints a disc with round caps, an axis-aligned
 * square with square caps, nothing with butt caps; a lone move paints nothing.
 * Dashes restart on every subpath; every dash gets the caps; a dash running
 * through the closing point of a closed subpath is joined there. *out is cleared
 * first; 2 for a nil argument, a non-finite tolerance, a bad style (see ZdStroke;
 * an unknown join or cap), or an outline beyond 1048576 segments (also a dash
 * pattern making more dashes than that).
 */
ZD_API ZdStatus zd_path_stroke(ZdPath *path, const ZdStroke *style, float tolerance, ZdPath **out);

/**
 * Maps `path` in place by x' = a*x + c*y + e, y' = b*x + d*y + f with
 * matrix = {a, b, c, d, e, f} (the SVG and Canvas order); start and current point
 * follow. Relative commands become absolute, H and V become L unless b = c = 0,
 * elliptical arcs get the exact radii and rotation of the mapped ellipse (the
 * sweep flag flips when the determinant is negative), and a path that does not
 * begin with a move gets a move to (e, f) first. The identity changes nothing.
 * 2 (path unchanged) for a nil argument, a non-finite entry, or a mapped value
 * that overflows.
 */
ZD_API ZdStatus zd_path_transform(ZdPath *path, const float matrix[6]);

/** Opaque, reference-counted paint: how zd_draw_path paints a path. */
typedef struct ZdPaint ZdPaint;

/** New paint: solid opaque black, fill, non-zero rule, source-over, tolerance 0.5;
 *  nil on failure. Free with zd_paint_free. */
ZD_API ZdPaint *zd_paint_new(void);
/** New paint with the same settings (dashes copied); nil if paint is nil. */
ZD_API ZdPaint *zd_paint_copy(ZdPaint *paint);
/** Releases the caller's reference to a paint; nil does nothing. */
ZD_API void zd_paint_free(ZdPaint *paint);
/* The setters return 2, leaving the paint unchanged, for a nil argument or a bad value. */
/** The paint's source becomes a copy of the colour. */
ZD_API ZdStatus zd_paint_set_color(ZdPaint *paint, ZdColor *color);
/** The paint fills, with ZD_FILL_NONZERO or ZD_FILL_EVENODD (the default is a non-zero fill). */
ZD_API ZdStatus zd_paint_set_fill(ZdPaint *paint, int32_t fill_rule);
/** The paint strokes with `style` (copied, dashes included), as zd_path_stroke. */
ZD_API ZdStatus zd_paint_set_stroke(ZdPaint *paint, const ZdStroke *style);
/** ZD_MODE_OVER or ZD_MODE_OVERWRITE. */
ZD_API ZdStatus zd_paint_set_mode(ZdPaint *paint, int32_t mode);
/** Flattening tolerance in image pixels (<= 0 means 0.5). */
ZD_API ZdStatus zd_paint_set_tolerance(ZdPaint *paint, float tolerance);

/* ------------------------------------------------------------ anti-aliasing */

/** How zd_draw_path measures the covered part of a pixel (zd_paint_set_antialias). */
/** Four sample lines per pixel row: the coverage of zd_fill_path (the default). */
#define ZD_AA_SCANLINES 0
/** The exact area of the pixel the path covers (the fill rule applied to the
 *  winding-weighted area: non-zero min(|a|, 1), even-odd a triangle wave). */
#define ZD_AA_AREA 1
/** Aliased: full coverage where the pixel centre is inside by the fill rule, none
 *  elsewhere. */
#define ZD_AA_NONE 2
/** The paint's coverage model, for fills and strokes, with or without a matrix:
 *  ZD_AA_SCANLINES, ZD_AA_AREA or ZD_AA_NONE. With ZD_AA_AREA and ZD_AA_NONE every
 *  subpath is closed for filling. 2 for any other value. */
ZD_API ZdStatus zd_paint_set_antialias(ZdPaint *paint, int32_t antialias);

/**
 * Draws `path` into `image` with `paint`. `matrix` (6 floats as zd_path_transform,
 * or NULL) maps path coordinates into the image, as a canvas transform does. A fill
 * paint with no matrix gives exactly the bytes of zd_fill_path with the same colour,
 * rule, mode and tolerance. A stroke paint is zd_path_stroke, then that fill with the
 * non-zero rule; the outline is made in the path's coordinates and then mapped, so a
 * non-uniform scale gives a non-uniform stroke. The tolerance is in image pixels.
 * 2 for a nil handle,
 * a non-finite matrix entry, or any failure of zd_fill_path or zd_path_stroke;
 * nothing is painted then.
 */
ZD_API ZdStatus zd_draw_path(ZdImage *image, ZdPath *path, ZdPaint *paint, const float *matrix);

/* ------------------------------------------------------------ gradients */

/** Spreads of a gradient beyond its ends (zd_paint_set_spread). */
#define ZD_SPREAD_PAD 0
#define ZD_SPREAD_REPEAT 1
#define ZD_SPREAD_REFLECT 2

/*
 * A paint's source is its solid colour or a gradient. zd_paint_set_linear,
 * _radial and _conic make the source a gradient of that geometry (in the
 * path's coordinates, through the gradient transform); zd_paint_set_color
 * makes it solid again. Stops, spread, interpolation and transform belong
 * to the paint and stay when the geometry or the colour changes. A pixel
 * takes the colour at its centre; coverage is exactly that of the solid
 * paint. These setters return 2, leaving the paint unchanged, for a nil
 * argument, a value that is not finite or a value out of range.
 */
/** Linear: t runs from 0 at (x0, y0) to 1 at (x1, y1); equal ends paint nothing. */
ZD_API ZdStatus zd_paint_set_linear(ZdPaint *paint, float x0, float y0, float x1, float y1);
/** Two circles, as a canvas's radial gradient: t is the largest w whose circle
 *  between (x0, y0, r0) at 0 and (x1, y1, r1) at 1 passes through the point with a
 *  radius >= 0; points on no such circle are left untouched. Radii must be >= 0. */
ZD_API ZdStatus zd_paint_set_radial(ZdPaint *paint, float x0, float y0, float r0, float x1,
                                    float y1, float r1);
/** Conic: t is the angle around (cx, cy) from start_angle (radians; 0 along +x,
 *  turning towards +y) as a fraction of a full turn. */
ZD_API ZdStatus zd_paint_set_conic(ZdPaint *paint, float cx, float cy, float start_angle);
/** Adds a stop: offset clamped to [0, 1], after any stop at the same offset (equal
 *  offsets make a hard edge); the colour is copied. */
ZD_API ZdStatus zd_paint_add_stop(ZdPaint *paint, float offset, ZdColor *color);
/** Removes every stop. Drawing a gradient without stops fails with 2. */
ZD_API ZdStatus zd_paint_clear_stops(ZdPaint *paint);
/** ZD_SPREAD_PAD (default), ZD_SPREAD_REPEAT or ZD_SPREAD_REFLECT. */
ZD_API ZdStatus zd_paint_set_spread(ZdPaint *paint, int32_t spread);
/** Interpolates stops in the registered space named `space` (default "srgb"),
 *  premultiplied, with `hue_method` (ZD_HUE_SHORTER ... ZD_HUE_DECREASING, as
 *  zd_color_mix) in polar spaces; 2 for an unknown space or one
 *  without three components (cmyk). */
ZD_API ZdStatus zd_paint_set_interpolation(ZdPaint *paint, const char *space, int32_t hue_method);
/** The gradient transform (a b c d e f, as zd_path_transform) maps gradient
 *  coordinates into path coordinates; 2 when it is not invertible. */
ZD_API ZdStatus zd_paint_set_gradient_transform(ZdPaint *paint, const float matrix[6]);

#ifdef __cplusplus
}
#endif

#endif /* ZD_H */
