#pragma once

// libjpeg glue shared by the JPEG reader and writer: an error manager whose
// fatal exit keeps the library's message and jumps back to the codec instead
// of ending the process. Nothing is logged here: the codec says once what
// happened, naming the file. Included only by the codec sources.

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
    // The fatal error's message, or else the first warning's (damaged or
    // cut data the library decoded around); empty when there was none.
    char message[JMSG_LENGTH_MAX];
};

// Fills `manager` with the library's standard manager and our exit and
// message output. Answers the pointer to store in the codec's `err` field.
jpeg_error_mgr* installJpegErrorManager(JpegErrorManager& manager);

// Keeps `message` as the failure's reason and jumps to the codec's setjmp.
[[noreturn]] void abortJpeg(j_common_ptr codec, const char* message);
