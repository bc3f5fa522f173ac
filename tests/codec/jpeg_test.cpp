#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "encoder_test_support.hpp"
#include "codec/jpeg.hpp"
#include "codec/codec.hpp"

#ifdef ZD_HAVE_LIBJPEG
#include <cstdio>

#include <jpeglib.h>
#endif

namespace {

using namespace zd::codec;
namespace jpeg = zd::codec::jpeg;
using zd_encoder_tests::decodeWithLibjpeg;
using zd_encoder_tests::noiseImage;
using zd_encoder_tests::psnr;
using zd_encoder_tests::smoothImage;

struct Segment {
  std::uint8_t marker;
  std::vector<std::uint8_t> payload;  // after the length field
  std::uint16_t length;
};

// The file split into its marker segments up to SOS, and the entropy-coded
// data between SOS and the final EOI.
struct JpegLayout {
  std::vector<Segment> segments;
  std::vector<std::uint8_t> entropy;
  bool endsWithEoi = false;
};

JpegLayout splitJpeg(const std::vector<std::uint8_t> &file) {
  JpegLayout layout;
  EXPECT_GE(file.size(), 4u);
  EXPECT_EQ(file[0], 0xFF);
  EXPECT_EQ(file[1], 0xD8);
  std::size_t at = 2;
  while (at + 4 <= file.size()) {
    EXPECT_EQ(file[at], 0xFF);
    Segment segment;
    segment.marker = file[at + 1];
    segment.length = static_cast<std::uint16_t>(file[at + 2] << 8 | file[at + 3]);
    const std::size_t end = at + 2 + segment.length;
    if (end > file.size()) {
      ADD_FAILURE() << "segment runs past the file";
      return layout;
    }
    segment.payload.assign(file.begin() + static_cast<std::ptrdiff_t>(at + 4),
                           file.begin() + static_cast<std::ptrdiff_t>(end));
    layout.segments.push_back(segment);
    at = end;
    if (segment.marker == 0xDA) break;
  }
  if (file.size() >= at + 2) {
    layout.endsWithEoi = file[file.size() - 2] == 0xFF && file[file.size() - 1] == 0xD9;
    layout.entropy.assign(file.begin() + static_cast<std::ptrdiff_t>(at), file.end() - 2);
  }
  return layout;
}

const Segment *find(const JpegLayout &layout, std::uint8_t marker) {
  for (const Segment &s : layout.segments) {
    if (s.marker == marker) return &s;
  }
  return nullptr;
}

// "0101..." as entropy-coded bytes: padded with 1 bits, 0xFF stuffed.
std::vector<std::uint8_t> bitsToBytes(std::string bits) {
  while (bits.size() % 8 != 0) bits += '1';
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < bits.size(); i += 8) {
    const auto byte = static_cast<std::uint8_t>(std::stoi(bits.substr(i, 8), nullptr, 2));
    bytes.push_back(byte);
    if (byte == 0xFF) bytes.push_back(0);
  }
  return bytes;
}

Image greyImage(std::int64_t width, std::int64_t height, std::vector<std::uint8_t> pixels) {
  Image image = newImage(width, height, csGray);
  image.data.assign(pixels.begin(), pixels.end());
  return image;
}

TEST(Jpeg, QuantizationTablesScaleWithQuality) {
  // Quality below 2 counts as 1 (S = 5000: every entry 255), 50 gives the
  // base tables, 100 and above tables of ones, 90 gives S = 20.
  for (int q : {-5, 0, 1}) {
    for (std::uint8_t entry : jpeg::scaleQt(jpeg::kLuminanceBase, q)) EXPECT_EQ(entry, 255);
    for (std::uint8_t entry : jpeg::scaleQt(jpeg::kChrominanceBase, q)) EXPECT_EQ(entry, 255);
  }
  const auto base = jpeg::scaleQt(jpeg::kLuminanceBase, 50);
  EXPECT_TRUE(std::equal(base.begin(), base.end(), jpeg::kLuminanceBase));
  for (int q : {100, 101, 1000}) {
    for (std::uint8_t entry : jpeg::scaleQt(jpeg::kLuminanceBase, q)) EXPECT_EQ(entry, 1);
  }
  const auto q90 = jpeg::scaleQt(jpeg::kLuminanceBase, 90);
  EXPECT_EQ(q90[0], 3);    // (16 × 20 + 50) div 100
  EXPECT_EQ(q90[63], 20);  // (99 × 20 + 50) div 100
}

