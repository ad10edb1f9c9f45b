// atlaspack: packs a folder of PNG pictures into power-of-two atlas pages and
// writes the atlas collection the engine reads.
//
//   atlaspack [--max-size N] [--padding N] [--trim] [--prefix TEXT] <folder> <collection file>
//
// Every *.png under <folder> becomes an atlas texture named <prefix> + its
// path relative to the folder ('/' separators), e.g. --prefix img/ui/ gives
// img/ui/buttons/ok.png. Pages are written beside the collection file and
// named after it (ui.xml: ui.png, or ui-0.png, ui-1.png ...); pages of an
// earlier run lying in the folder are not packed again.

#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/video/AtlasTextureCollection.h"
#include "tools/atlas/AtlasPacker.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

int usage() {
    std::fprintf(stderr, "usage: atlaspack [--max-size N] [--padding N] [--trim] [--prefix TEXT] <folder> "
                         "<collection file>\n");
    return 2;
}

// Whether `file` is one of the pages a run writes for `collection` (its
// stem, or its stem and a page number, as ".png" beside it): packing
// into the folder being packed must not pack the last run's pages.
bool isOwnPage(const std::filesystem::path& file, const std::filesystem::path& collection) {
    std::error_code error;
    if (!std::filesystem::equivalent(file.parent_path(),
                                     collection.parent_path().empty() ? "." : collection.parent_path(), error))
        return false;
    const std::string stem = collection.stem().string();
    const std::string name = file.stem().string();
    if (name == stem)
        return true;
    if (name.size() <= stem.size() + 1 || name.compare(0, stem.size() + 1, stem + "-") != 0)
        return false;
    return std::all_of(name.begin() + std::ptrdiff_t(stem.size() + 1), name.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

bool isPng(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return extension == ".png";
}

} // namespace

int main(int argc, char** argv) {
    AtlasPackOptions options;
    std::string prefix;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--max-size" || arg == "--padding" || arg == "--prefix") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (arg == "--prefix")
                prefix = value;
            else if (arg == "--max-size")
                options.maxSize = std::atoi(value.c_str());
            else
                options.padding = std::atoi(value.c_str());
        } else if (arg == "--trim") {
            options.trim = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return usage();
        } else {
            paths.push_back(arg);
        }
    }
    if (paths.size() != 2)
        return usage();
    const std::filesystem::path folder = paths[0];
    const std::filesystem::path collectionPath = paths[1];

    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file() && isPng(it->path()) && !isOwnPage(it->path(), collectionPath))
            files.push_back(it->path());
    if (error) {
        std::fprintf(stderr, "atlaspack: cannot read %s: %s\n", folder.string().c_str(), error.message().c_str());
        return 1;
    }
    std::sort(files.begin(), files.end());

    std::vector<AtlasInput> inputs;
    for (const std::filesystem::path& file : files) {
        CRefHandle<CPixelImage> image = readImageFile(file.string());
        if (!image) {
            std::fprintf(stderr, "atlaspack: cannot read %s\n", file.string().c_str());
            return 1;
        }
        const std::string name = prefix + std::filesystem::relative(file, folder).generic_string();
        inputs.push_back({CStringW(name.c_str()), image});
    }

    AtlasPacker packer;
    std::string reason;
    if (!packer.pack(inputs, options, &reason)) {
        std::fprintf(stderr, "atlaspack: %s\n", reason.c_str());
        return 1;
    }
    const std::string stem = collectionPath.stem().string();
    const auto pageCount = uint32_t(packer.pages().size());
    std::vector<CStringW> pageNames;
    for (uint32_t page = 0; page < pageCount; ++page) {
        const std::string name = pageCount == 1 ? stem + ".png" : stem + "-" + std::to_string(page) + ".png";
        if (!writePngFile(*packer.pages()[page], (collectionPath.parent_path() / name).string()))
            return 1;
        pageNames.push_back(CStringW(name.c_str()));
    }
    CRefHandle<AtlasTextureCollection> collection = makeAtlasCollection(inputs, packer, pageNames);
    if (!writeCollectionFile(*collection, collectionPath.string()))
        return 1;
    std::printf("atlaspack: %zu pictures on %u page(s)\n", inputs.size(), pageCount);
    return 0;
}
