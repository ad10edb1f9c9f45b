#include "engine/content/JpegErrorManager.h"

#include "engine/core/CLog.h"
#include "engine/core/CString.h"

namespace {

void logJpegLine(const char* message) { CLog::instance()->log(CString("JPEG FATAL ERROR: ") + message, CLog::Error); }

void outputMessage(j_common_ptr codec) {
    char text[JMSG_LENGTH_MAX] = {};
    (*codec->err->format_message)(codec, text);
    logJpegLine(text);
}

[[noreturn]] void errorExit(j_common_ptr codec) {
    (*codec->err->output_message)(codec);
    std::longjmp(reinterpret_cast<JpegErrorManager*>(codec->err)->jump, 1);
}

} // namespace

jpeg_error_mgr* installJpegErrorManager(JpegErrorManager& manager) {
    jpeg_error_mgr* base = jpeg_std_error(&manager.base);
    base->error_exit = &errorExit;
    base->output_message = &outputMessage;
    return base;
}

void abortJpeg(j_common_ptr codec, const char* message) {
    logJpegLine(message);
    std::longjmp(reinterpret_cast<JpegErrorManager*>(codec->err)->jump, 1);
}
