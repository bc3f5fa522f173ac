// Shared by the encoder tests: test images and independent decoders (stb_image,
// libjpeg, netpbm tools) to read our files back.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/image.hpp"

namespace zd_encoder_tests {

// Pixels decoded by a peer: rows top to bottom, `channels` bytes per pixel.
struct Decoded {
  bool ok = false;
  int width = 0;
  int height = 0;
  int channels = 0;
  std::vector<std::uint8_t> pixels;
  std::string error;
};

// An image whose bytes come from a small deterministic generator, so that
// every pixel, row and channel differs (row order and channel order show).
zd::image::Image noiseImage(std::int64_t width, std::int64_t height,
                            zd::image::ChannelLayout layout, std::uint32_t seed);

// A smooth image: gentle gradients and a soft circle, the kind of content a
// photographic encoder is meant for.
zd::image::Image smoothImage(std::int64_t width, std::int64_t height,
                             zd::image::ChannelLayout layout);

// stb_image reading a BMP, TGA or P5/P6 PNM from memory into `channels`.
Decoded decodeWithStb(const std::vector<std::uint8_t> &file, int channels);

// libjpeg reading a JPEG from memory (grey or RGB output as in the file).
Decoded decodeWithLibjpeg(const std::vector<std::uint8_t> &file);

// Writes `input` to a temporary file, runs `command < file`, returns stdout
// bytes; `exitStatus` receives the command's status.
std::vector<std::uint8_t> runTool(const std::string &command,
                                  const std::vector<std::uint8_t> &input, int &exitStatus);

// Peak signal-to-noise ratio in dB between two byte sequences of equal size.
double psnr(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b);

}  // namespace zd_encoder_tests
