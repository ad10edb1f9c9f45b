// fontbuild: renders a TrueType font at one pixel size into a texture font:
// atlas pages and the font file the engine reads.
//
//   fontbuild --font FILE --size N [--chars SET] [--kerning X,Y] [--max-size N] [--padding N] <font file>
//
// SET lists names and code points separated by commas (default
// "latin1,cyrillic,punctuation"; see parseCharacterSet). Pages are written
// beside the font file and named after it.

#include "tools/font/FontBuilder.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int usage() {
    std::fprintf(stderr, "usage: fontbuild --font FILE --size N [--chars SET] [--kerning X,Y] [--max-size N] "
                         "[--padding N] <font file>\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    FontBuildOptions options;
    std::string characters = "latin1,cyrillic,punctuation";
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--font" && hasValue) {
            options.fontFile = argv[++i];
        } else if (arg == "--size" && hasValue) {
            options.pixelSize = std::atoi(argv[++i]);
        } else if (arg == "--chars" && hasValue) {
            characters = argv[++i];
        } else if (arg == "--kerning" && hasValue) {
            const std::string value = argv[++i];
            const std::size_t comma = value.find(',');
            options.globalKerning.x = std::strtof(value.c_str(), nullptr);
            options.globalKerning.y =
                comma == std::string::npos ? 0.0f : std::strtof(value.c_str() + comma + 1, nullptr);
        } else if (arg == "--max-size" && hasValue) {
            options.atlas.maxSize = std::atoi(argv[++i]);
        } else if (arg == "--padding" && hasValue) {
            options.atlas.padding = std::atoi(argv[++i]);
        } else if (!arg.empty() && arg[0] != '-' && output.empty()) {
            output = arg;
        } else {
            return usage();
        }
    }
    if (options.fontFile.empty() || output.empty())
        return usage();
    std::string error;
    if (!parseCharacterSet(characters, options.characters, &error)) {
        std::fprintf(stderr, "fontbuild: %s\n", error.c_str());
        return 2;
    }
    FontBuilder builder;
    if (!builder.build(options, &error) || !builder.write(output, &error)) {
        std::fprintf(stderr, "fontbuild: %s\n", error.c_str());
        return 1;
    }
    std::printf("fontbuild: %zu glyphs, %zu kerning pairs, %zu page(s), line height %d", builder.glyphs().size(),
                builder.kerningPairs().size(), builder.packer().pages().size(), int(builder.lineHeight()));
    if (!builder.missing().empty())
        std::printf(", %zu characters the font lacks", builder.missing().size());
    std::printf("\n");
    return 0;
}
