#include "engine/io/CVirtualFilesReaderZip.h"

#include "engine/io/CBufferFile.h"
#include "engine/io/CRangeReadFile.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/IArchiveReader.h"
#include "engine/io/IReadableFile.h"
#include "tests/engine/io/IoFixtures.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Contents = std::map<std::string, std::vector<uint8_t>>;

// Nested folders with text, random bytes (which deflate does not shrink) and
// an empty file: the tree the tools pack.
Contents writeTree(const TempDir& dir) {
    Contents files;
    std::string lines;
    for (int i = 1; i <= 3000; ++i)
        lines += std::to_string(i) + "\n";
    files["d/sub/seq.txt"] = std::vector<uint8_t>(lines.begin(), lines.end());
    files["d/rand.bin"] = randomBytes(5000, 7);
    files["d/a.txt"] = {'h', 'i', '\n'};
    files["d/sub/deeper/empty.txt"] = {};
    for (const auto& [name, bytes] : files)
        dir.write(name, bytes);
    return files;
}

// Opens every expected member through `fileSystem` and compares it.
void expectContents(CVirtualFileSystem* fileSystem, const Contents& files) {
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        CRefHandle<IReadableFile> file(fileSystem->openForRead(CStringW(name.c_str())));
        ASSERT_TRUE(file);
        EXPECT_EQ(file->size(), int32_t(bytes.size()));
        EXPECT_EQ(file->fileName(), CStringW(name.c_str()));
        EXPECT_EQ(readToEnd(file.get()), bytes);
    }
}

CRefHandle<IArchiveReader> zipReader(const std::vector<uint8_t>& bytes) {
    CRefHandle<IReadableFile> file = memoryFile(bytes, u"test.zip");
    return CRefHandle<IArchiveReader>(new CVirtualFilesReaderZip(file.get()));
}

const char* kPythonNonSeekable = R"PY(
import io, sys, zipfile
class Pipe(io.RawIOBase):
    def __init__(self): self.data = bytearray()
    def writable(self): return True
    def write(self, b): self.data += b; return len(b)
pipe = Pipe()
with zipfile.ZipFile(pipe, 'w') as z:
    for name, method in [('d/sub/seq.txt', zipfile.ZIP_DEFLATED), ('d/rand.bin', zipfile.ZIP_STORED),
                         ('d/a.txt', zipfile.ZIP_DEFLATED), ('d/sub/deeper/empty.txt', zipfile.ZIP_STORED)]:
        info = zipfile.ZipInfo(name)
        info.compress_type = method
        with open(name, 'rb') as src, z.open(info, 'w') as dst:
            dst.write(src.read())
open(sys.argv[1], 'wb').write(pipe.data)
)PY";

const char* kPythonSeekable = R"PY(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    for name in ['d/sub/seq.txt', 'd/rand.bin', 'd/a.txt', 'd/sub/deeper/empty.txt']:
        z.write(name)
)PY";

} // namespace

