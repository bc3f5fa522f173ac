// PNG encoding of three 1024 x 1024 RGBA images, our encoder beside libpng +
// zlib (levels 1 and 6, filter None and libpng's adaptive filters),
// stb_image_write, and libdeflate level 1 on the same filtered rows.
// Each benchmark reports the output size in the "bytes" counter.
//
// Our encoder's working memory (beyond image, filtered rows and output) is
// measured by counting operator new: the "work_bytes" counter.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <map>
#include <new>
#include <string>

#include "bench_images.hpp"
#include "bench_main.hpp"
#include "compress/compress.hpp"
#include "codec/codec.hpp"

#ifdef ZD_HAVE_PNG
#include <png.h>
#endif
#ifdef ZD_HAVE_DEFLATE
#include <libdeflate.h>
#endif
#include "stb_writer.hpp"

// ---------------------------------------------------------------- heap meter
// Live and peak bytes handed out by operator new while `metering` is on.
namespace {
std::atomic<bool> metering{false};
std::size_t liveBytes = 0;
std::size_t peakBytes = 0;
std::map<void *, std::size_t> *blockSizes = nullptr;
}  // namespace

void *operator new(std::size_t size) {
  void *block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  if (metering.load(std::memory_order_relaxed)) {
    metering = false;  // the map's own nodes are not counted
    (*blockSizes)[block] = size;
    liveBytes += size;
    peakBytes = std::max(peakBytes, liveBytes);
    metering = true;
  }
  return block;
}

void operator delete(void *block) noexcept {
  if (block != nullptr && metering.load(std::memory_order_relaxed)) {
    metering = false;
    auto found = blockSizes->find(block);
    if (found != blockSizes->end()) {
      liveBytes -= found->second;
      blockSizes->erase(found);
    }
    metering = true;
  }
  std::free(block);
}

void operator delete(void *block, std::size_t) noexcept { operator delete(block); }

namespace {

using zd::bench::ImageKind;
using zd::bench::RgbaImage;

const RgbaImage &benchImage(ImageKind kind) {
  static const RgbaImage images[3] = {zd::bench::makeBenchImage(ImageKind::vectorArt),
                                      zd::bench::makeBenchImage(ImageKind::gradient),
                                      zd::bench::makeBenchImage(ImageKind::noise)};
  return images[static_cast<int>(kind)];
}

const zd::image::Image &zdImage(ImageKind kind) {
  static const std::array<zd::image::Image, 3> images = [] {
    std::array<zd::image::Image, 3> out{};
    for (int k = 0; k < 3; ++k) {
      const RgbaImage &source = benchImage(static_cast<ImageKind>(k));
      out[k] = zd::image::newImage(source.width, source.height, zd::image::csRgba);
      out[k].data.assign(source.pixels.begin(), source.pixels.end());
    }
    return out;
  }();
  return images[static_cast<int>(kind)];
}

// Filter byte 0 in front of every row, as our PNG encoder compresses it.
const std::vector<std::uint8_t> &filteredRows(ImageKind kind) {
  static std::vector<std::uint8_t> rows[3];
  std::vector<std::uint8_t> &cached = rows[static_cast<int>(kind)];
  if (cached.empty()) {
    const RgbaImage &image = benchImage(kind);
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
    for (int y = 0; y < image.height; ++y) {
      cached.push_back(0);
      const auto *row = image.pixels.data() + y * rowBytes;
      cached.insert(cached.end(), row, row + rowBytes);
    }
  }
  return cached;
}

void reportSize(benchmark::State &state, ImageKind kind, std::size_t bytes) {
  state.counters["bytes"] = static_cast<double>(bytes);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(benchImage(kind).pixels.size()));
}

void zdPng(benchmark::State &state, ImageKind kind) {
  const zd::image::Image &image = zdImage(kind);
  std::size_t size = 0;
  for (auto _ : state) {
    std::vector<std::uint8_t> file = zd::codec::encodePng(image);
    size = file.size();
    benchmark::DoNotOptimize(file.data());
  }
  reportSize(state, kind, size);
  // One metered run: the peak heap of the encoder minus the filtered rows and
  // the reserved output, which the budget leaves out.
  std::map<void *, std::size_t> sizes;
  blockSizes = &sizes;
  liveBytes = peakBytes = 0;
  metering = true;
  std::vector<std::uint8_t> file = zd::codec::encodePng(image);
  metering = false;
  const std::size_t filtered = filteredRows(kind).size();
  const std::size_t output = file.capacity();
  state.counters["work_bytes"] = static_cast<double>(peakBytes - filtered - output);
}