#ifdef ZD_HAVE_LIBJPEG
// libjpeg scales the same example tables by the same rule; its tables are a
// peer for ours at every quality.
TEST(Jpeg, TablesMatchLibjpegAtEveryQuality) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  info.in_color_space = JCS_RGB;
  info.input_components = 3;
  jpeg_set_defaults(&info);
  for (int quality = -3; quality <= 103; ++quality) {
    jpeg_set_quality(&info, quality, TRUE);
    const auto luminance = jpeg::scaleQt(jpeg::kLuminanceBase, quality);
    const auto chrominance = jpeg::scaleQt(jpeg::kChrominanceBase, quality);
    for (int i = 0; i < 64; ++i) {
      ASSERT_EQ(luminance[i], info.quant_tbl_ptrs[0]->quantval[i]) << "quality " << quality;
      ASSERT_EQ(chrominance[i], info.quant_tbl_ptrs[1]->quantval[i]) << "quality " << quality;
    }
  }
  const JHUFF_TBL *peers[4] = {info.dc_huff_tbl_ptrs[0], info.ac_huff_tbl_ptrs[0],
                               info.dc_huff_tbl_ptrs[1], info.ac_huff_tbl_ptrs[1]};
  const jpeg::HuffmanSpec *ours[4] = {&jpeg::kLuminanceDc, &jpeg::kLuminanceAc,
                                      &jpeg::kChrominanceDc, &jpeg::kChrominanceAc};
  for (int t = 0; t < 4; ++t) {
    for (int length = 1; length <= 16; ++length) {
      EXPECT_EQ(ours[t]->counts[length - 1], peers[t]->bits[length]) << "table " << t;
    }
    for (std::size_t i = 0; i < ours[t]->symbolCount; ++i) {
      EXPECT_EQ(ours[t]->symbols[i], peers[t]->huffval[i]) << "table " << t << " symbol " << i;
    }
  }
  jpeg_destroy_compress(&info);
}
#endif

TEST(Jpeg, CanonicalHuffmanCodes) {
  const jpeg::HuffmanCodes dc = jpeg::buildHuffEnc(jpeg::kLuminanceDc);
  // One 2-bit code, five 3-bit codes, then one code per length up to 9.
  const std::pair<int, int> expected[12] = {
      {0b00, 2},   {0b010, 3},   {0b011, 3},    {0b100, 3},     {0b101, 3},      {0b110, 3},
      {0b1110, 4}, {0b11110, 5}, {0b111110, 6}, {0b1111110, 7}, {0b11111110, 8}, {0b111111110, 9}};
  for (int s = 0; s < 12; ++s) {
    EXPECT_EQ(dc.code[s], expected[s].first) << s;
    EXPECT_EQ(dc.length[s], expected[s].second) << s;
  }
  const jpeg::HuffmanCodes ac = jpeg::buildHuffEnc(jpeg::kLuminanceAc);
  EXPECT_EQ(ac.length[0x00], 4);  // end of block: 1010
  EXPECT_EQ(ac.code[0x00], 0b1010);
  EXPECT_EQ(ac.length[0xF0], 11);  // sixteen zeros: 11111111001
  EXPECT_EQ(ac.code[0xF0], 0b11111111001);
  EXPECT_EQ(ac.length[0xFA], 16);
  EXPECT_EQ(ac.code[0xFA], 0xFFFE);
  EXPECT_EQ(ac.length[0x0B], 0);  // sizes above 10 have no AC code

  // A table that lists more codes of a length than there is room for is refused.
  const std::uint8_t symbols[3] = {1, 2, 3};
  const jpeg::HuffmanSpec tooMany = {{3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, symbols, 3};
  EXPECT_THROW(jpeg::buildHuffEnc(tooMany), zd::Defect);
}

TEST(Jpeg, CosineTableAndTransform) {
  const jpeg::CosineTable &cos = jpeg::cosineTable();
  for (int n = 0; n < 8; ++n) {
    for (int k = 0; k < 8; ++k) {
      EXPECT_NEAR(cos[n][k], std::cos((2 * n + 1) * k * M_PI / 16), 2e-6) << n << "," << k;
    }
  }
  // Against a double-precision DCT of a varied block.
  float block[64];
  for (int i = 0; i < 64; ++i) block[i] = static_cast<float>((i * 37) % 255) - 128.0f;
  float coefficients[64];
  jpeg::fdct(block, coefficients);
  for (int u = 0; u < 8; ++u) {
    for (int v = 0; v < 8; ++v) {
      double sum = 0;
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
          sum += block[y * 8 + x] * std::cos((2 * x + 1) * v * M_PI / 16) *
                 std::cos((2 * y + 1) * u * M_PI / 16);
        }
      }
      const double scale = 0.25 * (u == 0 ? M_SQRT1_2 : 1.0) * (v == 0 ? M_SQRT1_2 : 1.0);
      EXPECT_NEAR(coefficients[u * 8 + v], sum * scale, 2e-3) << u << "," << v;
    }
  }
}

