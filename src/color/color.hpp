// The colour record, space tags, colour errors and the Result
// container. The colour module returns Results and never throws on bad
// input; its callers raise where they need to.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "common/errors.hpp"

namespace zd::color {

using SpaceTag = std::int32_t;

// Built-in space tags.
enum : SpaceTag {
  stUnknown = 0,
  stSrgb = 1,
  stSrgbLinear = 2,
  stP3 = 3,
  stP3Linear = 4,
  stRec2020 = 5,
  stRec2020Linear = 6,
  stA98 = 7,
  stA98Linear = 8,
  stProphoto = 9,
  stProphotoLinear = 10,
  stXyz = 11,
  stXyy = 12,
  stLab = 13,
  stLch = 14,
  stOklab = 15,
  stOklch = 16,
  stHsv = 17,
  stHsl = 18,
  stHwb = 19,
  stCmyk = 20,
  stYcbcr = 21,
  stIctcp = 22,
  stJzazbz = 23,
  stCam16 = 24,
  stCam16Ucs = 25,
  stHct = 26,
};

// Short name of a tag ("srgb", ...; "user" from 1000 on, "unknown" otherwise).
std::string spaceName(SpaceTag tag);
// The same name as a static string, for callers that hand it out.
const char *spaceNameText(SpaceTag tag);
// Debugging text of a tag: "SpaceTag(16)".
std::string toString(SpaceTag tag);

enum class ErrorKind : std::uint8_t {
  InvalidColor = 0,
  UnknownSpace = 1,
  UnknownMetric = 2,
  UnknownCvdModel = 3,
  UnknownExporter = 4,
  UnknownImporter = 5,
  UnknownAlgorithm = 6,
  UnknownFormat = 7,
  Unsatisfiable = 8,
  UnresolvedRole = 9,
  InvalidOp = 10,
  ImportFailed = 11,
  InvalidImage = 12,
  EmptySource = 13,
  NumericalError = 14,
};

// The identifier itself ("InvalidColor", ...).
std::string toString(ErrorKind kind);

// 3 for ImportFailed and NumericalError, 2 for every other kind.
std::uint8_t defaultSeverity(ErrorKind kind);

struct ColorError {
  ErrorKind kind = ErrorKind::InvalidColor;
  std::string message;
  std::string context;
  std::uint8_t severity = 2;
};

ColorError colorError(ErrorKind kind, std::string message, std::string context,
                      std::uint8_t severity);
// The usual way to build an error: the kind's default severity.
ColorError colorError(ErrorKind kind, std::string message, std::string context = {});

enum ResultKind : std::uint8_t { rkOk = 0, rkErr = 1 };

// Either a value (rkOk) or a ColorError (rkErr). Reading the value of an
// error result is a Defect. The error lives on the heap: conversions build
// and pass many ok results, and an ok result then costs its value and one
// null pointer, not two empty strings.
template <class T>
class Result {
 public:
  static Result ok(T value) {
    Result r;
    r.value_ = std::move(value);
    return r;
  }
  static Result err(ColorError error) {
    Result r;
    r.error_ = std::make_unique<ColorError>(std::move(error));
    return r;
  }
  // Makes an error result from an error result of another value type.
  template <class U>
  static Result err(const Result<U> &other) {
    return err(other.error());
  }

  Result(const Result &other)
      : value_(other.value_),
        error_(other.error_ ? std::make_unique<ColorError>(*other.error_) : nullptr) {}
  Result(Result &&) noexcept = default;
  Result &operator=(const Result &other) {
    if (this != &other) *this = Result(other);
    return *this;
  }
  Result &operator=(Result &&) noexcept = default;
  ~Result() = default;

  ResultKind kind() const { return error_ ? rkErr : rkOk; }
  bool isOk() const { return !error_; }
  const T &value() const {
    if (error_) throw Defect("Result: value read from an error result");
    return value_;
  }
  const ColorError &error() const {
    if (!error_) throw Defect("Result: error read from an ok result");
    return *error_;
  }

 private:
  Result() = default;
  T value_{};
  std::unique_ptr<ColorError> error_;
};

template <class T>
Result<T> ok(T value) {
  return Result<T>::ok(std::move(value));
}

// "rkOk" / "rkErr".
std::string toString(ResultKind kind);

// The value of an ok result; raises Error(message) for an error result.
template <class T>
T expect(const Result<T> &result, const std::string &message) {
  if (!result.isOk()) throw Error(message);
  return result.value();
}

// Three components in the channel order of the space, an alpha in [0, 1]
// and the space tag. Made only by `color`.
struct Color {
  float comps[3] = {0, 0, 0};
  float alpha = 1.0f;
  SpaceTag space = stUnknown;
};

// Equal when the tags are equal and all four floats compare equal.
bool operator==(const Color &a, const Color &b);

// The validating constructor: a known space, a finite alpha in [0, 1],
// finite components.
Result<Color> color(SpaceTag space, float c1, float c2, float c3, float alpha);

}  // namespace zd::color
