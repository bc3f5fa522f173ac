// The bytes of an image, copied out through the C interface.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "zd.h"

namespace zd::capi::testing {

inline std::vector<std::uint8_t> pixels(ZdImage *image) {
  std::uint8_t *data = nullptr;
  int64_t length = 0;
  EXPECT_EQ(zd_image_pixels(image, &data, &length), ZD_OK);
  return std::vector<std::uint8_t>(data, data + length);
}

}  // namespace zd::capi::testing
