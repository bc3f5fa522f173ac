/* A C99 host: includes only zd.h, links libzd.so, and checks the frame and
 * the path exports through the ABI as any C caller would see them. */
#include <math.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>

#include "zd.h"

static int failures = 0;
static int checks = 0;

#define CHECK(cond)                                                            \
  do {                                                                         \
    ++checks;                                                                  \
    if (!(cond)) {                                                             \
      ++failures;                                                              \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
    }                                                                          \
  } while (0)

typedef void (*Handler)(int);

static void host_handler(int signal_number) { (void)signal_number; }

static Handler handler_of(int signal_number) {
  Handler current = signal(signal_number, SIG_DFL);
  signal(signal_number, current);
  return current;
}

/* A host with handlers of its own starts with zd_init_keep_signals: its
 * handlers stay. zd_init afterwards installs the library's, once. */
static void test_start_up(void) {
  ZdColor *color = NULL;
  signal(SIGINT, host_handler);
  signal(SIGSEGV, host_handler);
  signal(SIGPIPE, SIG_DFL);
  zd_init_keep_signals();
  zd_init_keep_signals();
  CHECK(handler_of(SIGINT) == host_handler);
  CHECK(handler_of(SIGSEGV) == host_handler);
  CHECK(handler_of(SIGPIPE) == SIG_DFL);
  color = zd_color_parse("oklch(70% 0.1 150)"); /* the colour tables are up */
  CHECK(color != NULL);
  zd_color_free(color);

  zd_init();
  CHECK(handler_of(SIGINT) != host_handler);
  CHECK(handler_of(SIGSEGV) != host_handler);
  CHECK(handler_of(SIGPIPE) == SIG_IGN);
  /* Later start-ups of either kind do nothing. */
  signal(SIGINT, host_handler);
  zd_init();
  zd_init_keep_signals();
  CHECK(handler_of(SIGINT) == host_handler);
  signal(SIGINT, SIG_DFL);
  signal(SIGSEGV, SIG_DFL);
}

static void test_messages(void) {
  ZdPath *path = NULL;
  char *one = NULL, *two = NULL;
  int64_t len_one = 0, len_two = 0;
  ZdColor *color = zd_color_rgba(0.0f, 0.5f, 1.0f, 1.0f);
  CHECK(zd_last_error() != NULL);
  CHECK(zd_path_parse_d("M 0 0L", &path) == ZD_BAD_ARGUMENT && path == NULL);
  CHECK(strcmp(
            zd_last_error(),
            "parsePath: expected a number at offset 6 ('L' takes numbers in groups of 2, got 0)") ==
        0);
  CHECK(zd_path_parse_d("M 0 0 L 4 0 L 4 4 Z", &path) == ZD_OK);
  CHECK(strcmp(zd_last_error(), "") == 0);
  CHECK(zd_path_to_svg(path, color, 4, 4, &one, &len_one) == ZD_OK);
  CHECK(zd_path_to_svg_rule(path, color, 0, 4, 4, &two, &len_two) == ZD_OK);
  CHECK(len_one == len_two && strcmp(one, two) == 0);
  zd_buffer_free(two);
  CHECK(zd_path_to_svg_rule(path, color, 1, 4, 4, &two, &len_two) == ZD_OK);
  CHECK(len_two == len_one + 20 && strstr(two, "\" fill-rule=\"evenodd\"/></svg>") != NULL);
  zd_buffer_free(two);
  zd_buffer_free(one);
  CHECK(zd_path_to_svg_rule(path, color, 7, 4, 4, &two, &len_two) == ZD_BAD_ARGUMENT &&
        two == NULL);
  CHECK(strcmp(zd_last_error(), "zd_path_to_svg_rule: fill_rule must be 0 or 1 (got 7)") == 0);
  zd_color_free(color);
  zd_path_free(path);
}

