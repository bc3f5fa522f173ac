// Warnings of one render: each kind of skipped content is reported once,
// with the line where it first appears.
#pragma once

#include <set>
#include <string>

#include "zd_render.h"

namespace zdr {

class Diagnostics {
 public:
  Diagnostics(ZdrWarn warn, void *context) : warn_(warn), context_(context) {}

  // Content outside the supported subset ("element <text>", "property
  // clip-path"): counted once per kind.
  void unsupported(const std::string &kind, int line);
  // Anything else worth saying (the output was capped, a path was refused),
  // once per distinct message.
  void note(const std::string &message);

  int unsupportedKinds() const { return unsupportedKinds_; }

 private:
  ZdrWarn warn_;
  void *context_;
  std::set<std::string> said_;
  int unsupportedKinds_ = 0;
};

}  // namespace zdr
