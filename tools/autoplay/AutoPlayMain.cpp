// Plays levels headless and reports, one line a level, whether each was
// finished, its rank and the time left on its clock. The exit status is 1
// when some level was not finished (2 when one could not be read).
//
//   autoplay [--assets DIR] [--source DIR] [--seed N] [--verbose] [--no-header] LEVEL_FOLDER...
//   autoplay --header
//
// --header prints only the report's heading line, --no-header leaves it out
// (for reports put together from several runs).
// A level folder is given relative to the source folder (by default the
// current one), e.g. "assets/levels/level3"; the assets folder defaults to
// "assets" in the source folder.

#include "engine/core/CLog.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectivesGroup.h"
#include "tools/autoplay/AutoPlayWorld.h"
#include "tools/autoplay/AutoPlayer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The number at the end of a folder name ("levels/level12" is 12); 1 when
// there is none.
int levelNumberOf(std::string folder) {
    while (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    size_t digits = folder.size();
    while (digits > 0 && folder[digits - 1] >= '0' && folder[digits - 1] <= '9')
        --digits;
    return digits < folder.size() ? std::atoi(folder.c_str() + digits) : 1;
}

void printHeader() {
    std::printf("%-36s %-8s %4s %9s %7s %8s  %-16s %s\n", "level", "result", "rank", "time-left", "groups", "played",
                "left-per-group", "stuck-on");
}

int usage() {
    std::fprintf(stderr, "usage: autoplay [--assets DIR] [--source DIR] [--seed N] [--verbose] [--no-header] "
                         "LEVEL_FOLDER...\n       autoplay --header\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string source = ".";
    std::string assets;
    uint32_t seed = 1;
    bool verbose = false;
    bool header = true;
    std::vector<std::string> levels;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--assets" || arg == "--source" || arg == "--seed") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (arg == "--assets")
                assets = value;
            else if (arg == "--source")
                source = value;
            else
                seed = uint32_t(std::strtoul(value.c_str(), nullptr, 10));
        } else if (arg == "--verbose") {
            verbose = true;
        } else if (arg == "--no-header") {
            header = false;
        } else if (arg == "--header") {
            printHeader();
            return 0;
        } else if (!arg.empty() && arg[0] == '-') {
            return usage();
        } else {
            levels.push_back(arg);
        }
    }
    if (levels.empty())
        return usage();
    if (assets.empty())
        assets = source + "/assets";
    // Only what goes wrong is worth a line beside the report.
    CLog::instance()->setThreshold(verbose ? CLog::Info : CLog::Warning);

    int status = 0;
    if (header)
        printHeader();
    for (const std::string& folder : levels) {
        AutoPlayWorld world;
        if (!world.open(assets, source, seed) || !world.loadLevel(folder, levelNumberOf(folder))) {
            std::printf("%-36s %-8s\n", folder.c_str(), "unread");
            status = 2;
            continue;
        }
        // Twice the groups' time, and never less than ten minutes: a level
        // the player has not finished by then is not going to be.
        uint64_t limit = 600000;
        uint64_t total = 0;
        for (uint32_t g = 0; g < world.getLevelConfiguration()->getGroupCount(); ++g)
            total += uint64_t(world.getLevelConfiguration()->getGroup(g)->Time) * 1000;
        limit = std::max(limit, 2 * total);
        AutoPlayer player(world);
        player.setTrace(verbose);
        const AutoPlayResult result = player.play(limit);
        const std::string groups = std::to_string(result.groupsDone) + "/" + std::to_string(result.groups);
        std::string perGroup;
        for (int left : result.groupTimeLeft)
            perGroup += (perGroup.empty() ? "" : "/") + std::to_string(left);
        std::printf("%-36s %-8s %4d %8ds %7s %7ds  %-16s %s\n", folder.c_str(), result.finished ? "finished" : "FAILED",
                    result.rank, result.timeLeft, groups.c_str(), result.played, perGroup.c_str(), result.stuck.c_str());
        std::fflush(stdout);
        if (!result.finished && status == 0)
            status = 1;
    }
    return status;
}
