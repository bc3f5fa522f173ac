/*
 * zdraw: paints SVG path data with colours, filled or stroked and moved by
 * transforms, into an image file (and an SVG
 * document), using only the public zd interface.
 *
 *   zdraw --size 100x100 --path "M10 10 L90 10 L50 80 Z" \
 *         --color "oklch(70% 0.1 150)" -o out.png --svg out.svg
 *
 * Given an SVG file first (zdraw icon.svg -o icon.png) it renders the
 * document with the SVG renderer beside the library (render/).
 *
 * Run without arguments it paints a built-in demo scene into zdraw-demo.png
 * and zdraw-demo.svg. Bad input gives a one-line message naming the argument
 * (followed by the library's own account, where it has one) and exit status
 * 2, before any file is written. Every output is made in memory first and
 * then written through a temporary file and a rename, so a failed run never
 * leaves a truncated file behind.
 */
#define _XOPEN_SOURCE 700

#include <errno.h>
#include <limits.h>
#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "zd.h"

#define EXIT_BAD_INPUT 2
#define EXIT_NO_MEMORY 1
/* Path data read with --path @FILE: files of more bytes than this are refused. */
#define MAX_PATH_FILE (64L * 1024 * 1024)

static const char *const usage_text =
    "usage: zdraw [--size WxH] [--background C] [--viewbox X,Y,W,H]\n"
    "             (--path DATA|@FILE [--color C|GRADIENT] [--even-odd] [--overwrite]\n"
    "              [--tolerance T] [--antialias A] [STROKE]... [TRANSFORM]...)...\n"
    "             [-o FILE] [--format F]\n"
    "             [--quality N] [--svg FILE]\n"
    "       zdraw             (no arguments: paint the demo scene)\n"
    "       zdraw FILE.svg [-o FILE] [--width W | --height H | --scale S] ...\n"
    "                         (render an SVG document: zdraw FILE.svg --help)\n"
    "\n"
    "Paints each path, in the order given, into an RGBA image, transparent unless\n"
    "--background gives it a colour.\n"
    "\n"
    "  --size WxH        image size in pixels, each 1..65535 (default 256x256)\n"
    "  --background C    CSS colour the whole image is painted with first (default none:\n"
    "                    transparent); also the colour a PPM is flattened onto\n"
    "  --viewbox X,Y,W,H the box of path coordinates shown: it is scaled by the same\n"
    "                    factor in x and y to fit the image and centred, as SVG's\n"
    "                    viewBox (so icon data drawn for 0,0,24,24 fills any --size)\n"
    "  --path DATA       SVG path data (M L H V C S Q T A Z and lower-case forms);\n"
    "                    starts a new layer. --path @FILE reads the data from FILE,\n"
    "                    which may hold at most 64 MiB (67108864 bytes) and no NUL\n"
    "  --color C         fill colour of the layer, any CSS colour: a name, #rrggbb,\n"
    "                    rgb(), hsl(), hwb(), lab(), lch(), oklab(), oklch(),\n"
    "                    color(display-p3 r g b) or color-mix(); colours outside\n"
    "                    sRGB are brought into gamut (default black)\n"
    "  --even-odd        the layer uses the even-odd fill rule (default non-zero)\n"
    "  --overwrite       the layer replaces the pixels it covers, alpha included,\n"
    "                    instead of blending over them (source-over)\n"
    "  --tolerance T     flattening tolerance of the layer's curves in pixels\n"
    "                    (default 0.5; zero or below also means 0.5)\n"
    "  --antialias A     how the layer's edge pixels are covered: scanlines (four\n"
    "                    sample lines per pixel row, the default), area (the exact\n"
    "                    area covered) or none (aliased: a pixel is painted when its\n"
    "                    centre is inside); the SVG output does not show it\n"
    "\n"
    "Strokes (the layer's path is stroked instead of filled):\n"
    "  --stroke W        stroke with a pen W wide (0 draws nothing)\n"
    "  --join J          miter (default), round or bevel\n"
    "  --cap C           butt (default), round or square\n"
    "  --miter-limit M   longest miter, in pen widths (default 4, at least 1)\n"
    "  --dash \"L...\"     dash pattern: on, off, ... lengths, by spaces or commas\n"
    "                    (an odd count is repeated; all zero draws a solid line)\n"
    "  --dash-offset D   where the pattern starts along each subpath (may be < 0)\n"
    "\n"
    "Gradients (the layer is painted with one instead of a --color; its geometry\n"
    "is in the path's coordinates and moves with the layer's transforms):\n"
    "  --linear X0,Y0,X1,Y1       from (X0, Y0) at offset 0 to (X1, Y1) at 1\n"
    "  --radial X0,Y0,R0,X1,Y1,R1 between two circles, as a canvas radial gradient;\n"
    "                    points on no circle are left as they are\n"
    "  --conic CX,CY,DEG around (CX, CY), starting DEG degrees from +x, clockwise\n"
    "                    on screen\n"
    "  --stop OFFSET:COLOR  a colour stop (offset clamped to 0..1; give at least\n"
    "                    one; equal offsets make a hard edge)\n"
    "  --interpolate SPACE[,HUE]  interpolate in SPACE (srgb by default; oklch,\n"
    "                    oklab, lab, srgb-linear, ...) with the hue method shorter\n"
    "                    (default), longer, increasing or decreasing\n"
    "  --spread S        pad (default), repeat or reflect beyond the ends\n"
    "\n"
    "Transforms of the layer (before the --viewbox mapping; each applies to the\n"
    "path before those already given, as in an SVG transform list; a stroke is\n"
    "transformed with its path, so a non-uniform scale gives a non-uniform pen):\n"
    "  --transform \"a b c d e f\"  x' = a*x + c*y + e, y' = b*x + d*y + f\n"
    "  --translate X,Y   move by (X, Y)\n"
    "  --scale S[,S]     scale by S about the origin (or by SX across and SY down);\n"
    "                    not 0, a negative factor mirrors\n"
    "  --rotate DEG[,CX,CY]  turn by DEG degrees (clockwise on screen) about the\n"
    "                    origin or (CX, CY)\n"
    "\n"
    "  -o, --output FILE write the image to FILE; - writes it to standard output\n"
    "  --format F        png, jpeg, bmp, qoi, pam, ppm, pnm or tga; by default taken\n"
    "                    from the output file's extension (.png .jpg .jpeg .bmp .qoi\n"
    "                    .pam .ppm .pnm .tga), png when it has none. pam (and pnm) is\n"
    "                    a PAM with alpha; ppm is a binary P6 PPM flattened onto the\n"
    "                    background (white without --background). JPEG keeps no alpha.\n"
    "  --quality N       JPEG quality 1..100 (default 90); other formats ignore it\n"
    "  --svg FILE        also write an SVG document of the layers (the overwrite\n"
    "                    mode has no SVG form: such layers are painted normally);\n"
    "                    - writes it to standard output\n"
    "  -h, --help        show this text\n"
    "\n"
    "--color, --even-odd, --overwrite, --tolerance, --antialias, the stroke,\n"
    "gradient and transform options apply to the --path they follow. In the SVG\n"
    "document a gradient SVG cannot interpolate alike (other spaces, translucent\n"
    "stops) gets finely sampled stops, and a conic one a fan of thin wedges. At least one of -o and --svg is needed when paths are given, and\n"
    "they must name different files. Files are written whole or not at all: each\n"
    "goes to a temporary file beside it, renamed over FILE when complete.\n"
    "Exit status: 0 on success, 2 on bad input or an unwritable file (nothing is\n"
    "written then), 1 when memory runs out.\n";

/* An affine matrix {a, b, c, d, e, f}, as zd_path_transform takes it. */
typedef struct Matrix {
  int given; /* 0: the identity, never set */
  float m[6];
} Matrix;

/* A colour stop of a layer's gradient, as given. */
typedef struct GradientStop {
  float offset;
  ZdColor *color;
} GradientStop;

/* A layer's gradient: --linear, --radial or --conic and their options. */
typedef struct Gradient {
  int kind;             /* GRADIENT_NONE until a geometry option */
  const char *kind_arg; /* that option, for messages */
  float geometry[6];    /* conic: CX, CY, start angle in degrees */
  GradientStop *stops;  /* in the order given */
  size_t stop_count, stop_capacity;
  int32_t spread;
  char *space; /* NULL: srgb */
  int32_t hue;
  const char *option_arg; /* the first of --stop, --interpolate, --spread */
} Gradient;

typedef struct Layer {
  ZdPath *path;
  ZdColor *color;
  const char *path_arg;  /* the --path argument, for messages */
  const char *color_arg; /* the --color argument, NULL for the default */
  int even_odd;
  int overwrite;
  float tolerance;
  int32_t antialias;     /* ZD_AA_* (--antialias), ZD_AA_SCANLINES unless given */
  int stroked;           /* --stroke given */
  const char *style_arg; /* the first stroke option without --stroke, for the message */
  ZdStroke stroke;
  float *dashes;    /* owned; stroke.dashes points here */
  Matrix transform; /* the layer's transforms, composed */
  Gradient gradient;
} Layer;

/* The box of path coordinates mapped onto the image (--viewbox). */
typedef struct View {
  int given;
  float x, y, w, h;
} View;

typedef struct Job {
  int32_t width, height;
  Layer *layers;
  size_t layer_count, layer_capacity;
  ZdColor *background; /* NULL: transparent */
  View view;
  const char *output;
  const char *svg;
  int32_t format; /* -1 until chosen */
  int32_t quality;
} Job;

/* The formats of zd_image_encode, in its numbering, then zdraw's own. */
#define FORMAT_PPM 6
static const char *const format_names[] = {"png", "jpeg", "bmp", "qoi", "pnm", "tga", "ppm"};

/* An output made in memory, before anything is written. */
typedef struct Output {
  const char *option; /* "-o" or "--svg", for messages */
  const char *file;
  unsigned char *data;
  size_t size;
  int library_block; /* data is the library's: zd_buffer_free, not free */
} Output;

static void fail(int status, const char *fmt, ...) {
  va_list args;
  fputs("zdraw: ", stderr);
  va_start(args, fmt);
  vfprintf(stderr, fmt, args);
  va_end(args);
  fputc('\n', stderr);
  exit(status);
}

/* The library's account of its last failure on this thread, as ": why", or
 * nothing when it has none. */
static const char *library_says(void) {
  static char text[600];
  const char *why = zd_last_error();
  if (why[0] == '\0') return "";
  snprintf(text, sizeof text, ": %s", why);
  return text;
}

/* A short, printable form of an argument for messages (long path data is
 * cut). Two buffers in turn, so one message may show two arguments. */
static const char *shown(const char *text) {
  static char buffers[2][64];
  static int turn = 0;
  char *buffer = buffers[turn];
  turn ^= 1;
  size_t n = 0;
  for (; text[n] != '\0' && n < 40; ++n) {
    unsigned char c = (unsigned char)text[n];
    buffer[n] = (c < 32 || c == 127) ? ' ' : (char)c;
  }
  if (text[n] != '\0') {
    memcpy(buffer + n, "...", 4);
  } else {
    buffer[n] = '\0';
  }
  return buffer;
}

