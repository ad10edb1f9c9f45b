#include "engine/video/CGLFramebufferTexture.h"

#include "engine/core/CLog.h"
#include "engine/video/CGLDriver.h"

CGLFramebufferTexture::CGLFramebufferTexture(CGLDriver* driver, const CSizeI& size) : CGLDriverTexture(driver, size) {}

CGLFramebufferTexture::~CGLFramebufferTexture() {
    if (!m_driver)
        return;
    // Told while this is still a framebuffer target, so that the window
    // becomes the target again.
    m_driver->untrackTexture(this);
    const CGLFunctions& gl = this->gl();
    if (m_depthBuffer && gl.glDeleteRenderbuffersEXT)
        gl.glDeleteRenderbuffersEXT(1, &m_depthBuffer);
    if (m_framebuffer && gl.glDeleteFramebuffersEXT)
        gl.glDeleteFramebuffersEXT(1, &m_framebuffer);
}

CGLFramebufferTexture* CGLFramebufferTexture::create(CGLDriver* driver, const CSizeI& size, ColorFormat format) {
    if (!driver || size.width <= 0 || size.height <= 0)
        return nullptr;
    auto* texture = new CGLFramebufferTexture(driver, size);
    if (!texture->build(format)) {
        texture->release();
        return nullptr;
    }
    return texture;
}

bool CGLFramebufferTexture::build(ColorFormat format) {
    const CGLFunctions& gl = this->gl();
    if (!gl.glGenFramebuffersEXT || !gl.glBindFramebufferEXT || !gl.glFramebufferTexture2DEXT ||
        !gl.glGenRenderbuffersEXT || !gl.glBindRenderbufferEXT || !gl.glRenderbufferStorageEXT ||
        !gl.glFramebufferRenderbufferEXT || !gl.glDeleteFramebuffersEXT || !gl.glDeleteRenderbuffersEXT) {
        CLog::instance()->log("FBO error", CLog::Error);
        return false;
    }
    GLint filter = GL_LINEAR;
    GLenum pixelFormat = GL_RGBA;
    GLenum pixelType = GL_UNSIGNED_BYTE;
    GLint internalFormat = GL_RGBA8;
    switch (format) {
    case ColorFormat::R16F:
        filter = GL_NEAREST, pixelFormat = GL_RED, pixelType = GL_FLOAT, internalFormat = GL_RGB16F_ARB;
        break;
    case ColorFormat::G16R16F:
        filter = GL_NEAREST, pixelFormat = GL_RGB, pixelType = GL_FLOAT, internalFormat = GL_RGB16F_ARB;
        break;
    case ColorFormat::A16B16G16R16F:
        filter = GL_NEAREST, pixelFormat = GL_RGBA, pixelType = GL_FLOAT, internalFormat = GL_RGBA16F_ARB;
        break;
    case ColorFormat::R32F:
        filter = GL_NEAREST, pixelFormat = GL_RED, pixelType = GL_FLOAT, internalFormat = GL_RGB32F_ARB;
        break;
    case ColorFormat::G32R32F:
        filter = GL_NEAREST, pixelFormat = GL_RGB, pixelType = GL_FLOAT, internalFormat = GL_RGB32F_ARB;
        break;
    case ColorFormat::A32B32G32R32F:
        filter = GL_NEAREST, pixelFormat = GL_RGBA, pixelType = GL_FLOAT, internalFormat = GL_RGBA32F_ARB;
        break;
    default:
        break;
    }
    m_internalFormat = internalFormat;
    m_pixelFormat = pixelFormat;
    m_pixelType = pixelType;

    GLint previous = 0;
    gl.glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &previous);
    gl.glGenFramebuffersEXT(1, &m_framebuffer);
    gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, m_framebuffer);
    gl.glGenTextures(1, &m_textureName);
    {
        ScopedBind bind(*this);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        gl.glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, m_size.width, m_size.height, 0, pixelFormat, pixelType,
                        nullptr);
    }
    gl.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, m_textureName, 0);

    // The depth buffer that goes with it.
    gl.glGenRenderbuffersEXT(1, &m_depthBuffer);
    gl.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, m_depthBuffer);
    gl.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT, m_size.width, m_size.height);
    gl.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
    gl.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, m_depthBuffer);
    const bool complete = checkFramebufferStatus(gl);
    if (!complete)
        CLog::instance()->log("FBO incomplete", CLog::Info);
    gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(previous));
    return complete;
}

bool CGLFramebufferTexture::checkFramebufferStatus(const CGLFunctions& gl) {
    const GLenum status =
        gl.glCheckFramebufferStatusEXT ? gl.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) : GLenum(0);
    const char* reason = nullptr;
    switch (status) {
    case GL_FRAMEBUFFER_COMPLETE_EXT:
        return true;
    case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT:
        reason = "FBO has one or several incomplete image attachments";
        break;
    case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT:
        reason = "FBO missing an image attachment";
        break;
    case GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS_EXT:
        reason = "FBO has one or several image attachments with different dimensions";
        break;
    case GL_FRAMEBUFFER_INCOMPLETE_FORMATS_EXT:
        reason = "FBO has one or several image attachments with different internal formats";
        break;
    case GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER_EXT:
        reason = "FBO has invalid draw buffer";
        break;
    case GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER_EXT:
        reason = "FBO has invalid read buffer";
        break;
    case GL_FRAMEBUFFER_UNSUPPORTED_EXT:
        reason = "FBO format unsupported";
        break;
    default:
        break;
    }
    if (reason)
        CLog::instance()->log(reason, CLog::Error);
    CLog::instance()->log("FBO error", CLog::Error);
    return false;
}

void CGLFramebufferTexture::bindRenderTarget() {
    if (m_driver)
        gl().glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, m_framebuffer);
}

void CGLFramebufferTexture::unbindRenderTarget() {
    if (m_driver)
        gl().glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
}
