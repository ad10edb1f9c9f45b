#include "engine/io/CDiskReadFile.h"

#include "engine/core/CRefHandle.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

CStringW wide(const std::filesystem::path& path) { return CStringW(path.string().c_str()); }

} // namespace

TEST(CDiskReadFile, MissingFilesAndFoldersDoNotOpen) {
    TempDir dir;
    EXPECT_EQ(CDiskReadFile::create(wide(dir.path() / "missing.bin")), nullptr);
    EXPECT_EQ(CDiskReadFile::create(wide(dir.path())), nullptr);
    EXPECT_EQ(CDiskReadFile::create(CStringW()), nullptr);
}

TEST(CDiskReadFile, EmptyFileOpensWithSizeZero) {
    TempDir dir;
    CRefHandle<CDiskReadFile> file(CDiskReadFile::create(wide(dir.write("empty.bin", std::vector<uint8_t>{}))));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->size(), 0);
    uint8_t byte;
    EXPECT_EQ(file->read(&byte, 1), 0);
}

TEST(CDiskReadFile, ReadsSeeksAndReportsPosition) {
    TempDir dir;
    const std::filesystem::path path = dir.write("data.bin", std::string("0123456789"));
    CRefHandle<CDiskReadFile> file(CDiskReadFile::create(wide(path)));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->size(), 10);
    EXPECT_EQ(file->fileName(), wide(path));
    char out[4] = {};
    ASSERT_TRUE(file->seek(3, false));
    EXPECT_EQ(file->read(out, 4), 4);
    EXPECT_EQ(std::string(out, 4), "3456");
    EXPECT_EQ(file->position(), 7);
    ASSERT_TRUE(file->seek(-2, true));
    EXPECT_EQ(file->read(out, 4), 4);
    EXPECT_EQ(std::string(out, 4), "5678");
    EXPECT_FALSE(file->seek(-1, false));
    EXPECT_EQ(file->read(out, -1), 0);
}

TEST(CDiskReadFile, BackslashesSeparateFolders) {
    TempDir dir;
    dir.write("sub/inner.txt", std::string("x"));
    CRefHandle<CDiskReadFile> file(CDiskReadFile::create(wide(dir.path()) + u"\\sub\\inner.txt"));
    EXPECT_TRUE(file);
}