static void out_of_memory(void) { fail(EXIT_NO_MEMORY, "out of memory"); }

static int parse_dimension(const char *text, const char **end, int32_t *value) {
  long v = 0;
  const char *p = text;
  if (*p < '0' || *p > '9') return 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    v = v * 10 + (*p - '0');
    if (v > 65535) return 0;
  }
  if (v < 1) return 0;
  *value = (int32_t)v;
  *end = p;
  return 1;
}

static void parse_size(const char *text, Job *job) {
  const char *p = text;
  if (!parse_dimension(p, &p, &job->width) || (*p != 'x' && *p != 'X') ||
      !parse_dimension(p + 1, &p, &job->height) || *p != '\0') {
    fail(EXIT_BAD_INPUT, "--size '%s': expected WxH with each side 1..65535", shown(text));
  }
}

/* value - value is 0 only for finite numbers (NaN and infinities give NaN). */
static int is_finite(float value) { return value - value == 0.0f; }

/* Reads a finite number at *text; NULL when there is none. */
static const char *read_number(const char *text, float *value) {
  char *end = NULL;
  *value = strtof(text, &end);
  if (end == text || !is_finite(*value)) return NULL;
  return end;
}

/* --antialias: scanlines, area or none. */
static int32_t parse_antialias(const char *text) {
  if (strcmp(text, "scanlines") == 0) return ZD_AA_SCANLINES;
  if (strcmp(text, "area") == 0) return ZD_AA_AREA;
  if (strcmp(text, "none") == 0) return ZD_AA_NONE;
  fail(EXIT_BAD_INPUT, "--antialias '%s': expected scanlines, area or none", shown(text));
  return ZD_AA_SCANLINES;
}

static float parse_tolerance(const char *text) {
  float value = 0.0f;
  const char *end = read_number(text, &value);
  if (end == NULL || *end != '\0') {
    fail(EXIT_BAD_INPUT, "--tolerance '%s': expected a finite number", shown(text));
  }
  return value;
}

/* X,Y,W,H (commas and/or blanks between), W and H above 0. */
static void parse_viewbox(const char *text, View *view) {
  float numbers[4] = {0, 0, 0, 0};
  const char *p = text;
  for (int i = 0; i < 4 && p != NULL; ++i) {
    while (i > 0 && (*p == ',' || *p == ' ')) ++p;
    p = read_number(p, &numbers[i]);
  }
  if (p == NULL || *p != '\0' || !(numbers[2] > 0.0f) || !(numbers[3] > 0.0f)) {
    fail(EXIT_BAD_INPUT, "--viewbox '%s': expected X,Y,W,H with W and H above 0", shown(text));
  }
  view->given = 1;
  view->x = numbers[0];
  view->y = numbers[1];
  view->w = numbers[2];
  view->h = numbers[3];
}

/* A finite number of an option, or a message naming it. */
static float parse_number(const char *option, const char *text) {
  char *end = NULL;
  float value = strtof(text, &end);
  if (end == text || *end != '\0' || value - value != 0.0f) {
    fail(EXIT_BAD_INPUT, "%s '%s': expected a finite number", option, shown(text));
  }
  return value;
}

/* Up to `most` finite numbers separated by commas and/or spaces; returns the
 * count, or -1 when the text holds anything else or more numbers. */
static int parse_list(const char *text, float *values, int most) {
  int count = 0;
  const char *p = text;
  for (;;) {
    while (*p == ' ' || *p == ',' || *p == '\t') ++p;
    if (*p == '\0') return count;
    if (count == most) return -1;
    char *end = NULL;
    float value = strtof(p, &end);
    if (end == p || value - value != 0.0f) return -1;
    if (*end != '\0' && *end != ' ' && *end != ',' && *end != '\t') return -1;
    values[count++] = value;
    p = end;
  }
}

/* The keyword's index in `names`, or a message listing them. */
static int32_t parse_keyword(const char *option, const char *text, const char *const *names,
                             int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    if (strcmp(text, names[i]) == 0) return i;
  }
  fail(EXIT_BAD_INPUT, "%s '%s': expected %s, %s or %s", option, shown(text), names[0], names[1],
       names[2]);
  return -1;
}

/* m := m * t: t applies first, then what m already held. */
static void compose(Matrix *m, const float t[6]) {
  if (!m->given) {
    memcpy(m->m, t, sizeof m->m);
    m->given = 1;
    return;
  }
  const double a = m->m[0], b = m->m[1], c = m->m[2], d = m->m[3], e = m->m[4], f = m->m[5];
  m->m[0] = (float)(a * t[0] + c * t[1]);
  m->m[1] = (float)(b * t[0] + d * t[1]);
  m->m[2] = (float)(a * t[2] + c * t[3]);
  m->m[3] = (float)(b * t[2] + d * t[3]);
  m->m[4] = (float)(a * t[4] + c * t[5] + e);
  m->m[5] = (float)(b * t[4] + d * t[5] + f);
}

/* One transform option: its matrix, or a message naming it. */
static void parse_transform(const char *option, const char *text, Matrix *into) {
  float v[6], t[6] = {1, 0, 0, 1, 0, 0};
  int n = parse_list(text, v, 6);
  if (strcmp(option, "--transform") == 0) {
    if (n != 6)
      fail(EXIT_BAD_INPUT, "%s '%s': expected six numbers \"a b c d e f\"", option, shown(text));
    memcpy(t, v, sizeof t);
  } else if (strcmp(option, "--translate") == 0) {
    if (n != 2) fail(EXIT_BAD_INPUT, "%s '%s': expected X,Y", option, shown(text));
    t[4] = v[0];
    t[5] = v[1];
  } else if (strcmp(option, "--scale") == 0) {
    if ((n != 1 && n != 2) || v[0] == 0.0f || (n == 2 && v[1] == 0.0f)) {
      fail(EXIT_BAD_INPUT, "%s '%s': expected S or SX,SY, finite and not 0", option, shown(text));
    }
    t[0] = v[0];
    t[3] = n == 2 ? v[1] : v[0];
  } else {
    if (n != 1 && n != 3)
      fail(EXIT_BAD_INPUT, "%s '%s': expected DEG or DEG,CX,CY", option, shown(text));
    /* Quarter turns are exact: no 6e-17 where a 0 is meant. */
    const double quarters = v[0] / 90.0;
    const double radians = v[0] * 3.14159265358979323846 / 180.0;
    double c = cos(radians), s = sin(radians);
    if (quarters == floor(quarters) && fabs(quarters) < 1e9) {
      static const double quarter_cos[4] = {1, 0, -1, 0}, quarter_sin[4] = {0, 1, 0, -1};
      const int q = (int)fmod(fmod(quarters, 4.0) + 4.0, 4.0);
      c = quarter_cos[q];
      s = quarter_sin[q];
    }
    const double cx = n == 3 ? v[1] : 0.0, cy = n == 3 ? v[2] : 0.0;
    t[0] = (float)c;
    t[1] = (float)s;
    t[2] = (float)-s;
    t[3] = (float)c;
    t[4] = (float)(cx - c * cx + s * cy);
    t[5] = (float)(cy - s * cx - c * cy);
  }
  for (int i = 0; i < 6; ++i) {
    if (t[i] - t[i] != 0.0f)
      fail(EXIT_BAD_INPUT, "%s '%s': the matrix is not finite", option, shown(text));
  }
  compose(into, t);
}

static int is_transform_option(const char *arg) {
  return strcmp(arg, "--transform") == 0 || strcmp(arg, "--translate") == 0 ||
         strcmp(arg, "--scale") == 0 || strcmp(arg, "--rotate") == 0;
}

static const char *const join_names[] = {"miter", "round", "bevel"};
static const char *const cap_names[] = {"butt", "round", "square"};

/* The stroke options of a layer; 0 when `arg` is none of them. */
static int parse_stroke_option(const char *arg, const char *value, Layer *layer) {
  if (strcmp(arg, "--stroke") == 0) {
    float width = parse_number(arg, value);
    if (width < 0.0f)
      fail(EXIT_BAD_INPUT, "--stroke '%s': the width must not be negative", shown(value));
    layer->stroke.width = width;
    layer->stroked = 1;
    return 1;
  }
  if (strcmp(arg, "--join") == 0) {
    layer->stroke.join = parse_keyword(arg, value, join_names, 3);
  } else if (strcmp(arg, "--cap") == 0) {
    layer->stroke.cap = parse_keyword(arg, value, cap_names, 3);
  } else if (strcmp(arg, "--miter-limit") == 0) {
    float limit = parse_number(arg, value);
    if (limit < 1.0f) fail(EXIT_BAD_INPUT, "--miter-limit '%s': must be at least 1", shown(value));
    layer->stroke.miter_limit = limit;
  } else if (strcmp(arg, "--dash") == 0) {
    enum { kMostDashes = 256 };
    float lengths[kMostDashes];
    int n = parse_list(value, lengths, kMostDashes);
    if (n < 0) fail(EXIT_BAD_INPUT, "--dash '%s': expected up to 256 lengths", shown(value));
    for (int i = 0; i < n; ++i) {
      if (lengths[i] < 0.0f)
        fail(EXIT_BAD_INPUT, "--dash '%s': lengths must not be negative", shown(value));
    }
    free(layer->dashes);
    layer->dashes = n > 0 ? malloc((size_t)n * sizeof *layer->dashes) : NULL;
    if (n > 0 && layer->dashes == NULL) out_of_memory();
    if (n > 0) memcpy(layer->dashes, lengths, (size_t)n * sizeof *lengths);
    layer->stroke.dashes = layer->dashes;
    layer->stroke.dash_count = n;
  } else if (strcmp(arg, "--dash-offset") == 0) {
    layer->stroke.dash_offset = parse_number(arg, value);
  } else {
    return 0;
  }
  if (layer->style_arg == NULL) layer->style_arg = arg;
  return 1;
}

static int is_stroke_option(const char *arg) {
  return strcmp(arg, "--stroke") == 0 || strcmp(arg, "--join") == 0 || strcmp(arg, "--cap") == 0 ||
         strcmp(arg, "--miter-limit") == 0 || strcmp(arg, "--dash") == 0 ||
         strcmp(arg, "--dash-offset") == 0;
}

static int32_t parse_quality(const char *text) {
  char *end = NULL;
  errno = 0;
  long value = strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || value < 1 || value > 100) {
    fail(EXIT_BAD_INPUT, "--quality '%s': expected an integer 1..100", shown(text));
  }
  return (int32_t)value;
}

static int32_t format_by_name(const char *name) {
  for (int32_t i = 0; i < (int32_t)(sizeof format_names / sizeof format_names[0]); ++i) {
    if (strcmp(name, format_names[i]) == 0) return i;
  }
  if (strcmp(name, "jpg") == 0) return 1;
  if (strcmp(name, "pam") == 0) return 4;
  return -1;
}

