// The path-data parser: worked examples, number reading, arc flags, and
// every failure message with the rule that the first problem wins.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "common/errors.hpp"
#include "path/pathdata.hpp"

namespace zd::path {
namespace {

// A command as kind plus its parameters in path-data order.
struct Expected {
  PathCommandKind kind;
  std::vector<float> numbers;
};

void expectCommands(const Path &path, const std::vector<Expected> &expected,
                    const std::string &text) {
  ASSERT_EQ(path.commands.size(), expected.size()) << text;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const PathCommand &command = path.commands[i];
    EXPECT_EQ(command.kind(), expected[i].kind) << text << " command " << i;
    float numbers[7];
    const int count = command.parameters(numbers);
    ASSERT_EQ(count, static_cast<int>(expected[i].numbers.size())) << text << " command " << i;
    for (int k = 0; k < count; ++k) {
      EXPECT_EQ(numbers[k], expected[i].numbers[static_cast<std::size_t>(k)])
          << text << " command " << i << " number " << k;
    }
  }
}

std::string parseError(std::string_view text) {
  try {
    parsePath(text);
  } catch (const Error &error) {
    return error.what();
  }
  return "(no error)";
}

const float kRot30 = 30.0f * 0.017453292f;

TEST(PathDataParse, WorkedExamples) {
  const struct {
    const char *text;
    std::vector<Expected> commands;
  } cases[] = {
      {"M10,20L30 40Z", {{pMove, {10, 20}}, {pLine, {30, 40}}, {pClose, {}}}},
      {"M1 2 3 4 5 6", {{pMove, {1, 2}}, {pLine, {3, 4}}, {pLine, {5, 6}}}},
      {"m1 2 3 4z", {{pRMove, {1, 2}}, {pRLine, {3, 4}}, {pClose, {}}}},
      {"M-1-2", {{pMove, {-1, -2}}}},
      {"M1.5.5", {{pMove, {1.5f, 0.5f}}}},
      {"M1e2-3", {{pMove, {100, -3}}}},
      {"M1e-2 3", {{pMove, {0.01f, 3}}}},
      {"M012", {{pMove, {0, 12}}}},
      {"M-012 5", {{pMove, {-12, 5}}}},
      {"M0 0H5h-1V2v1",
       {{pMove, {0, 0}}, {pHLine, {5}}, {pRHLine, {-1}}, {pVLine, {2}}, {pRVLine, {1}}}},
      {"M0 0a5 5 30 1110 10", {{pMove, {0, 0}}, {pRArc, {5, 5, kRot30, 1, 1, 10, 10}}}},
      {"M0 0a5 5 0 0 1-5 5", {{pMove, {0, 0}}, {pRArc, {5, 5, 0, 0, 1, -5, 5}}}},
      {"M0 0C1 2 3 4 5 6S7 8 9 10Q1 1 2 2T3 3",
       {{pMove, {0, 0}},
        {pCubic, {1, 2, 3, 4, 5, 6}},
        {pSCubic, {7, 8, 9, 10}},
        {pQuad, {1, 1, 2, 2}},
        {pTQuad, {3, 3}}}},
      {"m0 0c1 2 3 4 5 6s7 8 9 10q1 1 2 2t3 3",
       {{pRMove, {0, 0}},
        {pRCubic, {1, 2, 3, 4, 5, 6}},
        {pRSCubic, {7, 8, 9, 10}},
        {pRQuad, {1, 1, 2, 2}},
        {pRTQuad, {3, 3}}}},
      // Separators of every kind, repeated, anywhere; commas count as blanks.
      {"\tM1,,2\r\n,L 3\t4 ,", {{pMove, {1, 2}}, {pLine, {3, 4}}}},
      // Only the first group of a relative moveto is a moveto; other kinds repeat.
      {"m1 1 2 2 h1 2 c1 1 1 1 1 1 2 2 2 2 2 2",
       {{pRMove, {1, 1}},
        {pRLine, {2, 2}},
        {pRHLine, {1}},
        {pRHLine, {2}},
        {pRCubic, {1, 1, 1, 1, 1, 1}},
        {pRCubic, {2, 2, 2, 2, 2, 2}}}},
      {"M0 0 M1 1", {{pMove, {0, 0}}, {pMove, {1, 1}}}},
      {"M0 0ZZz", {{pMove, {0, 0}}, {pClose, {}}, {pClose, {}}, {pClose, {}}}},
      {"M . 0", {{pMove, {0, 0}}}},
      {"M+1+.5", {{pMove, {1, 0.5f}}}},
      {"M1.e1 .5E+1", {{pMove, {10, 5}}}},
      {"M00.5", {{pMove, {0, 0.5f}}}},
  };
  for (const auto &c : cases) {
    Path path;
    ASSERT_NO_THROW(path = parsePath(c.text)) << c.text;
    expectCommands(path, c.commands, c.text);
  }
}

TEST(PathDataParse, EmptyAndBlankTextGiveAnEmptyPath) {
  for (const char *text : {"", " , ", "\t\r\n,,"}) {
    const Path path = parsePath(text);
    EXPECT_TRUE(path.commands.empty()) << '"' << text << '"';
    EXPECT_EQ(path.start, Vec2{}) << text;
    EXPECT_EQ(path.current, Vec2{}) << text;
  }
}

TEST(PathDataParse, StateFollowsAllCommands) {
  Path path = parsePath("M 1 2 l 3 4 Z m 1 1");
  EXPECT_EQ(path.start, (Vec2{2, 3}));
  EXPECT_EQ(path.current, (Vec2{2, 3}));

  path = parsePath("m 5 5 h 2 v -1 c 0 0 0 0 1 1 a 1 1 0 0 0 1 1");
  EXPECT_EQ(path.start, (Vec2{5, 5}));
  EXPECT_EQ(path.current, (Vec2{9, 6}));

  path = parsePath("M 1 1 L 4 4 H 7 V 9");
  EXPECT_EQ(path.start, (Vec2{1, 1}));
  EXPECT_EQ(path.current, (Vec2{7, 9}));
}

TEST(PathDataParse, ArcRotationIsStoredInRadiansAsOneFloatProduct) {
  const Path path = parsePath("M0 0A5 5 30 0 1 10 10");
  EXPECT_EQ(std::bit_cast<std::uint32_t>(path.commands[1].rot()),
            std::bit_cast<std::uint32_t>(kRot30));
  EXPECT_FLOAT_EQ(path.commands[1].rot(), 0.52359879f);
  EXPECT_FALSE(path.commands[1].largeArc());
  EXPECT_TRUE(path.commands[1].sweep());
}

TEST(PathDataParse, ArcFlagsAreSingleBytesAlsoInRepeatedGroups) {
  // The flags of every group are found by counting numbers since the letter.
  const Path path = parsePath("M0 0a1 2 3 014 5 6 7 8 1010 11");
  expectCommands(path,
                 {{pMove, {0, 0}},
                  {pRArc, {1, 2, 3 * 0.017453292f, 0, 1, 4, 5}},
                  {pRArc, {6, 7, 8 * 0.017453292f, 1, 0, 10, 11}}},
                 "repeated arcs");
  EXPECT_EQ(parseError("M0 0a1 2 3 0 1 4 5 6 7 8 2 0 1 1"),
            "parsePath: arc flag must be 0 or 1 at offset 25");
  // A rotation may be long; only the two flags are one byte each.
  EXPECT_NO_THROW(parsePath("M0 0A1 1 123.5e1 1 0 2 2"));
}

TEST(PathDataParse, NumbersAreReadAsDoublesThenRoundedToFloat) {
  // The decimal sits just above the midpoint between 1 and the next float:
  // as a double it rounds onto the midpoint, which then rounds to even (1).
  Path path = parsePath("M 1.00000005960464478 0");
  EXPECT_EQ(path.commands[0].p().x, 1.0f);

  path = parsePath("M 0.1 123.456 1e-400 -1e-400 3.4028235e38 -3.4028235677e38");
  EXPECT_EQ(path.commands[0].p().x, 0.1f);
  EXPECT_EQ(path.commands[0].p().y, 123.456f);
  // Too small for a double: zero, with its sign.
  EXPECT_EQ(std::bit_cast<std::uint32_t>(path.commands[1].p().x), 0u);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(path.commands[1].p().y), 0x80000000u);
  // Just below the float overflow threshold: the largest float.
  EXPECT_EQ(path.commands[2].p().x, FLT_MAX);
  EXPECT_EQ(path.commands[2].p().y, -FLT_MAX);

