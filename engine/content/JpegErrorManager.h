#pragma once

// libjpeg glue shared by the JPEG reader and writer: an error manager whose
// fatal exit logs and jumps back to the codec instead of ending the process.
// Included only by the codec sources.

#include <csetjmp>

// jpeglib.h uses FILE and size_t without including their headers.
// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

struct JpegErrorManager {
    jpeg_error_mgr base;
    // Where a fatal library error resumes; set with setjmp before any
    // library call that may fail.
    std::jmp_buf jump;
};

// Fills `manager` with the library's standard manager and our exit and
// message output (lines "JPEG FATAL ERROR: " + message at error level;
// the library's warnings pass through the same output). Answers the
// pointer to store in the codec's `err` field.
jpeg_error_mgr* installJpegErrorManager(JpegErrorManager& manager);

// Logs "JPEG FATAL ERROR: " + `message` and jumps to the codec's setjmp.
[[noreturn]] void abortJpeg(j_common_ptr codec, const char* message);
