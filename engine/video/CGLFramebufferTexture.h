#pragma once

#include "engine/content/ColorFormat.h"
#include "engine/video/CGLDriverTexture.h"

// A render target on a framebuffer object: a colour texture and a depth
// render buffer of the same size. Made by the driver's renderTargetTexture
// when framebuffer objects exist.
class CGLFramebufferTexture : public CGLDriverTexture {
public:
    // A target of `size` whose colour texture is laid out for `format` (the
    // float formats ask for float storage; colorFormat answers A8R8G8B8
    // whatever was asked). Null, after logging, when the frame buffer is
    // not complete or the size is empty.
    [[nodiscard]] static CGLFramebufferTexture* create(CGLDriver* driver, const CSizeI& size, ColorFormat format);

    [[nodiscard]] bool usesFramebuffer() const override { return true; }
    void bindRenderTarget() override;
    void unbindRenderTarget() override;

    // The status of the bound frame buffer: true when complete, else false
    // after logging what is wrong.
    [[nodiscard]] static bool checkFramebufferStatus(const CGLFunctions& gl);

protected:
    ~CGLFramebufferTexture() override;

private:
    CGLFramebufferTexture(CGLDriver* driver, const CSizeI& size);
    [[nodiscard]] bool build(ColorFormat format);

    GLuint m_framebuffer = 0;
    GLuint m_depthBuffer = 0;
};