  // A sign with a bare point reads as a zero of that sign.
  path = parsePath("M -. 5");
  EXPECT_EQ(std::bit_cast<std::uint32_t>(path.commands[0].p().x), 0x80000000u);

  // Leading unsigned zeros stand alone; long mantissas and exponents are fine.
  path = parsePath("M 001 1000000000000000000000000e-24");
  expectCommands(path, {{pMove, {0, 0}}, {pLine, {1, 1}}}, "leading zeros");
}

TEST(PathDataParse, NumbersThatOverflowAFloatAreRefused) {
  // Finite as a double, infinite as a float: a path must not hold it.
  EXPECT_EQ(parseError("M 1e39 0"),
            "parsePath: number '1e39' is beyond the float range at offset 2");
  EXPECT_EQ(parseError("M 0 -3.4028236e38"),
            "parsePath: number '-3.4028236e38' is beyond the float range at offset 4");
  // Exactly half an ulp above the largest float rounds to even: infinity.
  EXPECT_EQ(
      parseError("M 340282356779733661637539395458142568448 0"),
      "parsePath: number '340282356779733661637539...' is beyond the float range at offset 2");
  EXPECT_EQ(parseError("M 1e400 0"),
            "parsePath: number '1e400' is beyond the float range at offset 2");
  EXPECT_EQ(parseError("M 0 -1e99999999999999999999"),
            "parsePath: number '-1e99999999999999999999' is beyond the float range at offset 4");
}

