#pragma once

#include "engine/video/IDriverTexture.h"

// A texture with a size and nothing behind it: benchmarks draw with it into
// the null driver, so only the nodes' own work is measured, and the node
// scene fuzz target gives it to the nodes it loads.
class BenchTexture : public IDriverTexture {
public:
    explicit BenchTexture(CSizeI size) : m_size(size) {}
    void* lock(bool) override { return nullptr; }
    void unlock() override {}
    const CSizeI& imageSize() const override { return m_size; }
    const CSizeI& size() const override { return m_size; }
    int32_t driverType() const override { return 0; }
    ColorFormat colorFormat() const override { return ColorFormat::A8R8G8B8; }
    uint32_t pitch() const override { return 0; }
    bool hasMipMaps() const override { return false; }
    void regenerateMipMaps() override {}
    bool isRenderTarget() const override { return false; }
    CPixelImage* image() const override { return nullptr; }
    void dropImage() override {}

private:
    CSizeI m_size;
};
