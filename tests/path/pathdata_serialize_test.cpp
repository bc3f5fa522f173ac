// The path-data serializer: number texts, whole paths, failures, the
// independence from the C locale, and the round trip through the parser.
#include <gtest/gtest.h>

#include <clocale>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "common/errors.hpp"
#include "path/pathdata.hpp"

namespace zd::path {
namespace {

std::string numberText(float x) {
  std::string out;
  writeNum(out, x);
  return out;
}

TEST(PathDataSerialize, NumberTexts) {
  const struct {
    float x;
    const char *text;
  } cases[] = {
      {10.0f, "10 "},
      {-3.0f, "-3 "},
      {-0.0f, "0 "},
      {0.0f, "0 "},
      {2.5f, "2.5 "},
      {0.1f, "0.1 "},
      {1.0f / 3.0f, "0.333333 "},
      {2.0f / 3.0f, "0.666667 "},
      {123.456f, "123.456001 "},
      {3.14159265f, "3.141593 "},
      {1234567.8f, "1234567.75 "},
      {0.99999994f, "1 "},
      {0.000001f, "0.000001 "},
      {1e-7f, "0 "},
      {-1e-7f, "-0 "},
      {-4e-7f, "-0 "},
      // Exact ties at the sixth decimal go to the even digit.
      {0.0078125f, "0.007812 "},
      {0.0234375f, "0.023438 "},
      {-0.0078125f, "-0.007812 "},
      // Integral values print every digit, however large.
      {1e20f, "100000002004087734272 "},
      {-1e20f, "-100000002004087734272 "},
      {FLT_MAX, "340282346638528859811704183484516925440 "},
      {0x1p62f, "4611686018427387904 "},
      {-0x1p63f, "-9223372036854775808 "},
      {16777216.0f, "16777216 "},
      {8388607.5f, "8388607.5 "},
      {std::numeric_limits<float>::denorm_min(), "0 "},
  };
  for (const auto &c : cases) EXPECT_EQ(numberText(c.x), c.text) << c.x;
}

TEST(PathDataSerialize, NonFiniteNumbersAppendNothing) {
  for (float x : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                  -std::numeric_limits<float>::infinity()}) {
    std::string out = "M ";
    try {
      writeNum(out, x);
      ADD_FAILURE() << "no error for " << x;
    } catch (const Error &error) {
      EXPECT_STREQ(error.what(), "path: cannot serialize a non-finite coordinate");
    }
    EXPECT_EQ(out, "M ");
  }
}

TEST(PathDataSerialize, WholePaths) {
  Path built;
  EXPECT_EQ(toString(built), "");
  add(built, PathCommand::close());
  EXPECT_EQ(toString(built), "Z");

  Path triangle;
  add(triangle, PathCommand::point(pMove, {10, 20}));
  add(triangle, PathCommand::point(pLine, {30.5f, 40}));
  add(triangle, PathCommand::close());
  EXPECT_EQ(toString(triangle), "M 10 20 L 30.5 40 Z");

  const struct {
    const char *text;
    const char *printed;
  } cases[] = {
      {"m1,2 3,4z", "m 1 2 l 3 4 Z"},
      {"M0 0C1 2 3 4 5 6S7 8 9 10Q1 1 2 2T3 3H4V5h1v1",
       "M 0 0 C 1 2 3 4 5 6 S 7 8 9 10 Q 1 1 2 2 T 3 3 H 4 V 5 h 1 v 1"},
      {"m0 0c1 2 3 4 5 6s7 8 9 10q1 1 2 2t3 3", "m 0 0 c 1 2 3 4 5 6 s 7 8 9 10 q 1 1 2 2 t 3 3"},
      {"M0 0A5 5 30 0 1 10 10", "M 0 0 A 5 5 30.000002 0 1 10 10"},
      {"M0 0a5 5 90 1 0 10 10", "M 0 0 a 5 5 90 1 0 10 10"},
      {"M 0 0 Z Z", "M 0 0 Z Z"},
      {"M-0 -.0000001", "M 0 -0"},
  };
  for (const auto &c : cases) EXPECT_EQ(toString(parsePath(c.text)), c.printed) << c.text;
}

TEST(PathDataSerialize, ArcRotationGoesBackToDegreesThroughFloats) {
  const struct {
    int degrees;
    const char *text;
  } cases[] = {{45, "45"},        {90, "90"},         {135, "135"},      {180, "180"},
               {270, "270"},      {360, "360"},       {15, "15.000001"}, {30, "30.000002"},
               {60, "60.000004"}, {120, "120.000008"}};
  for (const auto &c : cases) {
    const std::string text = "M0 0A1 1 " + std::to_string(c.degrees) + " 0 0 1 1";
    EXPECT_EQ(toString(parsePath(text)), "M 0 0 A 1 1 " + std::string(c.text) + " 0 0 1 1")
        << c.degrees;
  }
}

TEST(PathDataSerialize, AnyNonFiniteValueFailsAndLeavesThePath) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const PathCommand bad[] = {
      PathCommand::point(pLine, {1, nan}),
      PathCommand::value(pRVLine, -inf),
      PathCommand::cubic(pCubic, {0, 0}, {0, 0}, {inf, 0}),
      PathCommand::controlEnd(pRQuad, {nan, 0}, {0, 0}),
      PathCommand::arc(pArc, {inf, 1}, 0, false, false, {0, 0}),
      PathCommand::arc(pRArc, {1, 1}, nan, false, false, {0, 0}),
      // A finite rotation whose degree value overflows.
      PathCommand::arc(pArc, {1, 1}, FLT_MAX, false, false, {0, 0}),
  };
  for (const PathCommand &command : bad) {
    Path path;
    add(path, PathCommand::point(pMove, {1, 2}));
    add(path, command);
    add(path, PathCommand::point(pLine, {3, 4}));
    const std::vector<PathCommand> before = path.commands;
    try {
      toString(path);
      ADD_FAILURE() << "no error for kind " << int(command.kind());
    } catch (const Error &error) {
      EXPECT_STREQ(error.what(), "path: cannot serialize a non-finite coordinate");
    }
    ASSERT_EQ(path.commands.size(), before.size());
    EXPECT_EQ(path.commands[1].kind(), command.kind());
  }
}

