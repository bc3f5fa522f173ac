// Encodes small images of every layout in every format and checks what can
// be checked without a peer: refusals are ImageErrors of the listed
// kinds; QOI decodes back to the pixels; PNM ends with the pixel bytes; BMP
// and TGA have their exact sizes; JPEG is framed by SOI and EOI with every
// 0xFF in its entropy data stuffed, and both kernels write the same bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codec/codec.hpp"
#include "codec/jpeg.hpp"
#include "require.hpp"

namespace {

using namespace zd::codec;

// The published QOI decoding rules, just enough to read our files back.
std::vector<std::uint8_t> decodeQoi(const std::vector<std::uint8_t> &file, std::size_t pixels,
                                    int channels) {
  std::vector<std::uint8_t> out;
  std::uint8_t seen[64][4] = {};
  std::uint8_t px[4] = {0, 0, 0, 255};
  std::size_t at = 14;
  const std::size_t end = file.size() - 8;
  int run = 0;
  for (std::size_t i = 0; i < pixels; ++i) {
    if (run > 0) {
      --run;
    } else {
      REQUIRE(at < end);
      const std::uint8_t tag = file[at++];
      if (tag == 0xFE || tag == 0xFF) {
        const int n = tag == 0xFE ? 3 : 4;
        REQUIRE(at + n <= end);
        for (int c = 0; c < n; ++c) px[c] = file[at++];
      } else if (tag < 0x40) {
        std::memcpy(px, seen[tag], 4);
      } else if (tag < 0x80) {
        px[0] = static_cast<std::uint8_t>(px[0] + ((tag >> 4) & 3) - 2);
        px[1] = static_cast<std::uint8_t>(px[1] + ((tag >> 2) & 3) - 2);
        px[2] = static_cast<std::uint8_t>(px[2] + (tag & 3) - 2);
      } else if (tag < 0xC0) {
        REQUIRE(at < end);
        const int dg = (tag & 0x3F) - 32;
        const std::uint8_t next = file[at++];
        px[0] = static_cast<std::uint8_t>(px[0] + dg + (next >> 4) - 8);
        px[1] = static_cast<std::uint8_t>(px[1] + dg);
        px[2] = static_cast<std::uint8_t>(px[2] + dg + (next & 0x0F) - 8);
      } else {
        run = tag & 0x3F;
      }
      std::memcpy(seen[(px[0] * 3 + px[1] * 5 + px[2] * 7 + px[3] * 11) % 64], px, 4);
    }
    out.insert(out.end(), px, px + channels);
  }
  REQUIRE(run == 0 && at == end);
  return out;
}

void checkJpeg(const Image &image, int quality, const std::vector<std::uint8_t> &file) {
  REQUIRE(file.size() > 4 && file[0] == 0xFF && file[1] == 0xD8);
  REQUIRE(file[file.size() - 2] == 0xFF && file[file.size() - 1] == 0xD9);
  // Skip the marker segments up to and including SOS.
  std::size_t at = 2;
  for (;;) {
    REQUIRE(at + 4 <= file.size() && file[at] == 0xFF);
    const std::uint8_t marker = file[at + 1];
    at += 2 + (static_cast<std::size_t>(file[at + 2]) << 8 | file[at + 3]);
    if (marker == 0xDA) break;
  }
  for (std::size_t i = at; i + 2 < file.size(); ++i) {
    if (file[i] == 0xFF) REQUIRE(file[++i] == 0x00);
  }
  // The file came from the fused kernel where the machine has it; the
  // portable one must write the same bytes.
  if (jpeg::fmaKernelAvailable()) {
    REQUIRE(jpeg::encodeJpegWith(image, quality, jpeg::Kernel::portable) == file);
  }
}

void checkFile(const Image &image, int format, int quality, const std::vector<std::uint8_t> &file) {
  const auto pixels = static_cast<std::size_t>(image.width * image.height);
  switch (format) {
    case fmtJpeg: checkJpeg(image, quality, file); break;
    case fmtBmp: {
      const std::size_t bpp = image.layout == csRgba ? 4 : 3;
      const std::size_t stride = (static_cast<std::size_t>(image.width) * bpp + 3) / 4 * 4;
      REQUIRE(file.size() == 54 + stride * static_cast<std::size_t>(image.height));
      break;
    }
    case fmtQoi:
      REQUIRE(decodeQoi(file, pixels, static_cast<int>(image.channels)) ==
              std::vector<std::uint8_t>(image.data.begin(), image.data.end()));
      break;
    case fmtPnm:
      REQUIRE(file.size() > image.data.size());
      REQUIRE(std::memcmp(file.data() + file.size() - image.data.size(), image.data.data(),
                          image.data.size()) == 0);
      break;
    case fmtTga: REQUIRE(file.size() == 18 + image.data.size()); break;
    default: break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  // Up to three 8x8 blocks a side: partial blocks at both edges and whole
  // ones between, at a fraction of the work of larger images.
  const int width = in.ConsumeIntegralInRange(1, 24);
  const int height = in.ConsumeIntegralInRange(1, 24);
  const auto layout = static_cast<ChannelLayout>(in.ConsumeIntegralInRange(0, 5));
  const int format = in.ConsumeIntegralInRange(1, 5);  // PNG has its own fuzzing
  const int quality = in.ConsumeIntegralInRange(-10, 110);
  Image image = newImage(width, height, layout);
  const std::vector<std::uint8_t> fill = in.ConsumeRemainingBytes<std::uint8_t>();
  for (std::size_t i = 0; i < image.data.size() && !fill.empty(); ++i) {
    image.data[i] = fill[i % fill.size()];
  }
  try {
    checkFile(image, format, quality, encodeImage(image, format, quality));
  } catch (const ImageError &e) {
    // Only layouts are refused at these sizes, always with kind 1.
    REQUIRE(e.kind() == 1);
    const bool refusable = format == fmtJpeg  ? layout > csRgb
                           : format == fmtQoi ? image.channels != 3 && image.channels != 4
                           : format == fmtBmp ? layout != csRgb && layout != csRgba
                                              : layout > csRgba;
    REQUIRE(refusable);
  }
  return 0;
}
