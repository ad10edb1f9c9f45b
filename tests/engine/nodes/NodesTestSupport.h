#pragma once

#include "engine/content/CPixelImage.h"
#include "engine/core/CArray.h"
#include "engine/core/CRect.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CVector2d.h"
#include "engine/scene/CRenderItem.h"
#include "engine/scene/Font.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/CImageTexture.h"

#include <functional>

class BaseNode;
class IGraphicsDriver;

// A page of `width` x `height` held by a memory driver texture, coloured by
// `color` (x, y); with `keepImage` the texture keeps its picture for the
// per-pixel hit test.
[[nodiscard]] CRefHandle<CImageTexture> makePage(uint32_t width, uint32_t height,
                                                 const std::function<CColor(uint32_t, uint32_t)>& color,
                                                 bool keepImage = true);
// The atlas texture of `pixels` (left, top, right, bottom) of `page`.
[[nodiscard]] CRefHandle<CAtlasTexture> makeAtlas(CImageTexture* page, const CRect& pixels, CVector2d b = {},
                                                  CVector2d a = {}, const char16_t* name = u"atlas.png");

// A font filled by the test: glyphs of `width` x `height` at (column * 16,
// 0) of one 256 x 32 page, one per character of `characters`.
class TestFont : public Font {
public:
    TestFont(const char16_t* characters, float width, float height, float spaceWidth);

    void load(CXmlStreamReader*, int) override {}
    [[nodiscard]] bool write(CXmlStreamWriter*, int) override { return false; }

    using Font::setKerning;

    CRefHandle<CImageTexture> page;

protected:
    ~TestFont() override = default;
};

// What a scene manager does for one frame: collect the render items of
// `root`'s subtree, then draw them in order inside one batch run.
void drawTree(BaseNode* root, IGraphicsDriver* driver);
