#include <gtest/gtest.h>

#include <cstring>

#include "encoder_test_support.hpp"
#include "codec/codec.hpp"

namespace {

using namespace zd::codec;
using zd_encoder_tests::noiseImage;
using zd_encoder_tests::smoothImage;

// A decoder written from the published format, kept apart from the encoder:
// it returns false on any malformed stream.
struct QoiDecoded {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int channels = 0;
  std::vector<std::uint8_t> pixels;  // `channels` bytes per pixel
};

bool decodeQoi(const std::vector<std::uint8_t> &file, QoiDecoded &out) {
  static const std::uint8_t kEnd[8] = {0, 0, 0, 0, 0, 0, 0, 1};
  if (file.size() < 22 || std::memcmp(file.data(), "qoif", 4) != 0) return false;
  auto be32 = [&](std::size_t at) {
    return std::uint32_t{file[at]} << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3];
  };
  out.width = be32(4);
  out.height = be32(8);
  out.channels = file[12];
  if ((out.channels != 3 && out.channels != 4) || file[13] > 1) return false;
  const std::size_t pixelCount = std::size_t{out.width} * out.height;
  std::uint8_t seen[64][4] = {};
  std::uint8_t px[4] = {0, 0, 0, 255};
  const std::size_t end = file.size() - 8;
  if (std::memcmp(file.data() + end, kEnd, 8) != 0) return false;
  std::size_t at = 14;
  int run = 0;
  for (std::size_t i = 0; i < pixelCount; ++i) {
    if (run > 0) {
      --run;
    } else {
      if (at >= end) return false;
      const std::uint8_t tag = file[at++];
      if (tag == 0xFE || tag == 0xFF) {
        const int count = tag == 0xFE ? 3 : 4;
        if (at + count > end) return false;
        for (int c = 0; c < count; ++c) px[c] = file[at++];
      } else if ((tag & 0xC0) == 0x00) {
        std::memcpy(px, seen[tag], 4);
      } else if ((tag & 0xC0) == 0x40) {
        px[0] = static_cast<std::uint8_t>(px[0] + ((tag >> 4) & 3) - 2);
        px[1] = static_cast<std::uint8_t>(px[1] + ((tag >> 2) & 3) - 2);
        px[2] = static_cast<std::uint8_t>(px[2] + (tag & 3) - 2);
      } else if ((tag & 0xC0) == 0x80) {
        if (at >= end) return false;
        const int dg = (tag & 0x3F) - 32;
        const std::uint8_t second = file[at++];
        px[0] = static_cast<std::uint8_t>(px[0] + dg + ((second >> 4) & 0x0F) - 8);
        px[1] = static_cast<std::uint8_t>(px[1] + dg);
        px[2] = static_cast<std::uint8_t>(px[2] + dg + (second & 0x0F) - 8);
      } else {
        run = tag & 0x3F;  // this pixel plus `run` more
      }
      std::memcpy(seen[(px[0] * 3 + px[1] * 5 + px[2] * 7 + px[3] * 11) % 64], px, 4);
    }
    out.pixels.insert(out.pixels.end(), px, px + out.channels);
  }
  return run == 0 && at == end;
}

TEST(Qoi, TwoZeroPixelsAreTwentyFourBytes) {
  const std::vector<std::uint8_t> expected = {'q', 'o', 'i',  'f',  0, 0, 0, 2, 0, 0, 0, 1,
                                              4,   0,   0x00, 0xC0, 0, 0, 0, 0, 0, 0, 0, 1};
  EXPECT_EQ(encodeQoi(newImage(2, 1, csRgba)), expected);
  EXPECT_EQ(encodeImage(newImage(2, 1, csRgba), fmtQoi, 0), expected);
}

TEST(Qoi, RunsAreCutAtSixtyTwo) {
  // Opaque black equals the starting previous pixel: 62 of them make one
  // run chunk 0xFD, and the 63rd starts a new run.
  Image image = newImage(63, 1, csRgb);
  auto file = encodeQoi(image);
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 14, file.end() - 8),
            (std::vector<std::uint8_t>{0xFD, 0xC0}));
  image = newImage(62, 1, csRgb);
  file = encodeQoi(image);
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 14, file.end() - 8),
            (std::vector<std::uint8_t>{0xFD}));
}

