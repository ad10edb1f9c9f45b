#include "tools/pack/McaPacker.h"

#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/FilePaths.h"
#include "engine/io/IArchiveReader.h"
#include "engine/io/IReadableFile.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

// What the engine's reader gives for `name` in the archive at `path`
// mounted with `password`; "<none>" when the member does not open.
std::string readMember(const std::filesystem::path& path, const char* password, const std::u16string& name) {
    CRefHandle<CVirtualFileSystem> files(new CVirtualFileSystem);
    IArchiveReader* reader = files->mountArchive(fromNativePath(path.string()), password);
    if (!reader)
        return "<no archive>";
    CRefHandle<IReadableFile> file(reader->open(CStringW(name.c_str())));
    if (!file)
        return "<none>";
    std::string out(std::size_t(file->size()), '\0');
    if (file->read(out.data(), file->size()) != file->size())
        return "<short>";
    return out;
}

} // namespace

TEST(McaPacker, WhatItPacksTheEnginesReaderReadsBackWithThePasswordOnly) {
    TempDir dir;
    dir.write("in/scenes/Menu.mscn", std::string("<SceneNode Type=\"SceneNode\" />"));
    dir.write("in/a.txt", std::string("first"));
    dir.write("in/sounds/deep/Click.ogg", std::string(5000, 'x') + "end");
    dir.write("in/empty.bin", std::string());
    dir.write("in/caf\xC3\xA9.txt", std::string("Latin-1 name"));

    // Passwords of one byte, of several, and none: each with every member intact.
    for (const std::string& password : {std::string("k"), std::string("]9~JKzjiG*QGV"), std::string()}) {
        SCOPED_TRACE(password);
        const std::filesystem::path archive = dir.path() / "out.mca";
        std::string error;
        ASSERT_TRUE(packMcaFolder((dir.path() / "in").string(), archive.string(), password, &error)) << error;
        EXPECT_FALSE(std::filesystem::exists(archive.string() + ".part"));

        EXPECT_EQ(readMember(archive, password.c_str(), u"scenes/Menu.mscn"), "<SceneNode Type=\"SceneNode\" />");
        EXPECT_EQ(readMember(archive, password.c_str(), u"a.txt"), "first");
        EXPECT_EQ(readMember(archive, password.c_str(), u"sounds/deep/Click.ogg"), std::string(5000, 'x') + "end");
        EXPECT_EQ(readMember(archive, password.c_str(), u"caf\u00E9.txt"), "Latin-1 name");
        // Names are exact, and an empty member is not handed out.
        EXPECT_EQ(readMember(archive, password.c_str(), u"Scenes/menu.mscn"), "<none>");
        EXPECT_EQ(readMember(archive, password.c_str(), u"empty.bin"), "<none>");

        const std::vector<uint8_t> stored = readAllBytes(archive);
        ASSERT_GE(stored.size(), 16u);
        EXPECT_EQ(std::string(stored.begin(), stored.begin() + 4), std::string("MCA\0", 4));
        const std::string body(stored.begin() + 16, stored.end());
        if (!password.empty()) {
            // Scrambled: no member text or name shows, and another password reads other bytes.
            EXPECT_EQ(body.find("SceneNode"), std::string::npos);
            EXPECT_EQ(body.find("scenes/Menu.mscn"), std::string::npos);
            EXPECT_NE(readMember(archive, "wrong", u"a.txt"), "first");
        } else {
            EXPECT_NE(body.find("scenes/Menu.mscn"), std::string::npos);
        }
    }
}

TEST(McaPacker, RefusesWhatTheFormatCannotHold) {
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_FALSE(buildMcaArchive({{"same", bytesOf("1")}, {"same", bytesOf("2")}}, "", out, &error));
    EXPECT_NE(error.find("same"), std::string::npos);
    EXPECT_FALSE(buildMcaArchive({{"", bytesOf("1")}}, "", out, &error));
    EXPECT_FALSE(buildMcaArchive({{std::string(70000, 'n'), bytesOf("1")}}, "", out, &error));

    TempDir dir;
    dir.write("in/\xE6\x97\xA5.txt", std::string("beyond Latin-1"));
    std::vector<McaMember> members;
    EXPECT_FALSE(collectMcaMembers((dir.path() / "in").string(), members, &error));
    EXPECT_NE(error.find("Latin-1"), std::string::npos);
    EXPECT_FALSE(collectMcaMembers((dir.path() / "missing").string(), members, &error));

    // A failed pack leaves an existing archive as it was.
    const std::filesystem::path archive = dir.write("old.mca", std::string("old"));
    EXPECT_FALSE(packMcaFolder((dir.path() / "in").string(), archive.string(), "", &error));
    EXPECT_EQ(readAllBytes(archive), bytesOf("old"));
}