static void test_frame(void) {
  CHECK(zd_abi_version() == 1);
  CHECK(strcmp(zd_version(), "1.0.0") == 0);
  CHECK(strcmp(zd_strerror(0), "ok") == 0);
  CHECK(strcmp(zd_strerror(2), "bad argument / nil handle / unparseable path / bad color") == 0);
  CHECK(strcmp(zd_strerror(4), "unsupported operation") == 0);
  CHECK(strcmp(zd_strerror(8), "out of memory") == 0);
  CHECK(strcmp(zd_strerror(-1), "unknown error") == 0);
  CHECK(strcmp(zd_strerror(3), "unknown error") == 0);
  zd_buffer_free(NULL);
  zd_path_free(NULL);
  zd_image_free(NULL);
  zd_color_free(NULL);
}

static void test_paths(void) {
  ZdPath *path = zd_path_new();
  ZdCommand command;
  float xy[2] = {-1.0f, -1.0f};
  CHECK(path != NULL);
  CHECK(zd_path_move_to(path, 1.0f, 2.0f) == ZD_OK);
  CHECK(zd_path_line_to(path, NAN, 0.0f) == ZD_BAD_ARGUMENT);
  CHECK(zd_path_line_to(path, INFINITY, 0.0f) == ZD_BAD_ARGUMENT);
  CHECK(zd_path_command_count(path) == 1);
  CHECK(zd_path_elliptical_arc_to(path, 3.0f, 4.0f, 0.5f, 7, 0, 9.0f, 10.0f) == ZD_OK);
  CHECK(zd_path_command_get(path, 1, &command) == ZD_OK);
  CHECK(command.kind == ZD_ARC);
  CHECK(command.params[0] == 3.0f && command.params[2] == 0.5f);
  CHECK(command.params[3] == 1.0f && command.params[4] == 0.0f);
  CHECK(command.params[5] == 9.0f && command.params[6] == 10.0f);
  CHECK(zd_path_command_get(path, 2, &command) == ZD_BAD_ARGUMENT);
  CHECK(zd_path_current(path, xy) == ZD_OK && xy[0] == 9.0f && xy[1] == 10.0f);
  CHECK(zd_path_start(path, xy) == ZD_OK && xy[0] == 1.0f && xy[1] == 2.0f);
  CHECK(zd_path_polygon(path, 2, 0.0f, 0.0f, 1.0f) == ZD_BAD_ARGUMENT);
  CHECK(zd_path_command_is_relative(18) == 1);
  CHECK(zd_path_command_parameter_count(9) == 7);
  CHECK(zd_path_command_parameter_count(-1) == -1);
  zd_path_free(path);
}

static void test_wide_integers(void) {
  uint64_t q = 0, r = 0;
  CHECK(numra_clz64(0) == 64);
  CHECK(numra_clz64(1) == 63);
  numra_udiv128(1, 0, 2, &q, &r);
  CHECK(q == (uint64_t)1 << 63 && r == 0);
}

static void test_path_data_and_geometry(void) {
  ZdPath *path = NULL;
  char *text = NULL;
  int64_t len = -1, count = -1;
  float segments[12], bounds[4], xy[2];
  CHECK(zd_path_parse_d("M 0 0 L 10 0 L 10 10 Z", &path) == ZD_OK && path != NULL);
  CHECK(zd_path_to_d(path, &text, &len) == ZD_OK);
  CHECK(text != NULL && strcmp(text, "M 0 0 L 10 0 L 10 10 Z") == 0 && len == 22);
  zd_buffer_free(text);
  /* A failure clears whichever output is given, so freeing it after is safe. */
  text = (char *)path;
  CHECK(zd_path_to_d(path, &text, NULL) == ZD_BAD_ARGUMENT && text == NULL);
  CHECK(zd_path_to_d(path, NULL, &len) == ZD_BAD_ARGUMENT && len == 0);
  CHECK(zd_path_flatten(path, NULL, 0, &count, 0.0f) == ZD_OK && count == 3);
  CHECK(zd_path_flatten(path, segments, 3, &count, 0.0f) == ZD_OK);
  CHECK(segments[8] == 10.0f && segments[11] == 0.0f);
  CHECK(zd_segments_bounds(segments, count, bounds) == ZD_OK);
  CHECK(bounds[0] == 0.0f && bounds[2] == 10.0f && bounds[3] == 10.0f);
  CHECK(zd_cubic_point(0, 0, 0, 10, 10, 10, 10, 0, 0.5f, xy) == ZD_OK && xy[0] == 5.0f &&
        xy[1] == 7.5f);
  CHECK(zd_quad_point(0, 0, 50, 100, 100, 0, 1.5f, xy) == ZD_BAD_ARGUMENT);
  zd_path_free(path);
}

