#include "engine/device/CrashPrompt.h"

#include "engine/core/CLog.h"
#include "engine/core/CString.h"
#include "engine/core/CrashDumpHandler.h"
#include "engine/platform/PlatformWindow.h"

#include <cstdio>

namespace {

constexpr const char* kTitle = "Unexpected error";

} // namespace

int runCrashPrompt(const std::vector<std::string>& arguments) {
    if (arguments.size() != 2)
        return 2;
    const std::string& kind = arguments[0];
    const std::string& text = arguments[1];
    PlatformMessageBoxKind box = PlatformMessageBoxKind::Ok;
    if (kind == "yes-no")
        box = PlatformMessageBoxKind::YesNo;
    else if (kind != "ok")
        return 2;
    const int answer = platformShowMessageBox(box, kTitle, text);
    if (answer < 0) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return 0;
    }
    return box == PlatformMessageBoxKind::YesNo && answer == 0 ? 1 : 0;
}

bool installCrashPrompt(const std::string& executable) {
    if (setCrashDumpPrompt(executable, {kCrashPromptOption}))
        return true;
    CLog::instance()->log(CString("Can't use the crash prompt: ") + executable.c_str(), CLog::Warning);
    return false;
}
