// PNM writer: binary PGM (P5) for grey, PPM (P6) for RGB and PAM (P7) for
// RGBA, each a short text header followed by the pixel bytes as stored.
#include <string>

#include "codec/encoder_checks.hpp"
#include "codec/codec.hpp"

namespace zd::codec {

namespace {
std::string pnmHeader(const Image &image) {
  const std::string width = std::to_string(image.width);
  const std::string height = std::to_string(image.height);
  switch (image.layout) {
    case csGray: return "P5\n" + width + " " + height + "\n255\n";
    case csRgb: return "P6\n" + width + " " + height + "\n255\n";
    case csRgba:
      return "P7\nWIDTH " + width + "\nHEIGHT " + height +
             "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    default: throw ImageError(ikUnsupportedLayout, "pnm: encode needs csRgb, csGray, or csRgba");
  }
}
}  // namespace

std::vector<std::uint8_t> encodePnm(const Image &image) {
  const std::string header = pnmHeader(image);
  checkImageRecord(image, "pnm");
  std::vector<std::uint8_t> out;
  out.reserve(image.data.size() + 32 + (image.layout == csRgba ? 64 : 0));
  out.insert(out.end(), header.begin(), header.end());
  out.insert(out.end(), image.data.begin(), image.data.end());
  return out;
}

}  // namespace zd::codec
