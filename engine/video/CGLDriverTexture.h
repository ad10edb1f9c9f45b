#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/video/CGLFunctions.h"
#include "engine/video/IDriverTexture.h"

#include <cstdint>

class CGLDriver;

// A texture of the OpenGL driver, made from a CPU image; its render-target
// kinds are a texture the frame buffer is copied into (without framebuffer
// objects, see setRenderTargetImage) and CGLFramebufferTexture. lock hands
// out A8R8G8B8, top row first, whatever the texture holds.
//
// The driver keeps a list of the textures it made: a texture that goes tells
// it (so it is no longer bound or rendered into), and a driver that goes
// first leaves its textures inert (no GL calls any more).
class CGLDriverTexture : public IDriverTexture {
public:
    // A texture holding `image` (shared; a reference is kept unless the
    // driver's DropImage flag is set). Bad sizes and formats are logged and
    // leave a texture without pixels.
    CGLDriverTexture(CPixelImage* image, CGLDriver* driver);

    [[nodiscard]] void* lock(bool readOnly) override;
    void unlock() override;
    [[nodiscard]] const CSizeI& imageSize() const override { return m_imageSize; }
    [[nodiscard]] const CSizeI& size() const override { return m_size; }
    [[nodiscard]] int32_t driverType() const override;
    [[nodiscard]] ColorFormat colorFormat() const override { return m_colorFormat; }
    [[nodiscard]] ColorFormat lockFormat() const override { return ColorFormat::A8R8G8B8; }
    [[nodiscard]] uint32_t pitch() const override;
    [[nodiscard]] bool hasMipMaps() const override { return m_hasMipMaps; }
    void regenerateMipMaps() override;
    [[nodiscard]] bool isRenderTarget() const override { return m_isRenderTarget; }
    [[nodiscard]] CPixelImage* image() const override { return m_sourceImage.get(); }
    void dropImage() override;

    // True for the framebuffer-object kind.
    [[nodiscard]] virtual bool usesFramebuffer() const { return false; }
    // Starts rendering into this texture (the driver has set the viewport):
    // the image kind needs nothing, the framebuffer kind binds its frame
    // buffer.
    virtual void bindRenderTarget() {}
    // Ends rendering into this texture: the image kind copies the frame
    // buffer's lower-left corner of its size into level 0.
    virtual void unbindRenderTarget();

    // Makes this texture a render target of the image kind.
    void setRenderTargetImage() { m_isRenderTarget = true; }
    [[nodiscard]] GLuint textureName() const { return m_textureName; }
    // The driver that made the texture; null once that driver has gone.
    [[nodiscard]] CGLDriver* driver() const { return m_driver; }
    // Called by the driver as it goes: the texture makes no GL calls after.
    void detachDriver() { m_driver = nullptr; }

protected:
    // A render target of `size` without pixels yet (for the framebuffer kind).
    CGLDriverTexture(CGLDriver* driver, const CSizeI& size);
    ~CGLDriverTexture() override;

    // Binds this texture on unit 0 for the lifetime of the object and then
    // puts back what was bound there, leaving the driver's record as it was.
    class ScopedBind {
    public:
        explicit ScopedBind(const CGLDriverTexture& texture);
        ~ScopedBind();
        ScopedBind(const ScopedBind&) = delete;
        ScopedBind& operator=(const ScopedBind&) = delete;

    private:
        const CGLFunctions& m_gl;
        GLint m_previous = 0;
    };

    [[nodiscard]] const CGLFunctions& gl() const;

    CSizeI m_imageSize;
    CSizeI m_size;
    ColorFormat m_colorFormat = ColorFormat::A8R8G8B8;
    CGLDriver* m_driver;
    CRefHandle<CPixelImage> m_sourceImage;
    CRefHandle<CPixelImage> m_lockImage;
    GLuint m_textureName = 0;
    GLint m_internalFormat = GL_RGBA;
    GLenum m_pixelFormat = GL_BGRA;
    GLenum m_pixelType = GL_UNSIGNED_BYTE;
    bool m_hasMipMaps = false;
    bool m_isRenderTarget = false;
    bool m_hardwareMipMaps = false;
    bool m_lockReadOnly = false;

private:
    void upload(CPixelImage* image);
    // Sets the GL formats of an image texture of `format`; false when it has none.
    [[nodiscard]] bool chooseFormats(ColorFormat format);
    // Uploads levels 1 and up, each `source` scaled to the level: the whole
    // level when `coversTexture`, else the image's part of a padded texture.
    void buildMipLevels(const CPixelImage& source, bool coversTexture);
    // Turns the rows of `image` upside down.
    static void flipRows(CPixelImage& image);

    // The driver's list of the textures it made.
    friend class CGLDriver;
    CGLDriverTexture* m_previousTracked = nullptr;
    CGLDriverTexture* m_nextTracked = nullptr;
};
