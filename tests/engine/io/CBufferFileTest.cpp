#include "engine/io/CBufferFile.h"

#include "engine/core/CRefHandle.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(CBufferFile, WritesAreCutAtTheEndOfTheBlock) {
    uint8_t block[10] = {};
    CRefHandle<CBufferFile> file(new CBufferFile(block, 10, u"buf", false));
    ASSERT_TRUE(file->seek(6, false));
    const uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(file->write(bytes, 8), 4);
    EXPECT_EQ(file->position(), 10);
    EXPECT_EQ(file->write(bytes, 1), 0);
    EXPECT_EQ(std::memcmp(block + 6, bytes, 4), 0);
    EXPECT_EQ(file->size(), 10);
}

TEST(CBufferFile, ReadsAndSeeksStayInside) {
    uint8_t block[6] = {10, 11, 12, 13, 14, 15};
    CRefHandle<CBufferFile> file(new CBufferFile(block, 6, u"buf", false));
    uint8_t out[10] = {};
    ASSERT_TRUE(file->seek(2, false));
    EXPECT_EQ(file->read(out, 10), 4);
    EXPECT_EQ(out[0], 12);
    EXPECT_EQ(file->read(out, 1), 0);
    EXPECT_FALSE(file->seek(7, false));
    EXPECT_FALSE(file->seek(-1, false));
    EXPECT_EQ(file->position(), 6);
    EXPECT_TRUE(file->seek(-6, true));
    EXPECT_EQ(file->read(out, -3), 0);
    EXPECT_EQ(file->position(), 0);
}

TEST(CBufferFile, FreesAnOwnedBlock) {
    // The sanitizer build reports a leak if the owned block is not freed.
    auto* block = new uint8_t[32];
    CRefHandle<CBufferFile> file(new CBufferFile(block, 32, u"owned", true));
    EXPECT_EQ(file->data(), block);
}

TEST(CBufferFile, NullBlockIsAnEmptyFile) {
    CRefHandle<CBufferFile> file(new CBufferFile(nullptr, 50, u"none", false));
    uint8_t out[4];
    EXPECT_EQ(file->size(), 0);
    EXPECT_EQ(file->read(out, 4), 0);
    EXPECT_EQ(file->write(out, 4), 0);
}

TEST(CBufferFile, AnswersItsRemainingBlock) {
    uint8_t block[6] = {10, 11, 12, 13, 14, 15};
    CRefHandle<CBufferFile> file(new CBufferFile(block, 6, u"buf", false));
    int32_t count = -1;
    EXPECT_EQ(file->remainingBlock(count), block);
    EXPECT_EQ(count, 6);
    ASSERT_TRUE(file->seek(4, false));
    EXPECT_EQ(file->remainingBlock(count), block + 4);
    EXPECT_EQ(count, 2);
    ASSERT_TRUE(file->seek(6, false));
    EXPECT_NE(file->remainingBlock(count), nullptr);
    EXPECT_EQ(count, 0);
    // Asking moves nothing.
    EXPECT_EQ(file->position(), 6);

    CRefHandle<CBufferFile> empty(new CBufferFile(nullptr, 6, u"none", false));
    EXPECT_EQ(empty->remainingBlock(count), nullptr);
    EXPECT_EQ(count, 0);
}
