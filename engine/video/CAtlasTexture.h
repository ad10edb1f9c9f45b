#pragma once

#include "engine/content/IContent.h"
#include "engine/core/CRect.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/core/CVector2d.h"
#include "engine/video/CImageTexture.h"

#include <cstdint>

class IDriverTexture;

// A named rectangle of an image texture, as content 'atex' (shared): the
// picture of a sprite, a glyph or a frame of an animation. The rectangle is
// kept as texture coordinates (0..1 of the driver texture); offset b and
// offset a are the transparent margins (in pixels) trimmed off before and
// after it, so the picture's full size is the rectangle's plus both offsets.
//
// The content name is split once into base, frame number and extension so
// that frame sequences (img/Walk0012.png) can be stepped through.
class CAtlasTexture : public IContent {
public:
    // Frame numbers run from 0 to this; longer runs of digits are no frame.
    static constexpr int MaxFrame = 9999;

    // Takes a reference to `imageTexture` (may be null) and splits the name.
    CAtlasTexture(const CObjectName& name, CImageTexture* imageTexture, const CRect& textureCoords,
                  const CVector2d& offsetB, const CVector2d& offsetA);

    [[nodiscard]] uint32_t getContentType() const override;

    // No reference handed out; null when the atlas texture has no image.
    [[nodiscard]] CImageTexture* getImageTexture() const { return m_imageTexture.get(); }
    // The image texture's driver texture, or null (the render-sorting key).
    [[nodiscard]] IDriverTexture* getDriverTexture() const;
    // Left, top, right, bottom in the 0..1 space of the driver texture.
    [[nodiscard]] const CRect& getTextureCoords() const { return m_textureCoords; }
    [[nodiscard]] const CVector2d& getOffsetB() const { return m_offsetB; }
    [[nodiscard]] const CVector2d& getOffsetA() const { return m_offsetA; }

    // The rectangle's size in pixels of the driver texture plus both offsets;
    // (0, 0) without an image texture. The texture's size is the one last
    // seen, so it holds while the driver is away.
    [[nodiscard]] CVector2d getPixelSize() const;
    // The rectangle in pixels of the driver texture (without the offsets).
    [[nodiscard]] CRect getPixelRect() const;

    [[nodiscard]] const CStringW& getBaseName() const { return m_baseName; }
    [[nodiscard]] const CStringW& getExtension() const { return m_extension; }
    // -1 when the name carries no frame number.
    [[nodiscard]] int32_t getFrameNumber() const { return m_frameNumber; }

    // Splits a content name into base, frame number and extension: the
    // extension runs from the last '.' (empty when there is none or it is
    // the first character), the frame number is the run of digits just
    // before it, the base everything before the digits. A name without '.'
    // has an empty base; a name without digits, or with a number above
    // MaxFrame, has frame -1.
    static void splitFrameName(const CStringW& name, CStringW& base, int32_t& frame, CStringW& extension);

protected:
    ~CAtlasTexture() override;

private:
    CRefHandle<CImageTexture> m_imageTexture;
    CRect m_textureCoords;
    CVector2d m_offsetB;
    CVector2d m_offsetA;
    CStringW m_baseName;
    CStringW m_extension;
    int32_t m_frameNumber = -1;
};
