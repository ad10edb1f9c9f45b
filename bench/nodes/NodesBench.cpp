// The standard nodes against the quad batch they feed, side by side.
//
// A screen of 1,000 batched sprites (eight atlas pictures of one page) and
// 100 texts of a dozen glyphs is drawn through the scene manager into the
// Null driver: every frame collects the render items, refreshes what is
// dirty (nothing here) and lets each node hand its ready quads to the batch.
// The baseline pushes the very same quads straight into the batch.
//   BM_NodeFrame/tree   ...
//   BM_NodeFrame/raw    ...
// Read the pair as a ratio: tree Time / raw Time (the goal is at most 2).
// The allocs/frame counter counts heap allocations per frame; a frame with
// nothing changed should make none.
// BM_NodeFrameSorted is the tree with depth sorting on.
// Run in a release build, for instance:
//   build/release/bench/bench_nodes --benchmark_min_time=0.5

#include "bench/support/AllocationCount.h"
#include "engine/content/CPixelImage.h"
#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CRefHandle.h"
#include "engine/nodes/SpriteNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/BaseNode.h"
#include "engine/scene/Font.h"
#include "engine/scene/SceneManager.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/CImageTexture.h"
#include "engine/video/CNullGraphicsDriver.h"
#include "engine/video/CQuadBatch.h"
#include "bench/support/BenchTexture.h"
#include "engine/video/IDriverTexture.h"
#include "engine/video/IGraphicsDriver.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kSprites = 1000;
constexpr int kTexts = 100;

// A texture of the Null driver's world: a size and nothing else.
// A font of 16 x 16 glyphs for the printable ASCII range on one page.
class BenchFont : public Font {
public:
    explicit BenchFont(CAtlasTexture* page) : Font(CObjectName()) {
        addTexture(page);
        for (char16_t c = 32; c < 127; ++c) {
            FontGlyph glyph;
            glyph.left = float((c - 32) % 16) * 16.0f;
            glyph.top = float((c - 32) / 16) * 16.0f;
            glyph.right = glyph.left + 12.0f;
            glyph.bottom = glyph.top + 16.0f;
            glyph.width = 12.0f;
            glyph.height = 16.0f;
            glyph.a = CVector2d(2.0f, 0.0f);
            addGlyph(c, glyph);
        }
        finishLoading();
    }
    void load(CXmlStreamReader*, int) override {}
    bool write(CXmlStreamWriter*, int) override { return false; }
};

// The screen: a scene manager holding one scene root with the sprites and texts.
struct Screen {
    Screen() {
        CRefHandle<BenchTexture> texture(new BenchTexture(CSizeI(256, 256)));
        page.reset(new CImageTexture(CObjectName(), CStringW(u"page.png"), texture.get()));
        for (int i = 0; i < 8; ++i) {
            const float x = float(i % 4) * 64.0f;
            const float y = float(i / 4) * 64.0f;
            pictures.emplace_back(new CAtlasTexture(CObjectName(), page.get(),
                                                    CRect(x / 256, y / 256, (x + 48) / 256, (y + 48) / 256),
                                                    CVector2d(), CVector2d()));
        }
        CRefHandle<BenchTexture> fontTexture(new BenchTexture(CSizeI(256, 128)));
        fontPage.reset(new CImageTexture(CObjectName(), CStringW(u"font.png"), fontTexture.get()));
        fontAtlas.reset(new CAtlasTexture(CObjectName(), fontPage.get(), CRect(0, 0, 1, 1), CVector2d(), CVector2d()));
        font.reset(new BenchFont(fontAtlas.get()));

        manager.reset(new SceneManager(CObjectName(), nullptr, nullptr));
        scene.reset(new BaseNode(CObjectName(), nullptr, nullptr));
        manager->addChild(scene.get());
        for (int i = 0; i < kSprites; ++i) {
            CRefHandle<SpriteNode> sprite(new SpriteNode(CObjectName(), nullptr, nullptr));
            sprite->setPosition(CVector3d(float(i % 40) * 25.0f, float(i / 40) * 30.0f, 0.0f));
            sprite->setAtlasTexture(pictures[size_t(i) % pictures.size()].get());
            sprite->setBatched(true);
            scene->addChild(sprite.get());
        }
        for (int i = 0; i < kTexts; ++i) {
            CRefHandle<TextNode> text(new TextNode(CObjectName(), nullptr, nullptr));
            text->setPosition(CVector3d(float(i % 5) * 200.0f, float(i / 5) * 36.0f, 0.0f));
            text->setBounds(CVector3d(190.0f, 30.0f, 0.0f));
            text->setFont(font.get());
            text->setText(CStringW(u"Gold: ") + CStringW(int(1000 + i * 37)) + u" g");
            scene->addChild(text.get());
        }
        CEngineCreationParams params;
        driver.reset(createNullDriver(params, nullptr, nullptr));
        // One frame settles the transforms, so that the measured frames change nothing.
        manager->renderScenes(driver.get());
        for (BaseNode* child : scene->getChildren()) {
            if (const SpriteNode* sprite = nodeCast<SpriteNode>(child))
                quads.push_back(&sprite->getQuad());
            else if (const TextNode* text = nodeCast<TextNode>(child))
                for (const CBatchQuad& quad : text->getGlyphQuads())
                    quads.push_back(&quad);
        }
    }
    ~Screen() {
        scene.reset();
        manager.reset();
    }

    CRefHandle<CImageTexture> page;
    CRefHandle<CImageTexture> fontPage;
    std::vector<CRefHandle<CAtlasTexture>> pictures;
    CRefHandle<CAtlasTexture> fontAtlas;
    CRefHandle<BenchFont> font;
    CRefHandle<SceneManager> manager;
    CRefHandle<BaseNode> scene;
    CRefHandle<IGraphicsDriver> driver;
    std::vector<const CBatchQuad*> quads;
};

Screen& screen() {
    static Screen* shared = new Screen();
    return *shared;
}

void reportAllocations(benchmark::State& state, uint64_t before) {
    const uint64_t made = allocationCount() - before;
    state.counters["allocs/frame"] = double(made) / double(state.iterations());
    state.counters["quads"] = double(screen().quads.size());
}

void BM_NodeFrame_tree(benchmark::State& state) {
    Screen& s = screen();
    s.manager->setDepthSorting(state.range(0) != 0);
    const uint64_t before = allocationCount();
    for (auto _ : state)
        s.manager->renderScenes(s.driver.get());
    reportAllocations(state, before);
    s.manager->setDepthSorting(false);
}

void BM_NodeFrame_raw(benchmark::State& state) {
    Screen& s = screen();
    CQuadBatch* batch = s.driver->quadBatch();
    const uint64_t before = allocationCount();
    for (auto _ : state) {
        batch->begin();
        for (const CBatchQuad* quad : s.quads)
            batch->addQuadVertices(quad);
        batch->end();
    }
    reportAllocations(state, before);
}

} // namespace

BENCHMARK(BM_NodeFrame_tree)->Name("BM_NodeFrame/tree")->Arg(0);
BENCHMARK(BM_NodeFrame_raw)->Name("BM_NodeFrame/raw");
BENCHMARK(BM_NodeFrame_tree)->Name("BM_NodeFrameSorted/tree")->Arg(1);
