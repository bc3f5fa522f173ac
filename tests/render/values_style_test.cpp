// Attribute values and the style cascade, checked through what they map
// points to and what a child ends up painted with.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "style.hpp"
#include "values.hpp"
#include "xml_tree.hpp"

namespace {

using zdr::Matrix;

struct Point {
  double x, y;
};

Point apply(const Matrix &m, Point p) {
  return {m.a * p.x + m.c * p.y + m.e, m.b * p.x + m.d * p.y + m.f};
}

void expectNear(Point got, Point want) {
  EXPECT_NEAR(got.x, want.x, 1e-9);
  EXPECT_NEAR(got.y, want.y, 1e-9);
}

// A transform list applies its last function first.
TEST(Values, TransformListsApplyRightToLeft) {
  Matrix m;
  ASSERT_TRUE(zdr::parseTransform("translate(10,20) scale(2)", m));
  expectNear(apply(m, {1, 1}), {12, 22});
  ASSERT_TRUE(zdr::parseTransform(" scale(2 3)translate(10 ,20)", m));
  expectNear(apply(m, {1, 1}), {22, 63});
  ASSERT_TRUE(zdr::parseTransform("rotate(90 10 10)", m));
  expectNear(apply(m, {20, 10}), {10, 20});
  ASSERT_TRUE(zdr::parseTransform("rotate(-90)", m));
  expectNear(apply(m, {1, 0}), {0, -1});
  ASSERT_TRUE(zdr::parseTransform("skewX(45)", m));
  expectNear(apply(m, {0, 2}), {2, 2});
  ASSERT_TRUE(zdr::parseTransform("skewY(45)", m));
  expectNear(apply(m, {2, 0}), {2, 2});
  ASSERT_TRUE(zdr::parseTransform("matrix(1 2 3 4 5 6)", m));
  expectNear(apply(m, {1, 1}), {9, 12});
  ASSERT_TRUE(zdr::parseTransform("translate(5)", m));
  expectNear(apply(m, {0, 0}), {5, 0});
  ASSERT_TRUE(zdr::parseTransform("", m));
  expectNear(apply(m, {3, 4}), {3, 4});
}

// A transform that does not parse is ignored as a whole.
TEST(Values, BadTransformsLeaveTheMatrix) {
  for (const char *text : {"translate(1,2", "rotate(1 2)", "scale()", "matrix(1 2 3)",
                           "translate(1) junk", "scale(1e400)", "skewX(1,2)"}) {
    Matrix m = Matrix::translate(7, 8);
    EXPECT_FALSE(zdr::parseTransform(text, m)) << text;
    EXPECT_EQ(m.e, 7);
  }
}

TEST(Values, NumbersAndLengths) {
  std::vector<double> values;
  ASSERT_TRUE(zdr::parseNumberList("10-5.5.5,1e2 +3", values));
  EXPECT_EQ(values, (std::vector<double>{10, -5.5, 0.5, 100, 3}));
  EXPECT_FALSE(zdr::parseNumberList("1, 2, x", values));
  zdr::readNumbers("1 2 3 x 4", values);
  EXPECT_EQ(values, (std::vector<double>{1, 2, 3}));

  const zdr::Viewport viewport{200, 100};
  zdr::Length length;
  ASSERT_TRUE(zdr::parseLength(" 50% ", length));
  EXPECT_EQ(zdr::resolve(length, viewport, zdr::Axis::X), 100);
  EXPECT_EQ(zdr::resolve(length, viewport, zdr::Axis::Y), 50);
  EXPECT_NEAR(zdr::resolve(length, viewport, zdr::Axis::Diagonal), 0.5 * std::sqrt(25000.0), 1e-9);
  ASSERT_TRUE(zdr::parseLength("1in", length));
  EXPECT_EQ(zdr::resolve(length, viewport, zdr::Axis::X), 96);
  ASSERT_TRUE(zdr::parseLength("3pt", length));
  EXPECT_EQ(zdr::resolve(length, viewport, zdr::Axis::X), 4);
  for (const char *bad : {"", "px", "1 2", "1qq", "nan", "inf", "--1"}) {
    EXPECT_FALSE(zdr::parseLength(bad, length)) << bad;
  }
}

// The view box is scaled by one factor and aligned as preserveAspectRatio
// says, or stretched with none.
TEST(Values, ViewBoxMapping) {
  zdr::ViewBox box;
  ASSERT_TRUE(zdr::parseViewBox("0 0 10 20", box));
  EXPECT_FALSE(zdr::parseViewBox("0 0 -1 2", box));
  const struct {
    const char *ratio;
    Point topLeft, bottomRight;
  } cases[] = {
      {"", {35, 0}, {65, 60}},
      {"xMinYMin", {0, 0}, {30, 60}},
      {"xMaxYMax meet", {70, 0}, {100, 60}},
      {"xMidYMid slice", {0, -70}, {100, 130}},
      {"none", {0, 0}, {100, 60}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.ratio);
    zdr::AspectRatio ratio;
    if (c.ratio[0] != '\0') {
      ASSERT_TRUE(zdr::parseAspectRatio(c.ratio, ratio));
    }
    const Matrix m = zdr::viewBoxMatrix(box, ratio, 100, 60);
    expectNear(apply(m, {0, 0}), c.topLeft);
    expectNear(apply(m, {10, 20}), c.bottomRight);
  }
  zdr::AspectRatio ratio;
  EXPECT_FALSE(zdr::parseAspectRatio("xMidYMad", ratio));
  EXPECT_FALSE(zdr::parseAspectRatio("xMinYMin sliced", ratio));
}

class Cascade : public ::testing::Test {
 protected:
  zdr::Style styleOf(const std::string &document, const std::string &id) {
    zdr::ParseError error;
    EXPECT_TRUE(zdr::parseDocument(document, document_, error)) << error.message;
    return walk(*document_.root, zdr::Style{}, id);
  }

