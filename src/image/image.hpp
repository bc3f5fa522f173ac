// The image record: size, channel layout and the pixel bytes, plus the error
// that the image and codec modules raise.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <new>
#include <utility>
#include <string>
#include <vector>

#include "common/errors.hpp"

namespace zd::image {

enum ChannelLayout : std::uint8_t {
  csGray = 0,
  csRgb = 1,
  csRgba = 2,
  // Three further layouts exist (4, 3 and 1 channels); nothing here makes them.
  csLayout3 = 3,
  csLayout4 = 4,
  csLayout5 = 5,
};

// Channels per layout, indexed by ordinal.
inline constexpr std::int64_t ChannelCount[6] = {1, 3, 4, 4, 3, 1};

// The bytes of an image. A new buffer comes from calloc, so the zero bytes of
// a new image are the system's zeroed pages: asking for a large image costs
// no time and no memory until its pixels are written. Otherwise it behaves as
// a byte vector (growing zero-fills the new tail).
class PixelBytes {
 public:
  using value_type = std::uint8_t;
  using iterator = std::uint8_t *;
  using const_iterator = const std::uint8_t *;

  PixelBytes() = default;
  // `count` zero bytes; throws std::bad_alloc when they cannot be had.
  explicit PixelBytes(std::size_t count) { reallocate(count, 0); }
  PixelBytes(std::initializer_list<std::uint8_t> bytes) { assign(bytes.begin(), bytes.end()); }
  PixelBytes(const PixelBytes &other) { assign(other.begin(), other.end()); }
  PixelBytes(PixelBytes &&other) noexcept { swap(other); }
  PixelBytes &operator=(PixelBytes other) noexcept {
    swap(other);
    return *this;
  }
  PixelBytes &operator=(std::initializer_list<std::uint8_t> bytes) {
    assign(bytes.begin(), bytes.end());
    return *this;
  }
  ~PixelBytes() { std::free(bytes_); }

  template <class Iterator>
  void assign(Iterator first, Iterator last) {
    PixelBytes fresh(static_cast<std::size_t>(std::distance(first, last)));
    std::copy(first, last, fresh.bytes_);
    swap(fresh);
  }
  // Grows with zero bytes or shrinks, keeping the bytes in front.
  void resize(std::size_t count) { reallocate(count, size_); }
  void pop_back() { resize(size_ - 1); }

  std::uint8_t *data() noexcept { return bytes_; }
  const std::uint8_t *data() const noexcept { return bytes_; }
  std::size_t size() const noexcept { return size_; }
  bool empty() const noexcept { return size_ == 0; }
  std::uint8_t &operator[](std::size_t i) noexcept { return bytes_[i]; }
  const std::uint8_t &operator[](std::size_t i) const noexcept { return bytes_[i]; }
  iterator begin() noexcept { return bytes_; }
  iterator end() noexcept { return bytes_ + size_; }
  const_iterator begin() const noexcept { return bytes_; }
  const_iterator end() const noexcept { return bytes_ + size_; }

  void swap(PixelBytes &other) noexcept {
    std::swap(bytes_, other.bytes_);
    std::swap(size_, other.size_);
  }
  friend bool operator==(const PixelBytes &a, const PixelBytes &b) {
    return a.size_ == b.size_ && std::equal(a.begin(), a.end(), b.begin());
  }
  friend bool operator==(const PixelBytes &a, const std::vector<std::uint8_t> &b) {
    return a.size_ == b.size() && std::equal(a.begin(), a.end(), b.begin());
  }

 private:
  // New storage of `count` bytes keeping the first `keep` bytes; the rest zero.
  void reallocate(std::size_t count, std::size_t keep) {
    std::uint8_t *fresh = nullptr;
    if (count > 0) {
      fresh = static_cast<std::uint8_t *>(std::calloc(count, 1));
      if (fresh == nullptr) throw std::bad_alloc();
      if (keep > count) keep = count;
      if (keep > 0) std::memcpy(fresh, bytes_, keep);
    }
    std::free(bytes_);
    bytes_ = fresh;
    size_ = count;
  }

  std::uint8_t *bytes_ = nullptr;
  std::size_t size_ = 0;
};

// Pixel bytes row by row, top to bottom, no gaps; channels in layout order;
// straight alpha; sRGB-encoded for RGB(A).
struct Image {
  std::int64_t width = 0;
  std::int64_t height = 0;
  std::int64_t channels = 0;
  ChannelLayout layout = csRgba;
  PixelBytes data;
};

// Kind codes carried by ImageError.
enum ImageErrorKind : std::uint8_t {
  ikUnsupportedLayout = 1,
  ikBadDimensions = 3,
  ikSizeOverflow = 4,
};

// An image or encoder refusal: a message and a one-byte kind.
class ImageError : public Error {
 public:
  ImageError(std::uint8_t kind, const std::string &message) : Error(message), kind_(kind) {}
  std::uint8_t kind() const { return kind_; }

 private:
  std::uint8_t kind_;
};

// A zeroed image of the layout's channel count. A byte count that overflows
// int64 or is negative raises a Defect.
Image newImage(std::int64_t width, std::int64_t height, ChannelLayout layout);

}  // namespace zd::image
