#include "game/app/main/GameMain.h"

#include "engine/core/CLog.h"
#include "engine/core/CSingleInstanceGuard.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/core/CrashDumpHandler.h"
#include "engine/core/Utf8.h"
#include "engine/device/CSdlDevice.h"
#include "engine/device/CrashPrompt.h"
#include "engine/platform/PlatformSystem.h"
#include "game/app/GGameApplication.h"
#include "game/app/main/GGameClasses.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool holdsAssets(const fs::path& folder) {
    std::error_code error;
    return fs::is_directory(folder / "assets", error) || fs::is_regular_file(folder / "assets.mca", error);
}

// Started from another folder (a desktop launcher, a shell elsewhere), the
// game takes the assets beside its program, working from that folder.
void findAssets() {
    std::error_code error;
    const fs::path working = fs::current_path(error);
    if (!error && holdsAssets(working))
        return;
    const std::string program = platformExecutablePath();
    if (program.empty())
        return;
    const fs::path folder = fs::path(utf8ToUtf16(program)).parent_path();
    if (!holdsAssets(folder))
        return;
    fs::current_path(folder, error);
    if (!error)
        CLog::instance()->log(CString("Using the assets beside the program in ") + utf16ToUtf8(folder.u16string()).c_str(),
                              CLog::Info);
}

} // namespace

int gameMain(const std::vector<std::string>& arguments, const GameMainOptions& options) {
    if (!arguments.empty() && arguments[0] == kCrashPromptOption)
        return runCrashPrompt({arguments.begin() + 1, arguments.end()});
    if (options.installCrashHandler && installCrashDumpHandler(true, false))
        (void)installCrashPrompt(platformExecutablePath());

    // The first copy raises itself when another one starts.
    CSingleInstanceGuard guard(CString(kGameInstanceName), options.instanceLockFolder);
    if (guard.isOtherInstanceRunning()) {
        CLog::instance()->log("Another copy of the game is running; it was brought to the front and this one ends",
                              CLog::Info);
        return 0;
    }

    findAssets();
    GGameOptions gameOptions;
    gameOptions.registerStartClasses = &registerStartClasses;
    gameOptions.registerAllClasses = &registerAllGameClasses;
    gameOptions.nullVideoDriver = options.nullVideoDriver;
    GGameApplication* game = new GGameApplication(gameOptions);
    // The program has no options; the argument is handed on unused.
    const CStringW argument(arguments.empty() ? std::u16string() : utf8ToUtf16(arguments[0]));
    if (!game->init(argument)) {
        CLog::instance()->log("Failed to initialize game", CLog::Error);
        game->release();
        return 1;
    }
    auto* device = dynamic_cast<CSdlDevice*>(game->getEngine());
    if (device)
        device->attachInstanceGuard(&guard);
    while (game->run()) {
    }
    if (device)
        device->attachInstanceGuard(nullptr);
    game->release();
    return 0;
}
