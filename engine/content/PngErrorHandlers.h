#pragma once

// libpng glue shared by the PNG reader and writer: the error and warning
// callbacks handed to libpng, and the failure line naming the file.
// Included only by the codec sources.

#include <png.h>

class CStringW;

// Logs `text` followed by `fileName` at error level.
void logPngFailure(const char* text, const CStringW& fileName);

// libpng's error callback: logs "PNG FATAL ERROR: " + `message` at error
// level, then abandons the codec at its setjmp.
[[noreturn]] void onPngError(png_structp png, png_const_charp message);

// libpng's warning callback: warnings (ancillary chunk trouble and the like)
// are not failures, so "PNG warning: " + `message` goes out at debug level.
void onPngWarning(png_structp png, png_const_charp message);
