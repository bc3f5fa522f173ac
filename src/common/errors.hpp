// The library's two families of raised failures.
//
// Outside the colour module every failure is a C++ exception. `Error` is a
// recoverable error met while working on bad input (a parse error, a limit);
// `Defect` is a broken rule inside the library (an index or value out of
// range, arithmetic overflow, division by zero, a field read that a record's
// kind does not carry). The exported C layer catches both and returns a
// status code; nothing else in the library turns failures into codes.
#pragma once

#include <stdexcept>
#include <string>

namespace zd {

// A recoverable error: bad input or a limit met while working.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A defect: a rule of the library's own code was broken.
class Defect : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

}  // namespace zd
