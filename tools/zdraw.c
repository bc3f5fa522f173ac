/*
 * zdraw: paints SVG path data with colours into an image file (and an SVG
 * document), using only the public zd interface.
 *
 *   zdraw --size 100x100 --path "M10 10 L90 10 L50 80 Z" \
 *         --color "oklch(70% 0.1 150)" -o out.png --svg out.svg
 *
 * Run without arguments it paints a built-in demo scene into zdraw-demo.png
 * and zdraw-demo.svg. Bad input gives a one-line message naming the argument
 * and exit status 2.
 */
#include <errno.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "zd.h"

#define EXIT_BAD_INPUT 2
#define EXIT_NO_MEMORY 1
/* Path data read with --path @FILE is limited to this many bytes. */
#define MAX_PATH_FILE (64L * 1024 * 1024)

static const char *const usage_text =
    "usage: zdraw [--size WxH] (--path DATA|@FILE [--color C] [--even-odd] [--overwrite]\n"
    "             [--tolerance T])... [-o FILE] [--format F] [--quality N] [--svg FILE]\n"
    "       zdraw             (no arguments: paint the demo scene)\n"
    "\n"
    "Paints each path, in the order given, into a transparent RGBA image.\n"
    "\n"
    "  --size WxH        image size in pixels, each 1..65535 (default 256x256)\n"
    "  --path DATA       SVG path data (M L H V C S Q T A Z and lower-case forms);\n"
    "                    starts a new layer. --path @FILE reads the data from FILE.\n"
    "  --color C         fill colour of the layer, any CSS colour: a name, #rrggbb,\n"
    "                    rgb(), hsl(), hwb(), lab(), lch(), oklab(), oklch(),\n"
    "                    color(display-p3 r g b) or color-mix(); colours outside\n"
    "                    sRGB are brought into gamut (default black)\n"
    "  --even-odd        the layer uses the even-odd fill rule (default non-zero)\n"
    "  --overwrite       the layer replaces the pixels it covers, alpha included,\n"
    "                    instead of blending over them (source-over)\n"
    "  --tolerance T     flattening tolerance of the layer's curves in pixels\n"
    "                    (default 0.5; zero or below also means 0.5)\n"
    "  -o, --output FILE write the image to FILE\n"
    "  --format F        png, jpeg, bmp, qoi, pnm or tga; by default taken from the\n"
    "                    output file's extension (.png .jpg .jpeg .bmp .qoi .pnm\n"
    "                    .ppm .pam .tga), png when it has none. JPEG keeps no alpha.\n"
    "  --quality N       JPEG quality 1..100 (default 90); other formats ignore it\n"
    "  --svg FILE        also write an SVG document of the layers (the overwrite\n"
    "                    mode has no SVG form: such layers are painted normally)\n"
    "  -h, --help        show this text\n"
    "\n"
    "--color, --even-odd, --overwrite and --tolerance apply to the --path they\n"
    "follow. At least one of -o and --svg is needed when paths are given.\n"
    "Exit status: 0 on success, 2 on bad input or an unwritable file, 1 when\n"
    "memory runs out.\n";

typedef struct Layer {
  ZdPath *path;
  ZdColor *color;
  const char *path_arg;  /* the --path argument, for messages */
  const char *color_arg; /* the --color argument, NULL for the default */
  int even_odd;
  int overwrite;
  float tolerance;
} Layer;

typedef struct Job {
  int32_t width, height;
  Layer *layers;
  size_t layer_count, layer_capacity;
  const char *output;
  const char *svg;
  int32_t format; /* -1 until chosen */
  int32_t quality;
} Job;

/* The formats of zd_image_encode, in its numbering. */
static const char *const format_names[] = {"png", "jpeg", "bmp", "qoi", "pnm", "tga"};

static void fail(int status, const char *fmt, ...) {
  va_list args;
  fputs("zdraw: ", stderr);
  va_start(args, fmt);
  vfprintf(stderr, fmt, args);
  va_end(args);
  fputc('\n', stderr);
  exit(status);
}

/* A short, printable form of an argument for messages (long path data is cut). */
static const char *shown(const char *text) {
  static char buffer[64];
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

static float parse_tolerance(const char *text) {
  char *end = NULL;
  errno = 0;
  float value = strtof(text, &end);
  /* value - value is 0 only for finite numbers (NaN and infinities give NaN). */
  if (end == text || *end != '\0' || value - value != 0.0f) {
    fail(EXIT_BAD_INPUT, "--tolerance '%s': expected a finite number", shown(text));
  }
  return value;
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
  for (int32_t i = 0; i < 6; ++i) {
    if (strcmp(name, format_names[i]) == 0) return i;
  }
  if (strcmp(name, "jpg") == 0) return 1;
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
  } table[] = {{".png", 0}, {".jpg", 1}, {".jpeg", 1}, {".bmp", 2}, {".qoi", 3},
               {".pnm", 4}, {".ppm", 4}, {".pam", 4},  {".tga", 5}};
  for (size_t i = 0; i < sizeof table / sizeof table[0]; ++i) {
    if (ends_with(file, table[i].suffix)) return table[i].format;
  }
  const char *base = strrchr(file, '/');
  base = base ? base + 1 : file;
  const char *dot = strrchr(base, '.');
  return (dot == NULL || dot == base) ? 0 : -1;
}

