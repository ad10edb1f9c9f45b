#include "engine/io/CVirtualFilesReaderPacked.h"

#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/IReadableFile.h"
#include "tests/engine/io/IoFixtures.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<uint8_t> bytesOf(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

// Members of uneven sizes, so that offsets fall on every key index.
std::vector<PackedMember> sampleMembers() {
    return {
        {"scenes/Main.mscn", bytesOf("<scene/>")}, {"a", bytesOf("x")},
        {"images/big.png", randomBytes(1237, 5)},  {"sounds/s.ogg", randomBytes(3, 6)},
        {"caf\xe9.txt", bytesOf("latin")},
    };
}

CRefHandle<IArchiveReader> packedReader(const std::vector<uint8_t>& bytes, const char* password) {
    CRefHandle<IReadableFile> file = memoryFile(bytes, u"test.mca");
    return CRefHandle<IArchiveReader>(new CVirtualFilesReaderPacked(file.get(), password));
}

// A member's name as the archive widens it: each byte one character 0-255.
CStringW memberName(const std::string& name) {
    std::u16string wide;
    for (unsigned char c : name)
        wide += char16_t(c);
    return CStringW(std::u16string_view(wide));
}

} // namespace

TEST(CVirtualFilesReaderPacked, ReadsBackForEveryPasswordLength) {
    const std::vector<PackedMember> members = sampleMembers();
    for (const char* password : {"", "K", "k3y!"}) {
        for (bool directoryFirst : {false, true}) {
            SCOPED_TRACE(std::string("password \"") + password + "\", directory " +
                         (directoryFirst ? "first" : "last"));
            CRefHandle<IArchiveReader> reader =
                packedReader(buildPackedArchive(members, password, directoryFirst), password);
            EXPECT_STREQ(reader->typeName(), "mca");
            ASSERT_EQ(reader->entryCount(), int32_t(members.size()));
            for (const PackedMember& member : members) {
                SCOPED_TRACE(member.name);
                CRefHandle<IReadableFile> file(reader->open(memberName(member.name)));
                ASSERT_TRUE(file);
                EXPECT_EQ(file->fileName(), memberName(member.name));
                EXPECT_EQ(readToEnd(file.get()), member.data);
            }
        }
    }
}

TEST(CVirtualFilesReaderPacked, NullPasswordIsTheEmptyOne) {
    CRefHandle<IArchiveReader> reader = packedReader(buildPackedArchive(sampleMembers(), ""), nullptr);
    CRefHandle<IReadableFile> file(reader->open(u"a"));
    ASSERT_TRUE(file);
    EXPECT_EQ(readToEnd(file.get()), bytesOf("x"));
}

TEST(CVirtualFilesReaderPacked, ScramblingFollowsTheFilePosition) {
    // With a one-byte password every byte from 16 on is XORed with it.
    const std::vector<PackedMember> members = {{"m", bytesOf("abc")}};
    const auto plain = buildPackedArchive(members, "");
    const auto scrambled = buildPackedArchive(members, "\x5A");
    ASSERT_EQ(plain.size(), scrambled.size());
    for (size_t p = 0; p < plain.size(); ++p)
        EXPECT_EQ(scrambled[p], p < 16 ? plain[p] : uint8_t(plain[p] ^ 0x5A)) << p;

    // The key index runs on from any starting point and wraps.
    const CString password("ABCD");
    uint8_t bytes[6] = {};
    uint32_t key = 2;
    CVirtualFilesReaderPacked::unscramble(bytes, 6, password, key);
    EXPECT_EQ(std::string(bytes, bytes + 6), "CDABCD");
    EXPECT_EQ(key, 0u);
}

TEST(CVirtualFilesReaderPacked, NamesAreSortedAndComparedExactly) {
    CRefHandle<IArchiveReader> reader =
        packedReader(buildPackedArchive(
                         {{"scenes/a.mscn", bytesOf("1")}, {"Scenes/A.mscn", bytesOf("2")}, {"b", bytesOf("3")}}, "pw"),
                     "pw");
    ASSERT_EQ(reader->entryCount(), 3);
    EXPECT_EQ(reader->entryAt(0)->path, CStringW(u"Scenes/A.mscn"));
    EXPECT_EQ(reader->entryAt(2)->path, CStringW(u"scenes/a.mscn"));
    EXPECT_EQ(reader->entryAt(3), nullptr);
    CRefHandle<IReadableFile> upper(reader->open(u"Scenes/A.mscn"));
    ASSERT_TRUE(upper);
    EXPECT_EQ(readToEnd(upper.get()), bytesOf("2"));
    EXPECT_EQ(reader->find(u"scenes/A.mscn"), -1);
    EXPECT_EQ(reader->openEntry(-1), nullptr);
    EXPECT_EQ(reader->openEntry(3), nullptr);
}

