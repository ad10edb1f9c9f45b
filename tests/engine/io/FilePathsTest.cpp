#include "engine/io/FilePaths.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string utf8(const CStringW& text) {
    std::string out;
    for (char16_t c : text)
        out += char(c); // the cases below are ASCII
    return out;
}

} // namespace

TEST(FilePaths, FileExtension) {
    const struct {
        const char16_t* path;
        const char* extension;
    } cases[] = {
        {u"a.b/c", ""},      {u".hidden", "hidden"}, {u"file.", ""},  {u"dir\\name.PNG", "PNG"},
        {u"x.tar.gz", "gz"}, {u"noext", ""},         {u"a.b\\c", ""}, {u"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(utf8(c.path));
        EXPECT_EQ(utf8(getFileExtension(c.path)), c.extension);
    }
}

TEST(FilePaths, DirectoryPart) {
    const struct {
        const char16_t* path;
        const char* directory;
    } cases[] = {
        {u"/x", ""}, {u"X:y", "X:"}, {u"a/b/c.png", "a/b/"}, {u"a\\b.png", "a\\"}, {u"c.png", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(utf8(c.path));
        EXPECT_EQ(utf8(getDirectoryPart(c.path)), c.directory);
    }
}

TEST(FilePaths, PathRoot) {
    const struct {
        const char16_t* path;
        const char* root;
    } cases[] = {
        {u"C:/games", "C"},        {u"\\\\server\\share\\dir\\f.txt", "\\\\server\\share"},
        {u"//server", "//server"}, {u"/home/user", "/"},
        {u"relative/path", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(utf8(c.path));
        EXPECT_EQ(utf8(getPathRoot(c.path)), c.root);
    }
}

TEST(FilePaths, MakeRelativePath) {
    const struct {
        const char16_t* base;
        const char16_t* target;
        const char* result;
    } cases[] = {
        {u"levels/level1/Level.mscn", u"levels/common/x.png", "../common/x.png"},
        {u"C:/a/b.txt", u"D:/a/c.txt", "D:/a/c.txt"},
        {u"", u"x\\y.png", "x\\y.png"},
        {u"scenes\\menu\\Main.mscn", u"scenes\\images\\a.png", "../images/a.png"},
        {u"scenes/Main.mscn", u"scenes/a.png", "a.png"},
        {u"Main.mscn", u"other/a.png", "other/a.png"},
        {u"/home/u/game/a.mscn", u"/home/u/b.png", "../b.png"},
        {u"/home/u/a.mscn", u"rel/b.png", "rel/b.png"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(utf8(c.base) + " -> " + utf8(c.target));
        EXPECT_EQ(utf8(makeRelativePath(c.base, c.target)), c.result);
    }
}

TEST(FilePaths, CombinePath) {
    const struct {
        const char16_t* base;
        const char16_t* path;
        const char* result;
    } cases[] = {
        {u"scenes/menu/Main.mscn", u"../images/a.png", "scenes/images/a.png"},
        {u"a/b.xml", u"X:/y.png", "X:/y.png"},
        {u"a/b.xml", u"/abs/y.png", "/abs/y.png"},
        {u"", u"x.png", "x.png"},
        {u"Main.mscn", u"x.png", "x.png"},
        {u"a/b/c.xml", u"./../.\\..\\x.png", "x.png"},
        {u"a/b/c.xml", u"../../../x.png", "x.png"},
        {u"a\\b\\c.xml", u"d\\e.png", "a\\b/d\\e.png"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(utf8(c.base) + " + " + utf8(c.path));
        EXPECT_EQ(utf8(combinePath(c.base, c.path)), c.result);
    }
}

TEST(FilePaths, NativePathsRoundTrip) {
    // UTF-16 text becomes UTF-8; backslashes become slashes.
    EXPECT_EQ(toNativePath(CStringW(u"dir\\caf\u00e9/\U0001F600.png")), "dir/caf\xc3\xa9/\xf0\x9f\x98\x80.png");
    EXPECT_EQ(fromNativePath("caf\xc3\xa9/\xf0\x9f\x98\x80"), CStringW(u"caf\u00e9/\U0001F600"));
    // UTF-8 widened byte by byte, as the engine widens 8-bit text, names the
    // same file.
    EXPECT_EQ(toNativePath(CStringW("caf\xc3\xa9")), "caf\xc3\xa9");
    // Bytes that are no UTF-8 survive the round trip.
    const std::string raw = "bad\xff\xc3(";
    EXPECT_EQ(toNativePath(fromNativePath(raw)), raw);
}

TEST(FilePaths, FullPathAndWorkingDirectory) {
    TempDir dir;
    const CStringW before = getWorkingDirectory();
    ASSERT_FALSE(before.empty());
    ASSERT_TRUE(setWorkingDirectory(fromNativePath(dir.path().string())));
    EXPECT_EQ(toNativePath(getFullPath(u"sub/../x.txt")), (std::filesystem::current_path() / "x.txt").string());
    EXPECT_FALSE(setWorkingDirectory(u"/no/such/folder/anywhere"));
    ASSERT_TRUE(setWorkingDirectory(before));
    EXPECT_TRUE(getFullPath(CStringW()).empty());
}
