#include "engine/content/PngErrorHandlers.h"

#include "engine/core/CLog.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"

void logPngFailure(const char* text, const CStringW& fileName) { CLog::instance()->log(text + fileName, CLog::Error); }

void onPngError(png_structp png, png_const_charp message) {
    CLog::instance()->log(CString("PNG FATAL ERROR: ") + (message ? message : ""), CLog::Error);
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp message) {
    CLog::instance()->log(CString("PNG warning: ") + (message ? message : ""), CLog::Debug);
}
