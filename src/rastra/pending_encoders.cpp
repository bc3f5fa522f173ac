// Placeholders for encoders still being written; each is removed from here
// when its real implementation lands.
#include "rastra/rastra.hpp"

namespace zd::rastra {
namespace {
[[noreturn]] void notYet(const char *name) {
  throw Error(std::string(name) + ": encoder not available yet");
}
}  // namespace
std::vector<std::uint8_t> encodePng(const Image &) { notYet("png"); }
std::vector<std::uint8_t> encodeJpeg(const Image &, std::int32_t) { notYet("jpeg"); }
std::vector<std::uint8_t> encodeBmp(const Image &) { notYet("bmp"); }
std::vector<std::uint8_t> encodeQoi(const Image &) { notYet("qoi"); }
std::vector<std::uint8_t> encodePnm(const Image &) { notYet("pnm"); }
std::vector<std::uint8_t> encodeTga(const Image &) { notYet("tga"); }
void initJpegTables() {}
}  // namespace zd::rastra
