/*
 * zd_render — renders SVG documents (the static subset icon sets, logos and
 * diagrams use) into zd images, through the public zd interface only.
 *
 * A component beside the library, not part of it: libzd keeps no dependency,
 * while this component parses XML with expat. zdraw links it statically; the
 * Python binding loads it as libzdrender.so.
 *
 * Call zd_init() (or zd_init_keep_signals()) before rendering. Rendering a
 * document touches no global state, so threads may render documents at once.
 */
#ifndef ZD_RENDER_H
#define ZD_RENDER_H

#include <stddef.h>
#include <stdint.h>

#include "zd.h"

#if defined(_WIN32)
#define ZDR_API
#else
#define ZDR_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/** The largest output, in pixels, a document may ask for: a bigger one is
 *  scaled down to fit, keeping its aspect ratio, with a warning. */
#define ZDR_MAX_PIXELS (1L << 25)

/** How a document is rendered. Zero everywhere is the document's own size. */
typedef struct ZdrOptions {
  /** Output width in pixels (0: from the document). With only one of width and
   *  height given, the other follows the document's aspect ratio. */
  int32_t width;
  int32_t height;
  /** Scale of the document's own size (0 or 1: none); ignored when width or
   *  height is given. */
  float scale;
  /** Colour the whole image is painted with before the document (nil:
   *  transparent). Read only. */
  ZdColor *background;
  /** Element instances drawn at most (0: 250000); use elements can multiply a
   *  small file into billions. Drawing stops there, with a warning. */
  int32_t max_elements;
} ZdrOptions;

/** Receives each warning line (no trailing newline), such as
 *  "unsupported element <text> skipped (line 12)". Each kind is reported once. */
typedef void (*ZdrWarn)(void *context, const char *message);

/** What went wrong, or what was skipped, in one render. */
typedef struct ZdrReport {
  /** Number of kinds of unsupported content skipped (elements, properties). */
  int32_t unsupported;
  /** Line of the error (0 when it has none); set when the render fails. */
  int32_t line;
  /** One-line account of the failure ("not well-formed (invalid token)"). */
  char error[256];
} ZdrReport;

/**
 * Renders the SVG document in `text` (`length` bytes; UTF-8 or as its XML
 * declaration says) into a new transparent RGBA image. Returns nil when the
 * document is not well-formed XML, has no svg root, declares entities (which
 * are refused rather than expanded), nests elements deeper than 512 or has
 * no usable size; report->error and report->line say why. Content outside
 * the supported subset is skipped, with one warning per kind through `warn`
 * (which may be nil) and counted in report->unsupported. `options` and
 * `report` may be nil. Free the image with zd_image_free.
 */
ZDR_API ZdImage *zdr_render_svg(const char *text, size_t length, const ZdrOptions *options,
                                ZdrWarn warn, void *warn_context, ZdrReport *report);

#ifdef __cplusplus
}
#endif

#endif /* ZD_RENDER_H */