// Runs a check with LC_ALL set to a locale whose decimal separator is a
// comma, and restores the previous locale afterwards.
class CommaLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    const char *previous = std::setlocale(LC_ALL, nullptr);
    previous_ = previous != nullptr ? previous : "C";
    for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
      if (std::setlocale(LC_ALL, name) != nullptr) return;
    }
    GTEST_SKIP() << "no de_DE locale installed";
  }
  void TearDown() override { std::setlocale(LC_ALL, previous_.c_str()); }

 private:
  std::string previous_;
};

TEST_F(CommaLocale, PrintingAndParsingStillUseAPoint) {
  char printf_text[16];
  std::snprintf(printf_text, sizeof printf_text, "%.1f", 2.5);
  ASSERT_STREQ(printf_text, "2,5") << "the locale did not take effect";

  Path path;
  add(path, PathCommand::point(pMove, {2.5f, -1234567.8f}));
  add(path, PathCommand::arc(pArc, {0.1f, 1e20f}, 30.0f * kDegreesToRadians, true, false,
                             {1.0f / 3.0f, -0.0078125f}));
  const std::string text = toString(path);
  EXPECT_EQ(text, "M 2.5 -1234567.75 A 0.1 100000002004087734272 30.000002 1 0 0.333333 -0.007812");
  const Path back = parsePath(text);
  EXPECT_EQ(back.commands[0].p(), (Vec2{2.5f, -1234567.75f}));
  EXPECT_EQ(back.commands[1].r(), (Vec2{0.1f, 1e20f}));
}

// ---------------------------------------------------------------- round trip

// Writes generated commands as path data in many spellings (commas, runs of
// blanks, exponents, '+' signs, implicit repetitions, no separator before a
// sign), parses them, prints, parses again.
class RoundTrip {
 public:
  explicit RoundTrip(unsigned seed) : random_(seed) {}

  void run() {
    std::string text;
    std::vector<PathCommandKind> kinds;
    std::vector<float> values;  // every number as written, rotation in degrees
    writeRandomPath(text, kinds, values);

    Path first;
    ASSERT_NO_THROW(first = parsePath(text)) << text;
    expectMatches(first, kinds, values, text);

    const std::string printed = toString(first);
    Path second;
    ASSERT_NO_THROW(second = parsePath(printed)) << printed;
    ASSERT_EQ(second.commands.size(), first.commands.size()) << printed;
    for (std::size_t i = 0; i < first.commands.size(); ++i) {
      const PathCommand &a = first.commands[i];
      const PathCommand &b = second.commands[i];
      ASSERT_EQ(a.kind(), b.kind()) << printed;
      float x[7], y[7];
      const int count = a.parameters(x);
      b.parameters(y);
      for (int k = 0; k < count; ++k) {
        if (absoluteKind(a.kind()) == pArc && k == 2) {
          // The rotation passes through degrees and two float products.
          EXPECT_NEAR(x[k], y[k], 1e-6 * (1 + std::fabs(x[k]))) << printed;
        } else {
          EXPECT_EQ(x[k], y[k]) << printed << " command " << i << " number " << k;
        }
      }
    }
    EXPECT_EQ(second.start, first.start) << printed;
    EXPECT_EQ(second.current, first.current) << printed;
    // Printing is canonical: one space between tokens, none at either end.
    EXPECT_EQ(printed.find("  "), std::string::npos) << printed;
    if (!printed.empty()) {
      EXPECT_NE(printed.front(), ' ');
      EXPECT_NE(printed.back(), ' ');
    }
  }