static int ends_with(const char *text, const char *suffix) {
  size_t n = strlen(text), m = strlen(suffix);
  if (n < m) return 0;
  for (size_t i = 0; i < m; ++i) {
    char c = text[n - m + i];
    if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    if (c != suffix[i]) return 0;
  }
  return 1;
}

/* The format named by a file's extension; png without one, -1 for an unknown one. */
static int32_t format_by_extension(const char *file) {
  static const struct {
    const char *suffix;
    int32_t format;
  } table[] = {{".png", 0}, {".jpg", 1}, {".jpeg", 1}, {".bmp", 2},         {".qoi", 3},
               {".pnm", 4}, {".pam", 4}, {".tga", 5},  {".ppm", FORMAT_PPM}};
  for (size_t i = 0; i < sizeof table / sizeof table[0]; ++i) {
    if (ends_with(file, table[i].suffix)) return table[i].format;
  }
  const char *base = strrchr(file, '/');
  base = base ? base + 1 : file;
  const char *dot = strrchr(base, '.');
  return (dot == NULL || dot == base) ? 0 : -1;
}

/* Reads a whole file of at most MAX_PATH_FILE bytes into a NUL-terminated
 * block; NULL with errno set on failure (EFBIG when it is longer, EINVAL
 * when it holds a NUL byte). */
static char *read_file(const char *file) {
  FILE *f = fopen(file, "rb");
  if (f == NULL) return NULL;
  size_t capacity = 4096, size = 0;
  char *data = malloc(capacity);
  if (data == NULL) out_of_memory();
  for (;;) {
    if (size + 1 == capacity) {
      /* Room for one byte past the limit, to tell a longer file apart. */
      size_t grown_capacity = capacity * 2;
      if (grown_capacity > (size_t)MAX_PATH_FILE + 2) grown_capacity = (size_t)MAX_PATH_FILE + 2;
      char *grown = realloc(data, grown_capacity);
      if (grown == NULL) out_of_memory();
      data = grown;
      capacity = grown_capacity;
    }
    size_t got = fread(data + size, 1, capacity - size - 1, f);
    size += got;
    if (size > (size_t)MAX_PATH_FILE) {
      free(data);
      fclose(f);
      errno = EFBIG;
      return NULL;
    }
    if (got == 0) break;
  }
  int failed = ferror(f);
  fclose(f);
  if (failed) {
    free(data);
    errno = EIO;
    return NULL;
  }
  data[size] = '\0';
  if (strlen(data) != size) {
    free(data);
    errno = EINVAL;
    return NULL;
  }
  return data;
}

static Layer *add_layer(Job *job) {
  if (job->layer_count == job->layer_capacity) {
    size_t capacity = job->layer_capacity ? job->layer_capacity * 2 : 8;
    Layer *grown = realloc(job->layers, capacity * sizeof *grown);
    if (grown == NULL) out_of_memory();
    job->layers = grown;
    job->layer_capacity = capacity;
  }
  Layer *layer = &job->layers[job->layer_count++];
  memset(layer, 0, sizeof *layer);
  layer->tolerance = 0.5f;
  layer->antialias = ZD_AA_SCANLINES;
  layer->stroke.join = ZD_JOIN_MITER;
  layer->stroke.cap = ZD_CAP_BUTT;
  layer->stroke.miter_limit = 4.0f;
  return layer;
}

static ZdColor *black(void) {
  ZdColor *color = zd_color_rgba(0.0f, 0.0f, 0.0f, 1.0f);
  if (color == NULL) out_of_memory();
  return color;
}

static void parse_path_argument(const char *arg, Layer *layer) {
  const char *data = arg;
  char *owned = NULL;
  if (arg[0] == '@') {
    owned = read_file(arg + 1);
    if (owned == NULL) {
      fail(EXIT_BAD_INPUT, "--path '%s': cannot read the file: %s", shown(arg),
           errno == EINVAL  ? "it holds a NUL byte"
           : errno == EFBIG ? "it holds more than 64 MiB (67108864 bytes)"
                            : strerror(errno));
    }
    data = owned;
  }
  ZdStatus status = zd_path_parse_d(data, &layer->path);
  free(owned);
  if (status == ZD_OUT_OF_MEMORY) out_of_memory();
  if (status != ZD_OK) fail(EXIT_BAD_INPUT, "--path '%s'%s", shown(arg), library_says());
  layer->path_arg = arg;
}

/* Any CSS colour (--color, --background). */
static ZdColor *parse_color_argument(const char *option, const char *value) {
  ZdColor *color = zd_color_parse_css(value);
  if (color == NULL) {
    fail(EXIT_BAD_INPUT, "%s '%s'%s (try red, #rrggbb, hsl(), oklch())", option, shown(value),
         library_says());
  }
  return color;
}

/* The argument after option `name`, or a message naming the option. */
static const char *value_of(int argc, char **argv, int *i, const char *name) {
  if (*i + 1 >= argc) fail(EXIT_BAD_INPUT, "%s: missing its value", name);
  return argv[++*i];
}

static Layer *current_layer(Job *job, const char *option) {
  if (job->layer_count == 0) fail(EXIT_BAD_INPUT, "%s: must follow a --path", option);
  return &job->layers[job->layer_count - 1];
}

/* The canonical name of a file that may not exist yet: its directory
 * resolved, then its own name; NULL when the directory cannot be resolved. */
static char *canonical_name(const char *file) {
  const char *slash = strrchr(file, '/');
  char directory[PATH_MAX];
  if (slash == NULL) {
    snprintf(directory, sizeof directory, ".");
  } else {
    snprintf(directory, sizeof directory, "%.*s", (int)(slash - file == 0 ? 1 : slash - file),
             file);
  }
  char *resolved = realpath(directory, NULL);
  if (resolved == NULL) return NULL;
  const char *name = slash == NULL ? file : slash + 1;
  size_t size = strlen(resolved) + strlen(name) + 2;
  char *joined = malloc(size);
  if (joined == NULL) out_of_memory();
  snprintf(joined, size, "%s/%s", resolved, name);
  free(resolved);
  return joined;
}

/* Whether two output names lead to one file: the same name ("-" is standard
 * output), the same name once directories are resolved, or one file under
 * two names (links). */
static int same_file(const char *a, const char *b) {
  if (strcmp(a, b) == 0) return 1;
  if (strcmp(a, "-") == 0 || strcmp(b, "-") == 0) return 0;
  struct stat sa, sb;
  if (stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino) {
    return 1;
  }
  char *ca = canonical_name(a), *cb = canonical_name(b);
  int same = ca != NULL && cb != NULL && strcmp(ca, cb) == 0;
  free(ca);
  free(cb);
  return same;
}

/* ------------------------------------------------------------ gradients */

static const char *const spread_names[] = {"pad", "repeat", "reflect"};
static const char *const hue_names[] = {"shorter", "longer", "increasing", "decreasing"};
enum { GRADIENT_NONE = 0, GRADIENT_LINEAR = 1, GRADIENT_RADIAL = 2, GRADIENT_CONIC = 3 };

static int is_gradient_option(const char *arg) {
  return strcmp(arg, "--linear") == 0 || strcmp(arg, "--radial") == 0 ||
         strcmp(arg, "--conic") == 0 || strcmp(arg, "--stop") == 0 ||
         strcmp(arg, "--interpolate") == 0 || strcmp(arg, "--spread") == 0;
}

/* A copy of the first `length` bytes of `text`, NUL-terminated. */
static char *copy_prefix(const char *text, size_t length) {
  char *copy = malloc(length + 1);
  if (copy == NULL) out_of_memory();
  memcpy(copy, text, length);
  copy[length] = '\0';
  return copy;
}

static void add_gradient_stop(const char *arg, const char *value, Gradient *g) {
  const char *colon = strchr(value, ':');
  if (colon == NULL) fail(EXIT_BAD_INPUT, "%s '%s': expected OFFSET:COLOR", arg, shown(value));
  char *offset_text = copy_prefix(value, (size_t)(colon - value));
  float offset = 0.0f;
  int n = parse_list(offset_text, &offset, 1);
  free(offset_text);
  if (n != 1) fail(EXIT_BAD_INPUT, "%s '%s': the offset is not a finite number", arg, shown(value));
  if (g->stop_count == g->stop_capacity) {
    size_t capacity = g->stop_capacity ? g->stop_capacity * 2 : 4;
    GradientStop *grown = realloc(g->stops, capacity * sizeof *grown);
    if (grown == NULL) out_of_memory();
    g->stops = grown;
    g->stop_capacity = capacity;
  }
  GradientStop *stop = &g->stops[g->stop_count++];
  stop->offset = offset;
  stop->color = parse_color_argument(arg, colon + 1);
}

/* The interpolation space is checked at once, on a scratch paint. */
static void parse_interpolation(const char *arg, const char *value, Gradient *g) {
  const char *comma = strchr(value, ',');
  free(g->space);
  g->space = copy_prefix(value, comma ? (size_t)(comma - value) : strlen(value));
  g->hue = ZD_HUE_SHORTER;
  if (comma != NULL) {
    g->hue = -1;
    for (int32_t k = 0; k < 4; ++k) {
      if (strcmp(comma + 1, hue_names[k]) == 0) g->hue = k;
    }
    if (g->hue < 0) {
      fail(EXIT_BAD_INPUT, "%s '%s': the hue method is shorter, longer, increasing or decreasing",
           arg, shown(value));
    }
  }
  ZdPaint *probe = zd_paint_new();
  if (probe == NULL) out_of_memory();
  ZdStatus status = zd_paint_set_interpolation(probe, g->space, g->hue);
  zd_paint_free(probe);
  if (status != ZD_OK) {
    fail(EXIT_BAD_INPUT, "%s '%s': not a space colours can be interpolated in%s", arg, shown(value),
         library_says());
  }
}

/* The gradient options of a layer. */
static void parse_gradient_option(const char *arg, const char *value, Gradient *g) {
  int kind = strcmp(arg, "--linear") == 0   ? GRADIENT_LINEAR
             : strcmp(arg, "--radial") == 0 ? GRADIENT_RADIAL
             : strcmp(arg, "--conic") == 0  ? GRADIENT_CONIC
                                            : GRADIENT_NONE;
  if (kind != GRADIENT_NONE) {
    static const int counts[] = {0, 4, 6, 3};
    static const char *const forms[] = {"", "X0,Y0,X1,Y1", "X0,Y0,R0,X1,Y1,R1", "CX,CY,DEG"};
    if (g->kind != GRADIENT_NONE) {
      fail(EXIT_BAD_INPUT, "%s '%s': the --path already has a gradient (%s)", arg, shown(value),
           g->kind_arg);
    }
    float v[6] = {0, 0, 0, 0, 0, 0};
    if (parse_list(value, v, 6) != counts[kind]) {
      fail(EXIT_BAD_INPUT, "%s '%s': expected %s, all finite", arg, shown(value), forms[kind]);
    }
    if (kind == GRADIENT_RADIAL && (v[2] < 0.0f || v[5] < 0.0f)) {
      fail(EXIT_BAD_INPUT, "%s '%s': the radii must not be negative", arg, shown(value));
    }
    g->kind = kind;
    g->kind_arg = arg;
    memcpy(g->geometry, v, sizeof v);
    return;
  }
  if (g->option_arg == NULL) g->option_arg = arg;
  if (strcmp(arg, "--stop") == 0) {
    add_gradient_stop(arg, value, g);
  } else if (strcmp(arg, "--interpolate") == 0) {
    parse_interpolation(arg, value, g);
  } else {
    g->spread = parse_keyword(arg, value, spread_names, 3);
  }
}

