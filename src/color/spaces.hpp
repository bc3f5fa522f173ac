// Registration steps of the space modules, called by initColorSpaces in
// the registry's fixed order.
#pragma once

namespace zd::color {

void registerSrgbSpaces();         // "srgb", "srgb-linear"
void registerCieSpaces();          // "xyz", "xyy", "lab", "lch"
void registerOklabSpaces();        // "oklab", "oklch"
void registerWideRgbSpaces();      // "p3" ... "prophoto-linear"
void registerCylindricalSpaces();  // "hsv", "hsl", "hwb"
void registerCmykSpace();          // "cmyk"
void registerYcbcrSpace();         // "ycbcr"
void registerHdrSpaces();          // "ictcp", "jzazbz"
void registerCam16Spaces();        // "cam16", "cam16-ucs"
void registerHctSpace();           // "hct"

}  // namespace zd::color