TEST(CVirtualFilesReaderPacked, WrongPasswordFindsNothing) {
    CRefHandle<IArchiveReader> reader = packedReader(buildPackedArchive(sampleMembers(), "right"), "wrong");
    EXPECT_EQ(reader->find(u"a"), -1);
}

// Damaged archives mount with no entries, or without the entries that would
// lie in the header or past the end.
TEST(CVirtualFilesReaderPacked, DamagedArchives) {
    const std::vector<PackedMember> members = {{"one", bytesOf("first")}, {"two", bytesOf("second")}};
    const std::vector<uint8_t> good = buildPackedArchive(members, "");
    // Directory after the data: 16 + 5 + 6 = 27; records of 2 + 3 + 8 bytes.
    const size_t directory = 27;
    auto changed = [](std::vector<uint8_t> bytes, size_t at, uint32_t value) {
        putLe32(bytes, at, value);
        return bytes;
    };
    auto cut = [](const std::vector<uint8_t>& bytes, size_t size) {
        return std::vector<uint8_t>(bytes.begin(), bytes.begin() + ptrdiff_t(size));
    };
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        int entries;
        bool warning;
    } cases[] = {
        {"no bytes", {}, 0, false},
        {"shorter than the header", cut(good, 15), 0, false},
        {"other magic", changed(good, 0, 0x00414358), 0, false},
        {"directory cut short", cut(good, good.size() - 1), 0, false},
        {"count beyond the records", changed(good, 8, 3), 0, false},
        {"huge count", changed(good, 8, 0xFFFFFFFF), 0, false},
        {"directory past the end", changed(good, 4, uint32_t(good.size() + 1)), 0, false},
        {"directory inside the header", changed(good, 4, 4), 0, false},
        {"member inside the header", changed(good, directory + 5, 3), 1, true},
        {"member past the end", changed(good, directory + 5 + 13 + 4, 0x7FFFFFFF), 1, true},
        {"member offset past the end", changed(good, directory + 5, 0xFFFFFFF0), 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        CRefHandle<IArchiveReader> reader = packedReader(c.bytes, "");
        EXPECT_EQ(reader->entryCount(), c.entries);
        EXPECT_EQ(log.contains("WRN: Ignored entries outside the archive in: test.mca"), c.warning);
        for (int32_t i = 0; i < reader->entryCount(); ++i) {
            CRefHandle<IReadableFile> file(reader->openEntry(i));
            ASSERT_TRUE(file);
            EXPECT_LE(uint64_t(reader->entryAt(i)->dataOffset) + uint64_t(file->size()), c.bytes.size());
        }
    }
}

TEST(CVirtualFilesReaderPacked, EmptyMembersOpenAsNull) {
    CRefHandle<IArchiveReader> reader = packedReader(buildPackedArchive({{"empty", {}}}, "pw"), "pw");
    ASSERT_EQ(reader->find(u"empty"), 0);
    EXPECT_EQ(reader->open(u"empty"), nullptr);
}

TEST(CVirtualFilesReaderPacked, MountsByNameAndByContent) {
    TempDir dir;
    const auto bytes = buildPackedArchive(sampleMembers(), "pw");
    dir.write("assets.mca", bytes);
    dir.write("assets.bin", bytes);
    dir.write("damaged.MCA", std::string("MCA"));
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    for (const char* name : {"assets.mca", "assets.bin"}) {
        SCOPED_TRACE(name);
        IArchiveReader* archive = fileSystem->mountArchive(widePath(dir.path() / name), "pw");
        ASSERT_NE(archive, nullptr);
        EXPECT_STREQ(archive->typeName(), "mca");
        EXPECT_EQ(archive->entryCount(), 5);
    }
    // By its name a damaged archive still mounts, empty.
    IArchiveReader* damaged = fileSystem->mountArchive(widePath(dir.path() / "damaged.MCA"), "pw");
    ASSERT_NE(damaged, nullptr);
    EXPECT_EQ(damaged->entryCount(), 0);
    CRefHandle<IReadableFile> file(fileSystem->openForRead(u"scenes/Main.mscn"));
    ASSERT_TRUE(file);
    EXPECT_EQ(readToEnd(file.get()), bytesOf("<scene/>"));
}
