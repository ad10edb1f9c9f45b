// Reads arbitrary bytes as a weather configuration file, then runs a weather
// node with what it read: the first half second of particles, a few updates
// of odd lengths and the mesh after each.

#include "engine/content/CPixelImage.h"
#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/video/CAtlasTexture.h"
#include "engine/video/CGeometryBuffer.h"
#include "engine/video/CImageTexture.h"
#include "fuzz/video/FuzzTextures.h"
#include "game/nodes/GWeatherParticlesNode.h"

#include <cstdint>
#include <cstdlib>

namespace {

struct Setup {
    Setup() { CLog::instance()->setThreshold(CLog::User + 1); }
    CRefHandle<CPixelImage> image{CPixelImage::create(CObjectName(), ColorFormat::A8R8G8B8, 16, 64)};
    CRefHandle<FuzzTexture> texture{new FuzzTexture(image.get())};
    CRefHandle<CImageTexture> page{new CImageTexture(CObjectName(), CStringW(u"rain.png"), texture.get())};
    CRefHandle<CAtlasTexture> drop{new CAtlasTexture(CObjectName(), page.get(), CRect(0, 0, 0.25f, 1), {}, {})};
};

void check(const GWeatherParticlesNode& node) {
    const CGeometryBuffer* mesh = node.getGeometry();
    if (node.getParticleCount() > GWeatherParticlesNode::Capacity || !mesh->countsAreConsistent())
        std::abort();
    for (uint32_t i = 0; i < node.getParticleCount(); ++i) {
        const float angle = node.getParticles()[i].angle;
        if (angle < 0.0f || angle >= 360.0f)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16))
        return 0;
    static Setup setup;
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(data, size));
    CRefHandle<GWeatherParticlesNode> node(new GWeatherParticlesNode(CObjectName(), nullptr, nullptr));
    (void)readWeatherConfiguration(*reader, node->configuration());
    node->setAtlasTexture(setup.drop.get());
    node->spawnParticles(500);
    node->rebuildGeometry();
    check(*node);
    for (uint32_t step : {30u, 0u, 200u, 100000u, 30u}) {
        (void)node->update(step);
        check(*node);
    }
    return 0;
}
