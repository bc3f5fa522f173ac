/* Builds a path from ready-made shapes and fills it into an image with both
 * fill rules, then reports how many pixels each fill touched. */
#include <stdio.h>

#include "zd.h"

static int count_painted(ZdImage *image) {
  uint8_t *pixels = NULL;
  int64_t len = 0, painted = 0;
  if (zd_image_pixels(image, &pixels, &len) != ZD_OK) return -1;
  for (int64_t i = 3; i < len; i += 4) painted += pixels[i] != 0;
  return (int)painted;
}

int main(void) {
  zd_init();
  ZdPath *shapes = zd_path_new();
  ZdStatus status = ZD_OK;
  /* Two overlapping shapes: the even-odd rule leaves their overlap empty. */
  if (status == ZD_OK) status = zd_path_rounded_rect(shapes, 1, 10, 10, 120, 80, 12, 12, 12, 12);
  if (status == ZD_OK) status = zd_path_circle(shapes, 120, 90, 40);
  if (status == ZD_OK) status = zd_path_polygon(shapes, 6, 60, 120, 25);

  ZdColor *teal = zd_color_parse("#008080");
  ZdImage *nonzero = zd_image_new(180, 160);
  ZdImage *evenodd = zd_image_new(180, 160);
  if (status == ZD_OK) status = zd_fill_path(nonzero, shapes, teal, 0, 0, 0.0f);
  if (status == ZD_OK) status = zd_fill_path(evenodd, shapes, teal, 1, 0, 0.0f);
  if (status != ZD_OK) {
    fprintf(stderr, "shapes_fill: %s\n", zd_strerror(status));
  } else {
    int a = count_painted(nonzero), b = count_painted(evenodd);
    printf("non-zero painted %d pixels, even-odd painted %d pixels\n", a, b);
    if (!(a > b && b > 0)) status = ZD_BAD_ARGUMENT;
  }
  zd_image_free(evenodd);
  zd_image_free(nonzero);
  zd_color_free(teal);
  zd_path_free(shapes);
  return status == ZD_OK ? 0 : 1;
}
