#include "engine/content/ImageLoadReport.h"

#include "engine/core/CLog.h"
#include "engine/core/CStringW.h"

namespace {

// The innermost capture of this thread, or null.
CImageLoadFailureCapture*& activeCapture() {
    thread_local CImageLoadFailureCapture* capture = nullptr;
    return capture;
}

} // namespace

CImageLoadFailureCapture::CImageLoadFailureCapture() : m_previous(activeCapture()) { activeCapture() = this; }

CImageLoadFailureCapture::~CImageLoadFailureCapture() { activeCapture() = m_previous; }

void reportImageLoadFailure(const CStringW& fileName, const CString& reason) {
    if (CImageLoadFailureCapture* capture = activeCapture()) {
        if (capture->m_reason.empty())
            capture->m_reason = reason;
        return;
    }
    CLog::instance()->log(CStringW(u"Can't load image: ") + fileName + u": " + CStringW(reason), CLog::Error);
}
