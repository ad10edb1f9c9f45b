#pragma once

#include "engine/core/CStringW.h"

#include <functional>

class CPixelImage;

// Gives `onBlack` (a frame cleared black) the alpha that the same frame
// cleared white reveals: per pixel red(onBlack) - red(onWhite) + 255, clamped
// to 0..255, over the area both images share. Colours stay.
void mergeScreenshotAlpha(CPixelImage& onBlack, const CPixelImage& onWhite);

// `folder` + "/screenshot" + n + ".png" for the first n from 0 whose file
// `exists` denies.
[[nodiscard]] CStringW nextScreenshotPath(const CStringW& folder, const std::function<bool(const CStringW&)>& exists);