TEST(PathDataParse, ErrorMessages) {
  const struct {
    const char *text;
    const char *message;
  } cases[] = {
      {"M", "parsePath: expected a number at offset 1 ('M' takes numbers in groups of 2, got 0)"},
      {"M 1", "parsePath: expected a number at offset 3 ('M' takes numbers in groups of 2, got 1)"},
      {"M 1 2 3",
       "parsePath: expected a number at offset 7 ('M' takes numbers in groups of 2, got 3)"},
      {"M L 1 2",
       "parsePath: expected a number at offset 2 ('M' takes numbers in groups of 2, got 0)"},
      {"m 1", "parsePath: expected a number at offset 3 ('m' takes numbers in groups of 2, got 1)"},
      {"M 1 2 L",
       "parsePath: expected a number at offset 7 ('L' takes numbers in groups of 2, got 0)"},
      {"M 0 0 s 1 2 3",
       "parsePath: expected a number at offset 13 ('s' takes numbers in groups of 4, got 3)"},
      {"M 0 0 A 1 1 0 0 0 1",
       "parsePath: expected a number at offset 19 ('A' takes numbers in groups of 7, got 6)"},
      {"M 0 0 c 1 2 3 4 5 6 7 z",
       "parsePath: expected a number at offset 22 ('c' takes numbers in groups of 6, got 7)"},
      {"L 1 2", "parsePath: path must begin with moveto (M or m) at offset 0"},
      {"Z", "parsePath: path must begin with moveto (M or m) at offset 0"},
      {"z M 1 2", "parsePath: path must begin with moveto (M or m) at offset 0"},
      {"1 2", "parsePath: number without a command at offset 0"},
      {"M 1 2 Z 3 4", "parsePath: number without a command at offset 8"},
      {"-1", "parsePath: number without a command at offset 0"},
      {".", "parsePath: number without a command at offset 0"},
      {"e", "parsePath: number without a command at offset 0"},
      {"M 1 2 X", "parsePath: unexpected character 'X' at offset 6"},
      {"M 1\f2", "parsePath: unexpected byte 0x0C at offset 3"},
      {"M 1\v2", "parsePath: unexpected byte 0x0B at offset 3"},
      {"M 1 2 B", "parsePath: unexpected character 'B' at offset 6"},
      {"M 1 2 \xc3\xa9", "parsePath: unexpected byte 0xC3 at offset 6"},
      {"M 0 0 A 5 5 0 2 1 10 10", "parsePath: arc flag must be 0 or 1 at offset 14"},
      {"M 0 0 A5 5 0 -1 1 10 10", "parsePath: arc flag must be 0 or 1 at offset 13"},
      {"M 0 0 A5 5 0 .5 1 10 10", "parsePath: arc flag must be 0 or 1 at offset 13"},
      {"M 0 0 A5 5 0 1 +1 10 10", "parsePath: arc flag must be 0 or 1 at offset 15"},
      {"M 0 0 A5 5 0 1 e 10 10", "parsePath: arc flag must be 0 or 1 at offset 15"},
      {"M 0 0 A5 5 0 1.5 1 10 10", "parsePath: arc flag must be 0 or 1 at offset 14"},
      {"M 0 0 A -5 5 0 0 1 10 10",
       "parsePath: invalid arc parameter at offset 8 (radii must be >= 0, flags 0 or 1)"},
      {"M 0 0 a 5 -5 0 0 1 10 10",
       "parsePath: invalid arc parameter at offset 8 (radii must be >= 0, flags 0 or 1)"},
      // A rotation "0" followed by a digit splits, and the digit becomes the flag.
      {"M 0 0 A 5 5 02 1 10 10",
       "parsePath: invalid arc parameter at offset 8 (radii must be >= 0, flags 0 or 1)"},
      {"M 1e 0", "parsePath: invalid number '1e' at offset 2"},
      {"M 1e+ 0", "parsePath: invalid number '1e+' at offset 2"},
      {"M 1e5e5 0", "parsePath: invalid number '1e5e5' at offset 2"},
      {"M 1e5.5 0", "parsePath: invalid number '1e5.5' at offset 2"},
      {"M e5 0", "parsePath: invalid number 'e5' at offset 2"},
      {"M 0 -", "parsePath: invalid number '-' at offset 4"},
      {"M 0 +", "parsePath: invalid number '+' at offset 4"},
      {"M 0 -.e1", "parsePath: invalid number '-.e1' at offset 4"},
      {"M 1e400 0", "parsePath: number '1e400' is beyond the float range at offset 2"},
  };
  for (const auto &c : cases) EXPECT_EQ(parseError(c.text), c.message) << c.text;
}

