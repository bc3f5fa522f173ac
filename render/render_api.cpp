// The component's C entry point: parse, render, report.
#include <exception>
#include <new>
#include <string_view>

#include "diagnostics.hpp"
#include "renderer.hpp"
#include "xml_tree.hpp"
#include "zd_render.h"

namespace {

void fillReport(ZdrReport *report, const std::string &message, int line) {
  if (report == nullptr) return;
  report->line = line;
  const std::size_t size = std::min(message.size(), sizeof report->error - 1);
  message.copy(report->error, size);
  report->error[size] = '\0';
}

}  // namespace

extern "C" ZDR_API ZdImage *zdr_render_svg(const char *text, size_t length,
                                           const ZdrOptions *options, ZdrWarn warn,
                                           void *warn_context, ZdrReport *report) {
  if (report != nullptr) *report = ZdrReport{};
  if (text == nullptr) {
    fillReport(report, "no document", 0);
    return nullptr;
  }
  try {
    zdr::Document document;
    zdr::ParseError parseError;
    if (!zdr::parseDocument(std::string_view(text, length), document, parseError)) {
      fillReport(report, parseError.message, parseError.line);
      return nullptr;
    }
    zdr::Diagnostics diagnostics(warn, warn_context);
    zdr::RenderFailure failure;
    const ZdrOptions none{};
    ZdImage *image =
        zdr::renderDocument(document, options != nullptr ? *options : none, diagnostics, failure);
    if (report != nullptr) report->unsupported = diagnostics.unsupportedKinds();
    if (image == nullptr) fillReport(report, failure.message, failure.line);
    return image;
  } catch (const std::bad_alloc &) {
    fillReport(report, "out of memory", 0);
  } catch (const std::exception &error) {
    fillReport(report, error.what(), 0);
  }
  return nullptr;
}
