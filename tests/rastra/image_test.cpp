// The image record, the format dispatch and the little-endian writers.
#include <gtest/gtest.h>

#include <cstdint>

#include "rastra/rastra.hpp"

namespace zd::rastra {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Image, NewImagesAreZeroedWithTheLayoutsChannelCount) {
  const Image rgba = newImage(2, 3, csRgba);
  EXPECT_EQ(rgba.width, 2);
  EXPECT_EQ(rgba.height, 3);
  EXPECT_EQ(rgba.channels, 4);
  EXPECT_EQ(rgba.layout, csRgba);
  EXPECT_EQ(rgba.data, Bytes(24, 0));
  const std::int64_t channels[] = {1, 3, 4, 4, 3, 1};
  for (int layout = 0; layout < 6; ++layout) {
    const Image image = newImage(5, 1, static_cast<ChannelLayout>(layout));
    EXPECT_EQ(image.channels, channels[layout]);
    EXPECT_EQ(image.data.size(), static_cast<std::size_t>(5 * channels[layout]));
  }
}

TEST(Image, NewImageRefusesImpossibleSizes) {
  EXPECT_THROW(newImage(INT64_MAX / 2, 3, csRgba), Defect);      // width x height overflows
  EXPECT_THROW(newImage(INT64_MAX / 4 + 1, 1, csRgba), Defect);  // x 4 channels overflows
  EXPECT_THROW(newImage(-2, 3, csRgba), Defect);                 // negative byte count
  EXPECT_THROW(newImage(1, 1, static_cast<ChannelLayout>(6)), Defect);
  EXPECT_EQ(newImage(0, 7, csRgba).data.size(), 0u);  // not validated here
}

TEST(Image, EncodeImageDispatchesByFormat) {
  const Image image = newImage(1, 1, csRgba);
  EXPECT_EQ(encodeImage(image, fmtPng, 90), encodePng(image));
  EXPECT_THROW(encodeImage(image, 6, 90), Error);
  EXPECT_THROW(encodeImage(image, -1, 90), Error);
}

TEST(Image, LittleEndianWriters) {
  Bytes buffer(6, 0xEE);
  putU16le(buffer, 0, 0xABCD1234);  // only the low 16 bits
  putU32le(buffer, 2, 0x1122334455667788);
  EXPECT_EQ(buffer, (Bytes{0x34, 0x12, 0x88, 0x77, 0x66, 0x55}));
  EXPECT_THROW(putU32le(buffer, 3, 0), Defect);
  EXPECT_THROW(putU16le(buffer, -1, 0), Defect);
  EXPECT_THROW(putU16le(buffer, INT64_MAX, 0), Defect);  // must not wrap around
  Bytes empty;
  EXPECT_THROW(putU16le(empty, 0, 0), Defect);
}

}  // namespace
}  // namespace zd::rastra