static void test_images_colours_and_documents(void) {
  ZdPath *path = zd_path_new();
  ZdImage *image = zd_image_new(4, 4);
  ZdColor *red = zd_color_rgba(1.0f, 0.0f, 0.0f, 1.0f);
  ZdColor *green = zd_color_parse("oklch(0.7 0.4 150)");
  uint8_t *pixels = NULL, *file = NULL;
  char *text = NULL;
  int64_t len = 0;
  CHECK(image != NULL && red != NULL && green != NULL);
  CHECK(zd_image_width(image) == 4 && zd_image_channels(image) == 4);
  CHECK(zd_path_rect(path, 1, 0.0f, 0.0f, 2.0f, 4.0f) == ZD_OK);
  CHECK(zd_fill_path(image, path, red, 0, 0, 0.0f) == ZD_OK);
  CHECK(zd_fill_path(image, path, red, 2, 0, 0.0f) == ZD_BAD_ARGUMENT);
  CHECK(zd_image_pixels(image, &pixels, &len) == ZD_OK && len == 64);
  CHECK(pixels[0] == 255 && pixels[3] == 255 && pixels[8] == 0 && pixels[11] == 0);
  CHECK(zd_image_encode_png(image, &file, &len) == ZD_OK && len > 8 && file[1] == 'P');
  zd_buffer_free(file);
  CHECK(zd_image_encode(image, ZD_FORMAT_BMP, 90, &file, &len) == ZD_OK && file[0] == 'B');
  zd_buffer_free(file);
  CHECK(zd_image_encode(image, 99, 90, &file, &len) == ZD_BAD_ARGUMENT && file == NULL && len == 0);
  CHECK(zd_color_to_svg(red, &text, &len) == ZD_OK && strcmp(text, "#FF0000") == 0 && len == 7);
  zd_buffer_free(text);
  CHECK(zd_path_to_svg(path, green, 4, 4, &text, &len) == ZD_OK &&
        strstr(text, "viewBox=\"0 0 4 4\"") != NULL);
  zd_buffer_free(text);
  CHECK(zd_image_new(0, 4) == NULL);
  CHECK(zd_color_rgba(1.0f, 0.0f, 0.0f, 1.0001f) == NULL);
  zd_color_free(green);
  zd_color_free(red);
  zd_image_free(image);
  zd_path_free(path);
}

/* CSS colours, colours in any space, conversion, mixing and colour difference. */
static void test_css_colours(void) {
  const float lab[3] = {50.0f, 20.0f, -30.0f};
  ZdColor *named = zd_color_parse_css("RebeccaPurple");
  ZdColor *p3 = zd_color_parse_css("color(display-p3 1 0.2 0.1 / 50%)");
  ZdColor *made = zd_color_new("lab", lab, 3, 1.0f);
  ZdColor *converted = NULL, *mapped = NULL, *mixed = NULL;
  float components[4];
  int32_t count = 0;
  float alpha = 0.0f;
  char *text = NULL;
  int64_t len = 0;
  double difference = -1.0;
  CHECK(named != NULL && p3 != NULL && made != NULL);
  CHECK(strcmp(zd_color_space(named), "srgb") == 0 && strcmp(zd_color_space(p3), "p3") == 0);
  CHECK(zd_color_to_css(named, &text, &len) == ZD_OK && strcmp(text, "#663399") == 0 && len == 7);
  zd_buffer_free(text);
  CHECK(zd_color_to_css(made, &text, &len) == ZD_OK && strcmp(text, "lab(50 20 -30)") == 0);
  zd_buffer_free(text);
  CHECK(zd_color_components(p3, components, &count, &alpha) == ZD_OK && count == 3 &&
        components[0] == 1.0f && components[3] == 0.0f && alpha == 0.5f);
  converted = zd_color_convert(p3, "oklch");
  mapped = zd_color_gamut_map(p3, "srgb", 1);
  CHECK(converted != NULL && strcmp(zd_color_space(converted), "oklch") == 0);
  CHECK(mapped != NULL && zd_color_components(mapped, components, &count, &alpha) == ZD_OK &&
        components[0] == 1.0f && alpha == 0.5f);
  CHECK(zd_color_mix(named, made, 0.5f, "oklab", ZD_HUE_SHORTER, &mixed) == ZD_OK && mixed != NULL);
  CHECK(strcmp(zd_color_space(mixed), "oklab") == 0);
  CHECK(zd_color_delta_e(named, named, ZD_DELTA_E_2000, &difference) == ZD_OK && difference == 0.0);
  CHECK(zd_color_delta_e(named, made, 3, &difference) == ZD_BAD_ARGUMENT && difference == 0.0);
  CHECK(zd_color_parse_css("currentcolor") == NULL && zd_color_new("nope", lab, 3, 1.0f) == NULL);
  zd_color_free(mixed);
  zd_color_free(mapped);
  zd_color_free(converted);
  zd_color_free(made);
  zd_color_free(p3);
  zd_color_free(named);
}

