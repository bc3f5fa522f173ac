// The JPEG, BMP, QOI, PNM and TGA encoders on the three 1024 x 1024 images
// of the PNG benchmark, beside their peers in the same run:
//   JPEG  libjpeg-turbo at quality 90, 4:4:4, baseline, standard Huffman
//         tables, with its default integer DCT and with its float DCT;
//   BMP, TGA  stb_image_write (TGA without RLE).
// JPEG is fed the RGB bytes of each image (prepared outside the timing) and
// both kernels of ours are measured. Every benchmark reports the output size
// in the "bytes" counter.
//
//   bench_encoders --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

#include "bench_images.hpp"
#include "bench_main.hpp"
#include "codec/jpeg.hpp"
#include "codec/codec.hpp"

#ifdef ZD_HAVE_JPEG
#include <jpeglib.h>
#endif
#include "stb_writer.hpp"

namespace {

using zd::bench::ImageKind;
using zd::image::Image;

constexpr int kQuality = 90;

// The benchmark images as RGBA records and as RGB copies, made once.
const Image &benchImage(ImageKind kind, bool rgb) {
  static std::map<std::pair<int, bool>, Image> cache;
  const auto key = std::make_pair(static_cast<int>(kind), rgb);
  auto found = cache.find(key);
  if (found != cache.end()) return found->second;
  const zd::bench::RgbaImage source = zd::bench::makeBenchImage(kind);
  Image image =
      zd::image::newImage(source.width, source.height, rgb ? zd::image::csRgb : zd::image::csRgba);
  if (rgb) {
    for (std::size_t i = 0, j = 0; i < source.pixels.size(); i += 4, j += 3) {
      image.data[j] = source.pixels[i];
      image.data[j + 1] = source.pixels[i + 1];
      image.data[j + 2] = source.pixels[i + 2];
    }
  } else {
    image.data.assign(source.pixels.begin(), source.pixels.end());
  }
  return cache.emplace(key, std::move(image)).first->second;
}

void reportSize(benchmark::State &state, std::size_t bytes, const Image &image) {
  state.counters["bytes"] = static_cast<double>(bytes);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(image.data.size()));
}

// ------------------------------------------------------------------- ours

void zdJpeg(benchmark::State &state, ImageKind kind, zd::codec::jpeg::Kernel kernel) {
  if (kernel == zd::codec::jpeg::Kernel::fma && !zd::codec::jpeg::fmaKernelAvailable()) {
    state.SkipWithError("no AVX2/FMA");
    return;
  }
  const Image &image = benchImage(kind, true);
  std::size_t size = 0;
  for (auto _ : state) {
    const auto file = zd::codec::jpeg::encodeJpegWith(image, kQuality, kernel);
    size = file.size();
    benchmark::DoNotOptimize(file.data());
  }
  reportSize(state, size, image);
}

void zdEncode(benchmark::State &state, ImageKind kind, zd::codec::ImageFormat format) {
  const Image &image = benchImage(kind, false);
  std::size_t size = 0;
  for (auto _ : state) {
    const auto file = zd::codec::encodeImage(image, format, kQuality);
    size = file.size();
    benchmark::DoNotOptimize(file.data());
  }
  reportSize(state, size, image);
}

// ------------------------------------------------------------------ peers

#ifdef ZD_HAVE_JPEG
void libjpegTurbo(benchmark::State &state, ImageKind kind, J_DCT_METHOD method) {
  const Image &image = benchImage(kind, true);
  std::size_t size = 0;
  for (auto _ : state) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *buffer = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&info, &buffer, &length);
    info.image_width = static_cast<JDIMENSION>(image.width);
    info.image_height = static_cast<JDIMENSION>(image.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, kQuality, TRUE);
    info.dct_method = method;
    info.optimize_coding = FALSE;
    for (int c = 0; c < 3; ++c) {  // 4:4:4
      info.comp_info[c].h_samp_factor = 1;
      info.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&info, TRUE);
    const std::size_t stride = static_cast<std::size_t>(image.width) * 3;
    while (info.next_scanline < info.image_height) {
      JSAMPROW row = const_cast<JSAMPROW>(image.data.data() + stride * info.next_scanline);
      jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    size = length;
    benchmark::DoNotOptimize(buffer);
    std::free(buffer);
  }
  reportSize(state, size, image);
}
#endif

#ifdef ZD_HAVE_STB
void appendBytes(void *context, void *data, int size) {
  auto *out = static_cast<std::vector<unsigned char> *>(context);
  const auto *bytes = static_cast<const unsigned char *>(data);
  out->insert(out->end(), bytes, bytes + size);
}

void stbWrite(benchmark::State &state, ImageKind kind, bool tga) {
  const Image &image = benchImage(kind, false);
  const int width = static_cast<int>(image.width);
  const int height = static_cast<int>(image.height);
  stbi_write_tga_with_rle = 0;
  std::size_t size = 0;
  for (auto _ : state) {
    std::vector<unsigned char> out;
    out.reserve(image.data.size() + 1024);
    if (tga) {
      stbi_write_tga_to_func(appendBytes, &out, width, height, 4, image.data.data());
    } else {
      stbi_write_bmp_to_func(appendBytes, &out, width, height, 4, image.data.data());
    }
    size = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  reportSize(state, size, image);
}
#endif

void registerAll() {
  using zd::codec::jpeg::Kernel;
  const ImageKind kinds[] = {ImageKind::vectorArt, ImageKind::gradient, ImageKind::noise};
  for (ImageKind kind : kinds) {
    const std::string prefix = std::string("jpeg/") + zd::bench::imageKindName(kind) + "/";
    benchmark::RegisterBenchmark((prefix + "zd").c_str(), zdJpeg, kind, Kernel::automatic)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((prefix + "zd_portable").c_str(), zdJpeg, kind, Kernel::portable)
        ->Unit(benchmark::kMillisecond);
#ifdef ZD_HAVE_JPEG
    benchmark::RegisterBenchmark((prefix + "libjpeg_turbo_islow").c_str(), libjpegTurbo, kind,
                                 JDCT_ISLOW)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((prefix + "libjpeg_turbo_float").c_str(), libjpegTurbo, kind,
                                 JDCT_FLOAT)
        ->Unit(benchmark::kMillisecond);
#endif
  }
  struct Format {
    const char *name;
    zd::codec::ImageFormat format;
  };
  for (const Format f : {Format{"bmp", zd::codec::fmtBmp}, Format{"qoi", zd::codec::fmtQoi},
                         Format{"pnm", zd::codec::fmtPnm}, Format{"tga", zd::codec::fmtTga}}) {
    for (ImageKind kind : kinds) {
      const std::string prefix = std::string(f.name) + "/" + zd::bench::imageKindName(kind) + "/";
      benchmark::RegisterBenchmark((prefix + "zd").c_str(), zdEncode, kind, f.format)
          ->Unit(benchmark::kMillisecond);
#ifdef ZD_HAVE_STB
      if (f.format == zd::codec::fmtBmp || f.format == zd::codec::fmtTga) {
        benchmark::RegisterBenchmark((prefix + "stb").c_str(), stbWrite, kind,
                                     f.format == zd::codec::fmtTga)
            ->Unit(benchmark::kMillisecond);
      }
#endif
    }
  }
}

}  // namespace

int main(int argc, char **argv) {
  zd::codec::initJpegTables();
  return zd::bench::runRegistered(argc, argv, registerAll);
}
