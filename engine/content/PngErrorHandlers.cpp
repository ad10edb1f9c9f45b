#include "engine/content/PngErrorHandlers.h"

#include "engine/core/CLog.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"

#include <cstring>

void logPngFailure(const char* text, const CStringW& fileName) { CLog::instance()->log(text + fileName, CLog::Error); }

void onPngError(png_structp png, png_const_charp message) {
    if (auto* error = static_cast<PngErrorText*>(png_get_error_ptr(png))) {
        std::strncpy(error->text, message ? message : "", sizeof error->text - 1);
        error->text[sizeof error->text - 1] = 0;
    }
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp message) {
    CLog::instance()->log(CString("PNG warning: ") + (message ? message : ""), CLog::Debug);
}
