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

// An archive member is read with one positioned read: it neither moves the
// file's own position nor passes through its buffer, so a reader going on
// sequentially is not disturbed.
TEST(CDiskReadFile, PositionedReadsLeaveTheSequentialReadAlone) {
    TempDir dir;
    std::string bytes;
    for (int i = 0; i < 20000; ++i)
        bytes += char('a' + i % 26);
    CRefHandle<CDiskReadFile> file(CDiskReadFile::create(wide(dir.write("data.bin", bytes))));
    ASSERT_TRUE(file);
    char out[8] = {};
    ASSERT_EQ(file->read(out, 3), 3);
    const struct {
        int32_t offset;
        int32_t count;
        int32_t got;
    } reads[] = {{15000, 8, 8}, {0, 8, 8}, {19996, 8, 4}, {20000, 8, 0}, {-1, 8, 0}, {100, 0, 0}};
    for (const auto& r : reads) {
        SCOPED_TRACE(r.offset);
        EXPECT_EQ(file->readAt(r.offset, out, r.count), r.got);
        if (r.got > 0) {
            EXPECT_EQ(std::string(out, size_t(r.got)), bytes.substr(size_t(r.offset), size_t(r.got)));
        }
    }
    EXPECT_EQ(file->position(), 3);
    ASSERT_EQ(file->read(out, 4), 4);
    EXPECT_EQ(std::string(out, 4), "defg");
}

TEST(CDiskReadFile, BackslashesSeparateFolders) {
    TempDir dir;
    dir.write("sub/inner.txt", std::string("x"));
    CRefHandle<CDiskReadFile> file(CDiskReadFile::create(wide(dir.path()) + u"\\sub\\inner.txt"));
    EXPECT_TRUE(file);
}