  zdr::Document document_;
  zdr::ColorParser colors_;
  zdr::Diagnostics diagnostics_{nullptr, nullptr};

 private:
  zdr::Style walk(const zdr::Element &element, const zdr::Style &parent, const std::string &id) {
    const zdr::Style style = zdr::computeStyle(element, parent, colors_, diagnostics_);
    const std::string *own = element.attribute("id");
    if (own != nullptr && *own == id) return style;
    for (const auto &child : element.children) {
      zdr::Style found = walk(*child, style, id);
      if (found.strokeWidth.value == -1) continue;
      return found;
    }
    zdr::Style none;
    none.strokeWidth.value = -1;
    return none;
  }
};

TEST_F(Cascade, StyleBeatsAttributesAndChildrenInherit) {
  const zdr::Style s = styleOf(
      "<svg xmlns='http://www.w3.org/2000/svg'>"
      "<g fill='red' stroke='blue' stroke-width='3' opacity='0.5' style='fill-opacity:0.25'>"
      "<g fill='lime' style='fill: #00f !important; stroke-linecap: round'>"
      "<rect id='r' stroke='inherit' fill-rule='evenodd' stroke-dasharray='1, 2 3'/>"
      "</g></g></svg>",
      "r");
  ASSERT_EQ(s.fill.kind, zdr::PaintKind::Color);
  EXPECT_EQ(s.fill.color.b, 1.0f);
  EXPECT_EQ(s.fill.color.g, 0.0f);
  EXPECT_EQ(s.stroke.kind, zdr::PaintKind::Color);
  EXPECT_EQ(s.stroke.color.b, 1.0f);
  EXPECT_EQ(s.strokeWidth.value, 3);
  EXPECT_EQ(s.fillOpacity, 0.25);
  EXPECT_EQ(s.opacity, 1);  // not inherited
  EXPECT_EQ(s.cap, 1);
  EXPECT_TRUE(s.evenOdd);
  EXPECT_EQ(s.dashes.size(), 3u);
}

TEST_F(Cascade, InvalidValuesKeepTheInheritedOnes) {
  const zdr::Style s = styleOf(
      "<svg xmlns='http://www.w3.org/2000/svg'>"
      "<g fill='red' stroke-width='4' stroke-linejoin='bevel' fill-opacity='0.5' "
      "stroke-dasharray='5 5'>"
      "<rect id='r' fill='notacolour' stroke-width='-1' stroke-linejoin='pointy' "
      "fill-opacity='half' stroke-dasharray='1 -2' stroke-miterlimit='0.5'/></g></svg>",
      "r");
  EXPECT_EQ(s.fill.color.r, 1.0f);
  EXPECT_EQ(s.strokeWidth.value, 4);
  EXPECT_EQ(s.join, 2);
  EXPECT_EQ(s.fillOpacity, 0.5);
  EXPECT_EQ(s.dashes.size(), 2u);
  EXPECT_EQ(s.miterLimit, 4);
}

TEST_F(Cascade, PaintsKeywordsAndReferences) {
  const zdr::Style s = styleOf(
      "<svg xmlns='http://www.w3.org/2000/svg'><g color='green' fill='currentColor'>"
      "<rect id='r' stroke=\"url( '#grad' ) rgb(0,0,255)\" visibility='hidden' "
      "opacity='150%' display='none'/></g></svg>",
      "r");
  EXPECT_EQ(s.fill.kind, zdr::PaintKind::CurrentColor);
  EXPECT_NEAR(s.color.g, 128 / 255.0, 1e-6);
  ASSERT_EQ(s.stroke.kind, zdr::PaintKind::Url);
  EXPECT_EQ(s.stroke.url, "grad");
  EXPECT_EQ(s.stroke.fallback, zdr::PaintKind::Color);
  EXPECT_EQ(s.stroke.fallbackColor.b, 1.0f);
  EXPECT_FALSE(s.visible);
  EXPECT_EQ(s.opacity, 1);  // clamped
  EXPECT_TRUE(s.displayNone);
}

}  // namespace