TEST(PathDataParse, EmbeddedNulIsAnUnexpectedCharacter) {
  const std::string text("M 1 2\0 3 4", 10);
  // what() is a C string: the byte is named in hex so the message is whole.
  EXPECT_EQ(parseError(text), "parsePath: unexpected byte 0x00 at offset 5");
}

TEST(PathDataParse, FirstProblemInReadingOrderWins) {
  // Scan errors in a letter's numbers come before that letter's own checks.
  EXPECT_EQ(parseError("M 0 0 A -5 5 0 0 1 10 10 X"),
            "parsePath: unexpected character 'X' at offset 25");
  EXPECT_EQ(parseError("M 1 X"), "parsePath: unexpected character 'X' at offset 4");
  EXPECT_EQ(parseError("M 1 1e"), "parsePath: invalid number '1e' at offset 4");
  // A letter's checks run when the next letter is reached, before later text.
  EXPECT_EQ(parseError("M 1 L 1 X"),
            "parsePath: expected a number at offset 4 ('M' takes numbers in groups of 2, got 1)");
  EXPECT_EQ(parseError("M 0 0 A -5 5 0 0 1 10 10 L X"),
            "parsePath: invalid arc parameter at offset 8 (radii must be >= 0, flags 0 or 1)");
  // The count check comes before the arc check of the same letter.
  EXPECT_EQ(parseError("M 0 0 A -5 5 0 0 1 10 10 1"),
            "parsePath: expected a number at offset 26 ('A' takes numbers in groups of 7, got 8)");
  // The moveto-first rule is checked last.
  EXPECT_EQ(parseError("L 1 2 M"),
            "parsePath: expected a number at offset 7 ('M' takes numbers in groups of 2, got 0)");
  EXPECT_EQ(parseError("L 1 2 X"), "parsePath: unexpected character 'X' at offset 6");
}

