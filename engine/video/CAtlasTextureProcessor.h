#pragma once

#include "engine/content/IContentProcessor.h"
#include "engine/core/CRefHandle.h"

#include <cstdint>

class IGraphicsDriver;

// The processor of atlas textures ('atex') for names no loaded collection
// provides: the file is read as an image texture ('itex', same file) and the
// atlas texture covers the whole image. It keeps its driver up to date
// through device events 10 and 11.
class CAtlasTextureProcessor : public IContentProcessor {
public:
    // Takes a reference to `driver` (may be null).
    explicit CAtlasTextureProcessor(IGraphicsDriver* driver);

    [[nodiscard]] uint32_t getContentType() const override;
    // A new atlas texture over the whole image (one reference for the
    // caller), or null when the file gives no image texture.
    [[nodiscard]] IContent* load(IContentManager* manager, IReadableFile* file, const CObjectName& name) override;

    bool onVideoDriverReleased(CEvent* event) override;
    bool onVideoDriverCreated(CEvent* event) override;

    [[nodiscard]] IGraphicsDriver* getDriver() const { return m_driver.get(); }

protected:
    ~CAtlasTextureProcessor() override;

private:
    CRefHandle<IGraphicsDriver> m_driver;
};
