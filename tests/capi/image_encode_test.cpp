#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "codec/codec.hpp"
#include "zd.h"

namespace {

using zd::image::Image;

// An image handle whose pixels (and alpha) all differ, plus the same pixels
// as an internal record for comparing against the encoders directly.
struct TestImage {
  ZdImage *handle = nullptr;
  Image record;

  TestImage(int32_t width, int32_t height, std::uint8_t alphaBase = 0) {
    handle = zd_image_new(width, height);
    record = zd::image::newImage(width, height, zd::image::csRgba);
    uint8_t *pixels = nullptr;
    int64_t len = 0;
    if (handle == nullptr || zd_image_pixels(handle, &pixels, &len) != ZD_OK) return;
    for (int64_t i = 0; i < len; ++i) {
      pixels[i] = static_cast<uint8_t>(i % 4 == 3 ? alphaBase + i / 4 : (i * 29) % 251);
    }
    record.data.assign(pixels, pixels + len);
  }
  ~TestImage() { zd_image_free(handle); }
  TestImage(const TestImage &) = delete;
  TestImage &operator=(const TestImage &) = delete;
};

// Encodes through the export; empty on any status other than 0.
std::vector<std::uint8_t> exported(ZdImage *image, int32_t format, int32_t quality,
                                   ZdStatus *status = nullptr) {
  uint8_t *out = nullptr;
  int64_t len = 0;
  const ZdStatus got = zd_image_encode(image, format, quality, &out, &len);
  if (status != nullptr) *status = got;
  std::vector<std::uint8_t> bytes;
  if (got == ZD_OK) {
    EXPECT_NE(out, nullptr);
    EXPECT_GT(len, 0);
    bytes.assign(out, out + len);
    zd_buffer_free(out);
  } else {
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(len, 0);
  }
  return bytes;
}

TEST(ImageEncode, EveryFormatGivesTheEncodersBytes) {
  TestImage image(21, 13);
  ASSERT_NE(image.handle, nullptr);
  for (int32_t format :
       {ZD_FORMAT_PNG, ZD_FORMAT_BMP, ZD_FORMAT_QOI, ZD_FORMAT_PNM, ZD_FORMAT_TGA}) {
    EXPECT_EQ(exported(image.handle, format, 90), zd::codec::encodeImage(image.record, format, 90))
        << "format " << format;
  }
  // JPEG: the RGB bytes of the image, alpha dropped.
  Image rgb = zd::image::newImage(21, 13, zd::image::csRgb);
  for (std::size_t i = 0, j = 0; i < image.record.data.size(); ++i) {
    if (i % 4 != 3) rgb.data[j++] = image.record.data[i];
  }
  EXPECT_EQ(exported(image.handle, ZD_FORMAT_JPEG, 75), zd::codec::encodeJpeg(rgb, 75));

  uint8_t *png = nullptr;
  int64_t pngLen = 0;
  ASSERT_EQ(zd_image_encode_png(image.handle, &png, &pngLen), ZD_OK);
  EXPECT_EQ(exported(image.handle, ZD_FORMAT_PNG, 1), std::vector<std::uint8_t>(png, png + pngLen));
  zd_buffer_free(png);
}

TEST(ImageEncode, JpegIgnoresAlphaAndReadsQuality) {
  TestImage opaque(16, 16, 255);
  TestImage seeThrough(16, 16, 0);
  const auto first = exported(opaque.handle, ZD_FORMAT_JPEG, 90);
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first, exported(seeThrough.handle, ZD_FORMAT_JPEG, 90));
  EXPECT_NE(first, exported(opaque.handle, ZD_FORMAT_JPEG, 20));
  EXPECT_EQ(exported(opaque.handle, ZD_FORMAT_JPEG, -7),
            exported(opaque.handle, ZD_FORMAT_JPEG, 1));
  // Other formats ignore quality.
  EXPECT_EQ(exported(opaque.handle, ZD_FORMAT_QOI, 1), exported(opaque.handle, ZD_FORMAT_QOI, 100));
}

TEST(ImageEncode, BadArgumentsClearTheOutputs) {
  TestImage image(2, 2);
  uint8_t junk = 0;
  uint8_t *out = &junk;
  int64_t len = 99;
  EXPECT_EQ(zd_image_encode(image.handle, 0, 90, &out, nullptr), ZD_BAD_ARGUMENT);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(zd_image_encode(image.handle, 0, 90, nullptr, &len), ZD_BAD_ARGUMENT);
  EXPECT_EQ(len, 0);
  out = &junk;
  len = 99;
  EXPECT_EQ(zd_image_encode(nullptr, 0, 90, &out, &len), ZD_BAD_ARGUMENT);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(len, 0);
  for (int32_t format : {-1, 6, 100, INT32_MIN, INT32_MAX}) {
    out = &junk;
    len = 99;
    EXPECT_EQ(zd_image_encode(image.handle, format, 90, &out, &len), ZD_BAD_ARGUMENT) << format;
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(len, 0);
  }
}

TEST(ImageEncode, RefusalsOfTheEncodersAreStatusTwo) {
  ZdImage *wide = zd_image_new(65536, 1);
  ASSERT_NE(wide, nullptr);
  for (int32_t format : {ZD_FORMAT_JPEG, ZD_FORMAT_TGA}) {
    ZdStatus status = ZD_OK;
    exported(wide, format, 90, &status);
    EXPECT_EQ(status, ZD_BAD_ARGUMENT) << "format " << format;
  }
  // The image is unharmed and the other formats still take it.
  EXPECT_EQ(zd_image_width(wide), 65536);
  ZdStatus status = ZD_BAD_ARGUMENT;
  // QOI: one index chunk for the first transparent pixel, then 65535 repeats
  // in 1057 full runs of 62 and one run of 1.
  EXPECT_EQ(exported(wide, ZD_FORMAT_QOI, 0, &status).size(), 14u + 1 + 1058 + 8);
  EXPECT_EQ(status, ZD_OK);
  zd_image_free(wide);

  ZdImage *edge = zd_image_new(65535, 1);
  exported(edge, ZD_FORMAT_JPEG, 90, &status);
  EXPECT_EQ(status, ZD_OK);
  exported(edge, ZD_FORMAT_TGA, 90, &status);
  EXPECT_EQ(status, ZD_OK);
  zd_image_free(edge);
}

}  // namespace