// Zips made by the system's zip tool and by Python, in every form they take:
// stored, deflated, with sizes in data descriptors, streamed through a pipe.
TEST(CVirtualFilesReaderZip, ToolMadeZipsReadBackByteExact) {
    TempDir dir;
    const Contents files = writeTree(dir);
    dir.write("nonseekable.py", std::string(kPythonNonSeekable));
    dir.write("seekable.py", std::string(kPythonSeekable));
    const std::string cd = "cd '" + dir.path().string() + "' && ";
    const struct {
        const char* what;
        std::string command;
    } cases[] = {
        {"zip, stored", "zip -q -r -0 out.zip d"},
        {"zip, deflated", "zip -q -r -9 out.zip d"},
        {"zip, data descriptors", "zip -q -r -fd out.zip d"},
        {"zip, written to a pipe", "zip -q -r - d | cat > out.zip"},
        {"python, non-seekable stream", "python3 nonseekable.py out.zip"},
        {"python, seekable file", "python3 seekable.py out.zip"},
        {"zip, Zip64 records", "zip -q -r -fz out.zip d"},
        // Self-extracting archives: a program in front of the archive, its
        // offsets adjusted by zip -A or left as they were.
        {"bytes in front", "zip -q -r in.zip d && (head -c 3001 /dev/urandom; cat in.zip) > out.zip && rm in.zip"},
        {"bytes in front, offsets adjusted",
         "zip -q -r in.zip d && (head -c 3001 /dev/urandom; cat in.zip) > out.zip && rm in.zip && zip -q -A out.zip"},
        {"Zip64 with bytes in front",
         "zip -q -r -fz in.zip d && (head -c 777 /dev/urandom; cat in.zip) > out.zip && rm in.zip"},
        {"data descriptors with bytes in front",
         "zip -q -r -fd in.zip d && (head -c 50 /dev/urandom; cat in.zip) > out.zip && rm in.zip"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(dir.path() / "out.zip");
        ASSERT_TRUE(runCommand(cd + c.command)) << c.command;
        fs::copy_file(dir.path() / "out.zip", dir.path() / "out.data", fs::copy_options::overwrite_existing);

        // By name, by content (an extension no opener claims), and from an
        // open file.
        for (const char* name : {"out.zip", "out.data"}) {
            SCOPED_TRACE(name);
            CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
            LogCapture log;
            IArchiveReader* archive = fileSystem->mountArchive(widePath(dir.path() / name), nullptr);
            ASSERT_NE(archive, nullptr);
            EXPECT_STREQ(archive->typeName(), "zip");
            EXPECT_TRUE(log.lines().empty());
            expectContents(fileSystem.get(), files);
        }
        CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
        CRefHandle<IReadableFile> file(fileSystem->openForRead(widePath(dir.path() / "out.zip")));
        ASSERT_TRUE(file);
        ASSERT_NE(fileSystem->mountArchiveFile(file.get(), nullptr), nullptr);
        expectContents(fileSystem.get(), files);
    }
}

// zip reading its standard input writes a Zip64 local header whose sizes are
// only in the central directory and the data descriptor.
TEST(CVirtualFilesReaderZip, ReadsZip64StreamedMember) {
    TempDir dir;
    const std::string cd = "cd '" + dir.path().string() + "' && ";
    ASSERT_TRUE(runCommand(cd + "seq 1 5000 > seq.txt && zip -q - - < seq.txt | cat > out.zip"));
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    IArchiveReader* archive = fileSystem->mountArchive(widePath(dir.path() / "out.zip"), nullptr);
    ASSERT_NE(archive, nullptr);
    ASSERT_EQ(archive->entryCount(), 1);
    CRefHandle<IReadableFile> member(archive->open(u"-"));
    ASSERT_TRUE(member);
    EXPECT_EQ(readToEnd(member.get()), readAllBytes(dir.path() / "seq.txt"));
}

// An empty, cut or foreign archive still mounts (as far as it goes), and says
// in one line what is wrong with it.
TEST(CVirtualFilesReaderZip, MountSaysWhatIsWrongWithTheArchive) {
    TempDir dir;
    writeTree(dir);
    const std::string cd = "cd '" + dir.path().string() + "' && ";
    ASSERT_TRUE(runCommand(cd + "zip -q -r whole.zip d && python3 -c \"import zipfile; "
                                "zipfile.ZipFile('empty.zip', 'w').close()\""));
    const std::vector<uint8_t> whole = readAllBytes(dir.path() / "whole.zip");
    dir.write("cut.zip", std::vector<uint8_t>(whole.begin(), whole.begin() + ptrdiff_t(whole.size() * 2 / 3)));
    dir.write("garbage.zip", randomBytes(5000, 11));
    dir.write("nothing.zip", std::vector<uint8_t>());
    const struct {
        const char* name;
        const char* logged;
    } cases[] = {
        {"empty.zip", "WRN: Zip archive "},
        {"cut.zip", "ERR: Zip archive "},
        {"garbage.zip", "ERR: Zip archive "},
        {"nothing.zip", "ERR: Zip archive "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
        LogCapture log;
        ASSERT_NE(fileSystem->mountArchive(widePath(dir.path() / c.name), nullptr), nullptr);
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_TRUE(log.contains(c.logged)) << log.lines()[0];
        EXPECT_TRUE(log.contains(c.name));
    }
}

TEST(CVirtualFilesReaderZip, DirectoryIsSortedAndComparedExactly) {
    const BuiltZip zip = buildZip({{"b.xml", {'b'}}, {"A.xml", {'A'}}, {"sub/a.xml", {'s'}}, {"a.xml", {'a'}}});
    CRefHandle<IArchiveReader> reader = zipReader(zip.bytes);
    ASSERT_EQ(reader->entryCount(), 4);
    const char16_t* order[] = {u"A.xml", u"a.xml", u"b.xml", u"sub/a.xml"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(reader->entryAt(i)->path, CStringW(order[i]));
    EXPECT_EQ(reader->entryAt(4), nullptr);
    EXPECT_EQ(reader->entryAt(-1), nullptr);
    EXPECT_EQ(reader->find(u"B.xml"), -1);
    EXPECT_EQ(reader->find(u"sub/a.xml"), 3);
    const auto* entry = static_cast<const ZipEntry*>(reader->entryAt(3));
    EXPECT_EQ(entry->directory, CStringW(u"sub/"));
    EXPECT_EQ(entry->dataOffset, zip.dataOffsets[2]);
    EXPECT_EQ(reader->archiveName(), CStringW(u"test.zip"));
}

TEST(CVirtualFilesReaderZip, StoredMembersAreWindowsDeflatedOnesMemory) {
    const auto text = std::vector<uint8_t>(3000, 'z');
    CRefHandle<IArchiveReader> reader =
        zipReader(buildZip({{"stored.txt", text, 0}, {"packed.txt", text, 8}, {"later.txt", text, 8, true}}).bytes);
    for (const char16_t* name : {u"stored.txt", u"packed.txt", u"later.txt"}) {
        CRefHandle<IReadableFile> file(reader->open(name));
        ASSERT_TRUE(file);
        EXPECT_EQ(readToEnd(file.get()), text);
        const bool window = dynamic_cast<CRangeReadFile*>(file.get()) != nullptr;
        EXPECT_EQ(window, CStringW(name) == CStringW(u"stored.txt"));
        EXPECT_EQ(dynamic_cast<CBufferFile*>(file.get()) != nullptr, !window);
    }
    // Opening several members leaves each one's reads independent.
    CRefHandle<IReadableFile> a(reader->open(u"stored.txt"));
    CRefHandle<IReadableFile> b(reader->openEntry(reader->find(u"stored.txt")));
    uint8_t byte;
    ASSERT_EQ(a->read(&byte, 1), 1);
    EXPECT_EQ(b->position(), 0);
    EXPECT_EQ(reader->openEntry(3), nullptr);
    EXPECT_EQ(reader->openEntry(-1), nullptr);
}

TEST(CVirtualFilesReaderZip, ArchiveNameUsesForwardSlashes) {
    CRefHandle<IReadableFile> file = memoryFile(buildZip({}).bytes, u"data\\packs\\x.zip");
    CRefHandle<IArchiveReader> reader(new CVirtualFilesReaderZip(file.get()));
    EXPECT_EQ(reader->archiveName(), CStringW(u"data/packs/x.zip"));
    EXPECT_EQ(reader->entryCount(), 0);
}

// Damaged zips: the directory keeps what lies wholly inside the file, and a
// member that cannot be decoded opens as null with one error line.
TEST(CVirtualFilesReaderZip, DamagedArchives) {
    const std::vector<uint8_t> text(2000, 'q');
    const std::vector<uint8_t> noise = randomBytes(700, 3);
    const BuiltZip two = buildZip({{"first.txt", text, 8}, {"second.bin", noise, 0}});
    const BuiltZip streamed = buildZip({{"first.txt", text, 8, true}, {"second.bin", noise, 0, true}});

    auto changed = [](std::vector<uint8_t> bytes, size_t at, uint32_t value, int width = 4) {
        if (width == 2)
            putLe16(bytes, at, uint16_t(value));
        else
            putLe32(bytes, at, value);
        return bytes;
    };
    auto cut = [](const std::vector<uint8_t>& bytes, size_t size) {
        return std::vector<uint8_t>(bytes.begin(), bytes.begin() + ptrdiff_t(size));
    };
    auto corrupted = [&](std::vector<uint8_t> bytes) {
        for (size_t i = two.dataOffsets[0]; i < two.localOffsets[1]; ++i)
            bytes[i] ^= 0x5A;
        return bytes;
    };
    const size_t firstLocal = two.localOffsets[0];
    const size_t secondLocal = two.localOffsets[1];
    const size_t firstCentral = two.centralOffset;

    // The mount says in one line what is wrong with the archive as a whole;
    // opening a member says what is wrong with it.
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        int entries;
        const char* mountError; // null: the archive is whole
        const char* openError;  // when opening "first.txt"; null: it reads back
    } cases[] = {
        {"no bytes", {}, 0, "the file is empty", nullptr},
        {"header cut short", cut(two.bytes, 20), 0, "it has no end record", nullptr},
        {"name cut short", cut(two.bytes, 33), 0, "a member's header runs past the end", nullptr},
        {"first member's data past the end", changed(two.bytes, firstLocal + 18, 0x7FFFFFF0), 0,
         "a member's data runs past the end", nullptr},
        {"second member cut short", cut(two.bytes, two.dataOffsets[1] + 10), 1, "a member's data runs past the end",
         nullptr},
        {"name length past the end", changed(two.bytes, secondLocal + 26, 0xFFFF, 2), 1,
         "a member's header runs past the end; members read: 1", nullptr},
        {"extra length past the end", changed(two.bytes, secondLocal + 28, 0xFFFF, 2), 1,
         "a member's header runs past the end; members read: 1", nullptr},
        {"corrupt deflate data", corrupted(two.bytes), 2, nullptr, "ERR: File has damaged compressed data: first.txt"},
        {"stated size too large", changed(two.bytes, firstLocal + 22, 2001), 2, nullptr,
         "ERR: File has damaged compressed data: first.txt"},
        {"stated size too small", changed(two.bytes, firstLocal + 22, 1999), 2, nullptr,
         "ERR: File has damaged compressed data: first.txt"},
        {"stated size beyond any deflate ratio", changed(two.bytes, firstLocal + 22, 20000000), 2, nullptr,
         "ERR: File has a damaged compressed size: first.txt"},
        {"stated size beyond the limit", changed(two.bytes, firstLocal + 22, 0x7FFFFFFF), 2, nullptr,
         "ERR: File is too large to open from an archive: first.txt"},
        {"method 12", changed(two.bytes, firstLocal + 8, 12, 2), 2, nullptr,
         "ERR: File has unsupported compression method: first.txt"},
        {"encrypted", changed(two.bytes, firstLocal + 6, 1, 2), 2, nullptr,
         "ERR: File is encrypted, which is not supported: first.txt"},
        {"descriptor, central directory cut off", cut(streamed.bytes, streamed.centralOffset), 0,
         "a member's sizes are missing from the central directory", nullptr},
        {"descriptor, central offset past the end", changed(streamed.bytes, streamed.endOffset + 16, 0x7FFFFFF0), 0,
         "a member's sizes are missing from the central directory", nullptr},
        {"descriptor, central size past the end", changed(streamed.bytes, streamed.centralOffset + 20, 0x7FFFFFF0), 0,
         "a member's data runs past the end", nullptr},
        {"descriptor, central record cut", changed(streamed.bytes, streamed.endOffset + 12, 30), 0,
         "a member's sizes are missing from the central directory", nullptr},
        {"central directory names other offsets", changed(streamed.bytes, streamed.centralOffset + 42, 5), 0,
         "a member's sizes are missing from the central directory", nullptr},
        {"central directory damaged but unused", changed(two.bytes, firstCentral + 20, 0x7FFFFFF0), 2, nullptr,
         nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture mountLog;
        CRefHandle<IArchiveReader> reader = zipReader(c.bytes);
        ASSERT_EQ(reader->entryCount(), c.entries);
        if (c.mountError) {
            ASSERT_EQ(mountLog.lines().size(), 1u);
            EXPECT_TRUE(mountLog.contains("ERR: Zip archive test.zip: "));
            EXPECT_TRUE(mountLog.contains(c.mountError)) << mountLog.lines()[0];
        } else {
            EXPECT_TRUE(mountLog.lines().empty());
        }
        for (int32_t i = 0; i < reader->entryCount(); ++i) {
            const ArchiveEntry* entry = reader->entryAt(i);
            EXPECT_LE(uint64_t(entry->dataOffset) + entry->dataSize, c.bytes.size());
        }
        if (c.entries == 0)
            continue;
        LogCapture log;
        CRefHandle<IReadableFile> first(reader->open(u"first.txt"));
        if (c.openError) {
            EXPECT_FALSE(first);
            EXPECT_EQ(log.count("ERR: "), 1u);
            EXPECT_TRUE(log.contains(c.openError));
        } else {
            ASSERT_TRUE(first);
            EXPECT_EQ(readToEnd(first.get()), text);
            EXPECT_EQ(log.count("ERR: "), 0u);
        }
    }
}

// A zip cut at any byte: what stays in the directory reads back exactly or
// opens as null; nothing reads outside the file.
TEST(CVirtualFilesReaderZip, TruncatedAnywhere) {
    const std::map<std::string, std::vector<uint8_t>> members = {
        {"a/deflated.txt", std::vector<uint8_t>(600, 'x')},
        {"b/stored.bin", randomBytes(300, 9)},
        {"c/streamed.txt", std::vector<uint8_t>(500, 'y')},
    };
    const BuiltZip zip = buildZip({{"a/deflated.txt", members.at("a/deflated.txt"), 8},
                                   {"b/stored.bin", members.at("b/stored.bin"), 0},
                                   {"c/streamed.txt", members.at("c/streamed.txt"), 8, true}});
    for (size_t size = 0; size < zip.bytes.size(); ++size) {
        SCOPED_TRACE(size);
        LogCapture log;
        const std::vector<uint8_t> bytes(zip.bytes.begin(), zip.bytes.begin() + ptrdiff_t(size));
        CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
        CRefHandle<IReadableFile> file = memoryFile(bytes, u"cut.bin");
        IArchiveReader* reader = fileSystem->mountArchiveFile(file.get(), nullptr);
        if (size < 4) {
            EXPECT_EQ(reader, nullptr);
            EXPECT_TRUE(log.contains("ERR: Could not create archive for: cut.bin"));
            continue;
        }
        ASSERT_NE(reader, nullptr);
        for (int32_t i = 0; i < reader->entryCount(); ++i) {
            const ArchiveEntry* entry = reader->entryAt(i);
            CRefHandle<IReadableFile> member(reader->openEntry(i));
            if (member) {
                EXPECT_EQ(readToEnd(member.get()), members.at(std::string(entry->path.begin(), entry->path.end())));
            }
        }
    }
}

// Stored members are windows onto the one archive file: a stream read on the
// audio thread must not pair its seek with a read of the loading thread.
TEST(CVirtualFilesReaderZip, StoredMembersReadOnTwoThreadsGetTheirOwnBytes) {
    TempDir dir;
    const std::vector<uint8_t> first = randomBytes(64 * 1024, 11);
    const std::vector<uint8_t> second = randomBytes(64 * 1024, 12);
    const std::vector<uint8_t> packed = randomBytes(4096, 13);
    const BuiltZip zip =
        buildZip({{"music/first.ogg", first, 0}, {"music/second.ogg", second, 0}, {"packed.bin", packed, 8}});
    const fs::path path = dir.write("sounds.zip", zip.bytes);
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    IArchiveReader* archive = fileSystem->mountArchive(widePath(path), nullptr);
    ASSERT_NE(archive, nullptr);
    ASSERT_STREQ(archive->typeName(), "zip");

    // Opened here: reference counts are not for sharing between threads.
    CRefHandle<IReadableFile> streams[2] = {CRefHandle<IReadableFile>(archive->open(u"music/first.ogg")),
                                            CRefHandle<IReadableFile>(archive->open(u"music/second.ogg"))};
    ASSERT_TRUE(streams[0] && streams[1]);
    const std::vector<uint8_t>* expected[2] = {&first, &second};
    std::atomic<int> mismatches{0};
    auto stream = [&](int which) {
        IReadableFile* file = streams[which].get();
        const std::vector<uint8_t>& bytes = *expected[which];
        uint8_t buffer[101];
        for (int pass = 0; pass < 40; ++pass) {
            (void)file->seek(0, false);
            size_t at = 0;
            while (const int32_t got = file->read(buffer, int32_t(sizeof buffer))) {
                if (!std::equal(buffer, buffer + got, bytes.begin() + std::ptrdiff_t(at)))
                    ++mismatches;
                at += size_t(got);
            }
            if (at != bytes.size())
                ++mismatches;
        }
    };
    // The deflated member is read by the reader itself, on a third thread.
    auto inflate = [&] {
        for (int i = 0; i < 600; ++i) {
            CRefHandle<IReadableFile> file(archive->open(u"packed.bin"));
            if (!file || readToEnd(file.get()) != packed)
                ++mismatches;
        }
    };
    std::thread a(stream, 0);
    std::thread b(stream, 1);
    std::thread c(inflate);
    a.join();
    b.join();
    c.join();
    EXPECT_EQ(mismatches.load(), 0);
}