/* The layer's gradient set on `paint`, whose colour is already set. */
static ZdStatus apply_gradient(ZdPaint *paint, const Gradient *g) {
  ZdStatus status = zd_paint_set_interpolation(paint, g->space ? g->space : "srgb", g->hue);
  if (status == ZD_OK) status = zd_paint_set_spread(paint, g->spread);
  for (size_t k = 0; k < g->stop_count && status == ZD_OK; ++k) {
    status = zd_paint_add_stop(paint, g->stops[k].offset, g->stops[k].color);
  }
  if (status != ZD_OK) return status;
  const float *v = g->geometry;
  switch (g->kind) {
    case GRADIENT_LINEAR: return zd_paint_set_linear(paint, v[0], v[1], v[2], v[3]);
    case GRADIENT_RADIAL: return zd_paint_set_radial(paint, v[0], v[1], v[2], v[3], v[4], v[5]);
    default:
      return zd_paint_set_conic(paint, v[0], v[1], (float)(v[2] * 3.14159265358979323846 / 180.0));
  }
}

/* After parsing: a gradient needs stops, and its options need a gradient. */
static void check_gradient(const Layer *layer) {
  const Gradient *g = &layer->gradient;
  if (g->kind == GRADIENT_NONE && g->option_arg != NULL) {
    fail(EXIT_BAD_INPUT, "%s: the --path '%s' has no gradient (give --linear, --radial or --conic)",
         g->option_arg, shown(layer->path_arg));
  }
  if (g->kind != GRADIENT_NONE && g->stop_count == 0) {
    fail(EXIT_BAD_INPUT,
         "%s: the --path '%s' has a gradient without stops (give --stop OFFSET:COLOR)", g->kind_arg,
         shown(layer->path_arg));
  }
  if (g->kind != GRADIENT_NONE && layer->color_arg != NULL) {
    fail(EXIT_BAD_INPUT, "--color '%s': the --path '%s' is painted with a gradient (%s)",
         shown(layer->color_arg), shown(layer->path_arg), g->kind_arg);
  }
}

static void free_gradient(Gradient *g) {
  for (size_t k = 0; k < g->stop_count; ++k) zd_color_free(g->stops[k].color);
  free(g->stops);
  free(g->space);
}

static void parse_arguments(int argc, char **argv, Job *job) {
  for (int i = 1; i < argc; ++i) {
    const char *arg = argv[i];
    if (strcmp(arg, "-h") == 0 || strcmp(arg, "--help") == 0) {
      fputs(usage_text, stdout);
      exit(0);
    } else if (strcmp(arg, "--size") == 0) {
      parse_size(value_of(argc, argv, &i, arg), job);
    } else if (strcmp(arg, "--background") == 0) {
      const char *value = value_of(argc, argv, &i, arg);
      if (job->background != NULL)
        fail(EXIT_BAD_INPUT, "--background '%s': given twice", shown(value));
      job->background = parse_color_argument(arg, value);
    } else if (strcmp(arg, "--viewbox") == 0) {
      parse_viewbox(value_of(argc, argv, &i, arg), &job->view);
    } else if (strcmp(arg, "--path") == 0) {
      const char *value = value_of(argc, argv, &i, arg);
      parse_path_argument(value, add_layer(job));
    } else if (strcmp(arg, "--color") == 0) {
      const char *value = value_of(argc, argv, &i, arg);
      Layer *layer = current_layer(job, arg);
      if (layer->color != NULL)
        fail(EXIT_BAD_INPUT, "--color '%s': the --path already has a colour", shown(value));
      layer->color = parse_color_argument(arg, value);
      layer->color_arg = value;
    } else if (strcmp(arg, "--even-odd") == 0) {
      current_layer(job, arg)->even_odd = 1;
    } else if (strcmp(arg, "--overwrite") == 0) {
      current_layer(job, arg)->overwrite = 1;
    } else if (strcmp(arg, "--tolerance") == 0) {
      const char *value = value_of(argc, argv, &i, arg);
      current_layer(job, arg)->tolerance = parse_tolerance(value);
    } else if (strcmp(arg, "--antialias") == 0) {
      const char *value = value_of(argc, argv, &i, arg);
      current_layer(job, arg)->antialias = parse_antialias(value);
    } else if (is_stroke_option(arg)) {
      const char *value = value_of(argc, argv, &i, arg);
      parse_stroke_option(arg, value, current_layer(job, arg));
    } else if (is_transform_option(arg)) {
      const char *value = value_of(argc, argv, &i, arg);
      parse_transform(arg, value, &current_layer(job, arg)->transform);
    } else if (is_gradient_option(arg)) {
      const char *value = value_of(argc, argv, &i, arg);
      parse_gradient_option(arg, value, &current_layer(job, arg)->gradient);
    } else if (strcmp(arg, "-o") == 0 || strcmp(arg, "--output") == 0) {
      job->output = value_of(argc, argv, &i, arg);
    } else if (strcmp(arg, "--svg") == 0) {
      job->svg = value_of(argc, argv, &i, arg);
    } else if (strcmp(arg, "--format") == 0) {
      const char *value = value_of(argc, argv, &i, arg);
      job->format = format_by_name(value);
      if (job->format < 0) {
        fail(EXIT_BAD_INPUT, "--format '%s': expected png, jpeg, bmp, qoi, pam, ppm, pnm or tga",
             shown(value));
      }
    } else if (strcmp(arg, "--quality") == 0) {
      job->quality = parse_quality(value_of(argc, argv, &i, arg));
    } else {
      fail(EXIT_BAD_INPUT, "'%s': unknown argument (see --help)", shown(arg));
    }
  }
  if (job->layer_count == 0) fail(EXIT_BAD_INPUT, "no --path given (see --help)");
  if (job->output == NULL && job->svg == NULL) {
    fail(EXIT_BAD_INPUT, "nothing to write: give -o FILE and/or --svg FILE");
  }
  if (job->output != NULL && job->svg != NULL && same_file(job->output, job->svg)) {
    fail(EXIT_BAD_INPUT, "-o '%s' and --svg '%s' name the same file: give each its own",
         shown(job->output), shown(job->svg));
  }
  if (job->output != NULL && job->format < 0) {
    job->format = format_by_extension(job->output);
    if (job->format < 0) {
      fail(EXIT_BAD_INPUT, "-o '%s': unknown extension; name the format with --format",
           shown(job->output));
    }
  }
  for (size_t k = 0; k < job->layer_count; ++k) {
    Layer *layer = &job->layers[k];
    check_gradient(layer);
    if (layer->color == NULL) layer->color = black();
    if (!layer->stroked && layer->style_arg != NULL) {
      fail(EXIT_BAD_INPUT, "%s: the --path '%s' is not stroked (give --stroke W)", layer->style_arg,
           shown(layer->path_arg));
    }
  }
}

/* ------------------------------------------------------------ writing files */

static void write_all(FILE *f, const Output *out, const char *shown_name) {
  size_t written = fwrite(out->data, 1, out->size, f);
  if (written != out->size || fflush(f) != 0) {
    fail(EXIT_BAD_INPUT, "%s '%s': cannot write: %s", out->option, shown_name, strerror(errno));
  }
}

/* Writes an output whole: to standard output for "-"; straight into FILE
 * when it exists and is no regular file (a device, a pipe: renaming over it
 * would replace it); otherwise into a temporary file in FILE's directory,
 * renamed over FILE once complete, so FILE is never seen half written. */
static void write_output(const Output *out) {
  if (strcmp(out->file, "-") == 0) {
    write_all(stdout, out, "-");
    return;
  }
  struct stat existing;
  if (stat(out->file, &existing) == 0 && !S_ISREG(existing.st_mode)) {
    FILE *f = fopen(out->file, "wb");
    if (f == NULL)
      fail(EXIT_BAD_INPUT, "%s '%s': cannot write: %s", out->option, shown(out->file),
           strerror(errno));
    write_all(f, out, shown(out->file));
    fclose(f);
    return;
  }
  size_t size = strlen(out->file) + 16;
  char *temporary = malloc(size);
  if (temporary == NULL) out_of_memory();
  const char *slash = strrchr(out->file, '/');
  int directory_length = slash == NULL ? 0 : (int)(slash - out->file + 1);
  snprintf(temporary, size, "%.*s.%s.XXXXXX", directory_length, out->file,
           out->file + directory_length);
  int fd = mkstemp(temporary);
  if (fd < 0)
    fail(EXIT_BAD_INPUT, "%s '%s': cannot write: %s", out->option, shown(out->file),
         strerror(errno));
  /* The file gets the permissions a new file would get, not mkstemp's 0600. */
  mode_t mask = umask(0);
  umask(mask);
  int failed = fchmod(fd, 0666 & ~mask) != 0;
  FILE *f = failed ? NULL : fdopen(fd, "wb");
  int saved_errno = errno;
  if (f != NULL) {
    size_t written = fwrite(out->data, 1, out->size, f);
    failed = written != out->size || fflush(f) != 0 || fsync(fileno(f)) != 0;
    saved_errno = errno;
    if (fclose(f) != 0 && !failed) {
      failed = 1;
      saved_errno = errno;
    }
  } else {
    failed = 1;
    close(fd);
  }
  if (!failed && rename(temporary, out->file) != 0) {
    failed = 1;
    saved_errno = errno;
  }
  if (failed) {
    unlink(temporary);
    fail(EXIT_BAD_INPUT, "%s '%s': cannot write: %s", out->option, shown(out->file),
         strerror(saved_errno));
  }
  free(temporary);
}

/* ------------------------------------------------------------ geometry */

/* x' = scale x + dx, y' = scale y + dy. */
typedef struct Mapping {
  float scale, dx, dy;
} Mapping;

/* The view's mapping of path coordinates into the image: the box scaled by
 * one factor to fit and centred (SVG's viewBox with its default
 * preserveAspectRatio); the identity without --viewbox. */
