/* A C99 host: includes only zd.h, links libzd.so, and checks the frame and
 * the path exports through the ABI as any C caller would see them. */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "zd.h"

static int failures = 0;
static int checks = 0;

#define CHECK(cond)                                                  \
  do {                                                               \
    ++checks;                                                        \
    if (!(cond)) {                                                   \
      ++failures;                                                    \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
    }                                                                \
  } while (0)

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

static void test_numra(void) {
  uint64_t q = 0, r = 0;
  CHECK(numra_clz64(0) == 64);
  CHECK(numra_clz64(1) == 63);
  numra_udiv128(1, 0, 2, &q, &r);
  CHECK(q == (uint64_t)1 << 63 && r == 0);
}

int main(void) {
  zd_init();
  test_frame();
  test_paths();
  test_numra();
  printf("%d passed, %d failed\n", checks - failures, failures);
  return failures == 0 ? 0 : 1;
}
