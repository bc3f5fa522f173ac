// The PNG encoder: exact files, refusals, and round trips through libpng and
// zlib over images of varied layout, size and content.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <random>

#include "png_peer.hpp"
#include "codec/png.hpp"
#include "codec/codec.hpp"

namespace zd::codec {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Expects `work` to raise a ImageError with this kind and message.
template <class Work>
void expectRefusal(Work &&work, std::uint8_t kind, const std::string &message) {
  try {
    work();
    ADD_FAILURE() << "no exception, expected: " << message;
  } catch (const ImageError &e) {
    EXPECT_EQ(e.kind(), kind);
    EXPECT_EQ(std::string(e.what()), message);
  }
}

// The filtered rows a decoder must find in the IDAT stream.
Bytes filteredRows(const Image &image) {
  Bytes rows;
  const auto rowBytes = static_cast<std::size_t>(image.width * image.channels);
  for (std::int64_t y = 0; y < image.height; ++y) {
    rows.push_back(0);
    const auto *row = image.data.data() + static_cast<std::size_t>(y) * rowBytes;
    rows.insert(rows.end(), row, row + rowBytes);
  }
  return rows;
}

void expectDecodesBack(const Image &image) {
  const Bytes file = encodePng(image);
  const testing::DecodedPng decoded = testing::decodeWithLibpng(file);
  ASSERT_TRUE(decoded.ok) << decoded.error << " (" << image.width << " x " << image.height << ")";
  EXPECT_EQ(decoded.width, image.width);
  EXPECT_EQ(decoded.height, image.height);
  const int colorTypes[] = {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA};
  EXPECT_EQ(decoded.colorType, colorTypes[image.layout]);
  EXPECT_TRUE(decoded.pixels == image.data) << image.width << " x " << image.height;
  const Bytes rows = filteredRows(image);
  EXPECT_TRUE(testing::inflateZlib(testing::idatData(file), rows.size()) == rows);
}

// Images with the features that matter to the matcher: flat runs, slow
// gradients, hard edges, and noise.
Image makeImage(std::int64_t width, std::int64_t height, ChannelLayout layout, int pattern,
                std::uint32_t seed) {
  Image image = newImage(width, height, layout);
  std::mt19937 rng(seed);
  const auto channels = static_cast<std::size_t>(image.channels);
  for (std::int64_t y = 0; y < height; ++y) {
    for (std::int64_t x = 0; x < width; ++x) {
      std::uint8_t *pixel = &image.data[static_cast<std::size_t>(y * width + x) * channels];
      for (std::size_t c = 0; c < channels; ++c) {
        std::uint32_t value = 0;
        switch (pattern) {
          case 0: value = 0; break;
          case 1:
            value =
                static_cast<std::uint32_t>(x * 255 / std::max<std::int64_t>(width - 1, 1) + c * 40);
            break;
          case 2: value = ((x / 7 + y / 5) % 2 != 0) ? 200 + c : 30 * c; break;
          case 3: value = rng(); break;
          default:
            value =
                (x * x + y * 3 < width * height / 2) ? 255 : static_cast<std::uint32_t>(rng() % 4);
            break;
        }
        pixel[c] = static_cast<std::uint8_t>(value);
      }
    }
  }
  return image;
}

TEST(Png, KnownFiles) {
  Image red = newImage(1, 1, csRgba);
  red.data = {255, 0, 0, 255};
  const Bytes expectedRed = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D,
                             0x49, 0x48, 0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01,
                             0x08, 0x06, 0x00, 0x00, 0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00, 0x00, 0x00,
                             0x0D, 0x49, 0x44, 0x41, 0x54, 0x78, 0x01, 0x63, 0xF8, 0xCF, 0xC0, 0xF0,
                             0x1F, 0x00, 0x05, 0x00, 0x01, 0xFF, 0x7B, 0xE9, 0xBE, 0xEF, 0x00, 0x00,
                             0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
  EXPECT_EQ(encodePng(red), expectedRed);
  EXPECT_EQ(encodeImage(red, fmtPng, 90), expectedRed);

  const Bytes clear = encodePng(newImage(2, 1, csRgba));
  ASSERT_EQ(clear.size(), 67u);
  EXPECT_EQ(testing::readU32be(&clear[33]), 10u);  // IDAT length
  EXPECT_EQ(Bytes(clear.begin() + 41, clear.begin() + 51),
            (Bytes{0x78, 0x01, 0x63, 0x80, 0x01, 0x00, 0x00, 0x09, 0x00, 0x01}));
  EXPECT_EQ(Bytes(clear.end() - 12, clear.end()),
            (Bytes{0, 0, 0, 0, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82}));
}

TEST(Png, HeaderFollowsTheLayout) {
  const std::pair<ChannelLayout, std::uint8_t> layouts[] = {{csGray, 0}, {csRgb, 2}, {csRgba, 6}};
  for (const auto &[layout, colourType] : layouts) {
    const Bytes file = encodePng(makeImage(300, 2, layout, 1, 1));
    EXPECT_EQ(testing::readU32be(&file[16]), 300u);
    EXPECT_EQ(testing::readU32be(&file[20]), 2u);
    EXPECT_EQ(Bytes(file.begin() + 24, file.begin() + 29), (Bytes{8, colourType, 0, 0, 0}));
  }
}

TEST(Png, RefusesLayoutsBeforeDimensions) {
  for (auto layout : {csLayout3, csLayout4, csLayout5}) {
    Image image = newImage(1, 1, layout);
    expectRefusal([&] { encodePng(image); }, 1, "png: encode needs csGray, csRgb, or csRgba");
    image.width = 0;  // the layout test comes first
    expectRefusal([&] { encodeImage(image, fmtPng, 90); }, 1,
                  "png: encode needs csGray, csRgb, or csRgba");
  }
}

TEST(Png, RefusesBadDimensions) {
  const std::int64_t limit = std::int64_t{1} << 30;
  const std::pair<std::int64_t, std::int64_t> bad[] = {{0, 1},  {1, 0},         {-1, 1},
                                                       {1, -5}, {limit + 1, 1}, {1, limit + 1}};
  for (const auto &[width, height] : bad) {
    Image image;  // only the fields are read before the refusal
    image.width = width;
    image.height = height;
    image.channels = 4;
    expectRefusal([&] { encodePng(image); }, 3, "png: bad dimensions");
  }
  // 2^30 passes the dimension test; the missing pixel bytes are caught next.
  Image wide;
  wide.width = limit;
  wide.height = 1;
  wide.channels = 4;
  EXPECT_THROW(encodePng(wide), Defect);
}

TEST(Png, DecodesBackWithLibpng) {
  const std::pair<std::int64_t, std::int64_t> sizes[] = {
      {1, 1}, {3, 7}, {1, 300}, {257, 3}, {64, 64}};
  std::uint32_t seed = 1;
  for (auto layout : {csGray, csRgb, csRgba}) {
    for (const auto &[width, height] : sizes) {
      for (int pattern = 0; pattern < 5; ++pattern)
        expectDecodesBack(makeImage(width, height, layout, pattern, seed++));
    }
  }
}

TEST(Png, LargeImagesDecodeBack) {
  // Well past 64 KiB of filtered data, so the matcher runs far beyond its
  // 32 KiB window.
  expectDecodesBack(makeImage(2048, 40, csRgba, 1, 5));
  expectDecodesBack(makeImage(300, 200, csRgba, 2, 6));
  expectDecodesBack(makeImage(300, 200, csRgba, 3, 7));
  expectDecodesBack(makeImage(512, 300, csRgb, 4, 8));
  expectDecodesBack(makeImage(8192, 9, csGray, 2, 9));
}

TEST(Png, RowsRepeatedAtTheWindowEdge) {
  // Gray rows of noise, each the same: with the filter byte a row is
  // width + 1 bytes, so the repeat is at distance 32768 (matched) or 32769
  // (out of reach).
  std::size_t fileSize[2] = {};
  for (std::int64_t width : {32767, 32768}) {
    Image image = newImage(width, 3, csGray);
    std::mt19937 rng(11);
    for (std::int64_t x = 0; x < width; ++x) {
      const auto value = static_cast<std::uint8_t>(rng());
      for (std::int64_t y = 0; y < 3; ++y)
        image.data[static_cast<std::size_t>(y * width + x)] = value;
    }
    expectDecodesBack(image);
    fileSize[width - 32767] = encodePng(image).size();
  }
  EXPECT_LT(fileSize[0], 36000u);   // one row of literals, then matches
  EXPECT_GT(fileSize[1], 100000u);  // three rows of literals
}

TEST(Png, WriteChunk) {
  Bytes out = {9};
  const std::uint8_t data[3] = {1, 2, 3};
  writeChunk(out, "abCD", data, 3);
  const std::uint8_t typed[7] = {'a', 'b', 'C', 'D', 1, 2, 3};
  const auto crc = static_cast<std::uint32_t>(::crc32(0, typed, 7));
  EXPECT_EQ(out, (Bytes{9, 0, 0, 0, 3, 'a', 'b', 'C', 'D', 1, 2, 3,
                        static_cast<std::uint8_t>(crc >> 24), static_cast<std::uint8_t>(crc >> 16),
                        static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc)}));
  // A chunk longer than 2^31 - 1 bytes cannot be written: refused before
  // anything is read or appended.
  expectRefusal([&] { writeChunk(out, "IDAT", data, std::uint64_t{1} << 31); }, 4,
                "png: zlib stream exceeds the 2^31 - 1 byte chunk limit");
  EXPECT_EQ(out.size(), 16u);
}

}  // namespace
}  // namespace zd::codec