static Mapping view_mapping(const Job *job) {
  Mapping m = {1.0f, 0.0f, 0.0f};
  if (!job->view.given) return m;
  double sx = job->width / (double)job->view.w, sy = job->height / (double)job->view.h;
  double k = sx < sy ? sx : sy;
  m.scale = (float)k;
  m.dx = (float)((job->width - job->view.w * k) / 2 - job->view.x * k);
  m.dy = (float)((job->height - job->view.h * k) / 2 - job->view.y * k);
  return m;
}

/* Appends text to a growing string. */
typedef struct Text {
  char *data;
  size_t size, capacity;
} Text;

static void append(Text *text, const char *data, size_t size) {
  if (text->size + size + 1 > text->capacity) {
    size_t capacity = text->capacity ? text->capacity : 1024;
    while (capacity < text->size + size + 1) capacity *= 2;
    char *grown = realloc(text->data, capacity);
    if (grown == NULL) out_of_memory();
    text->data = grown;
    text->capacity = capacity;
  }
  memcpy(text->data + text->size, data, size);
  text->size += size;
  text->data[text->size] = '\0';
}

/* The matrix a layer is painted with: its own transforms, then the view's
 * mapping into the image. 0 (and nothing stored) for the identity. */
static int layer_matrix(const Job *job, const Layer *layer, float out[6]) {
  Matrix m = {0, {1, 0, 0, 1, 0, 0}};
  if (job->view.given) {
    const Mapping v = view_mapping(job);
    const float view[6] = {v.scale, 0, 0, v.scale, v.dx, v.dy};
    compose(&m, view);
  }
  if (layer->transform.given) compose(&m, layer->transform.m);
  if (m.given) memcpy(out, m.m, sizeof m.m);
  return m.given;
}

/* A rectangle over the whole image: in image coordinates, or in those of
 * the view box (for the document, which maps the view box itself). */
static ZdPath *canvas_rect(const Job *job, int in_view_box) {
  ZdPath *rect = zd_path_new();
  if (rect == NULL) out_of_memory();
  Mapping m = in_view_box ? view_mapping(job) : (Mapping){1.0f, 0.0f, 0.0f};
  float x = -m.dx / m.scale, y = -m.dy / m.scale;
  if (zd_path_rect(rect, 1, x, y, (float)job->width / m.scale, (float)job->height / m.scale) !=
      ZD_OK) {
    fail(EXIT_BAD_INPUT, "--viewbox: the image does not fit the float range%s", library_says());
  }
  return rect;
}

/* ------------------------------------------------------------ outputs */

static void describe_layer(const Layer *layer, size_t index, char *text, size_t size) {
  if (layer->path_arg != NULL) {
    snprintf(text, size, "--path '%s'", shown(layer->path_arg));
  } else {
    snprintf(text, size, "demo layer %zu", index + 1);
  }
}

/* Paints or writes one item: the background (layer NULL) or a layer. */
typedef void (*DrawItem)(void *target, const Job *job, ZdPath *path, ZdColor *color,
                         const Layer *layer, const char *what);

/* Everything drawn, in order: the background when there is one (a rectangle
 * in the image's coordinates, or in those of the document, which maps the
 * view box itself), then each layer with its own path. */
static void draw_items(const Job *job, int for_image, DrawItem draw, void *target) {
  if (job->background != NULL) {
    ZdPath *rect = canvas_rect(job, !for_image);
    draw(target, job, rect, job->background, NULL, "--background");
    zd_path_free(rect);
  }
  for (size_t k = 0; k < job->layer_count; ++k) {
    const Layer *layer = &job->layers[k];
    char what[96];
    describe_layer(layer, k, what, sizeof what);
    draw(target, job, layer->path, layer->color, layer, what);
  }
}

/* The background replaces the transparent pixels; layers are drawn through
 * a paint (fill or stroke) and their matrix (transforms, then the view). */
static void paint_item(void *target, const Job *job, ZdPath *path, ZdColor *color,
                       const Layer *layer, const char *what) {
  if (layer == NULL) {
    if (zd_fill_path(target, path, color, 0, 1, 0.5f) != ZD_OK) {
      fail(EXIT_BAD_INPUT, "%s: cannot be filled%s", what, library_says());
    }
    return;
  }
  ZdPaint *paint = zd_paint_new();
  if (paint == NULL) out_of_memory();
  float matrix[6];
  int moved = layer_matrix(job, layer, matrix);
  ZdStatus status = zd_paint_set_color(paint, color);
  if (status == ZD_OK) {
    status = layer->stroked
                 ? zd_paint_set_stroke(paint, &layer->stroke)
                 : zd_paint_set_fill(paint, layer->even_odd ? ZD_FILL_EVENODD : ZD_FILL_NONZERO);
  }
  if (status == ZD_OK)
    status = zd_paint_set_mode(paint, layer->overwrite ? ZD_MODE_OVERWRITE : ZD_MODE_OVER);
  if (status == ZD_OK) status = zd_paint_set_tolerance(paint, layer->tolerance);
  if (status == ZD_OK) status = zd_paint_set_antialias(paint, layer->antialias);
  if (status == ZD_OK && layer->gradient.kind != GRADIENT_NONE) {
    status = apply_gradient(paint, &layer->gradient);
  }
  if (status == ZD_OK) status = zd_draw_path(target, path, paint, moved ? matrix : NULL);
  zd_paint_free(paint);
  if (status != ZD_OK) {
    fail(EXIT_BAD_INPUT, "%s: cannot be %s%s", what, layer->stroked ? "stroked" : "filled",
         library_says());
  }
}

static ZdImage *paint_layers(const Job *job) {
  ZdImage *image = zd_image_new(job->width, job->height);
  if (image == NULL) {
    fail(EXIT_NO_MEMORY, "--size %dx%d: cannot make the image%s", job->width, job->height,
         library_says());
  }
  draw_items(job, 1, paint_item, image);
  return image;
}

/* The sRGB bytes of a colour, from its SVG colour text "#RRGGBB[AA]". */
static void color_bytes(ZdColor *color, unsigned char rgb[3]) {
  char *text = NULL;
  int64_t length = 0;
  ZdStatus status = zd_color_to_svg(color, &text, &length);
  if (status == ZD_OUT_OF_MEMORY) out_of_memory();
  if (status != ZD_OK) fail(EXIT_BAD_INPUT, "--background: has no sRGB form%s", library_says());
  for (int i = 0; i < 3; ++i) {
    unsigned value = 0;
    sscanf(text + 1 + 2 * i, "%2x", &value);
    rgb[i] = (unsigned char)value;
  }
  zd_buffer_free(text);
}

/* A binary PPM (P6): the image flattened onto `under`, each pixel mixed
 * with it by its alpha, rounded to the nearest byte. */
static void encode_ppm(ZdImage *image, const unsigned char under[3], Output *out) {
  uint8_t *pixels = NULL;
  int64_t length = 0;
  if (zd_image_pixels(image, &pixels, &length) != ZD_OK) fail(1, "cannot read the image");
  char header[32];
  int header_size = snprintf(header, sizeof header, "P6\n%d %d\n255\n", zd_image_width(image),
                             zd_image_height(image));
  size_t count = (size_t)length / 4;
  out->size = (size_t)header_size + count * 3;
  out->data = malloc(out->size);
  if (out->data == NULL) out_of_memory();
  memcpy(out->data, header, (size_t)header_size);
  unsigned char *to = out->data + header_size;
  for (size_t i = 0; i < count; ++i, pixels += 4, to += 3) {
    unsigned alpha = pixels[3];
    for (int c = 0; c < 3; ++c) {
      to[c] = (unsigned char)((pixels[c] * alpha + under[c] * (255u - alpha) + 127u) / 255u);
    }
  }
}

static void encode_image(const Job *job, ZdImage *image, Output *out) {
  out->option = "-o";
  out->file = job->output;
  if (job->format == FORMAT_PPM) {
    unsigned char under[3] = {255, 255, 255};
    if (job->background != NULL) color_bytes(job->background, under);
    encode_ppm(image, under, out);
    return;
  }
  uint8_t *bytes = NULL;
  int64_t length = 0;
  ZdStatus status = zd_image_encode(image, job->format, job->quality, &bytes, &length);
  if (status == ZD_OUT_OF_MEMORY) out_of_memory();
  if (status != ZD_OK) {
    fail(EXIT_BAD_INPUT, "-o '%s': the image cannot be encoded as %s%s", shown(job->output),
         format_names[job->format], library_says());
  }
  out->data = bytes;
  out->size = (size_t)length;
  out->library_block = 1;
}

static void append_text(Text *text, const char *data) { append(text, data, strlen(data)); }

/* A number as SVG writes it: shortest round-trip form, '.' as the point (zdraw
 * never changes the C locale). */
static void append_number(Text *text, double value) {
  char buffer[32];
  snprintf(buffer, sizeof buffer, "%.9g", value);
  append_text(text, buffer);
}

static void append_matrix(Text *text, const float m[6]) {
  append_text(text, "matrix(");
  for (int i = 0; i < 6; ++i) {
    if (i > 0) append_text(text, " ");
    append_number(text, m[i]);
  }
  append_text(text, ")");
}

/* The stroke attributes of a stroked layer (its fill="..." already turned
 * into fill="none" stroke="..."). */
static void append_stroke_attributes(Text *text, const ZdStroke *stroke) {
  append_text(text, " stroke-width=\"");
  append_number(text, stroke->width);
  append_text(text, "\" stroke-linejoin=\"");
  append_text(text, join_names[stroke->join]);
  append_text(text, "\" stroke-linecap=\"");
  append_text(text, cap_names[stroke->cap]);
  append_text(text, "\" stroke-miterlimit=\"");
  append_number(text, stroke->miter_limit);
  append_text(text, "\"");
  if (stroke->dash_count > 0) {
    append_text(text, " stroke-dasharray=\"");
    for (int32_t i = 0; i < stroke->dash_count; ++i) {
      if (i > 0) append_text(text, " ");
      append_number(text, stroke->dashes[i]);
    }
    append_text(text, "\" stroke-dashoffset=\"");
    append_number(text, stroke->dash_offset);
    append_text(text, "\"");
  }
}

/* --------------------------------------------------- gradients in SVG */

/* The layer's stops sorted by offset (clamped to [0, 1]), stably, as the
 * library keeps them. The array is new; the colours are the layer's. */
static GradientStop *sorted_stops(const Gradient *g) {
  GradientStop *sorted = malloc(g->stop_count * sizeof *sorted);
  if (sorted == NULL) out_of_memory();
  for (size_t k = 0; k < g->stop_count; ++k) {
    GradientStop stop = g->stops[k];
    stop.offset = stop.offset < 0.0f ? 0.0f : stop.offset > 1.0f ? 1.0f : stop.offset;
    size_t at = k;
    while (at > 0 && sorted[at - 1].offset > stop.offset) {
      sorted[at] = sorted[at - 1];
      --at;
    }
    sorted[at] = stop;
  }
  return sorted;
}

