#include "tests/engine/nodes/NodesTestSupport.h"

#include "engine/core/CObjectName.h"
#include "engine/scene/BaseNode.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/IGraphicsDriver.h"
#include "tests/support/CTestDriverTexture.h"

CRefHandle<CImageTexture> makePage(uint32_t width, uint32_t height,
                                   const std::function<CColor(uint32_t, uint32_t)>& color, bool keepImage) {
    CRefHandle<CPixelImage> image(CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, width, height));
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            image->putPixel(x, y, color(x, y));
    CRefHandle<CTestDriverTexture> texture(new CTestDriverTexture(image.get(), ColorFormat::A8R8G8B8, keepImage, 0));
    return CRefHandle<CImageTexture>(new CImageTexture(CObjectName(), CStringW(u"page.png"), texture.get()));
}

CRefHandle<CAtlasTexture> makeAtlas(CImageTexture* page, const CRect& pixels, CVector2d b, CVector2d a,
                                    const char16_t* name) {
    const float w = float(page->getTexture()->size().width);
    const float h = float(page->getTexture()->size().height);
    const CRect coords(pixels.left / w, pixels.top / h, pixels.right / w, pixels.bottom / h);
    return CRefHandle<CAtlasTexture>(new CAtlasTexture(CObjectName(nullptr, CStringW(name)), page, coords, b, a));
}

TestFont::TestFont(const char16_t* characters, float width, float height, float spaceWidth)
    : Font(CObjectName(nullptr, CStringW(u"test.mfnt"))) {
    page = makePage(256, 32, [](uint32_t, uint32_t) { return CColor(0xFFFFFFFFu); });
    CRefHandle<CAtlasTexture> atlas = makeAtlas(page.get(), CRect(0, 0, 256, 32));
    addTexture(atlas.get());
    float column = 0.0f;
    for (const char16_t* c = characters; *c; ++c, column += 16.0f) {
        FontGlyph glyph;
        glyph.width = *c == u' ' ? spaceWidth : width;
        glyph.height = height;
        glyph.left = column;
        glyph.right = column + glyph.width;
        glyph.bottom = height;
        addGlyph(*c, glyph);
    }
    finishLoading();
}

void drawTree(BaseNode* root, IGraphicsDriver* driver) {
    CArray<CRenderItem> list;
    root->registerForRendering(list);
    CQuadBatch* batch = driver->quadBatch();
    batch->begin();
    for (const CRenderItem& item : list)
        item.node->render(driver, item.clip);
    batch->end();
}