/* Strokes, transforms and paints: the outline of a line, a path moved by a
 * matrix, and a stroked outline drawn through a paint. */
static void test_strokes_transforms_and_paints(void) {
  ZdPath *line = NULL, *outline = NULL;
  ZdImage *image = zd_image_new(20, 20);
  ZdColor *red = zd_color_rgba(1.0f, 0.0f, 0.0f, 1.0f);
  ZdPaint *paint = zd_paint_new(), *copy = NULL;
  const float dashes[2] = {4.0f, 2.0f};
  const float shift[6] = {1, 0, 0, 1, 0, 5};
  ZdStroke style = {2.0f, ZD_JOIN_ROUND, ZD_CAP_BUTT, 4.0f, NULL, 0, 0.0f};
  uint8_t *pixels = NULL;
  int64_t len = 0;
  float xy[2];
  CHECK(ZD_FILL_NONZERO == 0 && ZD_FILL_EVENODD == 1 && ZD_MODE_OVER == 0 &&
        ZD_MODE_OVERWRITE == 1);
  CHECK(ZD_JOIN_BEVEL == 2 && ZD_CAP_SQUARE == 2);
  CHECK(image != NULL && red != NULL && paint != NULL);
  CHECK(zd_path_parse_d("M 2 5 L 18 5", &line) == ZD_OK);
  /* One rectangle: a move, three lines and a close; dashed, three of them. */
  CHECK(zd_path_stroke(line, &style, 0.0f, &outline) == ZD_OK &&
        zd_path_command_count(outline) == 5);
  zd_path_free(outline);
  style.dashes = dashes;
  style.dash_count = 2;
  CHECK(zd_path_stroke(line, &style, 0.0f, &outline) == ZD_OK &&
        zd_path_command_count(outline) == 15);
  zd_path_free(outline);
  style.join = 5;
  outline = (ZdPath *)line;
  CHECK(zd_path_stroke(line, &style, 0.0f, &outline) == ZD_BAD_ARGUMENT && outline == NULL);
  style.join = ZD_JOIN_ROUND;

  CHECK(zd_path_transform(line, shift) == ZD_OK);
  CHECK(zd_path_current(line, xy) == ZD_OK && xy[0] == 18.0f && xy[1] == 10.0f);

  CHECK(zd_paint_set_color(paint, red) == ZD_OK);
  CHECK(zd_paint_set_stroke(paint, &style) == ZD_OK);
  CHECK(zd_paint_set_fill(paint, 7) == ZD_BAD_ARGUMENT);
  copy = zd_paint_copy(paint);
  CHECK(copy != NULL);
  CHECK(zd_draw_path(image, line, copy, NULL) == ZD_OK);
  CHECK(zd_image_pixels(image, &pixels, &len) == ZD_OK && len == 20 * 20 * 4);
  /* Row 9 under the first dash (x 2..6) is red; the gap (x 6..8) is empty. */
  CHECK(pixels[(9 * 20 + 3) * 4] == 255 && pixels[(9 * 20 + 3) * 4 + 3] == 255);
  CHECK(pixels[(9 * 20 + 7) * 4 + 3] == 0);
  CHECK(zd_draw_path(image, line, NULL, NULL) == ZD_BAD_ARGUMENT);
  zd_paint_free(copy);
  zd_paint_free(paint);
  zd_paint_free(NULL);
  zd_color_free(red);
  zd_image_free(image);
  zd_path_free(line);
}

