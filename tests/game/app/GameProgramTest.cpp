// The game program itself, started as a player starts it: from a folder
// holding its assets, on its own driver chain, ended by closing it.

#include "engine/platform/CPlatformProcess.h"
#include "tests/game/app/SceneFlowFixture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string readText(const fs::path& path) {
    const std::vector<uint8_t> bytes = readAllBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Waits up to a minute for `text` in the file at `path`, while `running`.
template <class Running> bool waitForText(const fs::path& path, const std::string& text, Running running) {
    for (int i = 0; i < 600; ++i) {
        if (readText(path).find(text) != std::string::npos)
            return true;
        if (!running())
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return readText(path).find(text) != std::string::npos;
}

// Its profiles and its instance lock stay in the test's folder on Linux;
// sound plays into nothing.
std::vector<std::string> environmentIn(const fs::path& folder) {
    return {"XDG_DATA_HOME=" + (folder / "data").string(), "XDG_CONFIG_HOME=" + (folder / "config").string(),
            "XDG_RUNTIME_DIR=" + folder.string(), "ALSOFT_DRIVERS=null"};
}

// Asks `game` to close until it takes the request, then waits for its end.
void closeAndExpectStatusZero(CPlatformProcess& game, const fs::path& output) {
    bool told = false;
    for (int i = 0; i < 100 && !(told = game.requestClose()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(told);
    PlatformExitStatus status;
    ASSERT_TRUE(game.waitForExit(60000, &status)) << "the game did not end when closed";
    EXPECT_TRUE(status.exited);
    EXPECT_EQ(status.code, 0) << readText(output);
}

} // namespace

TEST(GameProgram, OpensOnItsLogosAndEndsWithStatusZeroWhenClosed) {
    TempDir dir;
    sceneflow::copyGameAssets(dir.path());
    const fs::path output = dir.path() / "output.txt";

    CPlatformProcess game;
    CPlatformProcess::Options options;
    options.workingFolder = dir.path().string();
    options.outputFile = output.string();
    // Its profiles stay in the test's folder on Linux; sound plays into nothing.
    options.environment = environmentIn(dir.path());
    ASSERT_TRUE(game.start(fs::absolute(BM_GAME_PROGRAM).string(), {}, options));

    // The screen is fitted once the first scene, the logos, is on it.
    const bool shown = waitForText(output, "Game screen aligned", [&] { return game.isRunning(); });
    const std::string log = readText(output);
    EXPECT_TRUE(shown) << log;
#ifdef _WIN32
    // The chain starts at Direct3D 9, which the system has.
    EXPECT_NE(log.find("Using renderer: Direct3D 9.0"), std::string::npos) << log;
#else
    // Without Direct3D the driver chain ends at OpenGL; the drivers and the
    // sound device missing on the way are expected here, no errors.
    EXPECT_NE(log.find("Using renderer: OpenGL"), std::string::npos) << log;
    EXPECT_EQ(log.find("ERR:"), std::string::npos) << log;
#endif
    EXPECT_EQ(log.find("Failed to initialize game"), std::string::npos) << log;

    // The window shows on the first steps of the main loop.
    closeAndExpectStatusZero(game, output);
}

TEST(GameProgram, StartedFromAnotherFolderFindsTheAssetsBesideItself) {
    TempDir dir;
    const fs::path installed = dir.path() / "game";
    fs::create_directories(installed);
    sceneflow::copyGameAssets(installed);
    const fs::path program = installed / fs::path(BM_GAME_PROGRAM).filename();
    std::error_code linked;
    fs::create_hard_link(fs::absolute(BM_GAME_PROGRAM), program, linked);
    if (linked)
        fs::copy_file(fs::absolute(BM_GAME_PROGRAM), program);
    fs::create_directories(dir.path() / "elsewhere");
    const fs::path output = dir.path() / "output.txt";

    CPlatformProcess game;
    CPlatformProcess::Options options;
    options.workingFolder = (dir.path() / "elsewhere").string();
    options.outputFile = output.string();
    options.environment = environmentIn(dir.path());
    ASSERT_TRUE(game.start(program.string(), {}, options));
    const bool shown = waitForText(output, "Game screen aligned", [&] { return game.isRunning(); });
    const std::string log = readText(output);
    EXPECT_TRUE(shown) << log;
    EXPECT_NE(log.find("Using the assets beside the program in "), std::string::npos) << log;
    EXPECT_EQ(log.find("Failed to initialize game"), std::string::npos) << log;
    closeAndExpectStatusZero(game, output);
}
