/* Parses SVG path data, prints it back, lists its commands and flattens it. */
#include <stdio.h>
#include <stdlib.h>

#include "zd.h"

int main(int argc, char **argv) {
  const char *text = argc > 1 ? argv[1] : "M10,10 h80 v40 q-40 40 -80 0 z m 20 -5 a 10 10 0 1 0 20 0";
  zd_init();
  ZdPath *path = NULL;
  ZdStatus status = zd_path_parse_d(text, &path);
  if (status != ZD_OK) {
    fprintf(stderr, "path_data: cannot parse \"%s\": %s\n", text, zd_strerror(status));
    return 1;
  }
  char *printed = NULL;
  int64_t len = 0;
  status = zd_path_to_d(path, &printed, &len);
  if (status == ZD_OK) printf("printed back (%lld bytes): %s\n", (long long)len, printed);
  zd_buffer_free(printed);

  for (int64_t i = 0; status == ZD_OK && i < zd_path_command_count(path); ++i) {
    ZdCommand command;
    status = zd_path_command_get(path, i, &command);
    int32_t n = zd_path_command_parameter_count(command.kind);
    printf("  kind %2d%s:", (int)command.kind, zd_path_command_is_relative(command.kind) ? " (relative)" : "");
    for (int32_t k = 0; k < n; ++k) printf(" %g", command.params[k]);
    printf("\n");
  }

  /* Size the segment array with a first call, then fill it. */
  int64_t count = 0;
  if (status == ZD_OK) status = zd_path_flatten(path, NULL, 0, &count, 0.25f);
  float *segments = status == ZD_OK ? malloc((size_t)(count > 0 ? count : 1) * 4 * sizeof(float)) : NULL;
  float bounds[4] = {0, 0, 0, 0};
  if (segments && status == ZD_OK) status = zd_path_flatten(path, segments, count, &count, 0.25f);
  if (segments && status == ZD_OK) status = zd_segments_bounds(segments, count, bounds);
  if (status == ZD_OK) {
    printf("%lld segments at tolerance 0.25; bounds x %g y %g w %g h %g\n", (long long)count,
           bounds[0], bounds[1], bounds[2], bounds[3]);
  }
  free(segments);
  zd_path_free(path);
  if (status != ZD_OK) fprintf(stderr, "path_data: %s\n", zd_strerror(status));
  return status == ZD_OK ? 0 : 1;
}
