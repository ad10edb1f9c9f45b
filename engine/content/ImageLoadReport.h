#pragma once

#include "engine/core/CString.h"

class CStringW;

// Why an image file did not decode, said once. A loader reports its reason
// here; on its own it logs "Can't load image: " + file name + ": " + reason
// at error level. While the image format registry tries its loaders on a
// file, it captures the reasons instead and logs one line for the whole load.

// `reason` is short and names no file ("PNG: Read Error").
void reportImageLoadFailure(const CStringW& fileName, const CString& reason);

// Collects the reasons reported on this thread while it lives (the first
// one is kept); nests.
class CImageLoadFailureCapture {
public:
    CImageLoadFailureCapture();
    ~CImageLoadFailureCapture();
    CImageLoadFailureCapture(const CImageLoadFailureCapture&) = delete;
    CImageLoadFailureCapture& operator=(const CImageLoadFailureCapture&) = delete;

    // The first reason reported; empty when none was.
    [[nodiscard]] const CString& reason() const { return m_reason; }

private:
    friend void reportImageLoadFailure(const CStringW& fileName, const CString& reason);

    CImageLoadFailureCapture* m_previous;
    CString m_reason;
};