#ifdef ZD_HAVE_PNG
void appendToVector(png_structp png, png_bytep data, png_size_t length) {
  auto *out = static_cast<std::vector<std::uint8_t> *>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

std::vector<std::uint8_t> encodeWithLibpng(const RgbaImage &image, int level,
                                           bool adaptiveFilters) {
  std::vector<std::uint8_t> out;
  out.reserve(image.pixels.size() + image.pixels.size() / 8);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, appendToVector, nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, level);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, adaptiveFilters ? PNG_ALL_FILTERS : PNG_FILTER_NONE);
  png_write_info(png, info);
  const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
  for (int y = 0; y < image.height; ++y) {
    png_write_row(png, const_cast<png_bytep>(image.pixels.data() + y * rowBytes));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

void libpng(benchmark::State &state, ImageKind kind, int level, bool adaptiveFilters) {
  const RgbaImage &image = benchImage(kind);
  std::size_t size = 0;
  for (auto _ : state) {
    std::vector<std::uint8_t> file = encodeWithLibpng(image, level, adaptiveFilters);
    size = file.size();
    benchmark::DoNotOptimize(file.data());
  }
  reportSize(state, kind, size);
}
#endif

#ifdef ZD_HAVE_STB
void appendStb(void *context, void *data, int size) {
  auto *out = static_cast<std::vector<std::uint8_t> *>(context);
  const auto *bytes = static_cast<const std::uint8_t *>(data);
  out->insert(out->end(), bytes, bytes + size);
}

void stbPng(benchmark::State &state, ImageKind kind) {
  const RgbaImage &image = benchImage(kind);
  std::size_t size = 0;
  for (auto _ : state) {
    std::vector<std::uint8_t> file;
    stbi_write_png_to_func(appendStb, &file, image.width, image.height, 4, image.pixels.data(),
                           image.width * 4);
    size = file.size();
    benchmark::DoNotOptimize(file.data());
  }
  reportSize(state, kind, size);
}
#endif

#ifdef ZD_HAVE_DEFLATE
// Raw Deflate of the same filtered rows our encoder compresses.
void libdeflateLevel1(benchmark::State &state, ImageKind kind) {
  const std::vector<std::uint8_t> &rows = filteredRows(kind);
  libdeflate_compressor *compressor = libdeflate_alloc_compressor(1);
  std::vector<std::uint8_t> out(libdeflate_deflate_compress_bound(compressor, rows.size()));
  std::size_t size = 0;
  for (auto _ : state) {
    size =
        libdeflate_deflate_compress(compressor, rows.data(), rows.size(), out.data(), out.size());
    benchmark::DoNotOptimize(out.data());
  }
  libdeflate_free_compressor(compressor);
  reportSize(state, kind, size);
}
#endif

// Our raw Deflate alone on the same rows, for the side-by-side with libdeflate.
void zdDeflate(benchmark::State &state, ImageKind kind) {
  const std::vector<std::uint8_t> &rows = filteredRows(kind);
  std::size_t size = 0;
  for (auto _ : state) {
    std::vector<std::uint8_t> out =
        zd::compress::compress(rows.data(), static_cast<std::int64_t>(rows.size()));
    size = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  reportSize(state, kind, size);
}
// Names: png/<image>/<engine> for whole files, deflate/<image>/<engine> for
// the raw Deflate of the filtered rows.
void registerAll() {
  for (const ImageKind kind : {ImageKind::vectorArt, ImageKind::gradient, ImageKind::noise}) {
    const std::string image = zd::bench::imageKindName(kind);
    const auto add = [](const std::string &name, auto function, auto... arguments) {
      benchmark::RegisterBenchmark(name.c_str(), function, arguments...)
          ->Unit(benchmark::kMillisecond);
    };
    add("png/" + image + "/zd", zdPng, kind);
#ifdef ZD_HAVE_PNG
    for (const int level : {1, 6}) {
      for (const bool adaptive : {false, true}) {
        add("png/" + image + "/libpng_level" + std::to_string(level) +
                (adaptive ? "_adaptive" : "_none"),
            libpng, kind, level, adaptive);
      }
    }
#endif
#ifdef ZD_HAVE_STB
    add("png/" + image + "/stb", stbPng, kind);
#endif
#ifdef ZD_HAVE_DEFLATE
    add("deflate/" + image + "/libdeflate_level1", libdeflateLevel1, kind);
#endif
    add("deflate/" + image + "/zd", zdDeflate, kind);
  }
}

}  // namespace

int main(int argc, char **argv) { return zd::bench::runRegistered(argc, argv, registerAll); }
