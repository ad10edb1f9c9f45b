#include "engine/io/CRangeReadFile.h"

#include "engine/core/CRefHandle.h"
#include "engine/io/CBufferFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// A parent whose seeks always fail, as a damaged stream's might.
class CUnseekableFile : public IReadableFile {
public:
    int32_t read(void* buffer, int32_t count) override {
        std::fill_n(static_cast<uint8_t*>(buffer), count, uint8_t(0xEE));
        return count;
    }
    [[nodiscard]] bool seek(int32_t, bool) override { return false; }
    [[nodiscard]] int32_t size() const override { return 1000; }
    [[nodiscard]] int32_t position() const override { return 0; }
    [[nodiscard]] const CStringW& fileName() const override { return m_name; }

private:
    CStringW m_name{u"unseekable"};
};

CRefHandle<IReadableFile> countingParent(int32_t size) {
    auto* bytes = new uint8_t[size_t(size)];
    for (int32_t i = 0; i < size; ++i)
        bytes[i] = uint8_t(i);
    return CRefHandle<IReadableFile>(new CBufferFile(bytes, size, u"parent", true));
}

} // namespace

TEST(CRangeReadFile, ReadsAreCutAtTheWindowsEnd) {
    CRefHandle<IReadableFile> parent = countingParent(200);
    CRefHandle<CRangeReadFile> range(CRangeReadFile::create(parent.get(), 100, 50, u"part"));
    EXPECT_EQ(range->size(), 50);
    EXPECT_EQ(range->fileName(), CStringW(u"part"));
    ASSERT_TRUE(range->seek(30, false));
    std::vector<uint8_t> out(80);
    EXPECT_EQ(range->read(out.data(), 80), 20);
    EXPECT_EQ(out[0], 130);
    EXPECT_EQ(out[19], 149);
    EXPECT_EQ(range->read(out.data(), 80), 0);
}

TEST(CRangeReadFile, SeeksClampToTheWindow) {
    CRefHandle<IReadableFile> parent = countingParent(200);
    CRefHandle<CRangeReadFile> range(CRangeReadFile::create(parent.get(), 100, 50, u"part"));
    EXPECT_TRUE(range->seek(-5, false));
    EXPECT_EQ(range->position(), 0);
    EXPECT_TRUE(range->seek(70, false));
    EXPECT_EQ(range->position(), 50);
    EXPECT_TRUE(range->seek(-20, true));
    EXPECT_EQ(range->position(), 30);
}

TEST(CRangeReadFile, KeepsItsParentAlive) {
    CRefHandle<IReadableFile> parent = countingParent(10);
    CRefHandle<CRangeReadFile> range(CRangeReadFile::create(parent.get(), 2, 3, u"part"));
    EXPECT_EQ(parent->referenceCount(), 2);
    parent = nullptr;
    uint8_t out[3];
    EXPECT_EQ(range->read(out, 3), 3);
    EXPECT_EQ(out[2], 4);
}

TEST(CRangeReadFile, ParentThatCannotSeekGivesNothing) {
    CRefHandle<IReadableFile> parent(new CUnseekableFile);
    CRefHandle<CRangeReadFile> range(CRangeReadFile::create(parent.get(), 10, 20, u"part"));
    uint8_t out[20] = {};
    EXPECT_EQ(range->read(out, 20), 0);
    EXPECT_EQ(range->position(), 0);
}

TEST(CRangeReadFile, NoParentAndNegativeCountsReadNothing) {
    CRefHandle<CRangeReadFile> empty(CRangeReadFile::create(nullptr, 0, 10, u"none"));
    uint8_t out[4];
    EXPECT_EQ(empty->read(out, 4), 0);
    CRefHandle<IReadableFile> parent = countingParent(10);
    CRefHandle<CRangeReadFile> range(CRangeReadFile::create(parent.get(), 0, 10, u"part"));
    EXPECT_EQ(range->read(out, -4), 0);
}