/* The coverage models through a paint: a rectangle from x 1.5 to 4.25
 * covers half of column 1 and a quarter of column 4 by area; by pixel
 * centres column 1 wholly (its centre is on the edge) and column 4 not. */
static void test_antialias(void) {
  ZdPath *rect = NULL;
  ZdImage *image = zd_image_new(8, 4);
  ZdPaint *paint = zd_paint_new();
  uint8_t *pixels = NULL;
  int64_t len = 0;
  CHECK(ZD_AA_SCANLINES == 0 && ZD_AA_AREA == 1 && ZD_AA_NONE == 2);
  CHECK(image != NULL && paint != NULL);
  CHECK(zd_path_parse_d("M 1.5 0 L 4.25 0 L 4.25 4 L 1.5 4 Z", &rect) == ZD_OK);
  CHECK(zd_image_pixels(image, &pixels, &len) == ZD_OK && len == 8 * 4 * 4);
  CHECK(zd_paint_set_mode(paint, ZD_MODE_OVERWRITE) == ZD_OK);

  CHECK(zd_paint_set_antialias(paint, ZD_AA_AREA) == ZD_OK);
  CHECK(zd_draw_path(image, rect, paint, NULL) == ZD_OK);
  CHECK(pixels[0 * 4 + 3] == 0 && pixels[1 * 4 + 3] == 128 && pixels[2 * 4 + 3] == 255 &&
        pixels[4 * 4 + 3] == 64 && pixels[5 * 4 + 3] == 0);

  CHECK(zd_paint_set_antialias(paint, ZD_AA_NONE) == ZD_OK);
  CHECK(zd_draw_path(image, rect, paint, NULL) == ZD_OK);
  CHECK(pixels[1 * 4 + 3] == 255 && pixels[4 * 4 + 3] == 64); /* 4 keeps the area's bytes */

  CHECK(zd_paint_set_antialias(paint, 3) == ZD_BAD_ARGUMENT && zd_last_error()[0] != '\0');
  zd_paint_free(paint);
  zd_image_free(image);
  zd_path_free(rect);
}

/* Gradients: a linear ramp across a square, its spread, interpolation and
 * transform, the refusals and their messages. */