// The lanes must give what a scalar evaluation gives term by term: the two
// passes in their stated order, compared bit for bit.
TEST(Jpeg, TransformKeepsTheSummationOrder) {
  const jpeg::CosineTable &cos = jpeg::cosineTable();
  const float c[8] = {0.70710677f, 1, 1, 1, 1, 1, 1, 1};
  std::uint32_t state = 99;
  for (int trial = 0; trial < 50; ++trial) {
    float block[64];
    for (float &sample : block) {
      state = state * 1103515245u + 12345u;
      sample = static_cast<float>((state >> 16) % 256) - 128.0f;
    }
    float rows[8][8];
    for (int y = 0; y < 8; ++y) {
      for (int v = 0; v < 8; ++v) {
        float sum = 0.0f;
        for (int x = 0; x < 8; ++x) sum = sum + block[y * 8 + x] * cos[x][v];
        rows[y][v] = sum * c[v];
      }
    }
    float coefficients[64];
    jpeg::fdct(block, coefficients);
    for (int u = 0; u < 8; ++u) {
      for (int v = 0; v < 8; ++v) {
        float sum = 0.0f;
        for (int y = 0; y < 8; ++y) sum = sum + rows[y][v] * cos[y][u];
        ASSERT_EQ(coefficients[u * 8 + v], sum * (c[u] * 0.25f)) << u << "," << v;
      }
    }
  }
}

