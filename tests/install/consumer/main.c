/* A host built against an installed zd: fills a square and prints the PNG size. */
#include <stdio.h>
#include <string.h>

#include <zd.h>

int main(void) {
  zd_init();
  ZdPath *path = zd_path_new();
  ZdImage *image = zd_image_new(8, 8);
  ZdColor *color = zd_color_rgba(1, 0, 0, 1);
  uint8_t *png = NULL;
  int64_t len = 0;
  ZdStatus status = zd_path_rect(path, 1, 2, 2, 4, 4);
  if (status == ZD_OK) status = zd_fill_path(image, path, color, 0, 0, 0);
  if (status == ZD_OK) status = zd_image_encode_png(image, &png, &len);
  int ok = status == ZD_OK && len > 8 && memcmp(png, "\x89PNG", 4) == 0 &&
           strcmp(zd_version(), "1.0.0") == 0;
  printf("zd %s: png of %lld bytes: %s\n", zd_version(), (long long)len, ok ? "ok" : "FAILED");
  zd_buffer_free(png);
  zd_color_free(color);
  zd_image_free(image);
  zd_path_free(path);
  return ok ? 0 : 1;
}