 private:
  int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  // A value whose six-decimal text is exact: a multiple of 1/64.
  float exactValue(bool nonNegative) {
    const float value = static_cast<float>(uniform(0, 64000)) / 64.0f;
    return (nonNegative || uniform(0, 1) == 0) ? value : -value;
  }

  void writeSeparator(std::string &text, bool required) {
    static const char *const kSeparators[] = {" ", ",", "  ", "\t", "\n", " , ", "\r\n"};
    if (!required && uniform(0, 2) == 0) return;
    text += kSeparators[uniform(0, 6)];
  }

  void writeNumber(std::string &text, float value, bool flag) {
    char buffer[64];
    if (flag) {
      text += value == 1.0f ? '1' : '0';
      return;
    }
    switch (uniform(0, 3)) {
      case 0: std::snprintf(buffer, sizeof buffer, "%.6f", static_cast<double>(value)); break;
      case 1: std::snprintf(buffer, sizeof buffer, "%.9e", static_cast<double>(value)); break;
      case 2: std::snprintf(buffer, sizeof buffer, "%+.9g", static_cast<double>(value)); break;
      default: std::snprintf(buffer, sizeof buffer, "%.10g", static_cast<double>(value)); break;
    }
    text += buffer;
  }

  void writeRandomPath(std::string &text, std::vector<PathCommandKind> &kinds,
                       std::vector<float> &values) {
    static const char kLetters[] = "ZMLHVCSQTAzmlhvcsqta";
    const int letters = uniform(1, 12);
    for (int l = 0; l < letters; ++l) {
      const char letter = l == 0 ? (uniform(0, 1) ? 'M' : 'm') : kLetters[uniform(0, 19)];
      const PathCommandKind kind = charToKind(letter);
      writeSeparator(text, false);
      text += letter;
      if (kind == pClose) {
        kinds.push_back(pClose);
        continue;
      }
      const int groups = uniform(1, 3);
      for (int g = 0; g < groups; ++g) {
        PathCommandKind groupKind = kind;
        if (g > 0 && kind == pMove) groupKind = pLine;
        if (g > 0 && kind == pRMove) groupKind = pRLine;
        kinds.push_back(groupKind);
        for (int k = 0; k < parameterCount(kind); ++k) {
          const bool arc = absoluteKind(kind) == pArc;
          const bool flag = arc && (k == 3 || k == 4);
          float value = exactValue(arc && k < 2);
          if (flag) value = static_cast<float>(uniform(0, 1));
          if (arc && k == 2) value = static_cast<float>(uniform(-720, 720));
          // A separator is needed unless the next number starts with a sign.
          writeSeparator(text, !(value < 0.0f && !flag) && !(g == 0 && k == 0 && uniform(0, 1)));
          writeNumber(text, value, flag);
          values.push_back(value);
        }
      }
    }
  }

  void expectMatches(const Path &path, const std::vector<PathCommandKind> &kinds,
                     const std::vector<float> &values, const std::string &text) {
    ASSERT_EQ(path.commands.size(), kinds.size()) << text;
    std::size_t next = 0;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
      const PathCommand &command = path.commands[i];
      ASSERT_EQ(command.kind(), kinds[i]) << text << " command " << i;
      float numbers[7];
      const int count = command.parameters(numbers);
      for (int k = 0; k < count; ++k) {
        float expected = values[next++];
        if (absoluteKind(command.kind()) == pArc && k == 2) expected *= kDegreesToRadians;
        EXPECT_EQ(numbers[k], expected) << text << " command " << i << " number " << k;
      }
    }
    Path replay;
    replay.commands = path.commands;
    refreshState(replay);
    EXPECT_EQ(path.start, replay.start) << text;
    EXPECT_EQ(path.current, replay.current) << text;
  }

  std::mt19937 random_;
};

TEST(PathDataSerialize, RoundTripOverGeneratedText) {
  for (unsigned seed = 1; seed <= 2000; ++seed) {
    RoundTrip(seed).run();
    if (HasFailure()) {
      ADD_FAILURE() << "seed " << seed;
      break;
    }
  }
}

}  // namespace
}  // namespace zd::path
