#include <gtest/gtest.h>

#include "encoder_test_support.hpp"
#include "codec/codec.hpp"

namespace {

using namespace zd::codec;
using zd_encoder_tests::decodeWithStb;
using zd_encoder_tests::noiseImage;

TEST(Tga, HeaderForEachLayout) {
  struct Case {
    ChannelLayout layout;
    std::uint8_t type;
    std::uint8_t depth;
  };
  for (const Case c : {Case{csGray, 3, 8}, Case{csRgb, 2, 24}, Case{csRgba, 2, 32}}) {
    const Image image = noiseImage(300, 2, c.layout, 5);
    const auto file = encodeTga(image);
    const std::vector<std::uint8_t> header(file.begin(), file.begin() + 18);
    const std::vector<std::uint8_t> expected = {0, 0, c.type,     0,        0, 0, 0,       0, 0, 0,
                                                0, 0, 300 & 0xFF, 300 >> 8, 2, 0, c.depth, 0};
    EXPECT_EQ(header, expected);
    EXPECT_EQ(file.size(), 18 + image.data.size());  // no footer
  }
}

TEST(Tga, BottomRowFirstWithColourAsBgr) {
  Image image = newImage(2, 2, csRgba);
  image.data = {1, 2,  3,  4,  5,  6,  7,  8,  // top row
                9, 10, 11, 12, 13, 14, 15, 16};
  const auto file = encodeTga(image);
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 18, file.end()),
            (std::vector<std::uint8_t>{11, 10, 9, 12, 15, 14, 13, 16, 3, 2, 1, 4, 7, 6, 5, 8}));
  Image grey = newImage(3, 2, csGray);
  grey.data = {1, 2, 3, 4, 5, 6};
  const auto greyFile = encodeTga(grey);
  EXPECT_EQ(std::vector<std::uint8_t>(greyFile.begin() + 18, greyFile.end()),
            (std::vector<std::uint8_t>{4, 5, 6, 1, 2, 3}));
}

TEST(Tga, DecodesBackToTheImage) {
  for (auto layout : {csGray, csRgb, csRgba}) {
    const Image image = noiseImage(11, 7, layout, 9);
    const auto decoded =
        decodeWithStb(encodeImage(image, fmtTga, 0), static_cast<int>(image.channels));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.width, 11);
    EXPECT_EQ(decoded.height, 7);
    EXPECT_EQ(decoded.pixels, image.data) << "layout " << int(layout);
  }
}

TEST(Tga, SixteenBitDimensionLimit) {
  const auto wide = encodeTga(newImage(65535, 1, csGray));
  EXPECT_EQ(wide[12], 0xFF);
  EXPECT_EQ(wide[13], 0xFF);
  for (auto [w, h] : {std::pair{65536, 1}, {1, 65536}}) {
    try {
      encodeTga(newImage(w, h, csGray));
      ADD_FAILURE() << w << "x" << h << " accepted";
    } catch (const ImageError &e) {
      EXPECT_EQ(e.kind(), 3);
      EXPECT_STREQ(e.what(), "tga: dimensions exceed the 16-bit header fields");
    }
  }
}

TEST(Tga, RefusesOtherLayoutsAndBrokenRecords) {
  for (auto layout : {csLayout3, csLayout4, csLayout5}) {
    try {
      encodeTga(newImage(1, 1, layout));
      ADD_FAILURE() << "layout " << int(layout) << " accepted";
    } catch (const ImageError &e) {
      EXPECT_EQ(e.kind(), 1);
      EXPECT_STREQ(e.what(), "tga: encode needs csRgb, csRgba, or csGray");
    }
  }
  Image image = newImage(3, 3, csRgb);
  image.channels = 4;
  EXPECT_THROW(encodeTga(image), zd::Defect);
}

}  // namespace
