#pragma once

#include "engine/core/CVector2d.h"
#include "engine/video/CRectI.h"
#include "engine/video/CSizeI.h"

#include <cstdint>

// The rules that fit the 1024 x 768 design screen to a window and choose the
// window itself. Pure functions of their arguments, so that the game object
// and its tests share them.

inline constexpr float kDesignWidth = 1024.0f;
inline constexpr float kDesignHeight = 768.0f;
inline constexpr CSizeI kNormalWindowSize{1024, 768};
inline constexpr CSizeI kWideWindowSize{1228, 768};

// Where the design screen goes in a window of a given size, and the two black
// bars drawn over what lies outside it.
struct GScreenAlignment {
    // False for a window without area (a minimised one reports 0 x 0):
    // nothing else is set, and the layout shown keeps as it was.
    bool usable = false;
    CVector2d position;
    CVector2d scale;
    CRectI firstBar;
    CRectI secondBar;
    // The picture is stretched to the window (aspect ratio within 10 % of 4:3).
    bool stretched = false;
    float screenRatio = 0.0f;
    float designRatio = 0.0f;
    float difference = 0.0f;
};

// Within 10 % of 4:3 the picture is stretched and no bar shows. A narrower
// window scales it to the width and centres it with bars above and below. A
// wider one scales it to the height and centres it; its bars cover only what
// lies outside a picture of ratio 1.6, so scenes may show decoration beyond
// the design width (below 1.6 the bars come out 1 pixel wide or empty).
[[nodiscard]] GScreenAlignment alignScreen(int32_t width, int32_t height);

// The stored "VideoDriver" setting as a driver type: 1 (Direct3D 8),
// 2 (Direct3D 9) or 3 (OpenGL); anything else counts as 2.
[[nodiscard]] int32_t videoDriverFromSetting(int32_t stored);

// A window is allowed only on a desktop taller than 788 pixels; lower ones
// play full-screen.
[[nodiscard]] constexpr bool desktopAllowsWindow(int32_t desktopHeight) { return desktopHeight > 788; }

// The wide layout is used when asked for and the desktop is wider than the
// wide window plus 20 pixels.
[[nodiscard]] constexpr CSizeI chooseWindowSize(bool autoWide, int32_t desktopWidth) {
    return autoWide && desktopWidth > kWideWindowSize.width + 20 ? kWideWindowSize : kNormalWindowSize;
}
