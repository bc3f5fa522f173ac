/* The README's example: a filled triangle and circle, then the triangle's
 * dashed outline drawn through a paint, turned 15 degrees about the centre,
 * written as out.png. Exits with the first failing status. */
#include <stdio.h>

#include "zd.h"

int main(void) {
  zd_init();
  ZdPath *path = NULL;
  ZdStatus status = zd_path_parse_d("M10 10 L90 10 L50 80 Z", &path);
  if (status == ZD_OK) status = zd_path_circle(path, 50, 50, 20);
  ZdImage *image = zd_image_new(100, 100);
  ZdColor *color = zd_color_parse("oklch(70% 0.1 150)");
  if (status == ZD_OK) status = zd_fill_path(image, path, color, ZD_FILL_EVENODD, ZD_MODE_OVER, 0);

  /* The outline through a paint: 4 px, round joins and caps, dashed. */
  ZdPaint *paint = zd_paint_new(); /* black, fill, non-zero, over, tolerance 0.5 */
  const float dashes[] = {12, 6};
  const ZdStroke pen = {4, ZD_JOIN_ROUND, ZD_CAP_ROUND, 4, dashes, 2, 0};
  if (status == ZD_OK) status = zd_paint_set_stroke(paint, &pen);
  const float c = 0.9659258f, s = 0.2588190f; /* cos and sin of 15 degrees */
  const float turn[6] = {c, s, -s, c, 50 - c * 50 + s * 50, 50 - s * 50 - c * 50};
  if (status == ZD_OK) status = zd_draw_path(image, path, paint, turn); /* or NULL: no matrix */

  uint8_t *png = NULL;
  int64_t len = 0;
  if (status == ZD_OK) status = zd_image_encode_png(image, &png, &len);
  if (status == ZD_OK) {
    FILE *f = fopen("out.png", "wb");
    if (f != NULL) {
      fwrite(png, 1, (size_t)len, f);
      fclose(f);
    }
  }
  zd_buffer_free(png);
  zd_paint_free(paint);
  zd_color_free(color);
  zd_image_free(image);
  zd_path_free(path);
  printf("outline_paint: %s\n", zd_strerror(status));
  return status;
}
