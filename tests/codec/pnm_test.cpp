#include <gtest/gtest.h>

#include <string>

#include "encoder_test_support.hpp"
#include "codec/codec.hpp"

namespace {

using namespace zd::codec;
using zd_encoder_tests::decodeWithStb;
using zd_encoder_tests::noiseImage;
using zd_encoder_tests::runTool;

std::string textOf(const std::vector<std::uint8_t> &bytes, std::size_t count) {
  return std::string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
}

TEST(Pnm, HeadersFollowedByTheStoredBytes) {
  struct Case {
    ChannelLayout layout;
    std::string header;
  };
  const Case cases[] = {
      {csGray, "P5\n2 3\n255\n"},
      {csRgb, "P6\n2 3\n255\n"},
      {csRgba, "P7\nWIDTH 2\nHEIGHT 3\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n"},
  };
  for (const Case &c : cases) {
    const Image image = noiseImage(2, 3, c.layout, 3);
    const auto file = encodePnm(image);
    ASSERT_EQ(file.size(), c.header.size() + image.data.size());
    EXPECT_EQ(textOf(file, c.header.size()), c.header);
    EXPECT_TRUE(std::equal(image.data.begin(), image.data.end(), file.begin() + c.header.size()));
  }
  // Decimal sizes without padding or sign.
  const auto wide = encodePnm(newImage(1000, 10, csGray));
  EXPECT_EQ(textOf(wide, 14), "P5\n1000 10\n255");
}

TEST(Pnm, GreyAndRgbDecodeBack) {
  for (auto layout : {csGray, csRgb}) {
    const Image image = noiseImage(9, 4, layout, 17);
    const auto decoded =
        decodeWithStb(encodeImage(image, fmtPnm, 0), static_cast<int>(image.channels));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.width, 9);
    EXPECT_EQ(decoded.height, 4);
    EXPECT_EQ(decoded.pixels, image.data);
  }
}

TEST(Pnm, RgbaIsAPamThatNetpbmReads) {
  const Image image = noiseImage(5, 3, csRgba, 23);
  int status = -1;
  // pamtopam parses the header and writes the raster back after its own.
  const auto copy = runTool("pamtopam", encodePnm(image), status);
  if (status != 0) GTEST_SKIP() << "netpbm's pamtopam is not available";
  const std::string ending = "ENDHDR\n";
  const std::string text(copy.begin(), copy.end());
  const std::size_t headerEnd = text.find(ending);
  ASSERT_NE(headerEnd, std::string::npos);
  const std::string header = text.substr(0, headerEnd);
  EXPECT_NE(header.find("WIDTH 5"), std::string::npos);
  EXPECT_NE(header.find("HEIGHT 3"), std::string::npos);
  EXPECT_NE(header.find("DEPTH 4"), std::string::npos);
  EXPECT_NE(header.find("TUPLTYPE RGB_ALPHA"), std::string::npos);
  EXPECT_EQ(std::vector<std::uint8_t>(
                copy.begin() + static_cast<std::ptrdiff_t>(headerEnd + ending.size()), copy.end()),
            image.data);
}

TEST(Pnm, RefusesOtherLayouts) {
  for (auto layout : {csLayout3, csLayout4, csLayout5}) {
    try {
      encodePnm(newImage(1, 1, layout));
      ADD_FAILURE() << "layout " << int(layout) << " accepted";
    } catch (const ImageError &e) {
      EXPECT_EQ(e.kind(), 1);
      EXPECT_STREQ(e.what(), "pnm: encode needs csRgb, csGray, or csRgba");
    }
  }
}

}  // namespace
