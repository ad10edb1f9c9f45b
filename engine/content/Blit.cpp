#include "engine/content/Blit.h"

#include "engine/content/CPixelImage.h"
#include "engine/content/PixelConvert.h"

#include <algorithm>

bool Blit(BlitOperation operation, const BlitRect* sourceRect, CPixelImage& destination, const BlitRect* clipRect,
          const BlitPoint* position, const CPixelImage& source, CColor /*color*/) {
    if (operation != BlitOperation::CopyWithConversion)
        return false;
    PixelSpanConverter convert = findBlitConverter(source.colorFormat(), destination.colorFormat());
    if (!convert)
        return false;

    // 64-bit arithmetic throughout: rectangles come from callers unchecked.
    int64_t srcLeft = 0, srcTop = 0, srcRight = source.width(), srcBottom = source.height();
    if (sourceRect) {
        srcLeft = sourceRect->left;
        srcTop = sourceRect->top;
        srcRight = sourceRect->right;
        srcBottom = sourceRect->bottom;
    }
    const int64_t posX = position ? position->x : 0;
    const int64_t posY = position ? position->y : 0;

    int64_t clipLeft = 0, clipTop = 0, clipRight = destination.width(), clipBottom = destination.height();
    if (clipRect) {
        clipLeft = std::max<int64_t>(clipLeft, clipRect->left);
        clipTop = std::max<int64_t>(clipTop, clipRect->top);
        clipRight = std::min<int64_t>(clipRight, clipRect->right);
        clipBottom = std::min<int64_t>(clipBottom, clipRect->bottom);
    }
    // A source rectangle reaching outside the source is cut to it, moving
    // the destination edge with it.
    clipLeft = std::max(clipLeft, posX - srcLeft);
    clipTop = std::max(clipTop, posY - srcTop);
    clipRight = std::min(clipRight, posX + (int64_t(source.width()) - srcLeft));
    clipBottom = std::min(clipBottom, posY + (int64_t(source.height()) - srcTop));

    const int64_t left = std::max(posX, clipLeft);
    const int64_t top = std::max(posY, clipTop);
    const int64_t right = std::min(posX + (srcRight - srcLeft), clipRight);
    const int64_t bottom = std::min(posY + (srcBottom - srcTop), clipBottom);
    if (right <= left || bottom <= top)
        return false;

    const int64_t sourceX = srcLeft + (left - posX);
    const int64_t sourceY = srcTop + (top - posY);
    const uint32_t width = uint32_t(right - left);
    const uint32_t height = uint32_t(bottom - top);
    const uint8_t* from =
        source.data() + uint64_t(sourceY) * source.pitch() + uint64_t(sourceX) * source.bytesPerPixel();
    uint8_t* to =
        destination.data() + uint64_t(top) * destination.pitch() + uint64_t(left) * destination.bytesPerPixel();
    for (uint32_t row = 0; row < height; ++row) {
        convert(from, to, width);
        from += source.pitch();
        to += destination.pitch();
    }
    return true;
}
