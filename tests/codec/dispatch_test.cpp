// The format dispatch and the little-endian writers of the header encoders.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "codec/codec.hpp"

namespace zd::codec {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Codec, EncodeImageDispatchesByFormat) {
  const Image image = newImage(1, 1, csRgba);
  EXPECT_EQ(encodeImage(image, fmtPng, 90), encodePng(image));
  EXPECT_THROW(encodeImage(image, 6, 90), Error);
  EXPECT_THROW(encodeImage(image, -1, 90), Error);
}

TEST(Codec, LittleEndianWriters) {
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
}  // namespace zd::codec
