/* A threaded C host: four threads each fill their own small image, over and
 * over, with one path and one colour they all share, then print the shared
 * path. Every call takes and drops a reference on the shared handles while
 * the other threads do the same, so a count that loses an update frees the
 * handles under the other threads (a crash, or a use after free under a
 * sanitizer). Each thread's image must also equal a single-threaded fill. */
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "zd.h"

enum { kThreads = 4, kFills = 5000, kSize = 12 };

static ZdPath *shared_path;
static ZdColor *shared_color;
static uint8_t expected[kSize * kSize * 4];
static char expected_text[256];

static int fill_once(ZdImage *image, uint8_t *copy) {
  uint8_t *pixels = NULL;
  int64_t len = 0;
  if (zd_fill_path(image, shared_path, shared_color, 0, 1, 0.0f) != ZD_OK) return 0;
  if (zd_image_pixels(image, &pixels, &len) != ZD_OK || len != (int64_t)sizeof expected) return 0;
  memcpy(copy, pixels, sizeof expected);
  return 1;
}

static void *worker(void *arg) {
  int *failures = arg;
  uint8_t got[sizeof expected];
  ZdImage *image = zd_image_new(kSize, kSize);
  for (int i = 0; i < kFills; ++i) {
    if (!fill_once(image, got) || memcmp(got, expected, sizeof expected) != 0) ++*failures;
    char *text = NULL;
    int64_t len = 0;
    if (zd_path_to_d(shared_path, &text, &len) != ZD_OK || strcmp(text, expected_text) != 0) {
      ++*failures;
    }
    zd_buffer_free(text);
  }
  zd_image_free(image);
  return NULL;
}

int main(void) {
  zd_init();
  shared_path = zd_path_new();
  shared_color = zd_color_parse("oklch(60% 0.2 40 / 0.8)");
  if (shared_path == NULL || shared_color == NULL) return 1;
  zd_path_circle(shared_path, 6.0f, 6.0f, 4.5f);

  ZdImage *reference = zd_image_new(kSize, kSize);
  char *text = NULL;
  int64_t len = 0;
  if (!fill_once(reference, expected) || zd_path_to_d(shared_path, &text, &len) != ZD_OK ||
      len >= (int64_t)sizeof expected_text) {
    fprintf(stderr, "the single-threaded fill failed\n");
    return 1;
  }
  memcpy(expected_text, text, (size_t)len + 1);
  zd_buffer_free(text);
  zd_image_free(reference);

  pthread_t threads[kThreads];
  int failures[kThreads] = {0};
  for (int t = 0; t < kThreads; ++t) pthread_create(&threads[t], NULL, worker, &failures[t]);
  int total = 0;
  for (int t = 0; t < kThreads; ++t) {
    pthread_join(threads[t], NULL);
    total += failures[t];
  }
  /* The caller's own references are intact: the handles still work. */
  if (zd_path_command_count(shared_path) != 6) ++total;
  zd_color_free(shared_color);
  zd_path_free(shared_path);
  if (total != 0) {
    fprintf(stderr, "%d calls on shared handles went wrong\n", total);
    return 1;
  }
  printf("%d threads x %d fills on one shared path and colour: ok\n", kThreads, kFills);
  return 0;
}
