// Gradient elements resolved along their href chains, and their geometry for
// a shape's bounding box.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "gradients.hpp"

namespace {

class Gradients : public ::testing::Test {
 protected:
  zdr::Gradient resolve(const std::string &body, const std::string &id) {
    document_ = zdr::Document{};
    zdr::ParseError error;
    EXPECT_TRUE(zdr::parseDocument(
        "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink'>" +
            body + "</svg>",
        document_, error))
        << error.message;
    return zdr::resolveGradient(document_, *document_.ids.at(id), colors_, diagnostics_);
  }

  zdr::Document document_;
  zdr::ColorParser colors_;
  zdr::Diagnostics diagnostics_{nullptr, nullptr};
};

// Attributes come from the nearest element of the chain that has them
// (geometry only from the same kind), stops from the first that has any.
TEST_F(Gradients, HrefChainsInheritAttributesAndStops) {
  const zdr::Gradient g = resolve(
      "<linearGradient id='base' x1='10%' gradientUnits='userSpaceOnUse' spreadMethod='reflect'>"
      "<stop offset='0' stop-color='red'/><stop offset='50%' stop-color='blue' "
      "stop-opacity='0.5'/><stop offset='0.2' style='stop-color:lime'/></linearGradient>"
      "<radialGradient id='middle' href='#base' cx='1' x2='7' gradientTransform='scale(2)'/>"
      "<linearGradient id='top' xlink:href='#middle' x2='30' spreadMethod='bogus'>"
      "<desc/></linearGradient>",
      "top");
  EXPECT_FALSE(g.radial);
  EXPECT_TRUE(g.userSpace);
  EXPECT_EQ(g.spread, 2);
  EXPECT_EQ(g.transform.a, 2);
  EXPECT_EQ(g.x1.value, 10);
  EXPECT_EQ(g.x1.unit, zdr::Unit::Percent);
  EXPECT_EQ(g.x2.value, 30);  // its own, not the radial one's 7
  ASSERT_EQ(g.stops.size(), 3u);
  EXPECT_EQ(g.stops[0].color.r, 1.0f);
  EXPECT_EQ(g.stops[1].offset, 0.5);
  EXPECT_EQ(g.stops[1].color.b, 1.0f);
  EXPECT_EQ(g.stops[1].color.a, 0.5f);
  EXPECT_EQ(g.stops[2].offset, 0.5);  // never below the previous offset
  EXPECT_EQ(g.stops[2].color.g, 1.0f);
}

TEST_F(Gradients, CyclesEndTheChain) {
  const zdr::Gradient g = resolve(
      "<linearGradient id='a' href='#b' x1='3'/><linearGradient id='b' href='#a' x2='4'>"
      "<stop offset='1' stop-color='white'/></linearGradient>",
      "a");
  EXPECT_EQ(g.x1.value, 3);
  EXPECT_EQ(g.x2.value, 4);
  EXPECT_EQ(g.stops.size(), 1u);
}

// In bounding-box units the gradient's space is the box; user-space
// percentages refer to the viewport.
TEST_F(Gradients, GeometryFollowsTheUnits) {
  const double bounds[4] = {10, 20, 100, 50};
  const zdr::Viewport viewport{200, 100};
  zdr::GradientGeometry geometry;
  zdr::Gradient box = resolve("<linearGradient id='g' x1='0.25' x2='100%'/>", "g");
  ASSERT_TRUE(zdr::gradientGeometry(box, bounds, viewport, geometry));
  EXPECT_EQ(geometry.values[0], 0.25);
  EXPECT_EQ(geometry.values[2], 1);
  EXPECT_EQ(geometry.toUser.a, 100);
  EXPECT_EQ(geometry.toUser.d, 50);
  EXPECT_EQ(geometry.toUser.e, 10);
  EXPECT_EQ(geometry.toUser.f, 20);

  zdr::Gradient user =
      resolve("<radialGradient id='g' gradientUnits='userSpaceOnUse' cx='50%' fx='400'/>", "g");
  ASSERT_TRUE(zdr::gradientGeometry(user, bounds, viewport, geometry));
  EXPECT_EQ(geometry.values[3], 100);  // cx: half the viewport's width
  EXPECT_EQ(geometry.values[4], 50);
  const double r = 0.5 * std::sqrt((200.0 * 200 + 100.0 * 100) / 2);
  EXPECT_NEAR(geometry.values[5], r, 1e-9);
  // The focal point outside the end circle is pulled onto it.
  EXPECT_NEAR(geometry.values[0], 100 + r * 0.999, 1e-9);
  EXPECT_EQ(geometry.values[1], 50);

  const double flat[4] = {0, 0, 10, 0};
  EXPECT_FALSE(zdr::gradientGeometry(box, flat, viewport, geometry));
  zdr::Gradient singular = resolve("<linearGradient id='g' gradientTransform='scale(0)'/>", "g");
  EXPECT_FALSE(zdr::gradientGeometry(singular, bounds, viewport, geometry));
}

}  // namespace
