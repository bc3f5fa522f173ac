// The high-dynamic-range spaces: ICtCp (ITU-R BT.2100, PQ form) and
// Jzazbz (Safdar et al. 2017).
#pragma once

#include "color/matrices.hpp"

namespace zd::color {

// Linear Rec. 2020 RGB to LMS (with the 4% crosstalk), and its stored inverse.
inline constexpr Mat3 ictcpRgbToLms = {1688.0 / 4096, 2146.0 / 4096, 262.0 / 4096,
                                       683.0 / 4096,  2951.0 / 4096, 462.0 / 4096,
                                       99.0 / 4096,   309.0 / 4096,  3688.0 / 4096};
inline constexpr Mat3 ictcpRgbToLmsInv = {
    3.4366066943330784,    -2.50645211865627,    0.06984542432319148,
    -0.7913295555989287,   1.9836004517922907,   -0.192270896193362,
    -0.025949899690592672, -0.09891371471172644, 1.1248636144023192};
// PQ-encoded LMS to I, Ct, Cp, and its stored inverse.
inline constexpr Mat3 ictcpLmsPToIctcp = {2048.0 / 4096,  2048.0 / 4096,   0.0,
                                          6610.0 / 4096,  -13613.0 / 4096, 7003.0 / 4096,
                                          17933.0 / 4096, -17390.0 / 4096, -543.0 / 4096};
inline constexpr Mat3 ictcpLmsPToIctcpInv = {1.0, 0.008609037037932756,  0.11102962500302596,
                                             1.0, -0.008609037037932756, -0.11102962500302596,
                                             1.0, 0.5600313357106791,    -0.32062717498731885};

// Jzazbz: modified XYZ to LMS, PQ-like-encoded LMS to Iz, az, bz, and the
// stored inverses.
inline constexpr Mat3 jzXyzToLms = {0.41478972, 0.579999,   0.0146480, -0.2015100, 1.120649,
                                    0.0531008,  -0.0166008, 0.264800,  0.6684799};
inline constexpr Mat3 jzXyzToLmsInv = {
    1.9242264357876067,   -1.0047923125953655, 0.03765140403061801,
    0.35031676209499907,  0.7264811939316552,  -0.06538442294808502,
    -0.09098281098284758, -0.312728290523074,  1.5227665613052606};
inline constexpr Mat3 jzLmsPToIzazbz = {0.5,      0.5,      0.0,      3.524000, -4.066708,
                                        0.542708, 0.199076, 1.096799, -1.295875};
inline constexpr Mat3 jzLmsPToIzazbzInv = {1.0, 0.1386050432715393,   0.058047316156118876,
                                           1.0, -0.1386050432715393,  -0.058047316156118876,
                                           1.0, -0.09601924202631895, -0.811891896056039};

// SMPTE ST 2084 (PQ): normalised linear light (1 = 10000 cd/m²) to signal,
// and back. The decoding clamps the numerator at zero as the standard does.
double pqEncode(double linear);
double pqDecode(double signal);

// ICtCp from linear Rec. 2020 RGB in which 1 is 1 cd/m², and back.
Vec3 rec2020ToIctcp(const Vec3 &rgb);
Vec3 ictcpToRec2020(const Vec3 &ictcp);

// Jzazbz from D65 XYZ, and back. The published transform divides absolute
// luminance by 10000 before its PQ-like curve; here XYZ goes in unscaled,
// so Y = 1 is the curve's peak.
Vec3 xyzToJzazbz(const Vec3 &xyz);
Vec3 jzazbzToXyz(const Vec3 &jzazbz);

}  // namespace zd::color
