#include "engine/content/JpegErrorManager.h"

#include <cstring>

namespace {

JpegErrorManager* managerOf(j_common_ptr codec) { return reinterpret_cast<JpegErrorManager*>(codec->err); }

void keepMessage(JpegErrorManager* manager, const char* text, bool replace) {
    if (!replace && manager->message[0] != 0)
        return;
    std::strncpy(manager->message, text, sizeof manager->message - 1);
    manager->message[sizeof manager->message - 1] = 0;
}

// Warnings: the first is kept.
void outputMessage(j_common_ptr codec) {
    char text[JMSG_LENGTH_MAX] = {};
    (*codec->err->format_message)(codec, text);
    keepMessage(managerOf(codec), text, false);
}

[[noreturn]] void errorExit(j_common_ptr codec) {
    char text[JMSG_LENGTH_MAX] = {};
    (*codec->err->format_message)(codec, text);
    keepMessage(managerOf(codec), text, true);
    std::longjmp(managerOf(codec)->jump, 1);
}

} // namespace

jpeg_error_mgr* installJpegErrorManager(JpegErrorManager& manager) {
    jpeg_error_mgr* base = jpeg_std_error(&manager.base);
    base->error_exit = &errorExit;
    base->output_message = &outputMessage;
    manager.message[0] = 0;
    return base;
}

void abortJpeg(j_common_ptr codec, const char* message) {
    keepMessage(managerOf(codec), message, true);
    std::longjmp(managerOf(codec)->jump, 1);
}
