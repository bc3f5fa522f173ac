#include "encoder_test_support.hpp"

#include <unistd.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_ONLY_PNM
#define STBI_ONLY_JPEG
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

#ifdef ZD_HAVE_LIBJPEG
#include <jpeglib.h>
#endif

namespace zd_encoder_tests {

using zd::image::ChannelLayout;
using zd::image::Image;

Image noiseImage(std::int64_t width, std::int64_t height, ChannelLayout layout,
                 std::uint32_t seed) {
  Image image = zd::image::newImage(width, height, layout);
  std::uint32_t state = seed * 2654435761u + 12345u;
  for (auto &byte : image.data) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<std::uint8_t>(state >> 11);
  }
  return image;
}

Image smoothImage(std::int64_t width, std::int64_t height, ChannelLayout layout) {
  Image image = zd::image::newImage(width, height, layout);
  const auto channels = image.channels;
  for (std::int64_t y = 0; y < height; ++y) {
    for (std::int64_t x = 0; x < width; ++x) {
      const double u = static_cast<double>(x) / static_cast<double>(width);
      const double v = static_cast<double>(y) / static_cast<double>(height);
      const double dx = u - 0.5;
      const double dy = v - 0.5;
      const double ring = 0.5 + 0.5 * std::cos(std::sqrt(dx * dx + dy * dy) * 9.0);
      const double values[4] = {40 + 180 * u, 30 + 200 * v * ring, 60 + 150 * (1 - u) * ring, 255};
      for (std::int64_t c = 0; c < channels; ++c) {
        const double value = channels == 1 ? 20 + 200 * u * ring : values[c];
        image.data[static_cast<std::size_t>((y * width + x) * channels + c)] =
            static_cast<std::uint8_t>(std::lround(value));
      }
    }
  }
  return image;
}

Decoded decodeWithStb(const std::vector<std::uint8_t> &file, int channels) {
  Decoded result;
  int sourceChannels = 0;
  stbi_uc *pixels = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &result.width,
                                          &result.height, &sourceChannels, channels);
  if (pixels == nullptr) {
    result.error = stbi_failure_reason();
    return result;
  }
  result.ok = true;
  result.channels = channels;
  result.pixels.assign(pixels, pixels + static_cast<std::size_t>(result.width) *
                                            static_cast<std::size_t>(result.height) *
                                            static_cast<std::size_t>(channels));
  stbi_image_free(pixels);
  return result;
}

#ifdef ZD_HAVE_LIBJPEG
namespace {
struct JpegErrorTrap {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void onJpegError(j_common_ptr info) {
  auto *trap = reinterpret_cast<JpegErrorTrap *>(info->err);
  (*info->err->format_message)(info, trap->message);
  std::longjmp(trap->jump, 1);
}
}  // namespace

Decoded decodeWithLibjpeg(const std::vector<std::uint8_t> &file) {
  Decoded result;
  jpeg_decompress_struct info;
  JpegErrorTrap trap;
  info.err = jpeg_std_error(&trap.manager);
  trap.manager.error_exit = onJpegError;
  jpeg_create_decompress(&info);
  if (setjmp(trap.jump) != 0) {
    result.ok = false;
    result.error = trap.message;
    jpeg_destroy_decompress(&info);
    return result;
  }
  jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&info, TRUE);
  jpeg_start_decompress(&info);
  result.width = static_cast<int>(info.output_width);
  result.height = static_cast<int>(info.output_height);
  result.channels = info.output_components;
  const std::size_t stride = static_cast<std::size_t>(result.width) * result.channels;
  result.pixels.resize(stride * static_cast<std::size_t>(result.height));
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = result.pixels.data() + stride * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  result.ok = true;
  return result;
}
#else
Decoded decodeWithLibjpeg(const std::vector<std::uint8_t> &) {
  Decoded result;
  result.error = "built without libjpeg";
  return result;
}
#endif

std::vector<std::uint8_t> runTool(const std::string &command,
                                  const std::vector<std::uint8_t> &input, int &exitStatus) {
  char path[] = "/tmp/zd_encoder_test_XXXXXX";
  const int fd = ::mkstemp(path);
  std::vector<std::uint8_t> output;
  exitStatus = -1;
  if (fd < 0) return output;
  const bool written =
      ::write(fd, input.data(), input.size()) == static_cast<ssize_t>(input.size());
  ::close(fd);
  if (written) {
    const std::string line = command + " < " + path + " 2>/dev/null";
    if (FILE *pipe = ::popen(line.c_str(), "r")) {
      std::uint8_t buffer[4096];
      std::size_t got = 0;
      while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.insert(output.end(), buffer, buffer + got);
      }
      exitStatus = ::pclose(pipe);
    }
  }
  ::unlink(path);
  return output;
}

double psnr(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  if (a.size() != b.size() || a.empty()) return 0.0;
  double squared = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const double d = static_cast<double>(a[i]) - static_cast<double>(b[i]);
    squared += d * d;
  }
  if (squared == 0.0) return INFINITY;
  const double mse = squared / static_cast<double>(a.size());
  return 10.0 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace zd_encoder_tests
