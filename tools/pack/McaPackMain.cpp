// mcapack: packs a folder into the game's packed asset archive.
//
//   mcapack [--password TEXT] <folder> <archive.mca>
//
// Every file under <folder> becomes a member named by its path relative to
// it ('/' separators). Without --password the archive is scrambled with the
// game's own password, so the game mounts it as it is.

#include "game/app/GameKeys.h"
#include "tools/pack/McaPacker.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    std::string password = kAssetArchivePassword;
    std::string folder;
    std::string archive;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--password" && i + 1 < argc) {
            password = argv[++i];
        } else if (folder.empty()) {
            folder = arg;
        } else if (archive.empty()) {
            archive = arg;
        } else {
            folder.clear();
            break;
        }
    }
    if (folder.empty() || archive.empty()) {
        std::fprintf(stderr, "usage: mcapack [--password TEXT] <folder> <archive.mca>\n");
        return 2;
    }
    std::string error;
    if (!packMcaFolder(folder, archive, password, &error)) {
        std::fprintf(stderr, "ERR: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
