#include "engine/device/CSdlCursor.h"

#include "engine/content/CPixelImage.h"
#include "engine/core/CLog.h"
#include "engine/core/CString.h"
#include "engine/platform/CPlatformCursorImage.h"
#include "engine/platform/CPlatformWindow.h"
#include "engine/platform/PlatformWindow.h"

#include <string>
#include <vector>

namespace {

// Larger shapes are refused by every desktop.
constexpr uint32_t kMaxCursorSide = 1024;

} // namespace

CSdlCursor::CSdlCursor(CPlatformWindow* window) : m_window(window) {}

CSdlCursor::~CSdlCursor() {
    // Back to the arrow before the shape goes.
    if (m_image)
        platformUseDefaultCursor();
    m_image.reset();
}

void CSdlCursor::setVisible(bool visible) {
    if (visible == m_visible)
        return;
    m_visible = visible;
    (void)platformShowCursor(visible);
    // Putting the pointer where it is makes the system draw (or drop) the
    // shape at once.
    refreshPosition();
    setPosition(m_position);
}

void CSdlCursor::setPosition(const CVector2di& position) {
    if (m_window)
        (void)m_window->warpPointer(position.x, position.y);
    storePosition(position);
}

void CSdlCursor::refreshPosition() {
    int32_t x = -1;
    int32_t y = -1;
    if (!m_window || !m_window->pointerPosition(&x, &y)) {
        x = -1;
        y = -1;
    }
    storePosition({x, y});
}

void CSdlCursor::storePosition(const CVector2di& position) {
    m_position = position;
    m_positions.clear();
    m_positions.push_back(position);
}

void CSdlCursor::setImage(const CPixelImage* image, int hotX, int hotY) {
    m_wantsImage = image != nullptr;
    if (image) {
        const uint32_t width = image->width();
        const uint32_t height = image->height();
        if (!image->data() || width == 0 || height == 0)
            return;
        if (width > kMaxCursorSide || height > kMaxCursorSide) {
            CLog::instance()->log("Can't make a cursor of an image larger than 1024 pixels", CLog::Warning);
            return;
        }
        std::vector<uint32_t> pixels(size_t(width) * height);
        image->exportPixels(pixels.data(), width, height, ColorFormat::A8R8G8B8);
        std::string error;
        std::unique_ptr<CPlatformCursorImage> shape =
            CPlatformCursorImage::create(pixels.data(), int32_t(width), int32_t(height), hotX, hotY, &error);
        if (!shape) {
            if (!m_failureLogged)
                CLog::instance()->log(CString("Can't make the cursor: ") + error.c_str(), CLog::Warning);
            m_failureLogged = true;
            return;
        }
        shape->use();
        // The old shape goes only once the new one is in use.
        m_image = std::move(shape);
    } else {
        platformUseDefaultCursor();
        m_image.reset();
    }
    refreshPosition();
}
