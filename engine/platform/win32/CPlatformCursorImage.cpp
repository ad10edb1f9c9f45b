#include "engine/platform/CPlatformCursorImage.h"

#include "engine/platform/PlatformWindow.h"
#include "engine/platform/win32/PlatformWindowState.h"

#include <cstring>
#include <vector>

CPlatformCursorImage::CPlatformCursorImage(void* cursor) : m_cursor(cursor) {}

CPlatformCursorImage::~CPlatformCursorImage() {
    HCURSOR cursor = static_cast<HCURSOR>(m_cursor);
    // The shape in use goes back to the arrow before it is freed.
    if (win32CursorShape() == cursor)
        platformUseDefaultCursor();
    DestroyCursor(cursor);
}

std::unique_ptr<CPlatformCursorImage> CPlatformCursorImage::create(const uint32_t* pixels, int32_t width,
                                                                   int32_t height, int32_t hotX, int32_t hotY,
                                                                   std::string* error) {
    auto fail = [error](const char* text) -> std::unique_ptr<CPlatformCursorImage> {
        win32StoreError(error, text);
        return nullptr;
    };
    if (!pixels || width <= 0 || height <= 0 || width > 1024 || height > 1024)
        return fail("bad cursor size");
    if (hotX < 0 || hotY < 0 || hotX >= width || hotY >= height)
        return fail("hot spot outside the cursor");
    if (!platformVideoReady())
        return fail("the video system is not started");

    // A top-down 32-bit DIB with alpha holds 0xAARRGGBB as B, G, R, A; the
    // all-zero mask lets the alpha decide.
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof header;
    header.bV5Width = width;
    header.bV5Height = -height;
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP color =
        CreateDIBSection(screen, reinterpret_cast<const BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (screen)
        ReleaseDC(nullptr, screen);
    if (!color || !bits) {
        if (color)
            DeleteObject(color);
        return fail(nullptr);
    }
    std::memcpy(bits, pixels, size_t(width) * size_t(height) * 4);
    std::vector<uint8_t> maskBits(size_t((width + 15) / 16 * 2) * size_t(height), 0);
    HBITMAP mask = CreateBitmap(width, height, 1, 1, maskBits.data());
    HCURSOR cursor = nullptr;
    if (mask) {
        ICONINFO info{};
        info.fIcon = FALSE;
        info.xHotspot = DWORD(hotX);
        info.yHotspot = DWORD(hotY);
        info.hbmMask = mask;
        info.hbmColor = color;
        cursor = CreateIconIndirect(&info);
        DeleteObject(mask);
    }
    DeleteObject(color);
    if (!cursor)
        return fail(nullptr);
    return std::unique_ptr<CPlatformCursorImage>(new CPlatformCursorImage(cursor));
}

void CPlatformCursorImage::use() {
    HCURSOR cursor = static_cast<HCURSOR>(m_cursor);
    win32SetCursorShape(cursor);
    // Shown at once, not only at the pointer's next move.
    SetCursor(cursor);
}
