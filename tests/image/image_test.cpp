// The image record.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "image/image.hpp"

namespace zd::image {
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

}  // namespace
}  // namespace zd::image
