// Image exports through the C interface: creation, queries, pixel access,
// PNG hand-out, and the argument rules of the frame.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "png_peer.hpp"
#include "zd.h"

namespace {

TEST(ImageApi, NewRefusesEmptyAndImpossibleSizes) {
  EXPECT_EQ(zd_image_new(0, 10), nullptr);
  EXPECT_EQ(zd_image_new(10, -1), nullptr);
  EXPECT_EQ(zd_image_new(-3, -3), nullptr);
  // 2^31 - 1 squared times 4 bytes overflows 64 bits.
  EXPECT_EQ(zd_image_new(INT32_MAX, INT32_MAX), nullptr);
}

#if defined(__SANITIZE_ADDRESS__)
#define ZD_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZD_UNDER_ASAN 1
#endif
#endif

TEST(ImageApi, NewGivesNilWhenThePixelsCannotBeHad) {
#ifdef ZD_UNDER_ASAN
  GTEST_SKIP() << "AddressSanitizer stops the process on a failed allocation";
#else
  // 2^31 - 1 x 2^24 pixels need 2^57 bytes: no allocator gives that, and the
  // caller must get nil rather than a stopped process.
  EXPECT_EQ(zd_image_new(INT32_MAX, 1 << 24), nullptr);
  ZdImage *after = zd_image_new(1, 1);  // the thread carries on normally
  EXPECT_NE(after, nullptr);
  zd_image_free(after);
#endif
}

TEST(ImageApi, QueriesAndPixels) {
  ZdImage *image = zd_image_new(2, 3);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(zd_image_width(image), 2);
  EXPECT_EQ(zd_image_height(image), 3);
  EXPECT_EQ(zd_image_channels(image), 4);
  uint8_t *pixels = nullptr;
  int64_t length = -1;
  ASSERT_EQ(zd_image_pixels(image, &pixels, &length), ZD_OK);
  ASSERT_EQ(length, 24);
  EXPECT_EQ(std::vector<uint8_t>(pixels, pixels + length), std::vector<uint8_t>(24, 0));
  // The bytes are the image's own: a change shows in the next encoding.
  pixels[0] = 255;
  pixels[3] = 255;
  uint8_t *again = nullptr;
  ASSERT_EQ(zd_image_pixels(image, &again, &length), ZD_OK);
  EXPECT_EQ(again, pixels);
  uint8_t *png = nullptr;
  ASSERT_EQ(zd_image_encode_png(image, &png, &length), ZD_OK);
  const auto decoded = zd::testing::decodeWithLibpng(std::vector<uint8_t>(png, png + length));
  zd_buffer_free(png);
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(decoded.pixels, std::vector<uint8_t>(pixels, pixels + 24));
  zd_image_free(image);
}

TEST(ImageApi, NilHandlesAndOutputs) {
  EXPECT_EQ(zd_image_width(nullptr), 0);
  EXPECT_EQ(zd_image_height(nullptr), 0);
  EXPECT_EQ(zd_image_channels(nullptr), 0);
  zd_image_free(nullptr);
  ZdImage *image = zd_image_new(1, 1);
  ASSERT_NE(image, nullptr);
  uint8_t marker = 0;
  uint8_t *bytes = &marker;
  int64_t length = 99;
  // A nil output gives 2 and clears the other one.
  EXPECT_EQ(zd_image_encode_png(image, &bytes, nullptr), ZD_BAD_ARGUMENT);
  EXPECT_EQ(bytes, nullptr);
  EXPECT_EQ(zd_image_encode_png(image, nullptr, &length), ZD_BAD_ARGUMENT);
  EXPECT_EQ(length, 0);
  bytes = &marker;
  length = 99;
  EXPECT_EQ(zd_image_pixels(image, nullptr, &length), ZD_BAD_ARGUMENT);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(zd_image_pixels(image, &bytes, nullptr), ZD_BAD_ARGUMENT);
  EXPECT_EQ(bytes, nullptr);
  // A nil image gives 2 with both outputs cleared.
  bytes = &marker;
  length = 99;
  EXPECT_EQ(zd_image_encode_png(nullptr, &bytes, &length), ZD_BAD_ARGUMENT);
  EXPECT_EQ(bytes, nullptr);
  EXPECT_EQ(length, 0);
  bytes = &marker;
  length = 99;
  EXPECT_EQ(zd_image_pixels(nullptr, &bytes, &length), ZD_BAD_ARGUMENT);
  EXPECT_EQ(bytes, nullptr);
  EXPECT_EQ(length, 0);
  zd_image_free(image);
}

TEST(ImageApi, EncodesATransparentPixel) {
  ZdImage *image = zd_image_new(1, 1);
  ASSERT_NE(image, nullptr);
  uint8_t *png = nullptr;
  int64_t length = 0;
  ASSERT_EQ(zd_image_encode_png(image, &png, &length), ZD_OK);
  ASSERT_NE(png, nullptr);
  const std::vector<uint8_t> file(png, png + length);
  zd_buffer_free(png);
  // Filtered row 00 00 00 00 00: a literal and a match of 4 at distance 1,
  // a 10-byte zlib stream, as for the 2 x 1 image.
  EXPECT_EQ(length, 67);
  const auto decoded = zd::testing::decodeWithLibpng(file);
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(decoded.width, 1u);
  EXPECT_EQ(decoded.height, 1u);
  EXPECT_EQ(decoded.pixels, std::vector<uint8_t>(4, 0));
  zd_image_free(image);
}

}  // namespace