TEST(Jpeg, SegmentsOfAGreyFile) {
  const auto file = encodeJpeg(greyImage(1, 1, {128}), 50);
  const JpegLayout layout = splitJpeg(file);
  ASSERT_EQ(layout.segments.size(), 5u);
  const std::uint8_t markers[5] = {0xE0, 0xDB, 0xC0, 0xC4, 0xDA};
  const std::uint16_t lengths[5] = {16, 67, 11, 210, 8};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(layout.segments[i].marker, markers[i]);
    EXPECT_EQ(layout.segments[i].length, lengths[i]);
  }
  EXPECT_EQ(layout.segments[0].payload,
            (std::vector<std::uint8_t>{'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0}));
  const auto &dqt = layout.segments[1].payload;
  EXPECT_EQ(dqt[0], 0);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(dqt[1 + i], jpeg::kLuminanceBase[jpeg::kZigZag[i]]);
  EXPECT_EQ(layout.segments[2].payload, (std::vector<std::uint8_t>{8, 0, 1, 0, 1, 1, 1, 0x11, 0}));
  const auto &dht = layout.segments[3].payload;
  EXPECT_EQ(dht[0], 0x00);
  EXPECT_EQ(dht[29], 0x10);  // the AC table follows the 1 + 16 + 12 bytes of DC 0
  EXPECT_EQ(layout.segments[4].payload, (std::vector<std::uint8_t>{1, 1, 0x00, 0, 63, 0}));
  // DC difference 0 (code 00) and end of block (1010), padded with ones.
  EXPECT_EQ(layout.entropy, (std::vector<std::uint8_t>{0x2B}));
  EXPECT_TRUE(layout.endsWithEoi);
}

TEST(Jpeg, SegmentsOfAColourFile) {
  Image image = newImage(3, 2, csRgb);
  const auto file = encodeImage(image, fmtJpeg, 90);
  const JpegLayout layout = splitJpeg(file);
  ASSERT_EQ(layout.segments.size(), 5u);
  const std::uint16_t lengths[5] = {16, 132, 17, 418, 12};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(layout.segments[i].length, lengths[i]);
  const auto &dqt = find(layout, 0xDB)->payload;
  EXPECT_EQ(dqt[0], 0);
  EXPECT_EQ(dqt[65], 1);
  EXPECT_EQ(dqt[1], 3);  // luminance 16 at quality 90
  const auto chrominance = jpeg::scaleQt(jpeg::kChrominanceBase, 90);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(dqt[66 + i], chrominance[jpeg::kZigZag[i]]);
  EXPECT_EQ(find(layout, 0xC0)->payload,
            (std::vector<std::uint8_t>{8, 0, 2, 0, 3, 3, 1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1}));
  const auto &dht = find(layout, 0xC4)->payload;
  EXPECT_EQ(dht[0], 0x00);
  EXPECT_EQ(dht[29], 0x01);
  EXPECT_EQ(dht[58], 0x10);
  EXPECT_EQ(dht[58 + 179], 0x11);
  EXPECT_EQ(find(layout, 0xDA)->payload,
            (std::vector<std::uint8_t>{3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0}));
}

TEST(Jpeg, KnownBlockCodes) {
  // 200 - 128 = 72 everywhere: F(0,0) = 576, quantized by 16 to 36 (size 6,
  // code 1110, bits 100100), then end of block.
  EXPECT_EQ(splitJpeg(encodeJpeg(greyImage(1, 1, {200}), 50)).entropy, bitsToBytes("1110"
                                                                                   "100100"
                                                                                   "1010"));
  // -36: the low six bits of -37.
  EXPECT_EQ(splitJpeg(encodeJpeg(greyImage(1, 1, {56}), 50)).entropy, bitsToBytes("1110"
                                                                                  "011011"
                                                                                  "1010"));
  // Two blocks: DC 36 then -36, a difference of -72 (size 7, code 11110,
  // low seven bits of -73).
  std::vector<std::uint8_t> pixels(16 * 8);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) pixels[y * 16 + x] = x < 8 ? 200 : 56;
  }
  EXPECT_EQ(splitJpeg(encodeJpeg(greyImage(16, 8, pixels), 50)).entropy, bitsToBytes("1110"
                                                                                     "100100"
                                                                                     "1010"
                                                                                     "11110"
                                                                                     "0110111"
                                                                                     "1010"));
}

TEST(Jpeg, EdgeBlocksRepeatTheLastColumnAndRow) {
  // A 9 × 10 image codes exactly as the 16 × 16 image that repeats its last
  // column and row; only the frame header differs.
  const Image small = noiseImage(9, 10, csRgb, 7);
  Image padded = newImage(16, 16, csRgb);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      for (int c = 0; c < 3; ++c) {
        padded.data[(y * 16 + x) * 3 + c] =
            small.data[(std::min(y, 9) * 9 + std::min(x, 8)) * 3 + c];
      }
    }
  }
  EXPECT_EQ(splitJpeg(encodeJpeg(small, 75)).entropy, splitJpeg(encodeJpeg(padded, 75)).entropy);
}

TEST(Jpeg, EveryFfInTheEntropyDataIsStuffed) {
  const JpegLayout layout = splitJpeg(encodeJpeg(noiseImage(64, 64, csRgb, 3), 100));
  int stuffed = 0;
  for (std::size_t i = 0; i < layout.entropy.size(); ++i) {
    if (layout.entropy[i] == 0xFF) {
      ASSERT_LT(i + 1, layout.entropy.size());
      EXPECT_EQ(layout.entropy[i + 1], 0x00) << "at " << i;
      ++stuffed;
      ++i;
    }
  }
  EXPECT_GT(stuffed, 0);  // noise at quality 100 makes plenty of 0xFF bytes
  EXPECT_TRUE(layout.endsWithEoi);
}