/* The colour between two stops at u, mixed as the library mixes them. */
static ZdColor *mixed_color(const Gradient *g, ZdColor *a, ZdColor *b, double u) {
  ZdColor *mixed = NULL;
  ZdStatus status = zd_color_mix(a, b, (float)u, g->space ? g->space : "srgb", g->hue, &mixed);
  if (status == ZD_OUT_OF_MEMORY) out_of_memory();
  if (status != ZD_OK)
    fail(EXIT_BAD_INPUT, "%s: the gradient cannot be written as SVG%s", g->kind_arg,
         library_says());
  return mixed;
}

/* The colour at t in [0, 1] (a new colour): the stop rule of the library
 * (first stop below, last above, the first of equal offsets at t). */
static ZdColor *color_at(const Gradient *g, const GradientStop *stops, double t) {
  size_t next = 0;
  while (next < g->stop_count && stops[next].offset < t) ++next;
  if (next == 0) return mixed_color(g, stops[0].color, stops[0].color, 0.0);
  if (next == g->stop_count) {
    ZdColor *last = stops[next - 1].color;
    return mixed_color(g, last, last, 0.0);
  }
  const GradientStop *a = &stops[next - 1], *b = &stops[next];
  return mixed_color(g, a->color, b->color, (t - a->offset) / (b->offset - a->offset));
}

/* "#RRGGBB" of a colour into `hex` and its alpha. */
static double svg_color(ZdColor *color, char hex[8], const char *what) {
  char *text = NULL;
  int64_t length = 0;
  ZdStatus status = zd_color_to_svg(color, &text, &length);
  if (status == ZD_OUT_OF_MEMORY) out_of_memory();
  if (status != ZD_OK)
    fail(EXIT_BAD_INPUT, "%s: a gradient colour has no sRGB form%s", what, library_says());
  memcpy(hex, text, 7);
  hex[7] = '\0';
  unsigned alpha = 255;
  if (length == 9) sscanf(text + 7, "%2x", &alpha);
  zd_buffer_free(text);
  return alpha / 255.0;
}

static void append_stop(Text *text, double offset, ZdColor *color, const char *what) {
  char hex[8];
  double alpha = svg_color(color, hex, what);
  char element[160];
  int n = snprintf(element, sizeof element, "<stop offset=\"%.9g\" stop-color=\"%s\"", offset, hex);
  append(text, element, (size_t)n);
  if (alpha < 1.0) {
    n = snprintf(element, sizeof element, " stop-opacity=\"%.9g\"", alpha);
    append(text, element, (size_t)n);
  }
  append_text(text, "/>");
}

/* SVG interpolates stops in sRGB without premultiplying: exact for opaque
 * stops interpolated in "srgb"; otherwise each span between stops gets
 * kSpanSamples colours mixed as the library mixes them. */
#define SPAN_SAMPLES 32
static int svg_interpolates_alike(const Gradient *g, const GradientStop *stops) {
  if (g->space != NULL && strcmp(g->space, "srgb") != 0) return 0;
  for (size_t k = 0; k < g->stop_count; ++k) {
    char hex[8];
    if (svg_color(stops[k].color, hex, g->kind_arg) < 1.0) return 0;
  }
  return 1;
}

static void append_stops(Text *text, const Gradient *g, const GradientStop *stops) {
  const int alike = svg_interpolates_alike(g, stops);
  for (size_t k = 0; k < g->stop_count; ++k) {
    append_stop(text, stops[k].offset, stops[k].color, g->kind_arg);
    if (alike || k + 1 == g->stop_count || stops[k + 1].offset == stops[k].offset) continue;
    for (int s = 1; s < SPAN_SAMPLES; ++s) {
      double u = s / (double)SPAN_SAMPLES;
      ZdColor *mixed = mixed_color(g, stops[k].color, stops[k + 1].color, u);
      append_stop(text, stops[k].offset + u * (stops[k + 1].offset - stops[k].offset), mixed,
                  g->kind_arg);
      zd_color_free(mixed);
    }
  }
}

/* A <linearGradient> or <radialGradient> element in user space. */
static void append_gradient_element(Text *text, const Gradient *g, size_t id) {
  GradientStop *stops = sorted_stops(g);
  const float *v = g->geometry;
  char head[512];
  int n;
  if (g->kind == GRADIENT_LINEAR) {
    n = snprintf(head, sizeof head,
                 "<linearGradient id=\"zdg%zu\" gradientUnits=\"userSpaceOnUse\" x1=\"%.9g\" "
                 "y1=\"%.9g\" x2=\"%.9g\" y2=\"%.9g\" spreadMethod=\"%s\">",
                 id, v[0], v[1], v[2], v[3], spread_names[g->spread]);
  } else {
    n = snprintf(head, sizeof head,
                 "<radialGradient id=\"zdg%zu\" gradientUnits=\"userSpaceOnUse\" cx=\"%.9g\" "
                 "cy=\"%.9g\" r=\"%.9g\" fx=\"%.9g\" fy=\"%.9g\" fr=\"%.9g\" spreadMethod=\"%s\">",
                 id, v[3], v[4], v[5], v[0], v[1], v[2], spread_names[g->spread]);
  }
  append(text, head, (size_t)n);
  append_stops(text, g, stops);
  append_text(text, g->kind == GRADIENT_LINEAR ? "</linearGradient>" : "</radialGradient>");
  free(stops);
}

/* How far the layer's shape reaches from (cx, cy), stroke included, with
 * room to spare: the radius of the conic wedges. */
static double reach_from(ZdPath *path, const Layer *layer, double cx, double cy) {
  int64_t count = 0;
  if (zd_path_flatten(path, NULL, 0, &count, layer->tolerance) != ZD_OK || count == 0) return 1.0;
  float *segments = malloc((size_t)count * 4 * sizeof *segments);
  if (segments == NULL) out_of_memory();
  float box[4] = {0, 0, 0, 0};
  if (zd_path_flatten(path, segments, count, &count, layer->tolerance) != ZD_OK ||
      zd_segments_bounds(segments, count, box) != ZD_OK) {
    fail(EXIT_BAD_INPUT, "%s: cannot be written as SVG%s", layer->gradient.kind_arg,
         library_says());
  }
  free(segments);
  double dx = fmax(fabs(box[0] - cx), fabs(box[0] + box[2] - cx));
  double dy = fmax(fabs(box[1] - cy), fabs(box[1] + box[3] - cy));
  double pad = layer->stroked ? layer->stroke.width * layer->stroke.miter_limit + 1.0 : 1.0;
  return 2.0 * (sqrt(dx * dx + dy * dy) + pad);
}

/* SVG has no conic gradient: CONIC_WEDGES wedges around the centre, each a
 * flat colour sampled at its middle angle, masked by the layer's shape
 * (which gives the edge its anti-aliasing). The wedges are drawn with crisp
 * edges: each pixel takes the wedge its centre lies in, as the image samples
 * the gradient at the pixel centre, and thin wedges near the centre cannot
 * leave gaps. */
#define CONIC_WEDGES 1440
static void append_conic(Text *text, const Gradient *g, double reach, const char *transform) {
  GradientStop *stops = sorted_stops(g);
  const double pi = 3.14159265358979323846;
  const double cx = g->geometry[0], cy = g->geometry[1];
  const double start = g->geometry[2] * pi / 180.0, end = start + 2.0 * pi;
  const double step = 2.0 * pi / CONIC_WEDGES;
  append_text(text, "<g shape-rendering=\"crispEdges\"");
  append_text(text, transform);
  append_text(text, ">");
  for (int k = 0; k < CONIC_WEDGES; ++k) {
    ZdColor *color = color_at(g, stops, (k + 0.5) / CONIC_WEDGES);
    char hex[8];
    double alpha = svg_color(color, hex, g->kind_arg);
    zd_color_free(color);
    const double from = start + step * k;
    const double to = k + 1 == CONIC_WEDGES ? end : start + step * (k + 1);
    char piece[160];
    int n = snprintf(piece, sizeof piece, "<path d=\"M %.9g %.9g", cx, cy);
    append(text, piece, (size_t)n);
    /* Corners at most a quarter turn apart keep the fan outside the shape. */
    for (double angle = from;; angle += 0.5 * pi) {
      if (angle > to) angle = to;
      n = snprintf(piece, sizeof piece, " L %.9g %.9g", cx + reach * cos(angle),
                   cy + reach * sin(angle));
      append(text, piece, (size_t)n);
      if (angle == to) break;
    }
    n = snprintf(piece, sizeof piece, " Z\" fill=\"%s\"", hex);
    append(text, piece, (size_t)n);
    if (alpha < 1.0) {
      n = snprintf(piece, sizeof piece, " fill-opacity=\"%.9g\"", alpha);
      append(text, piece, (size_t)n);
    }
    append_text(text, "/>");
  }
  append_text(text, "</g>");
  free(stops);
}

/* A gradient layer: its <path .../> element (drawn in black) painted with
 * the gradient: a <linearGradient> or <radialGradient> the element refers
 * to, or, for a conic gradient, a fan of wedges masked by the element. */
static void append_gradient_layer(Text *document, const Job *job, const Layer *layer, ZdPath *path,
                                  const char *element) {
  const Gradient *g = &layer->gradient;
  const size_t id = (size_t)(layer - job->layers) + 1;
  static const char black[] = "\"#000000\"";
  const char *colour = strstr(element, black);
  if (colour == NULL) fail(1, "SVG element without its colour");
  char text[256];
  if (g->kind != GRADIENT_CONIC) {
    append_gradient_element(document, g, id);
    int n = snprintf(text, sizeof text, "\"url(#zdg%zu)\"", id);
    append(document, element, (size_t)(colour - element));
    append(document, text, (size_t)n);
    append_text(document, colour + sizeof black - 1);
    return;
  }
  /* The mask covers the whole canvas, whatever the view box shows. */
  const double x = job->view.given ? job->view.x : 0.0, y = job->view.given ? job->view.y : 0.0;
  const double w = job->view.given ? job->view.w : job->width;
  const double h = job->view.given ? job->view.h : job->height;
  int n = snprintf(text, sizeof text,
                   "<mask id=\"zdm%zu\" maskUnits=\"userSpaceOnUse\" x=\"%.9g\" y=\"%.9g\" "
                   "width=\"%.9g\" height=\"%.9g\">",
                   id, x - w, y - h, 3 * w, 3 * h);
  append(document, text, (size_t)n);
  append(document, element, (size_t)(colour - element));
  append_text(document, "\"#FFFFFF\"");
  append_text(document, colour + sizeof black - 1);
  n = snprintf(text, sizeof text, "</mask><g mask=\"url(#zdm%zu)\">", id);
  append(document, text, (size_t)n);
  Text transform = {NULL, 0, 0};
  append_text(&transform, "");
  if (layer->transform.given) {
    append_text(&transform, " transform=\"");
    append_matrix(&transform, layer->transform.m);
    append_text(&transform, "\"");
  }
  append_conic(document, g, reach_from(path, layer, g->geometry[0], g->geometry[1]),
               transform.data);
  free(transform.data);
  append_text(document, "</g>");
}