TEST(Qoi, EachChunkKind) {
  Image image = newImage(7, 1, csRgba);
  image.data = {
      10, 20, 30, 255,  // differs a lot from (0,0,0,255): full RGB
      11, 19, 30, 255,  // small differences +1, -1, 0
      21, 28, 38, 255,  // dg = 9, dr - dg = 1, db - dg = -1: luma
      21, 28, 38, 100,  // alpha changes: full RGBA
      10, 20, 30, 255,  // seen before: index
      9,  20, 30, 255,  // dr = -1 (a new colour, not in the table)
      8,  19, 29, 255,  // -1, -1, -1
  };
  const auto file = encodeQoi(image);
  const int index1 = (10 * 3 + 20 * 5 + 30 * 7 + 255 * 11) % 64;
  // clang-format off
  const std::vector<std::uint8_t> expected = {
      0xFE, 10, 20, 30,
      0x40 | 3 << 4 | 1 << 2 | 2,
      0x80 | (9 + 32), (1 + 8) << 4 | (-1 + 8),
      0xFF, 21, 28, 38, 100,
      static_cast<std::uint8_t>(index1),
      0x40 | 1 << 4 | 2 << 2 | 2,
      0x40 | 1 << 4 | 1 << 2 | 1,
  };
  // clang-format on
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 14, file.end() - 8), expected);
}

TEST(Qoi, DifferencesWrapAroundLikeSignedBytes) {
  Image image = newImage(2, 1, csRgb);
  image.data = {255, 0, 1, 0, 254, 0};
  // First pixel: 255 - 0 = -1, 0, +1 from (0, 0, 0); second: +1, -2, -1.
  const auto file = encodeQoi(image);
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 14, file.end() - 8),
            (std::vector<std::uint8_t>{0x40 | 1 << 4 | 2 << 2 | 3, 0x40 | 3 << 4 | 0 << 2 | 1}));
}

TEST(Qoi, HeaderIsBigEndianWithTheChannelCount) {
  const auto file = encodeQoi(noiseImage(258, 3, csRgb, 4));
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin(), file.begin() + 14),
            (std::vector<std::uint8_t>{'q', 'o', 'i', 'f', 0, 0, 1, 2, 0, 0, 0, 3, 3, 0}));
}

TEST(Qoi, DimensionsBeyondTheHeaderAreRefused) {
  // Cutting 2^32 to its low 32 bits would write a width of 0: refused before
  // any pixel is read. 2^32 - 1 passes that test (the record without pixel
  // bytes is then refused as a broken record).
  Image record;
  record.layout = csRgb;
  record.channels = 3;
  record.width = std::int64_t{1} << 32;
  record.height = 1;
  try {
    encodeQoi(record);
    ADD_FAILURE() << "width 2^32 accepted";
  } catch (const ImageError &e) {
    EXPECT_EQ(e.kind(), 3);
    EXPECT_STREQ(e.what(), "qoi: dimensions exceed the 32-bit header fields");
  }
  std::swap(record.width, record.height);
  EXPECT_THROW(encodeQoi(record), ImageError);
  record.height = 0xFFFFFFFFll;
  record.width = 1;
  EXPECT_THROW(encodeQoi(record), zd::Defect);
}

TEST(Qoi, DecodesBackToTheImage) {
  const Image images[] = {
      noiseImage(37, 11, csRgb, 1), noiseImage(37, 11, csRgba, 2), smoothImage(120, 90, csRgb),
      smoothImage(120, 90, csRgba), newImage(500, 3, csRgba),  // long runs
  };
  for (const Image &image : images) {
    QoiDecoded decoded;
    const auto file = encodeQoi(image);
    ASSERT_TRUE(decodeQoi(file, decoded));
    EXPECT_EQ(decoded.width, image.width);
    EXPECT_EQ(decoded.height, image.height);
    EXPECT_EQ(decoded.channels, image.channels);
    EXPECT_EQ(decoded.pixels, image.data);
  }
  // Alpha that varies pixel to pixel: every chunk carries a full RGBA value.
  Image alpha = newImage(64, 4, csRgba);
  for (std::size_t i = 0; i < alpha.data.size(); ++i)
    alpha.data[i] = static_cast<std::uint8_t>(i * 7);
  QoiDecoded decoded;
  ASSERT_TRUE(decodeQoi(encodeQoi(alpha), decoded));
  EXPECT_EQ(decoded.pixels, alpha.data);
}

TEST(Qoi, TheTestIsOnTheChannelCount) {
  for (auto layout : {csGray, csLayout3, csLayout5}) {
    if (ChannelCount[layout] == 4) continue;  // layout 3 has 4 channels
    try {
      encodeQoi(newImage(1, 1, layout));
      ADD_FAILURE() << "layout " << int(layout) << " accepted";
    } catch (const ImageError &e) {
      EXPECT_EQ(e.kind(), 1);
      EXPECT_STREQ(e.what(), "qoi: encode needs csRgb or csRgba");
    }
  }
  // The further layouts with three or four channels pass.
  EXPECT_EQ(encodeQoi(newImage(1, 1, csLayout4))[12], 3);
  EXPECT_EQ(encodeQoi(newImage(1, 1, csLayout3))[12], 4);
}

}  // namespace