TEST(PathDataParse, LetterToKindAndFlushingOneLetter) {
  EXPECT_EQ(charToKind('Z'), pClose);
  EXPECT_EQ(charToKind('z'), pClose);
  EXPECT_EQ(charToKind('A'), pArc);
  EXPECT_EQ(charToKind('t'), pRTQuad);
  try {
    charToKind('x');
    ADD_FAILURE() << "no error";
  } catch (const Error &error) {
    EXPECT_STREQ(error.what(), "parsePath: unknown command 'x'");
  }

  Path path;
  const float one = 1.0f;
  try {
    flushCommands(path, pClose, {&one, 1});
    ADD_FAILURE() << "no error";
  } catch (const Error &error) {
    EXPECT_STREQ(error.what(), "parsePath: pClose takes no parameters");
  }
  flushCommands(path, pClose, {});
  const std::vector<float> numbers = {1, 2, 3, 4};
  flushCommands(path, pRMove, numbers);
  flushCommands(path, pHLine, numbers);
  EXPECT_THROW(flushCommands(path, pCubic, numbers), Error);
  expectCommands(path,
                 {{pClose, {}},
                  {pRMove, {1, 2}},
                  {pRLine, {3, 4}},
                  {pHLine, {1}},
                  {pHLine, {2}},
                  {pHLine, {3}},
                  {pHLine, {4}}},
                 "flushCommands");
  // The state is the caller's business.
  EXPECT_EQ(path.current, Vec2{});

  const std::vector<float> badFlag = {1, 1, 0, 0.5f, 0, 1, 1};
  EXPECT_THROW(flushCommands(path, pArc, badFlag), Error);
}

// Reading well-formed numbers ahead in one step must change nothing: on
// text dense in the awkward cases (exponents, second points, signs after
// 'e', leading zeros, arc flags, stray letters) both parses agree exactly.
TEST(PathDataParse, ReadingNumbersAheadMatchesTheByteRules) {
  // Mostly plain numbers and blanks, with a sprinkling of the awkward cases.
  // clang-format off
  static const char *const kPlain[] = {"0", "1", "7", "12", "3.5", "-4", ".5", "-.25", "1e2",
                                       " ", " ", ",", "\t", "H", "h", "v"};
  static const char *const kAwkward[] = {"00", ".", "-", "+", "e", "E", "e-", "1e5", "-0",
                                         "x", "M", "m", "a", "A", "l", "z", "-.", "9e99",
                                         "1e39", "1e-400", "012", "1.2.3", "1e+", "+.5",
                                         "0-1", "1110", "01.5", "1.5", "-0.", "0.5e1",
                                         "123456789012345678", "9007199254740993",
                                         "0.30000000000000004", ".000001"};
  // clang-format on
  std::mt19937 random(7);
  std::uniform_int_distribution<std::size_t> plain(0, std::size(kPlain) - 1);
  std::uniform_int_distribution<std::size_t> awkward(0, std::size(kAwkward) - 1);
  std::uniform_int_distribution<int> length(1, 30);
  int agreedSuccesses = 0;
  for (int round = 0; round < 20000; ++round) {
    // One-number letters keep most texts whole; arcs exercise the flag rules.
    static const char *const kStarts[] = {"M0 0h", "m1 1V", "M0 0a1 1 0 1"};
    std::string text = kStarts[random() % 3];
    for (int n = length(random); n > 0; --n) {
      text += random() % 8 == 0 ? kAwkward[awkward(random)] : kPlain[plain(random)];
    }
    std::string fastError, bytewiseError;
    Path fast, bytewise;
    try {
      fast = parsePath(text);
    } catch (const Error &error) {
      fastError = error.what();
    }
    try {
      bytewise = parsePathBytewise(text);
    } catch (const Error &error) {
      bytewiseError = error.what();
    }
    ASSERT_EQ(fastError, bytewiseError) << text;
    if (!fastError.empty()) continue;
    ++agreedSuccesses;
    ASSERT_EQ(fast.commands.size(), bytewise.commands.size()) << text;
    for (std::size_t i = 0; i < fast.commands.size(); ++i) {
      float x[7], y[7];
      ASSERT_EQ(fast.commands[i].kind(), bytewise.commands[i].kind()) << text;
      const int count = fast.commands[i].parameters(x);
      bytewise.commands[i].parameters(y);
      for (int k = 0; k < count; ++k) {
        ASSERT_EQ(std::bit_cast<std::uint32_t>(x[k]), std::bit_cast<std::uint32_t>(y[k])) << text;
      }
    }
  }
  // The generator must reach both outcomes for the comparison to mean much.
  EXPECT_GT(agreedSuccesses, 2000);
}

}  // namespace
}  // namespace zd::path