/* The <path .../> element of one path in the library's one-path document,
 * with the fill rule kept, appended to `document`; the first call also
 * appends the document's opening tag. */
static void append_element(void *target, const Job *job, ZdPath *path, ZdColor *color,
                           const Layer *layer, const char *what) {
  static const char closing[] = "</svg>";
  Text *document = target;
  int even_odd = layer != NULL && layer->even_odd && !layer->stroked;
  char *one = NULL;
  int64_t length = 0;
  ZdStatus status =
      zd_path_to_svg_rule(path, color, even_odd ? 1 : 0, job->width, job->height, &one, &length);
  if (status == ZD_OUT_OF_MEMORY) out_of_memory();
  const char *element = status == ZD_OK ? strstr(one, "<path ") : NULL;
  size_t size = (size_t)length;
  if (element == NULL || size < sizeof closing + 1 ||
      strcmp(one + size - (sizeof closing - 1), closing) != 0) {
    fail(EXIT_BAD_INPUT, "%s: cannot be written as SVG%s", what, library_says());
  }
  if (document->size == 0) {
    if (job->view.given) {
      /* The document maps the view box itself, as the image does. */
      char opening[256];
      int n = snprintf(opening, sizeof opening,
                       "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
                       "viewBox=\"%.9g %.9g %.9g %.9g\">",
                       job->width, job->height, (double)job->view.x, (double)job->view.y,
                       (double)job->view.w, (double)job->view.h);
      append(document, opening, (size_t)n);
    } else {
      append(document, one, (size_t)(element - one));
    }
  }
  /* The element without its "/>" and the closing tag. */
  const size_t element_size = (size_t)(one + size - (sizeof closing - 1) - element) - 2;
  Text own = {NULL, 0, 0};
  Text *shape = layer != NULL && layer->gradient.kind != GRADIENT_NONE ? &own : document;
  if (layer != NULL && layer->stroked) {
    /* Path data holds no quotes: the last ' fill="' is the fill attribute. */
    static const char fill_attribute[] = " fill=\"";
    const char *fill = NULL;
    for (const char *at = element; (at = strstr(at, fill_attribute)) != NULL; ++at) fill = at;
    if (fill == NULL || fill >= element + element_size) fail(1, "SVG document without a fill");
    append(shape, element, (size_t)(fill - element));
    append_text(shape, " fill=\"none\" stroke=\"");
    const char *colour = fill + sizeof fill_attribute - 1;
    append(shape, colour, (size_t)(element + element_size - colour));
    append_stroke_attributes(shape, &layer->stroke);
  } else {
    append(shape, element, element_size);
  }
  if (layer != NULL && layer->transform.given) {
    append_text(shape, " transform=\"");
    append_matrix(shape, layer->transform.m);
    append_text(shape, "\"");
  }
  append(shape, "/>", 2);
  zd_buffer_free(one);
  if (shape == &own) {
    append_gradient_layer(document, job, layer, path, own.data);
    free(own.data);
  }
}

/*
 * The library writes one-path documents; the layers are put together by
 * taking the <svg ...> opening of the first document and the <path .../>
 * element of each.
 */
static void make_svg(const Job *job, Output *out) {
  Text document = {NULL, 0, 0};
  draw_items(job, 0, append_element, &document);
  append(&document, "</svg>", 6);
  out->option = "--svg";
  out->file = job->svg;
  out->data = (unsigned char *)document.data;
  out->size = document.size;
}

static void free_job(Job *job) {
  for (size_t k = 0; k < job->layer_count; ++k) {
    zd_path_free(job->layers[k].path);
    zd_color_free(job->layers[k].color);
    free(job->layers[k].dashes);
    free_gradient(&job->layers[k].gradient);
  }
  zd_color_free(job->background);
  free(job->layers);
}

/* ------------------------------------------------------- SVG documents */

#ifdef ZDRAW_SVG_DOCUMENTS
#include "zd_render.h"

static const char *const document_usage_text =
    "usage: zdraw FILE.svg [-o FILE] [--width W | --height H | --scale S]\n"
    "             [--background C] [--format F] [--quality N] [--strict]\n"
    "\n"
    "Renders the SVG document FILE.svg: shapes, paths, groups, use and symbol,\n"
    "gradients, fills, strokes, transforms and opacity. Text, filters, masks,\n"
    "clip paths, markers, images and patterns are skipped, with one warning per\n"
    "kind on standard error.\n"
    "\n"
    "  -o, --output FILE  the image file (default: FILE.svg with the format's\n"
    "                     extension instead of .svg); - writes to standard output\n"
    "  --width W          output width in pixels (1..65535); the height follows the\n"
    "                     document's aspect ratio unless --height is given too\n"
    "  --height H         output height in pixels, likewise\n"
    "  --scale S          output size as the document's size times S > 0\n"
    "  --background C     CSS colour painted under the document (default transparent)\n"
    "  --format F, --quality N   as for path data (see zdraw --help)\n"
    "  --strict           exit with status 2 when anything was skipped\n"
    "\n"
    "The size comes from the document's width, height and viewBox. Outputs over\n"
    "33554432 pixels are scaled down to fit, with a warning.\n"
    "Exit status: 0 on success, 2 on a document that is not well-formed XML, has\n"
    "no svg root or no size (nothing is written then), or on skipped content with\n"
    "--strict; 1 when memory runs out.\n";

/* A first argument naming an SVG file selects document mode. */
static int is_document_argument(const char *arg) { return arg[0] != '-' && ends_with(arg, ".svg"); }

static int32_t parse_pixels(const char *option, const char *text) {
  const char *end = NULL;
  int32_t value = 0;
  if (!parse_dimension(text, &end, &value) || *end != '\0') {
    fail(EXIT_BAD_INPUT, "%s '%s': expected an integer 1..65535", option, shown(text));
  }
  return value;
}

static float parse_document_scale(const char *text) {
  char *end = NULL;
  float value = strtof(text, &end);
  if (end == text || *end != '\0' || !(value > 0.0f) || value - value != 0.0f) {
    fail(EXIT_BAD_INPUT, "--scale '%s': expected a finite number above 0", shown(text));
  }
  return value;
}

static void document_warning(void *context, const char *message) {
  fprintf(stderr, "zdraw: %s: warning: %s\n", (const char *)context, message);
}

/* The default output: the input's name with the format's extension for .svg. */
static char *default_output(const char *input, int32_t format) {
  static const char *const extensions[] = {".png", ".jpg", ".bmp", ".qoi", ".pam", ".tga", ".ppm"};
  size_t stem = strlen(input) - 4;
  char *name = malloc(stem + 8);
  if (name == NULL) out_of_memory();
  memcpy(name, input, stem);
  strcpy(name + stem, extensions[format]);
  return name;
}

static int document_main(int argc, char **argv) {
  const char *input = argv[1];
  Job job;
  memset(&job, 0, sizeof job);
  job.format = -1;
  job.quality = 90;
  ZdrOptions options;
  memset(&options, 0, sizeof options);
  int strict = 0;
  for (int i = 2; i < argc; ++i) {
    const char *arg = argv[i];
    if (strcmp(arg, "-h") == 0 || strcmp(arg, "--help") == 0) {
      fputs(document_usage_text, stdout);
      exit(0);
    } else if (strcmp(arg, "-o") == 0 || strcmp(arg, "--output") == 0) {
      job.output = value_of(argc, argv, &i, arg);
    } else if (strcmp(arg, "--width") == 0) {
      options.width = parse_pixels(arg, value_of(argc, argv, &i, arg));
    } else if (strcmp(arg, "--height") == 0) {
      options.height = parse_pixels(arg, value_of(argc, argv, &i, arg));
    } else if (strcmp(arg, "--scale") == 0) {
      options.scale = parse_document_scale(value_of(argc, argv, &i, arg));
    } else if (strcmp(arg, "--background") == 0) {
      const char *value = value_of(argc, argv, &i, arg);
      if (job.background != NULL)
        fail(EXIT_BAD_INPUT, "--background '%s': given twice", shown(value));
      job.background = parse_color_argument(arg, value);
    } else if (strcmp(arg, "--format") == 0) {
      const char *value = value_of(argc, argv, &i, arg);
      job.format = format_by_name(value);
      if (job.format < 0) {
        fail(EXIT_BAD_INPUT, "--format '%s': expected png, jpeg, bmp, qoi, pam, ppm, pnm or tga",
             shown(value));
      }
    } else if (strcmp(arg, "--quality") == 0) {
      job.quality = parse_quality(value_of(argc, argv, &i, arg));
    } else if (strcmp(arg, "--strict") == 0) {
      strict = 1;
    } else {
      fail(EXIT_BAD_INPUT, "'%s': unknown argument (see zdraw FILE.svg --help)", shown(arg));
    }
  }
  if (options.scale > 0.0f && (options.width > 0 || options.height > 0)) {
    fail(EXIT_BAD_INPUT, "--scale: give either --scale or --width/--height");
  }
  char *owned_output = NULL;
  if (job.output == NULL) {
    if (job.format < 0) job.format = 0;
    job.output = owned_output = default_output(input, job.format);
  } else if (job.format < 0) {
    job.format = format_by_extension(job.output);
    if (job.format < 0) {
      fail(EXIT_BAD_INPUT, "-o '%s': unknown extension; name the format with --format",
           shown(job.output));
    }
  }

  char *text = read_file(input);
  if (text == NULL) {
    fail(EXIT_BAD_INPUT, "%s: cannot read the file: %s", shown(input),
         errno == EINVAL  ? "it holds a NUL byte"
         : errno == EFBIG ? "it holds more than 64 MiB (67108864 bytes)"
                          : strerror(errno));
  }
  options.background = job.background;
  ZdrReport report;
  ZdImage *image =
      zdr_render_svg(text, strlen(text), &options, document_warning, (void *)input, &report);
  free(text);
  if (image == NULL) {
    if (strcmp(report.error, "out of memory") == 0) out_of_memory();
    fail(EXIT_BAD_INPUT, "%s:%d: %s", shown(input), report.line, report.error);
  }
  /* The background is in the image already; the PPM flattens onto it too. */
  Output out;
  memset(&out, 0, sizeof out);
  encode_image(&job, image, &out);
  zd_image_free(image);
  write_output(&out);
  if (out.library_block) {
    zd_buffer_free(out.data);
  } else {
    free(out.data);
  }
  zd_color_free(job.background);
  free(owned_output);
  return strict && report.unsupported > 0 ? EXIT_BAD_INPUT : 0;
}
#endif

/* ---------------------------------------------------------------- demo */

static void check(ZdStatus status, const char *what) {
  if (status == ZD_OUT_OF_MEMORY) out_of_memory();
  if (status != ZD_OK) fail(1, "demo scene: %s failed: %s", what, zd_strerror(status));
}

