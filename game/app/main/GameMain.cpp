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
