// Helpers shared by the colour tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "color/color.hpp"

namespace zd::color::testing {

// A colour the test knows to be valid.
inline Color make(SpaceTag space, float c1, float c2, float c3, float alpha = 1.0f) {
  return color(space, c1, c2, c3, alpha).value();
}

// The result is an error of exactly this kind, message and context.
template <class T>
::testing::AssertionResult isError(const Result<T> &result, ErrorKind kind,
                                   const std::string &message, const std::string &context) {
  if (result.isOk()) return ::testing::AssertionFailure() << "expected error '" << message << "'";
  const ColorError &e = result.error();
  if (e.kind != kind || e.message != message || e.context != context) {
    return ::testing::AssertionFailure()
           << "got " << toString(e.kind) << " '" << e.message << "' context '" << e.context
           << "'; expected " << toString(kind) << " '" << message << "' context '" << context
           << "'";
  }
  return ::testing::AssertionSuccess();
}

// Every component within `tolerance` of the expected value.
inline ::testing::AssertionResult near3(const Color &c, double e1, double e2, double e3,
                                        double tolerance) {
  const double expected[3] = {e1, e2, e3};
  for (int i = 0; i < 3; ++i) {
    if (!(std::fabs(static_cast<double>(c.comps[i]) - expected[i]) <= tolerance)) {
      return ::testing::AssertionFailure()
             << "component " << i << " is " << c.comps[i] << ", expected " << expected[i]
             << " within " << tolerance << " (colour " << c.comps[0] << ", " << c.comps[1] << ", "
             << c.comps[2] << ")";
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace zd::color::testing