namespace {

// Rules apply by specificity, then in order, between the presentation
// attributes and style="…"; selectors beyond one compound are skipped with
// one warning per kind.
TEST(StyleSheet, SpecificityOrderAndSkippedSelectors) {
  std::vector<std::string> warnings;
  zdr::Diagnostics diagnostics(
      [](void *context, const char *message) {
        static_cast<std::vector<std::string> *>(context)->push_back(message);
      },
      &warnings);
  zdr::StyleSheet sheet;
  sheet.add(
      "#x { stroke-width: 9 } rect.a.b { fill: blue } rect { fill: red; stroke-width: 2 }"
      " .a { fill: lime; stroke-width: 3 } g rect { fill: black } a:hover { fill: black }"
      " @media print { rect { fill: black } } * { stroke-linecap: round }",
      diagnostics, 4);
  zdr::Document document;
  zdr::ParseError error;
  ASSERT_TRUE(zdr::parseDocument(
      "<svg xmlns='http://www.w3.org/2000/svg'><rect class=' b  a' fill='gold'/>"
      "<rect id='x' class='a' style='stroke-width: 5'/><circle class='ab'/></svg>",
      document, error));
  zdr::ColorParser colors;
  const auto &children = document.root->children;
  const zdr::Style both = zdr::computeStyle(*children[0], {}, colors, diagnostics, &sheet);
  EXPECT_EQ(both.fill.color.b, 1.0f);  // rect.a.b beats .a, rect and the attribute
  EXPECT_EQ(both.strokeWidth.value, 3);
  EXPECT_EQ(both.cap, 1);
  const zdr::Style withId = zdr::computeStyle(*children[1], {}, colors, diagnostics, &sheet);
  EXPECT_EQ(withId.fill.color.g, 1.0f);
  EXPECT_EQ(withId.strokeWidth.value, 5);  // style="…" beats #x
  const zdr::Style other = zdr::computeStyle(*children[2], {}, colors, diagnostics, &sheet);
  EXPECT_EQ(other.fill.color.r, 0.0f);  // no rule matches class "ab"
  EXPECT_EQ(other.cap, 1);
  EXPECT_EQ(warnings, (std::vector<std::string>{"unsupported CSS selector skipped (line 4)",
                                                "unsupported CSS at-rule skipped (line 4)"}));
}

}  // namespace