static void test_gradients(void) {
  ZdImage *image = zd_image_new(16, 4);
  ZdPath *square = zd_path_new();
  ZdPaint *paint = zd_paint_new();
  ZdColor *black = zd_color_parse_css("black");
  ZdColor *white = zd_color_parse_css("white");
  uint8_t *pixels = NULL;
  int64_t length = 0;
  CHECK(image != NULL && square != NULL && paint != NULL && black != NULL && white != NULL);
  CHECK(zd_path_rect(square, 1, 0, 0, 16, 4) == ZD_OK);
  CHECK(zd_paint_set_linear(paint, 0, 0, 16, 0) == ZD_OK);
  CHECK(zd_draw_path(image, square, paint, NULL) == ZD_BAD_ARGUMENT);
  CHECK(strcmp(zd_last_error(), "drawPath: the gradient has no stops") == 0);
  CHECK(zd_paint_add_stop(paint, 0.0f, black) == ZD_OK);
  CHECK(zd_paint_add_stop(paint, 1.0f, white) == ZD_OK);
  CHECK(zd_paint_set_interpolation(paint, "srgb", ZD_HUE_SHORTER) == ZD_OK);
  CHECK(zd_draw_path(image, square, paint, NULL) == ZD_OK);
  CHECK(zd_image_pixels(image, &pixels, &length) == ZD_OK && length == 16 * 4 * 4);
  /* Column x samples t = (x + 0.5) / 16: grey rising from black to white. */
  CHECK(pixels[0] == 8 && pixels[3] == 255); /* 0.03125 * 255 + 0.5 */
  CHECK(pixels[15 * 4] == 247);              /* 0.96875 * 255 + 0.5 */
  for (int x = 1; x < 16; ++x) CHECK(pixels[x * 4] > pixels[(x - 1) * 4]);
  /* Reflected twice over the square: dark at both ends, light in the middle. */
  CHECK(zd_paint_set_spread(paint, ZD_SPREAD_REFLECT) == ZD_OK);
  CHECK(zd_paint_set_linear(paint, 0, 0, 8, 0) == ZD_OK);
  CHECK(zd_draw_path(image, square, paint, NULL) == ZD_OK);
  CHECK(pixels[0] == pixels[15 * 4] && pixels[7 * 4] == pixels[8 * 4] && pixels[7 * 4] > 230);
  /* Refusals name the argument and leave the paint alone. */
  CHECK(zd_paint_set_spread(paint, 3) == ZD_BAD_ARGUMENT);
  CHECK(strstr(zd_last_error(), "zd_paint_set_spread: spread must be") == zd_last_error());
  CHECK(zd_paint_set_interpolation(paint, "nowhere", ZD_HUE_SHORTER) == ZD_BAD_ARGUMENT);
  CHECK(strcmp(zd_last_error(), "zd_paint_set_interpolation: unknown space \"nowhere\"") == 0);
  CHECK(zd_paint_set_radial(paint, 0, 0, -1, 1, 1, 1) == ZD_BAD_ARGUMENT);
  const float flat[6] = {1, 2, 2, 4, 0, 0};
  CHECK(zd_paint_set_gradient_transform(paint, flat) == ZD_BAD_ARGUMENT);
  CHECK(strcmp(zd_last_error(), "zd_paint_set_gradient_transform: matrix is not invertible") == 0);
  CHECK(zd_paint_add_stop(paint, NAN, black) == ZD_BAD_ARGUMENT);
  CHECK(zd_draw_path(image, square, paint, NULL) == ZD_OK);
  CHECK(pixels[0] == pixels[15 * 4] && pixels[7 * 4] > 230);
  /* In oklch with the longer hue the ramp from red to blue passes green. */
  ZdColor *red = zd_color_parse_css("red"), *blue = zd_color_parse_css("blue");
  CHECK(zd_paint_clear_stops(paint) == ZD_OK);
  CHECK(zd_paint_add_stop(paint, 0.0f, red) == ZD_OK);
  CHECK(zd_paint_add_stop(paint, 1.0f, blue) == ZD_OK);
  CHECK(zd_paint_set_spread(paint, ZD_SPREAD_PAD) == ZD_OK);
  CHECK(zd_paint_set_linear(paint, 0, 0, 16, 0) == ZD_OK);
  CHECK(zd_paint_set_interpolation(paint, "oklch", ZD_HUE_LONGER) == ZD_OK);
  CHECK(zd_draw_path(image, square, paint, NULL) == ZD_OK);
  CHECK(pixels[8 * 4 + 1] > pixels[8 * 4 + 0] && pixels[8 * 4 + 1] > pixels[8 * 4 + 2]);
  CHECK(zd_paint_set_interpolation(paint, "oklch", ZD_HUE_SHORTER) == ZD_OK);
  CHECK(zd_draw_path(image, square, paint, NULL) == ZD_OK);
  CHECK(pixels[8 * 4 + 1] < pixels[8 * 4 + 0] && pixels[8 * 4 + 1] < pixels[8 * 4 + 2]);
  zd_color_free(red);
  zd_color_free(blue);
  zd_color_free(white);
  zd_color_free(black);
  zd_paint_free(paint);
  zd_path_free(square);
  zd_image_free(image);
}

int main(void) {
  test_start_up();
  test_messages();
  test_frame();
  test_paths();
  test_wide_integers();
  test_path_data_and_geometry();
  test_css_colours();
  test_images_colours_and_documents();
  test_strokes_transforms_and_paints();
  test_antialias();
  test_gradients();
  printf("%d passed, %d failed\n", checks - failures, failures);
  return failures == 0 ? 0 : 1;
}
