#pragma once

// libpng glue shared by the PNG reader and writer: the error and warning
// callbacks handed to libpng, and the failure line naming the file.
// Included only by the codec sources.

#include <png.h>

class CStringW;

// Logs `text` followed by `fileName` at error level.
void logPngFailure(const char* text, const CStringW& fileName);

// Where libpng's error callback keeps the message of the error that ended a
// decode or encode: the codec's error pointer points to one.
struct PngErrorText {
    char text[128] = {};
};

// libpng's error callback: keeps `message` in the PngErrorText the error
// pointer names (nothing is logged: the codec says once what happened,
// naming the file), then abandons the codec at its setjmp.
[[noreturn]] void onPngError(png_structp png, png_const_charp message);

// libpng's warning callback: warnings (ancillary chunk trouble and the like)
// are not failures, so "PNG warning: " + `message` goes out at debug level.
void onPngWarning(png_structp png, png_const_charp message);