/* Reads a whole file into a NUL-terminated block; NULL with errno set on failure. */
static char *read_file(const char *file) {
  FILE *f = fopen(file, "rb");
  if (f == NULL) return NULL;
  size_t capacity = 4096, size = 0;
  char *data = malloc(capacity);
  if (data == NULL) out_of_memory();
  for (;;) {
    size_t got = fread(data + size, 1, capacity - size - 1, f);
    size += got;
    if (got == 0) break;
    if (size + 1 == capacity) {
      if ((long)capacity > MAX_PATH_FILE) {
        free(data);
        fclose(f);
        errno = EFBIG;
        return NULL;
      }
      char *grown = realloc(data, capacity * 2);
      if (grown == NULL) out_of_memory();
      data = grown;
      capacity *= 2;
    }
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
           errno == EINVAL ? "it holds a NUL byte" : strerror(errno));
    }
    data = owned;
  }
  ZdStatus status = zd_path_parse_d(data, &layer->path);
  free(owned);
  if (status == ZD_OUT_OF_MEMORY) out_of_memory();
  if (status != ZD_OK) fail(EXIT_BAD_INPUT, "--path '%s': unparseable path data", shown(arg));
  layer->path_arg = arg;
  layer->tolerance = 0.5f;
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

static void parse_arguments(int argc, char **argv, Job *job) {
  for (int i = 1; i < argc; ++i) {
    const char *arg = argv[i];
    if (strcmp(arg, "-h") == 0 || strcmp(arg, "--help") == 0) {
      fputs(usage_text, stdout);
      exit(0);
    } else if (strcmp(arg, "--size") == 0) {
      parse_size(value_of(argc, argv, &i, arg), job);
    } else if (strcmp(arg, "--path") == 0) {
      const char *value = value_of(argc, argv, &i, arg);
      parse_path_argument(value, add_layer(job));
    } else if (strcmp(arg, "--color") == 0) {
      const char *value = value_of(argc, argv, &i, arg);
      Layer *layer = current_layer(job, arg);
      if (layer->color != NULL)
        fail(EXIT_BAD_INPUT, "--color '%s': the --path already has a colour", shown(value));
      layer->color = zd_color_parse_css(value);
      if (layer->color == NULL) {
        fail(EXIT_BAD_INPUT, "--color '%s': not a CSS colour (try red, #rrggbb, hsl(), oklch())",
             shown(value));
      }
      layer->color_arg = value;
    } else if (strcmp(arg, "--even-odd") == 0) {
      current_layer(job, arg)->even_odd = 1;
    } else if (strcmp(arg, "--overwrite") == 0) {
      current_layer(job, arg)->overwrite = 1;
    } else if (strcmp(arg, "--tolerance") == 0) {
      const char *value = value_of(argc, argv, &i, arg);
      current_layer(job, arg)->tolerance = parse_tolerance(value);
    } else if (strcmp(arg, "-o") == 0 || strcmp(arg, "--output") == 0) {
      job->output = value_of(argc, argv, &i, arg);
    } else if (strcmp(arg, "--svg") == 0) {
      job->svg = value_of(argc, argv, &i, arg);
    } else if (strcmp(arg, "--format") == 0) {
      const char *value = value_of(argc, argv, &i, arg);
      job->format = format_by_name(value);
      if (job->format < 0) {
        fail(EXIT_BAD_INPUT, "--format '%s': expected png, jpeg, bmp, qoi, pnm or tga",
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
  if (job->output != NULL && job->format < 0) {
    job->format = format_by_extension(job->output);
    if (job->format < 0) {
      fail(EXIT_BAD_INPUT, "-o '%s': unknown extension; name the format with --format",
           shown(job->output));
    }
  }
  for (size_t k = 0; k < job->layer_count; ++k) {
    if (job->layers[k].color == NULL) job->layers[k].color = black();
  }
}

static void write_file(const char *option, const char *file, const void *data, size_t size) {
  FILE *f = fopen(file, "wb");
  if (f == NULL)
    fail(EXIT_BAD_INPUT, "%s '%s': cannot write: %s", option, shown(file), strerror(errno));
  size_t written = fwrite(data, 1, size, f);
  int failed = written != size || fflush(f) != 0;
  if (fclose(f) != 0) failed = 1;
  if (failed)
    fail(EXIT_BAD_INPUT, "%s '%s': cannot write: %s", option, shown(file), strerror(errno));
}

static void describe_layer(const Layer *layer, size_t index, char *text, size_t size) {
  if (layer->path_arg != NULL) {
    snprintf(text, size, "--path '%s'", shown(layer->path_arg));
  } else {
    snprintf(text, size, "demo layer %zu", index + 1);
  }
}

static ZdImage *paint_layers(const Job *job) {
  ZdImage *image = zd_image_new(job->width, job->height);
  if (image == NULL)
    fail(EXIT_NO_MEMORY, "--size %dx%d: cannot make the image", job->width, job->height);
  for (size_t k = 0; k < job->layer_count; ++k) {
    const Layer *layer = &job->layers[k];
    ZdStatus status = zd_fill_path(image, layer->path, layer->color, layer->even_odd ? 1 : 0,
                                   layer->overwrite ? 1 : 0, layer->tolerance);
    if (status != ZD_OK) {
      char what[96];
      describe_layer(layer, k, what, sizeof what);
      fail(EXIT_BAD_INPUT,
           "%s: cannot be filled (too many segments, or a colour that has no sRGB form)", what);
    }
  }
  return image;
}

static void write_image(const Job *job, ZdImage *image) {
  uint8_t *bytes = NULL;
  int64_t length = 0;
  ZdStatus status = zd_image_encode(image, job->format, job->quality, &bytes, &length);
  if (status == ZD_OUT_OF_MEMORY) out_of_memory();
  if (status != ZD_OK) {
    fail(EXIT_BAD_INPUT, "-o '%s': the image cannot be encoded as %s", shown(job->output),
         format_names[job->format]);
  }
  write_file("-o", job->output, bytes, (size_t)length);
  zd_buffer_free(bytes);
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

/*
 * The library writes one-path documents; the layers are put together by
 * taking the <svg ...> opening of the first document and the <path .../>
 * element of each, with fill-rule="evenodd" added for even-odd layers.
 */
static void write_svg(const Job *job) {
  static const char closing[] = "</svg>";
  Text document = {NULL, 0, 0};
  for (size_t k = 0; k < job->layer_count; ++k) {
    const Layer *layer = &job->layers[k];
    char *one = NULL;
    int64_t length = 0;
    ZdStatus status =
        zd_path_to_svg(layer->path, layer->color, job->width, job->height, &one, &length);
    if (status == ZD_OUT_OF_MEMORY) out_of_memory();
    const char *element = status == ZD_OK ? strstr(one, "<path ") : NULL;
    size_t size = (size_t)length;
    if (element == NULL || size < sizeof closing + 1 ||
        strcmp(one + size - (sizeof closing - 1), closing) != 0) {
      char what[96];
      describe_layer(layer, k, what, sizeof what);
      fail(EXIT_BAD_INPUT, "%s: cannot be written as SVG", what);
    }
    if (k == 0) append(&document, one, (size_t)(element - one));
    /* The element without its "/>" and the closing tag. */
    size_t element_size = (size_t)(one + size - (sizeof closing - 1) - element) - 2;
    append(&document, element, element_size);
    if (layer->even_odd) append(&document, " fill-rule=\"evenodd\"", 20);
    append(&document, "/>", 2);
    zd_buffer_free(one);
  }
  append(&document, closing, sizeof closing - 1);
  write_file("--svg", job->svg, document.data, document.size);
  free(document.data);
}

static void free_job(Job *job) {
  for (size_t k = 0; k < job->layer_count; ++k) {
    zd_path_free(job->layers[k].path);
    zd_color_free(job->layers[k].color);
  }
  free(job->layers);
}

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

static void demo_scene(Job *job) {
  const float pi = 3.14159265f;
  job->width = 480;
  job->height = 320;
  Layer *layer;

  /* Background: a rounded rectangle. */
  layer = demo_layer(job, "#F4F1EA", 0);
  check(zd_path_rounded_rect(layer->path, 1, 4, 4, 472, 312, 24, 24, 24, 24), "rounded_rect");

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
}

int main(int argc, char **argv) {
  zd_init();
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

  if (job.output != NULL) {
    ZdImage *image = paint_layers(&job);
    write_image(&job, image);
    zd_image_free(image);
  }
  if (job.svg != NULL) write_svg(&job);
  if (demo) {
    printf("zdraw: wrote the demo scene (%dx%d) to %s and %s\n", job.width, job.height, job.output,
           job.svg);
  }
  free_job(&job);
  return 0;
}