static Layer *demo_layer(Job *job, const char *color, int even_odd) {
  Layer *layer = add_layer(job);
  layer->path = zd_path_new();
  layer->color = zd_color_parse(color);
  if (layer->path == NULL || layer->color == NULL) fail(1, "demo scene: cannot make a layer");
  layer->even_odd = even_odd;
  layer->tolerance = 0.25f;
  return layer;
}

/* Corners of a unit pentagon and triangle, first corner straight up (y down). */
static const float unit_pentagon[5][2] = {{0.0f, -1.0f},
                                          {0.9510565f, -0.3090170f},
                                          {0.5877853f, 0.8090170f},
                                          {-0.5877853f, 0.8090170f},
                                          {-0.9510565f, -0.3090170f}};
static const float unit_triangle[3][2] = {{0.0f, -1.0f}, {0.8660254f, 0.5f}, {-0.8660254f, 0.5f}};

/* Makes a demo layer stroked with a pen of `width`. */
static void demo_stroke(Layer *layer, float width, int32_t join, int32_t cap) {
  layer->stroked = 1;
  layer->stroke.width = width;
  layer->stroke.join = join;
  layer->stroke.cap = cap;
}

static void demo_scene(Job *job) {
  const float pi = 3.14159265f;
  job->width = 480;
  job->height = 520;
  Layer *layer;

  /* Background: a rounded rectangle. */
  layer = demo_layer(job, "#F4F1EA", 0);
  check(zd_path_rounded_rect(layer->path, 1, 4, 4, 472, 512, 24, 24, 24, 24), "rounded_rect");

  /* A rectangle with a rectangular hole drawn the other way round. */
  layer = demo_layer(job, "#2E5E8C", 0);
  check(zd_path_rect(layer->path, 1, 24, 24, 120, 90), "rect");
  check(zd_path_rect(layer->path, 0, 54, 46, 60, 46), "rect");

  /* Two five-pointed stars: non-zero fills the centre, even-odd leaves it empty. */
  for (int k = 0; k < 2; ++k) {
    layer = demo_layer(job, k == 0 ? "#D9822B" : "#8C3B2E", k);
    float cx = 210.0f + 110.0f * (float)k, cy = 70.0f, r = 52.0f;
    for (int i = 0; i < 5; ++i) {
      int corner = i * 2 % 5;
      float x = cx + r * unit_pentagon[corner][0], y = cy + r * unit_pentagon[corner][1];
      check(i == 0 ? zd_path_move_to(layer->path, x, y) : zd_path_line_to(layer->path, x, y),
            "star");
    }
    check(zd_path_close_path(layer->path), "close_path");
  }

  /* A regular polygon and an ellipse. */
  layer = demo_layer(job, "rgb(60, 140, 90)", 0);
  check(zd_path_polygon(layer->path, 6, 420, 70, 46), "polygon");
  layer = demo_layer(job, "#6B4C9A", 0);
  check(zd_path_ellipse(layer->path, 84, 190, 60, 34), "ellipse");

  /* Three translucent circles: alpha blending where they overlap. */
  static const char *const circle_colors[] = {"rgba(230, 50, 50, 0.55)", "rgba(50, 180, 60, 0.55)",
                                              "rgba(40, 90, 230, 0.55)"};
  for (int i = 0; i < 3; ++i) {
    layer = demo_layer(job, circle_colors[i], 0);
    check(zd_path_circle(layer->path, 240 + 26 * unit_triangle[i][0],
                         200 + 26 * unit_triangle[i][1], 40),
          "circle");
  }

  /* An out-of-gamut oklch colour (brought into sRGB) on curves of every kind. */
  layer = demo_layer(job, "oklch(70% 0.4 150)", 0);
  check(zd_path_move_to(layer->path, 330, 150), "move_to");
  check(zd_path_bezier_curve_to(layer->path, 380, 120, 430, 180, 460, 150), "bezier_curve_to");
  check(zd_path_quadratic_curve_to(layer->path, 470, 210, 440, 250), "quadratic_curve_to");
  check(zd_path_elliptical_arc_to(layer->path, 40, 25, 0.3f, 0, 1, 360, 250), "elliptical_arc_to");
  check(zd_path_line_to(layer->path, 340, 200), "line_to");
  check(zd_path_close_path(layer->path), "close_path");

  /* A pie slice from a circular arc, and a rounded corner from a tangent arc. */
  layer = demo_layer(job, "oklch(55% 0.15 250 / 0.8)", 0);
  check(zd_path_move_to(layer->path, 90, 280), "move_to");
  check(zd_path_arc(layer->path, 0, 90, 280, 50, -pi * 0.9f, -pi * 0.3f), "arc");
  check(zd_path_close_path(layer->path), "close_path");
  layer = demo_layer(job, "#1F1F1F", 0);
  check(zd_path_move_to(layer->path, 170, 300), "move_to");
  check(zd_path_arc_to(layer->path, 170, 250, 230, 250, 30), "arc_to");
  check(zd_path_line_to(layer->path, 230, 262), "line_to");
  check(zd_path_line_to(layer->path, 182, 262), "line_to");
  check(zd_path_line_to(layer->path, 182, 300), "line_to");
  check(zd_path_close_path(layer->path), "close_path");

  /* An overwrite layer: punches a half-transparent window through the rest. */
  layer = demo_layer(job, "rgba(255, 255, 255, 0.35)", 0);
  layer->overwrite = 1;
  check(zd_path_rect(layer->path, 1, 300, 270, 150, 30), "rect");

  /* Strokes: each join with its own cap (miter and butt, round and round,
   * bevel and square) on a sharp zigzag, the path itself drawn thin on top. */
  static const char *const stroke_colors[] = {"#2E5E8C", "#D9822B", "#3C8C5A"};
  for (int32_t k = 0; k < 3; ++k) {
    for (int pass = 0; pass < 2; ++pass) {
      layer = demo_layer(job, pass == 0 ? stroke_colors[k] : "#F4F1EA", 0);
      demo_stroke(layer, pass == 0 ? 14.0f : 1.5f, k, k);
      float x = 24.0f + 72.0f * (float)k;
      check(zd_path_move_to(layer->path, x, 410), "move_to");
      check(zd_path_line_to(layer->path, x + 20, 346), "line_to");
      check(zd_path_line_to(layer->path, x + 34, 396), "line_to");
      check(zd_path_line_to(layer->path, x + 50, 352), "line_to");
    }
  }

  /* A dashed curve with round caps. */
  layer = demo_layer(job, "#6B4C9A", 0);
  demo_stroke(layer, 6.0f, ZD_JOIN_ROUND, ZD_CAP_ROUND);
  layer->dashes = malloc(2 * sizeof *layer->dashes);
  if (layer->dashes == NULL) out_of_memory();
  layer->dashes[0] = 14.0f;
  layer->dashes[1] = 10.0f;
  layer->stroke.dashes = layer->dashes;
  layer->stroke.dash_count = 2;
  check(zd_path_move_to(layer->path, 240, 400), "move_to");
  check(zd_path_bezier_curve_to(layer->path, 270, 310, 320, 440, 350, 350), "bezier_curve_to");

  /* A rotated shape: a rounded square turned 30 degrees about its centre,
   * filled, with its outline stroked (the stroke turns with it). */
  const float turn = pi / 6.0f, cx = 415.0f, cy = 380.0f;
  for (int pass = 0; pass < 2; ++pass) {
    layer = demo_layer(job, pass == 0 ? "oklch(75% 0.12 80)" : "#8C3B2E", 0);
    if (pass == 1) demo_stroke(layer, 3.0f, ZD_JOIN_ROUND, ZD_CAP_BUTT);
    check(zd_path_rounded_rect(layer->path, 1, cx - 30, cy - 30, 60, 60, 10, 10, 10, 10),
          "rounded_rect");
    const float c = cosf(turn), s = sinf(turn);
    const float rotate[6] = {c, s, -s, c, cx - c * cx + s * cy, cy - s * cx - c * cy};
    compose(&layer->transform, rotate);
  }

  /* Two gradients from red to blue: interpolated in sRGB (left, dull in the
   * middle) and in oklch (right, staying vivid). */
  for (int k = 0; k < 2; ++k) {
    layer = demo_layer(job, "#000000", 0);
    const float x = 24.0f + 220.0f * (float)k;
    check(zd_path_rounded_rect(layer->path, 1, x, 446, 212, 52, 8, 8, 8, 8), "rounded_rect");
    Gradient *g = &layer->gradient;
    g->kind = GRADIENT_LINEAR;
    g->kind_arg = "demo gradient";
    const float geometry[6] = {x, 0, x + 212, 0, 0, 0};
    memcpy(g->geometry, geometry, sizeof geometry);
    static const char *const stops[] = {"#E63946", "#1D4ED8"};
    g->stops = malloc(2 * sizeof *g->stops);
    if (g->stops == NULL) out_of_memory();
    g->stop_count = g->stop_capacity = 2;
    for (int i = 0; i < 2; ++i) {
      g->stops[i].offset = (float)i;
      g->stops[i].color = zd_color_parse_css(stops[i]);
      if (g->stops[i].color == NULL) fail(1, "demo scene: cannot make a gradient");
    }
    if (k == 1) g->space = copy_prefix("oklch", 5);
  }
}

int main(int argc, char **argv) {
  zd_init();
#ifdef ZDRAW_SVG_DOCUMENTS
  if (argc >= 2 && is_document_argument(argv[1])) return document_main(argc, argv);
#else
  if (argc >= 2 && argv[1][0] != '-' && ends_with(argv[1], ".svg")) {
    fail(EXIT_BAD_INPUT, "%s: this zdraw was built without SVG documents (expat was not found)",
         shown(argv[1]));
  }
#endif
  Job job;
  memset(&job, 0, sizeof job);
  job.width = 256;
  job.height = 256;
  job.format = -1;
  job.quality = 90;
  int demo = argc <= 1;
  if (demo) {
    demo_scene(&job);
    job.output = "zdraw-demo.png";
    job.svg = "zdraw-demo.svg";
    job.format = 0;
  } else {
    parse_arguments(argc, argv, &job);
  }

  /* Every output is made before any is written: a failure writes nothing. */
  Output outputs[2];
  size_t output_count = 0;
  memset(outputs, 0, sizeof outputs);
  if (job.output != NULL) {
    ZdImage *image = paint_layers(&job);
    encode_image(&job, image, &outputs[output_count++]);
    zd_image_free(image);
  }
  if (job.svg != NULL) make_svg(&job, &outputs[output_count++]);
  for (size_t i = 0; i < output_count; ++i) {
    write_output(&outputs[i]);
    if (outputs[i].library_block) {
      zd_buffer_free(outputs[i].data);
    } else {
      free(outputs[i].data);
    }
  }
  if (demo) {
    printf("zdraw: wrote the demo scene (%dx%d) to %s and %s\n", job.width, job.height, job.output,
           job.svg);
  }
  free_job(&job);
  return 0;
}
