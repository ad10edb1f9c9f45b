#include "engine/io/CVirtualFile.h"

#include "engine/core/CRefHandle.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

std::vector<uint8_t> iota(size_t n, uint8_t first = 0) {
    std::vector<uint8_t> bytes(n);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

} // namespace

TEST(CVirtualFile, WriteEndingOnABlockBoundaryAddsTheNextBlock) {
    CRefHandle<CVirtualFile> file(new CVirtualFile(u"mem", 10));
    const auto bytes = iota(10);
    EXPECT_EQ(file->write(bytes.data(), 10), 10);
    EXPECT_EQ(file->blockCount(), 2u);
    EXPECT_EQ(file->size(), 10);
    EXPECT_EQ(file->position(), 10);

    ASSERT_TRUE(file->seek(0, false));
    std::vector<uint8_t> back(10);
    EXPECT_EQ(file->read(back.data(), 10), 10);
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(file->read(back.data(), 10), 0);
}

TEST(CVirtualFile, ReadsAndWritesAcrossManyBlocks) {
    CRefHandle<CVirtualFile> file(new CVirtualFile(u"mem", 7));
    const auto bytes = iota(200, 1);
    // Uneven pieces so that copies start and end inside blocks.
    for (size_t at = 0; at < bytes.size();) {
        const int32_t piece = int32_t(std::min<size_t>(13, bytes.size() - at));
        ASSERT_EQ(file->write(bytes.data() + at, piece), piece);
        at += size_t(piece);
    }
    ASSERT_TRUE(file->seek(0, false));
    std::vector<uint8_t> back(300);
    EXPECT_EQ(file->read(back.data(), 300), 200);
    back.resize(200);
    EXPECT_EQ(back, bytes);
}

TEST(CVirtualFile, OverwriteInsideKeepsTheSize) {
    CRefHandle<CVirtualFile> file(new CVirtualFile(u"mem", 10));
    const auto bytes = iota(10);
    ASSERT_EQ(file->write(bytes.data(), 10), 10);
    ASSERT_TRUE(file->seek(3, false));
    const uint8_t patch[5] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4};
    EXPECT_EQ(file->write(patch, 5), 5);
    EXPECT_EQ(file->size(), 10);

    ASSERT_TRUE(file->seek(0, false));
    std::vector<uint8_t> back(10);
    ASSERT_EQ(file->read(back.data(), 10), 10);
    EXPECT_EQ(back, (std::vector<uint8_t>{0, 1, 2, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 8, 9}));
}

TEST(CVirtualFile, SeekStaysWithinTheData) {
    CRefHandle<CVirtualFile> file(new CVirtualFile(u"mem", 4));
    const auto bytes = iota(10);
    ASSERT_EQ(file->write(bytes.data(), 10), 10);
    ASSERT_TRUE(file->seek(4, false));
    EXPECT_FALSE(file->seek(11, false));
    EXPECT_EQ(file->position(), 4);
    EXPECT_FALSE(file->seek(-1, false));
    EXPECT_FALSE(file->seek(-5, true));
    EXPECT_EQ(file->position(), 4);
    EXPECT_TRUE(file->seek(10, false));
    EXPECT_TRUE(file->seek(-3, true));
    EXPECT_EQ(file->position(), 7);
}

TEST(CVirtualFile, NegativeCountsMoveNothing) {
    CRefHandle<CVirtualFile> file(new CVirtualFile(u"mem", 4));
    uint8_t byte = 1;
    EXPECT_EQ(file->write(&byte, -1), 0);
    EXPECT_EQ(file->size(), 0);
    ASSERT_EQ(file->write(&byte, 1), 1);
    ASSERT_TRUE(file->seek(0, false));
    EXPECT_EQ(file->read(&byte, -5), 0);
    EXPECT_EQ(file->position(), 0);
}

TEST(CVirtualFile, WriteBeyondTheLargestSizeFailsWithOneLine) {
    CRefHandle<CVirtualFile> file(new CVirtualFile(u"big", 16));
    uint8_t bytes[16] = {};
    ASSERT_EQ(file->write(bytes, 16), 16);
    LogCapture log;
    // The count would take the size past what a 32-bit size can hold.
    EXPECT_EQ(file->write(bytes, INT32_MAX), 0);
    EXPECT_EQ(file->size(), 16);
    EXPECT_EQ(log.count("ERR: Not enough memory for write data in virtualFile big"), 1u);
}

TEST(CVirtualFile, AnswersItsRestOnlyWhenItLiesInOneBlock) {
    CRefHandle<CVirtualFile> file(new CVirtualFile(u"mem", 10));
    const auto bytes = iota(15, 1);
    ASSERT_EQ(file->write(bytes.data(), 15), 15);
    const struct {
        int32_t position;
        bool inOneBlock;
    } cases[] = {{0, false}, {9, false}, {10, true}, {14, true}, {15, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.position);
        ASSERT_TRUE(file->seek(c.position, false));
        int32_t count = -1;
        const uint8_t* rest = file->remainingBlock(count);
        if (!c.inOneBlock) {
            EXPECT_EQ(rest, nullptr);
            EXPECT_EQ(count, 0);
            continue;
        }
        ASSERT_NE(rest, nullptr);
        ASSERT_EQ(count, 15 - c.position);
        EXPECT_EQ(std::vector<uint8_t>(rest, rest + count),
                  std::vector<uint8_t>(bytes.begin() + c.position, bytes.end()));
        EXPECT_EQ(file->position(), c.position);
    }
}
