// Each family of spaces against published reference values.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "color_checks.hpp"
#include "color/hub.hpp"
#include "color/space_cam16.hpp"
#include "color/space_hdr.hpp"
#include "color/space_oklab.hpp"
#include "color/whitepoint.hpp"

namespace zd::color {
namespace {

using testing::make;
using testing::near3;

Color convert(const Color &c, SpaceTag target) {
  const Result<Color> r = to(c, target);
  EXPECT_TRUE(r.isOk()) << spaceName(c.space) << " -> " << spaceName(target);
  return r.isOk() ? r.value() : Color{};
}

TEST(CieFamilies, LabAndLchOfSrgbPrimaries) {
  // CIELAB (D50, Bradford-adapted) of sRGB red and of white.
  EXPECT_TRUE(near3(convert(make(stSrgb, 1, 0, 0), stLab), 54.29, 80.81, 69.89, 0.05));
  EXPECT_TRUE(near3(convert(make(stSrgb, 1, 1, 1), stLab), 100, 0, 0, 0.01));
  const Color lch = convert(make(stSrgb, 0, 0, 1), stLch);
  EXPECT_TRUE(near3(lch, 29.57, 131.2, 301.36, 0.1));
  // The Lab formula's linear segment below (6/29)³.
  const Color darkGrey = convert(make(stXyz, 0.005f * 0.95047f, 0.005f, 0.005f * 1.08883f), stLab);
  EXPECT_NEAR(darkGrey.comps[0], 903.2963 * 0.005, 0.01);
}

TEST(CieFamilies, XyyOfTheD65White) {
  const Color white = convert(make(stSrgb, 1, 1, 1), stXyy);
  EXPECT_TRUE(near3(white, 0.3127, 0.3290, 1.0, 1e-4));
  const Color xyz = convert(make(stXyy, 0.3127f, 0.3290f, 0.5f), stXyz);
  EXPECT_TRUE(near3(xyz, 0.5 * 0.3127 / 0.3290, 0.5, 0.5 * (1 - 0.3127 - 0.3290) / 0.3290, 1e-6));
}

TEST(OklabFamily, PublishedReferenceValues) {
  // XYZ (D65) to OKLab pairs published with the space.
  struct Case {
    float x, y, z;
    double l, a, b;
  };
  const Case cases[] = {{0.950f, 1.000f, 1.089f, 1.000, 0.000, 0.000},
                        {1.000f, 0.000f, 0.000f, 0.450, 1.236, -0.019},
                        {0.000f, 1.000f, 0.000f, 0.922, -0.671, 0.263},
                        {0.000f, 0.000f, 1.000f, 0.153, -1.415, -0.449}};
  for (const Case &c : cases) {
    EXPECT_TRUE(near3(convert(make(stXyz, c.x, c.y, c.z), stOklab), c.l, c.a, c.b, 2e-3))
        << c.x << " " << c.y << " " << c.z;
  }
  const Vec3 back = oklabToLinearSrgb(linearSrgbToOklab({0.2, -0.1, 0.9}));
  EXPECT_NEAR(back[0], 0.2, 1e-7);
  EXPECT_NEAR(back[1], -0.1, 1e-7);  // negative light keeps its sign through the cube root
  EXPECT_NEAR(back[2], 0.9, 1e-7);
}

TEST(CylindricalFamilies, KnownColours) {
  EXPECT_TRUE(near3(convert(make(stSrgb, 1, 0.5f, 0), stHsv), 30, 1, 1, 1e-5));
  EXPECT_TRUE(near3(convert(make(stSrgb, 1, 0.5f, 0), stHsl), 30, 1, 0.5, 1e-5));
  EXPECT_TRUE(near3(convert(make(stSrgb, 1, 0.5f, 0), stHwb), 30, 0, 0, 1e-5));
  EXPECT_TRUE(near3(convert(make(stSrgb, 0.2f, 0.4f, 0.6f), stHsl), 210, 0.5, 0.4, 1e-5));
  EXPECT_TRUE(near3(convert(make(stSrgb, 0.5f, 0.5f, 0.5f), stHsv), 0, 0, 0.5, 1e-5));
  // Hues outside [0, 360) wrap; every sector lands on its primary or secondary.
  EXPECT_TRUE(near3(convert(make(stHsv, -120, 1, 1), stSrgb), 0, 0, 1, 1e-6));
  EXPECT_TRUE(near3(convert(make(stHsv, 480, 1, 1), stSrgb), 0, 1, 0, 1e-6));
  EXPECT_TRUE(near3(convert(make(stHsl, 300, 1, 0.5f), stSrgb), 1, 0, 1, 1e-6));
  EXPECT_TRUE(near3(convert(make(stHsl, 180, 1, 0.75f), stSrgb), 0.5, 1, 1, 1e-6));
  EXPECT_TRUE(near3(convert(make(stHwb, 60, 0.2f, 0.2f), stSrgb), 0.8, 0.8, 0.2, 1e-6));
  // Whiteness and blackness past 1 make a grey of their ratio.
  EXPECT_TRUE(near3(convert(make(stHwb, 60, 0.6f, 0.9f), stSrgb), 0.4, 0.4, 0.4, 1e-6));
}

TEST(YcbcrFamily, Bt709FullRange) {
  EXPECT_TRUE(near3(convert(make(stSrgb, 1, 0, 0), stYcbcr), 0.2126, -0.2126 / 1.8556, 0.5, 1e-6));
  EXPECT_TRUE(near3(convert(make(stSrgb, 0, 0, 1), stYcbcr), 0.0722, 0.5, -0.0722 / 1.5748, 1e-6));
  EXPECT_TRUE(near3(convert(make(stSrgb, 1, 1, 1), stYcbcr), 1, 0, 0, 1e-6));
  EXPECT_TRUE(near3(convert(make(stYcbcr, 0.5f, 0, 0), stSrgb), 0.5, 0.5, 0.5, 1e-6));
}

TEST(HdrFamilies, PqCurve) {
  // SMPTE ST 2084: 10000 cd/m² is 1, 100 cd/m² is 0.508078.
  EXPECT_NEAR(pqEncode(1.0), 1.0, 1e-12);
  EXPECT_NEAR(pqEncode(0.01), 0.508078, 1e-6);
  EXPECT_NEAR(pqEncode(0.0), 7.3095e-7, 1e-10);
  EXPECT_NEAR(pqDecode(pqEncode(0.0203)), 0.0203, 1e-12);
  EXPECT_EQ(pqDecode(0.0), 0.0);  // below the curve's foot: clamped, not NaN
}

TEST(HdrFamilies, IctcpOfGreysAndRoundTrip) {
  // Rec. 2020 grey of 100 cd/m²: I is the PQ value, Ct and Cp vanish.
  const Vec3 grey = rec2020ToIctcp({100, 100, 100});
  EXPECT_NEAR(grey[0], 0.508078, 1e-6);
  EXPECT_NEAR(grey[1], 0.0, 1e-12);
  EXPECT_NEAR(grey[2], 0.0, 1e-12);
  const Vec3 back = ictcpToRec2020(rec2020ToIctcp({250, 40, 3}));
  EXPECT_NEAR(back[0], 250, 1e-8);
  EXPECT_NEAR(back[1], 40, 1e-9);
  EXPECT_NEAR(back[2], 3, 1e-9);
  // The stored inverses are inverses.
  const Mat3 one = mul3(ictcpLmsPToIctcp, ictcpLmsPToIctcpInv);
  const Mat3 two = mul3(ictcpRgbToLms, ictcpRgbToLmsInv);
  for (int i = 0; i < 9; ++i) {
    EXPECT_NEAR(one[i], kIdentity3[i], 1e-15);
    EXPECT_NEAR(two[i], kIdentity3[i], 1e-15);
  }
  // Through the hub, sRGB white (1 cd/m²) is a neutral ICtCp colour.
  const Color white = convert(make(stSrgb, 1, 1, 1), stIctcp);
  EXPECT_NEAR(white.comps[0], pqEncode(1e-4), 1e-6);
  EXPECT_NEAR(white.comps[1], 0.0, 1e-5);
  EXPECT_NEAR(white.comps[2], 0.0, 1e-5);
}

TEST(HdrFamilies, JzazbzPublishedExample) {
  // The published example takes absolute XYZ in cd/m²; this space takes XYZ
  // with the curve's 10000 cd/m² peak at Y = 1.
  const Vec3 jab = xyzToJzazbz({0.20654008e-4, 0.12197225e-4, 0.05136952e-4});
  EXPECT_NEAR(jab[0], 0.0053504, 1e-7);
  EXPECT_NEAR(jab[1], 0.0092430, 1e-7);
  EXPECT_NEAR(jab[2], 0.0052600, 1e-7);
  const Vec3 xyz = jzazbzToXyz({0.00535048, 0.00924302, 0.00526007});
  EXPECT_NEAR(xyz[0] * 1e4, 0.2065402, 1e-6);
  EXPECT_NEAR(xyz[1] * 1e4, 0.1219723, 1e-6);
  EXPECT_NEAR(xyz[2] * 1e4, 0.0513696, 1e-6);
  // Black is Jz 0 and comes back as black.
  EXPECT_NEAR(xyzToJzazbz({0, 0, 0})[0], 0.0, 1e-15);
  EXPECT_NEAR(jzazbzToXyz({0, 0, 0})[1], 0.0, 1e-15);
}

TEST(Cam16Family, PublishedExampleUnderItsViewingConditions) {
  const ViewingConditions vc =
      makeViewingConditions({95.05, 100.0, 108.88}, 318.31, 20.0, 1.0, 0.69, 1.0, false);
  const Cam16 cam = cam16FromXyz({19.01, 20.00, 21.78}, vc);
  EXPECT_NEAR(cam.j, 41.7312079, 1e-6);
  EXPECT_NEAR(cam.c, 0.1033557, 1e-6);
  EXPECT_NEAR(cam.h, 217.0679597, 1e-5);
  EXPECT_NEAR(cam.s, 2.3450150, 1e-6);
  EXPECT_NEAR(cam.q, 195.3717089, 1e-5);
  EXPECT_NEAR(cam.m, 0.1074367, 1e-6);
  const Vec3 xyz = cam16ToXyz(cam.j, cam.c, cam.h, vc);
  EXPECT_NEAR(xyz[0], 19.01, 1e-9);
  EXPECT_NEAR(xyz[1], 20.00, 1e-9);
  EXPECT_NEAR(xyz[2], 21.78, 1e-9);
  // CAM16-UCS of the same colour: J' = 1.7·J/(1 + 0.007·J), M' = ln(1 + 0.0228·M)/0.0228.
  const Vec3 ucs = cam16ToUcs(cam);
  EXPECT_NEAR(ucs[0], 1.7 * 41.7312079 / (1 + 0.007 * 41.7312079), 1e-6);
  EXPECT_NEAR(std::atan2(ucs[2], ucs[1]) * 180 / std::numbers::pi + 360, 217.0679597, 1e-5);
  EXPECT_NEAR(std::hypot(ucs[1], ucs[2]), std::log1p(0.0228 * cam.m) / 0.0228, 1e-12);
  const Vec3 jch = ucsToJch(ucs, vc);
  EXPECT_NEAR(jch[0], cam.j, 1e-9);
  EXPECT_NEAR(jch[1], cam.c, 1e-9);
  EXPECT_NEAR(jch[2], cam.h, 1e-9);
}

TEST(Cam16Family, DefaultViewingConditions) {
  // The published defaults of the HCT system.
  const ViewingConditions &vc = defaultViewingConditions();
  EXPECT_NEAR(vc.n, 0.184, 1e-3);
  EXPECT_NEAR(vc.aw, 29.980, 2e-3);
  EXPECT_NEAR(vc.nbb, 1.016, 1e-3);
  EXPECT_NEAR(vc.rgbD[0], 1.021, 1e-3);
  EXPECT_NEAR(vc.rgbD[1], 0.986, 1e-3);
  EXPECT_NEAR(vc.rgbD[2], 0.933, 1e-3);
  EXPECT_NEAR(vc.fl, 0.388, 1e-3);
  EXPECT_NEAR(vc.flRoot, 0.789, 1e-3);
  EXPECT_NEAR(vc.z, 1.909, 1e-3);
}

TEST(Cam16Family, SrgbPrimariesUnderDefaultConditions) {
  // Published CAM16 (J, C, h) of sRGB primaries; the small slack covers the
  // slightly different sRGB matrix those figures were computed with.
  EXPECT_TRUE(near3(convert(make(stSrgb, 1, 0, 0), stCam16), 46.445, 113.357, 27.408, 0.02));
  EXPECT_TRUE(near3(convert(make(stSrgb, 0, 1, 0), stCam16), 79.331, 108.410, 142.139, 0.02));
  EXPECT_TRUE(near3(convert(make(stSrgb, 0, 0, 1), stCam16), 25.465, 87.230, 282.788, 0.03));
  EXPECT_TRUE(near3(convert(make(stSrgb, 1, 1, 1), stCam16), 100.0, 2.869, 209.492, 0.01));
  EXPECT_TRUE(near3(convert(make(stSrgb, 0, 0, 0), stCam16), 0, 0, 0, 1e-6));
}

TEST(HctFamily, PublishedHueChromaTone) {
  EXPECT_TRUE(near3(convert(make(stSrgb, 0, 1, 0), stHct), 142.139, 108.410, 87.737, 0.02));
  EXPECT_TRUE(near3(convert(make(stSrgb, 0, 0, 1), stHct), 282.788, 87.230, 32.302, 0.03));
  EXPECT_TRUE(near3(convert(make(stSrgb, 1, 0, 0), stHct), 27.408, 113.357, 53.233, 0.02));
  // Tone is CIELAB L* of Y; the solver finds the colour again.
  const Color tone50 = convert(make(stHct, 200, 30, 50), stSrgb);
  const Color back = convert(tone50, stHct);
  EXPECT_TRUE(near3(back, 200, 30, 50, 1e-3));
  EXPECT_TRUE(near3(convert(make(stHct, 120, 40, 0), stSrgb), 0, 0, 0, 1e-7));
}

}  // namespace
}  // namespace zd::color
