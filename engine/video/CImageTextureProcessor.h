#pragma once

#include "engine/content/IContentProcessor.h"
#include "engine/core/CRefHandle.h"

#include <cstdint>

class CContentProcessorsManager;
class IGraphicsDriver;

// The processor of image textures ('itex'): reads the image through the
// content manager ('imag', same file) and uploads it with its video driver.
// It follows the device events: event 10 drops its driver and, through the
// content manager's notification, the driver texture of every cached image
// texture; event 11 takes the new driver and, when that is a real one (not
// the null driver), reads every cached image texture's file again and gives
// it a new driver texture.
class CImageTextureProcessor : public IContentProcessor {
public:
    // Takes a reference to `driver` (may be null: nothing loads then).
    explicit CImageTextureProcessor(IGraphicsDriver* driver);

    // Notified after the processors of priority 0, as the textures it
    // re-creates must exist before anything built on them is looked at.
    [[nodiscard]] int32_t getPriority() const override { return 1; }
    [[nodiscard]] uint32_t getContentType() const override;
    // A new image texture over the file's image (one reference for the
    // caller), or null when the image does not load or the driver makes no
    // texture of it.
    [[nodiscard]] IContent* load(IContentManager* manager, IReadableFile* file, const CObjectName& name) override;
    void notify(CEvent* event, CContentMap& cached) override;

    bool onVideoDriverReleased(CEvent* event) override;
    bool onVideoDriverCreated(CEvent* event) override;

    // No reference handed out.
    [[nodiscard]] IGraphicsDriver* getDriver() const { return m_driver.get(); }

protected:
    ~CImageTextureProcessor() override;

private:
    CRefHandle<IGraphicsDriver> m_driver;
};
