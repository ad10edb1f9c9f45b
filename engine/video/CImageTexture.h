#pragma once

#include "engine/content/IContent.h"
#include "engine/core/CStringW.h"
#include "engine/video/CSizeI.h"

class CPixelImage;
class IDriverTexture;

// An image uploaded to the video driver, as content 'itex' (shared). It
// keeps the name of the file the image was read from, so that a new driver
// can be given the image again after the old one has gone. Material layers
// point at it; drivers draw the driver texture it holds.
class CImageTexture : public IContent {
public:
    // Takes a reference to `texture` (may be null) and notes whether it still
    // holds its source image.
    CImageTexture(const CObjectName& name, const CStringW& fileName, IDriverTexture* texture);

    [[nodiscard]] uint32_t getContentType() const override;

    // Replaces the driver texture (a reference is taken; null releases it).
    // When the first texture did not keep its image, the new one drops its
    // image too.
    void setTexture(IDriverTexture* texture);
    // The driver texture (no reference handed out), or null while no driver
    // is available.
    [[nodiscard]] IDriverTexture* getTexture() const { return m_texture; }
    // The driver texture's source image, or null when there is no texture or
    // it has dropped its image.
    [[nodiscard]] CPixelImage* getImage() const;
    // Lets the driver texture drop its source image, now and after every
    // re-creation.
    void dropImage();
    [[nodiscard]] const CStringW& getFileName() const { return m_fileName; }

    // Sizes of the last driver texture this object held: the image it was
    // made from and the (possibly padded) texture. They stay while the driver
    // is away, so layouts measured from them do not change; zero until a
    // texture came.
    [[nodiscard]] const CSizeI& getImageSize() const { return m_imageSize; }
    [[nodiscard]] const CSizeI& getTextureSize() const { return m_textureSize; }

protected:
    ~CImageTexture() override;

private:
    void noteSizes();

    IDriverTexture* m_texture = nullptr;
    CStringW m_fileName;
    bool m_keepsImage = false;
    CSizeI m_imageSize;
    CSizeI m_textureSize;
};