TEST(Jpeg, QualitiesBelowOneGiveTheSameFile) {
  const Image image = smoothImage(20, 12, csRgb);
  const auto one = encodeJpeg(image, 1);
  EXPECT_EQ(encodeJpeg(image, 0), one);
  EXPECT_EQ(encodeJpeg(image, -5), one);
  EXPECT_EQ(encodeJpeg(image, 100), encodeJpeg(image, 250));
  EXPECT_NE(encodeJpeg(image, 2), one);
}

TEST(Jpeg, BothKernelsWriteTheSameBytes) {
  if (!jpeg::fmaKernelAvailable()) GTEST_SKIP() << "no AVX2/FMA on this processor";
  const Image images[] = {noiseImage(67, 35, csRgb, 11), smoothImage(100, 41, csRgb),
                          noiseImage(30, 30, csGray, 12), smoothImage(17, 9, csGray)};
  for (const Image &image : images) {
    for (int quality : {1, 50, 90, 100}) {
      EXPECT_EQ(jpeg::encodeJpegWith(image, quality, jpeg::Kernel::portable),
                jpeg::encodeJpegWith(image, quality, jpeg::Kernel::fma))
          << image.width << "x" << image.height << " q" << quality;
    }
  }
}

TEST(Jpeg, DimensionsAndLayouts) {
  const auto wide = encodeJpeg(newImage(65535, 1, csGray), 50);
  const JpegLayout wideLayout = splitJpeg(wide);
  const Segment *sof = find(wideLayout, 0xC0);
  ASSERT_NE(sof, nullptr);
  EXPECT_EQ(sof->payload[3], 0xFF);
  EXPECT_EQ(sof->payload[4], 0xFF);
  for (auto [w, h] : {std::pair{65536, 1}, {1, 65536}, {0, 1}, {1, 0}}) {
    Image record;  // refused before any pixel is read
    record.width = w;
    record.height = h;
    record.layout = csGray;
    record.channels = 1;
    try {
      encodeJpeg(record, 90);
      ADD_FAILURE() << w << "x" << h << " accepted";
    } catch (const ImageError &e) {
      EXPECT_EQ(e.kind(), 3);
      EXPECT_STREQ(e.what(), "jpeg: bad dimensions");
    }
  }
  for (auto layout : {csRgba, csLayout3, csLayout4, csLayout5}) {
    try {
      encodeJpeg(newImage(1, 1, layout), 90);
      ADD_FAILURE() << "layout " << int(layout) << " accepted";
    } catch (const ImageError &e) {
      EXPECT_EQ(e.kind(), 1);
      EXPECT_STREQ(e.what(), "jpeg: encode needs csGray or csRgb");
    }
  }
}

#ifdef ZD_HAVE_LIBJPEG
TEST(Jpeg, LibjpegDecodesCloseToTheSource) {
  // Smooth content at quality 90 stays above 35 dB; quality 100 above 45 dB.
  struct Case {
    ChannelLayout layout;
    int quality;
    double minimumDb;
  };
  for (const Case c :
       {Case{csRgb, 90, 35}, Case{csGray, 90, 35}, Case{csRgb, 100, 45}, Case{csRgb, 50, 30}}) {
    const Image image = smoothImage(131, 77, c.layout);
    const auto decoded = decodeWithLibjpeg(encodeJpeg(image, c.quality));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.width, 131);
    EXPECT_EQ(decoded.height, 77);
    ASSERT_EQ(decoded.channels, image.channels);
    const double db = psnr(decoded.pixels, image.data);
    EXPECT_GE(db, c.minimumDb) << "layout " << int(c.layout) << " quality " << c.quality;
    RecordProperty("psnr_q" + std::to_string(c.quality) + "_layout" + std::to_string(c.layout),
                   std::to_string(db));
  }
  // Noise at the lowest quality still decodes (largest coefficients).
  const auto noisy = decodeWithLibjpeg(encodeJpeg(noiseImage(40, 24, csRgb, 8), 1));
  ASSERT_TRUE(noisy.ok) << noisy.error;
  EXPECT_EQ(noisy.width, 40);
}
#endif

}  // namespace
