#pragma once

#include "engine/content/CContentManager.h"
#include "engine/content/CContentProcessorsManager.h"
#include "engine/content/CImageFormatRegistry.h"
#include "engine/content/CPixelImage.h"
#include "engine/core/CColor.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CVirtualFileSystem.h"
#include "tests/support/CRecordingGraphicsDriver.h"
#include "tests/engine/video/DriverTestSupport.h"
#include "tests/support/TestSupport.h"

#include <cstdint>
#include <functional>
#include <string>

// A recording driver whose textures may be padded to powers of two (as GL
// drivers without non-power-of-two support do) and whose driver type can be
// set, so that device events can treat it as a real driver. Counts the
// textures it makes.
class CTextureTestDriver : public CRecordingGraphicsDriver {
public:
    [[nodiscard]] static CTextureTestDriver* create(int32_t type, bool padToPowerOfTwo);

    [[nodiscard]] int32_t driverType() const override { return m_type; }
    [[nodiscard]] IDriverTexture* makeDriverTexture(CPixelImage* image) override;
    [[nodiscard]] int texturesMade() const { return m_made; }

protected:
    CTextureTestDriver(int32_t type, bool pad);
    ~CTextureTestDriver() override = default;

private:
    int32_t m_type;
    bool m_pad;
    int m_made = 0;
};

// The content layer over a temporary folder mounted as the file system's
// root: a content manager with the image, image texture, atlas texture and
// atlas collection processors over a CTextureTestDriver. Tests add the
// processors they need beyond those.
class TextureTestStack {
public:
    explicit TextureTestStack(bool padToPowerOfTwo = false, int32_t driverType = 2);
    ~TextureTestStack();

    // Writes a PNG of `width` x `height` with each pixel from `color` to
    // `relative` in the folder.
    void writePng(const std::string& relative, uint32_t width, uint32_t height,
                  const std::function<CColor(uint32_t, uint32_t)>& color) const;
    void writeText(const std::string& relative, const std::string& text) const { (void)dir.write(relative, text); }

    // `load` of `type` cast to T (one reference), null when it is none.
    template <class T> [[nodiscard]] CRefHandle<T> load(uint32_t type, const CStringW& name) {
        IContent* content = manager->load(type, name, false);
        T* object = dynamic_cast<T*>(content);
        if (!object && content)
            content->release();
        return CRefHandle<T>(object);
    }

    // Posts device event `type` (10 or 11) to the processors manager, then to
    // the content manager, as the engine does.
    void postDeviceEvent(int32_t type, CRefCounted* service);

    TempDir dir;
    CRefHandle<CImageFormatRegistry> registry{new CImageFormatRegistry};
    CRefHandle<CTextureTestDriver> driver;
    CRefHandle<CVirtualFileSystem> fileSystem{new CVirtualFileSystem};
    CRefHandle<CContentProcessorsManager> processors;
    CRefHandle<CContentManager> manager;
};

