#include "engine/io/CDiskWriteFile.h"

#include "engine/core/CRefHandle.h"
#include "tests/support/FileFaults.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

CStringW wide(const std::filesystem::path& path) { return CStringW(path.string().c_str()); }

void writeText(const CStringW& path, bool append, const std::string& text) {
    CRefHandle<CDiskWriteFile> file(CDiskWriteFile::create(path, append));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->write(text.data(), int32_t(text.size())), int32_t(text.size()));
    EXPECT_EQ(file->write(text.data(), -1), 0);
}

std::string contents(const std::filesystem::path& path) {
    const auto bytes = readAllBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST(CDiskWriteFile, TruncatesOrAppends) {
    TempDir dir;
    const auto path = dir.path() / "out.txt";
    writeText(wide(path), false, "first");
    writeText(wide(path), true, "+second");
    EXPECT_EQ(contents(path), "first+second");
    writeText(wide(path), false, "new");
    EXPECT_EQ(contents(path), "new");
}

TEST(CDiskWriteFile, SeekOverwritesInPlace) {
    TempDir dir;
    const auto path = dir.path() / "out.txt";
    {
        CRefHandle<CDiskWriteFile> file(CDiskWriteFile::create(wide(path), false));
        ASSERT_TRUE(file);
        ASSERT_EQ(file->write("abcdef", 6), 6);
        ASSERT_TRUE(file->seek(2, false));
        EXPECT_EQ(file->position(), 2);
        ASSERT_EQ(file->write("XY", 2), 2);
    }
    EXPECT_EQ(contents(path), "abXYef");
}

TEST(CDiskWriteFile, UnwritablePlaceGivesNull) {
    TempDir dir;
    EXPECT_EQ(CDiskWriteFile::create(wide(dir.path() / "no/such/folder/x.txt"), false), nullptr);
    EXPECT_EQ(CDiskWriteFile::create(CStringW(), false), nullptr);
}

// A full disk shows only when the gathered bytes go out: the close reports
// it, once, with the system's reason.
TEST(CDiskWriteFile, FailureFoundWhenClosingIsReported) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    LogCapture log;
    CRefHandle<CDiskWriteFile> file(CDiskWriteFile::create(u"/dev/full", false));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->write("12345", 5), 5);
    EXPECT_FALSE(file->close(false));
    EXPECT_TRUE(file->hasError());
    EXPECT_EQ(file->write("6", 1), 0);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_TRUE(log.contains("ERR: Can't write file: /dev/full: write: No space left on device"));
}

TEST(CDiskWriteFile, EveryFailingCallMakesCloseFail) {
    TempDir dir;
    const auto path = dir.path() / "out.bin";
    const std::string big(200000, 'x');
    FileFaults::eachCallFailing(
        nullptr,
        [&] {
            CRefHandle<CDiskWriteFile> file(CDiskWriteFile::create(wide(path), false));
            if (!file)
                return false;
            bool written = true;
            for (std::size_t done = 0; done < big.size(); done += 5000)
                written = file->write(big.data() + done, 5000) == 5000 && written;
            // Large writes skip the buffer.
            written = file->write(big.data(), int32_t(big.size())) == int32_t(big.size()) && written;
            return file->close(true) && written;
        },
        [](PlatformFileCall, bool, bool saved) { EXPECT_FALSE(saved); });
}
