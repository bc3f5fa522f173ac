/* Fills a path with an out-of-gamut colour and writes the picture both as a
 * PNG file and as a one-path SVG document. */
#include <stdio.h>

#include "zd.h"

static int write_file(const char *name, const void *bytes, int64_t len) {
  FILE *file = fopen(name, "wb");
  if (file == NULL) return 0;
  size_t written = fwrite(bytes, 1, (size_t)len, file);
  return fclose(file) == 0 && written == (size_t)len;
}

int main(void) {
  zd_init();
  ZdPath *path = NULL;
  ZdColor *color = zd_color_parse("oklch(70% 0.4 150)"); /* far outside sRGB: mapped in */
  ZdImage *image = zd_image_new(100, 100);
  ZdStatus status = zd_path_parse_d("M10 10 L90 10 L50 80 Z", &path);
  uint8_t *png = NULL;
  char *svg = NULL, *fill = NULL;
  int64_t png_len = 0, svg_len = 0, fill_len = 0;
  if (status == ZD_OK) status = zd_fill_path(image, path, color, 0, 0, 0.0f);
  if (status == ZD_OK) status = zd_image_encode_png(image, &png, &png_len);
  if (status == ZD_OK) status = zd_path_to_svg(path, color, 100, 100, &svg, &svg_len);
  if (status == ZD_OK) status = zd_color_to_svg(color, &fill, &fill_len);
  if (status == ZD_OK) {
    if (!write_file("example.png", png, png_len) || !write_file("example.svg", svg, svg_len)) {
      fprintf(stderr, "png_and_svg: cannot write the output files\n");
      status = ZD_BAD_ARGUMENT;
    } else {
      printf("wrote example.png (%lld bytes) and example.svg (%lld bytes), fill %s\n",
             (long long)png_len, (long long)svg_len, fill);
    }
  } else {
    fprintf(stderr, "png_and_svg: %s\n", zd_strerror(status));
  }
  zd_buffer_free(fill);
  zd_buffer_free(svg);
  zd_buffer_free(png);
  zd_image_free(image);
  zd_color_free(color);
  zd_path_free(path);
  return status == ZD_OK ? 0 : 1;
}
