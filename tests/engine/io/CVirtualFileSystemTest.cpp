#include "engine/io/CVirtualFileSystem.h"

#include "engine/core/CEngineManagers.h"
#include "engine/core/CRandom.h"
#include "engine/io/CVirtualFile.h"
#include "engine/io/IArchiveOpener.h"
#include "engine/io/IArchiveReader.h"
#include "engine/io/IReadableFile.h"
#include "engine/io/IWritableFile.h"
#include "tests/engine/io/IoFixtures.h"
#include "tests/support/FileFaults.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <deque>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> bytesOf(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::string textOf(CVirtualFileSystem* fileSystem, const char16_t* path) {
    CRefHandle<IReadableFile> file(fileSystem->openForRead(path));
    if (!file)
        return "<none>";
    const auto bytes = readToEnd(file.get());
    return std::string(bytes.begin(), bytes.end());
}

// An opener that recognises nothing, to see where the file system puts it.
class CRefusingOpener : public IArchiveOpener {
public:
    explicit CRefusingOpener(int* asked) : m_asked(asked) {}
    [[nodiscard]] bool canLoadFile(IReadableFile*) override { return ++*m_asked, false; }
    [[nodiscard]] bool canLoadPath(const CStringW&) override { return false; }
    [[nodiscard]] IArchiveReader* createFromFile(IReadableFile*, const char*) override { return nullptr; }
    [[nodiscard]] IArchiveReader* createFromPath(const CStringW&, const char*) override { return nullptr; }

private:
    int* m_asked;
};

} // namespace

// A loose file in the current folder wins; then the archives in mount order.
TEST(CVirtualFileSystem, OpensLooseFilesFirstThenArchivesInMountOrder) {
    TempDir dir;
    dir.write("assets/both.txt", std::string("folder"));
    dir.write("assets/loose.txt", std::string("folder"));
    dir.write("loose.txt", std::string("loose"));
    dir.write("assets.mca",
              buildPackedArchive(
                  {{"both.txt", bytesOf("packed")}, {"loose.txt", bytesOf("packed")}, {"only.txt", bytesOf("packed")}},
                  "secret"));
    WorkingDirectoryScope inside(dir.path());
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    ASSERT_NE(fileSystem->mountArchive(u"assets", nullptr), nullptr);
    ASSERT_NE(fileSystem->mountArchive(u"assets.mca", "secret"), nullptr);
    ASSERT_EQ(fileSystem->archiveCount(), 2);
    EXPECT_STREQ(fileSystem->archiveAt(0)->typeName(), "mount");
    EXPECT_STREQ(fileSystem->archiveAt(1)->typeName(), "mca");
    EXPECT_EQ(fileSystem->archiveAt(2), nullptr);
    EXPECT_EQ(fileSystem->archiveAt(-1), nullptr);

    EXPECT_EQ(textOf(fileSystem.get(), u"loose.txt"), "loose");
    EXPECT_EQ(textOf(fileSystem.get(), u"both.txt"), "folder");
    EXPECT_EQ(textOf(fileSystem.get(), u"only.txt"), "packed");
    EXPECT_EQ(textOf(fileSystem.get(), u"none.txt"), "<none>");

    EXPECT_TRUE(fileSystem->exists(u"only.txt", true));
    EXPECT_FALSE(fileSystem->exists(u"only.txt", false));
    EXPECT_TRUE(fileSystem->exists(u"loose.txt", false));
    EXPECT_FALSE(fileSystem->exists(u"assets", false));
}

// A member found in an archive is not looked for on disk again; a loose file
// made through the file system (written, or renamed into place) wins again.
TEST(CVirtualFileSystem, ALooseFileMadeThroughTheFileSystemWinsOverAMemberReadBefore) {
    TempDir dir;
    dir.write("assets.mca", buildPackedArchive({{"a.txt", bytesOf("packed")}, {"b.txt", bytesOf("packed")},
                                                {"c.txt", bytesOf("packed")}},
                                               "secret"));
    WorkingDirectoryScope inside(dir.path());
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    ASSERT_NE(fileSystem->mountArchive(u"assets.mca", "secret"), nullptr);
    for (const char16_t* name : {u"a.txt", u"b.txt", u"c.txt"})
        EXPECT_EQ(textOf(fileSystem.get(), name), "packed");

    {
        CRefHandle<IWritableFile> file(fileSystem->openForWrite(u"a.txt", false));
        ASSERT_TRUE(file);
        ASSERT_EQ(file->write("written", 7), 7);
        ASSERT_TRUE(file->close(true));
    }
    EXPECT_EQ(textOf(fileSystem.get(), u"a.txt"), "written");
    ASSERT_TRUE(fileSystem->writeFileSafely(u"b.txt", [](IWritableFile* file) { return file->write("safe", 4) == 4; }));
    EXPECT_EQ(textOf(fileSystem.get(), u"b.txt"), "safe");
    dir.write("moved.txt", std::string("moved"));
    ASSERT_TRUE(fileSystem->rename(u"moved.txt", u"c.txt"));
    EXPECT_EQ(textOf(fileSystem.get(), u"c.txt"), "moved");
    // Removed again, the member shows through.
    ASSERT_TRUE(fileSystem->remove(u"c.txt"));
    EXPECT_EQ(textOf(fileSystem.get(), u"c.txt"), "packed");
}

TEST(CVirtualFileSystem, MountsByNameThenByContent) {
    TempDir dir;
    const BuiltZip zip = buildZip({{"inside.txt", bytesOf("zipped"), 8}});
    dir.write("data.PK3", std::string("not a zip at all"));
    dir.write("data.unknown", zip.bytes);
    dir.write("plain.unknown", std::string("plain text"));
    dir.write("assets/nested.zip", zip.bytes);
    WorkingDirectoryScope inside(dir.path());
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);

    // The extension decides, whatever the file holds.
    IArchiveReader* byName = fileSystem->mountArchive(u"data.PK3", nullptr);
    ASSERT_NE(byName, nullptr);
    EXPECT_STREQ(byName->typeName(), "zip");
    EXPECT_EQ(byName->entryCount(), 0);

    IArchiveReader* byContent = fileSystem->mountArchive(u"data.unknown", nullptr);
    ASSERT_NE(byContent, nullptr);
    EXPECT_STREQ(byContent->typeName(), "zip");
    EXPECT_EQ(textOf(fileSystem.get(), u"inside.txt"), "zipped");

    LogCapture log;
    EXPECT_EQ(fileSystem->mountArchive(u"plain.unknown", nullptr), nullptr);
    EXPECT_EQ(log.count("ERR: Could not create archive for: plain.unknown"), 1u);
    EXPECT_EQ(fileSystem->mountArchiveFile(nullptr, nullptr), nullptr);
    EXPECT_EQ(log.count("ERR: "), 1u);

    // An archive may come from an archive mounted before it.
    CRefHandle<CVirtualFileSystem> second(new CVirtualFileSystem);
    ASSERT_NE(second->mountArchive(u"assets", nullptr), nullptr);
    ASSERT_NE(second->mountArchive(u"nested.zip", nullptr), nullptr);
    EXPECT_EQ(textOf(second.get(), u"inside.txt"), "zipped");
}

TEST(CVirtualFileSystem, UnmountHandsTheReferenceBack) {
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    CRefHandle<IReadableFile> file = memoryFile(buildZip({{"x", bytesOf("1")}}).bytes, u"mem.zip");
    IArchiveReader* archive = fileSystem->mountArchiveFile(file.get(), nullptr);
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(archive->referenceCount(), 1);
    EXPECT_EQ(textOf(fileSystem.get(), u"x"), "1");

    CRefHandle<IArchiveReader> back = fileSystem->unmount(archive);
    EXPECT_EQ(back.get(), archive);
    EXPECT_EQ(archive->referenceCount(), 1);
    EXPECT_EQ(fileSystem->archiveCount(), 0);
    EXPECT_EQ(textOf(fileSystem.get(), u"x"), "<none>");
    EXPECT_FALSE(fileSystem->unmount(archive));
}

TEST(CVirtualFileSystem, RegisteredOpenersComeAfterTheBuiltInOnes) {
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    EXPECT_EQ(fileSystem->archiveLoaderCount(), 3);
    int asked = 0;
    fileSystem->registerArchiveLoader(new CRefusingOpener(&asked));
    fileSystem->registerArchiveLoader(nullptr);
    EXPECT_EQ(fileSystem->archiveLoaderCount(), 4);
    // A zip is taken by the zip opener before the new one is asked.
    CRefHandle<IReadableFile> zip = memoryFile(buildZip({{"x", bytesOf("1")}}).bytes, u"a");
    ASSERT_NE(fileSystem->mountArchiveFile(zip.get(), nullptr), nullptr);
    EXPECT_EQ(asked, 0);
    LogCapture log;
    CRefHandle<IReadableFile> other = memoryFile(bytesOf("something else"), u"b");
    EXPECT_EQ(fileSystem->mountArchiveFile(other.get(), nullptr), nullptr);
    EXPECT_EQ(asked, 1);
}

TEST(CVirtualFileSystem, MakeUniqueNameSkipsNamesInUse) {
    TempDir dir;
    dir.write("shots/img000005", std::string("taken"));
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    std::deque<uint32_t> draws = {5, 999999 + 7, 12};
    fileSystem->setRandomSource([&draws] {
        const uint32_t next = draws.front();
        draws.pop_front();
        return next;
    });
    const CStringW folder = widePath(dir.path() / "shots");
    EXPECT_EQ(fileSystem->makeUniqueName(folder, u"img"), CStringW(u"img000007"));
    EXPECT_EQ(fileSystem->makeUniqueName(folder, u"img"), CStringW(u"img000012"));

    // Without a source of its own, every file system draws from the engine
    // managers' shared twister: two of them continue one sequence.
    CRandom* shared = CEngineManagers::instance().getRandom();
    ASSERT_NE(shared, nullptr);
    CRandom reference;
    shared->seed(2024);
    reference.seed(2024);
    auto expected = [&reference] {
        char digits[16];
        std::snprintf(digits, sizeof digits, "shot%06u", unsigned(reference.next() % 999999u));
        return CStringW(digits);
    };
    CRefHandle<CVirtualFileSystem> other(new CVirtualFileSystem);
    EXPECT_EQ(other->makeUniqueName(folder, u"shot"), expected());
    CRefHandle<CVirtualFileSystem> third(new CVirtualFileSystem);
    EXPECT_EQ(third->makeUniqueName(folder, u"shot"), expected());
    fileSystem->setRandomSource(nullptr); // back to the shared one
    EXPECT_EQ(fileSystem->makeUniqueName(folder, u"shot"), expected());
}

TEST(CVirtualFileSystem, RemovesAndRenamesFiles) {
    TempDir dir;
    dir.write("a.txt", std::string("a"));
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    EXPECT_TRUE(fileSystem->rename(widePath(dir.path() / "a.txt"), widePath(dir.path() / "b.txt")));
    EXPECT_TRUE(fs::exists(dir.path() / "b.txt"));
    EXPECT_FALSE(fileSystem->rename(widePath(dir.path() / "a.txt"), widePath(dir.path() / "c.txt")));
    EXPECT_TRUE(fileSystem->remove(widePath(dir.path() / "b.txt")));
    EXPECT_FALSE(fileSystem->remove(widePath(dir.path() / "b.txt")));
}

namespace {

// A file system whose renames fail, as across devices or onto a locked file.
class CNoRenameFileSystem : public CVirtualFileSystem {
public:
    bool rename(const CStringW&, const CStringW&) override { return false; }

protected:
    ~CNoRenameFileSystem() override = default;
};

} // namespace

TEST(CVirtualFileSystem, WriteFileSafelyReplacesTheFileOnlyWhenAllWentWell) {
    TempDir dir;
    const fs::path target = dir.write("keep.txt", std::string("old"));
    const fs::path temporary = dir.path() / "keep.txt.tmp";
    auto writes = [](const char* text, bool result) {
        return [text, result](IWritableFile* file) {
            const int32_t length = int32_t(std::char_traits<char>::length(text));
            return file->write(text, length) == length && result;
        };
    };
    // The check sees the closed file as written.
    auto readsBack = [](const char* expected) {
        return [expected](IReadableFile* file) { return readToEnd(file) == bytesOf(expected); };
    };
    const struct {
        const char* what;
        bool renames;
        const char* folder;
        std::function<bool(IWritableFile*)> write;
        std::function<bool(IReadableFile*)> check;
        bool result;
        const char* logged;
    } cases[] = {
        {"writer fails", true, "", writes("par", false), nullptr, false, nullptr},
        {"no writer", true, "", nullptr, nullptr, false, nullptr},
        {"check refuses", true, "", writes("new", true), readsBack("other"), false,
         "ERR: Can't save file: " /* ... it did not read back as written */},
        {"temporary file does not open", true, "missing/", writes("new", true), nullptr, false,
         "ERR: Can't create file: " /* ... with the system's reason */},
        {"rename fails", false, "", writes("new", true), nullptr, false, "ERR: Can't replace file: "},
        {"all went well", true, "", writes("new", true), readsBack("new"), true, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRefHandle<CVirtualFileSystem> fileSystem(c.renames ? new CVirtualFileSystem : new CNoRenameFileSystem);
        LogCapture log;
        EXPECT_EQ(
            fileSystem->writeFileSafely(widePath(dir.path() / (std::string(c.folder) + "keep.txt")), c.write, c.check),
            c.result);
        if (c.logged) {
            EXPECT_EQ(log.lines().size(), 1u);
            EXPECT_TRUE(log.contains(c.logged));
        } else {
            EXPECT_TRUE(log.lines().empty());
        }
        EXPECT_EQ(readAllBytes(target), bytesOf(c.result ? "new" : "old"));
        EXPECT_FALSE(fs::exists(temporary));
    }
    // A missing target is simply made.
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    EXPECT_TRUE(fileSystem->writeFileSafely(widePath(dir.path() / "fresh.txt"), writes("made", true)));
    EXPECT_EQ(readAllBytes(dir.path() / "fresh.txt"), bytesOf("made"));
}

TEST(CVirtualFileSystem, MakesMemoryAndDiskFiles) {
    TempDir dir;
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    EXPECT_EQ(fileSystem->wrapBufferForRead(nullptr, 4, u"x", false), nullptr);
    EXPECT_EQ(fileSystem->wrapBufferForWrite(nullptr, 4, u"x", false), nullptr);

    CRefHandle<IWritableFile> memory(fileSystem->createVirtualFile(u"staging", 65536));
    ASSERT_TRUE(memory);
    ASSERT_EQ(memory->write("profile", 7), 7);
    auto* readable = dynamic_cast<IReadableFile*>(memory.get());
    ASSERT_NE(readable, nullptr);
    ASSERT_TRUE(readable->seek(0, false));
    EXPECT_EQ(readToEnd(readable), bytesOf("profile"));

    uint8_t block[4] = {1, 2, 3, 4};
    CRefHandle<IReadableFile> wrapped(fileSystem->wrapBufferForRead(block, 4, u"block", false));
    EXPECT_EQ(readToEnd(wrapped.get()), (std::vector<uint8_t>{1, 2, 3, 4}));

    const CStringW path = widePath(dir.path() / "out.bin");
    {
        CRefHandle<IWritableFile> out(fileSystem->openForWrite(path, false));
        ASSERT_TRUE(out);
        EXPECT_EQ(out->write("12", 2), 2);
    }
    {
        CRefHandle<IWritableFile> out(fileSystem->openForWrite(path, true));
        ASSERT_TRUE(out);
        EXPECT_EQ(out->write("3", 1), 1);
    }
    EXPECT_EQ(readAllBytes(dir.path() / "out.bin"), bytesOf("123"));
    EXPECT_EQ(fileSystem->openForWrite(widePath(dir.path() / "no/such/out.bin"), false), nullptr);
}

TEST(CVirtualFileSystem, FoldersAreWhatWasSet) {
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    EXPECT_TRUE(fileSystem->getUserFolder().empty());
    fileSystem->setUserFolder(u"u");
    fileSystem->setCommonFolder(u"c");
    fileSystem->setCacheFolder(u"k");
    EXPECT_EQ(fileSystem->getUserFolder(), CStringW(u"u"));
    EXPECT_EQ(fileSystem->getCommonFolder(), CStringW(u"c"));
    EXPECT_EQ(fileSystem->getCacheFolder(), CStringW(u"k"));
}

namespace {

// `size` bytes of a pattern that differs with `seed`.
std::vector<uint8_t> patternBytes(std::size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = uint8_t(i * 31 + seed + (i >> 9));
    return bytes;
}

// Writes `bytes` in pieces of `piece`, as a content writer does.
std::function<bool(IWritableFile*)> writesInPieces(const std::vector<uint8_t>& bytes, std::size_t piece) {
    return [&bytes, piece](IWritableFile* file) {
        for (std::size_t done = 0; done < bytes.size(); done += piece) {
            const int32_t count = int32_t(std::min(piece, bytes.size() - done));
            if (file->write(bytes.data() + done, count) != count)
                return false;
        }
        return true;
    };
}

} // namespace

TEST(CVirtualFileSystem, WriteFileSafelySeesEveryFailingCall) {
    TempDir dir;
    const std::vector<uint8_t> previous = patternBytes(100000, 1);
    const std::vector<uint8_t> next = patternBytes(300000, 2);
    const fs::path target = dir.path() / "save.dat";
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    std::vector<PlatformFileCall> seen;
    FileFaults::eachCallFailing(
        [&] { dir.write("save.dat", previous); },
        [&] { return fileSystem->writeFileSafely(widePath(target), writesInPieces(next, 7000)); },
        [&](PlatformFileCall failed, bool afterRename, bool saved) {
            seen.push_back(failed);
            EXPECT_FALSE(saved);
            // Only a failing folder sync after the rename finds the new file
            // in place; every other failure leaves the old one.
            EXPECT_EQ(readAllBytes(target), afterRename ? next : previous);
            EXPECT_FALSE(fs::exists(dir.path() / "save.dat.tmp"));
        });
    // The save is made of every kind of call: several writes, the file's
    // sync and close, the rename between two folder syncs.
    EXPECT_GE(std::count(seen.begin(), seen.end(), PlatformFileCall::Write), 4);
    for (PlatformFileCall call :
         {PlatformFileCall::Open, PlatformFileCall::Sync, PlatformFileCall::Close, PlatformFileCall::Rename})
        EXPECT_EQ(std::count(seen.begin(), seen.end(), call), 1) << callName(call);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), PlatformFileCall::SyncFolder), 2);
}

TEST(CVirtualFileSystem, WriteFileSafelyLogsTheSystemsReason) {
    TempDir dir;
    dir.write("save.dat", std::string("old"));
    CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
    const std::vector<uint8_t> next = patternBytes(10, 3);
    const struct {
        int failAt;
        const char* logged;
    } cases[] = {
        {1, "ERR: Can't write file: "},   // the one write, when the buffer is pushed
        {2, "ERR: Can't write file: "},   // the sync
        {3, "ERR: Can't write file: "},   // the close
        {4, "ERR: Can't replace file: "}, // the folder sync before the rename
        {5, "ERR: Can't replace file: "}, // the rename
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failAt);
        LogCapture log;
        {
            FileFaults faults(c.failAt);
            EXPECT_FALSE(fileSystem->writeFileSafely(widePath(dir.path() / "save.dat"), writesInPieces(next, 10)));
        }
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_TRUE(log.contains(c.logged));
        EXPECT_TRUE(c.failAt == 5 || log.contains("Input/output error"));
        EXPECT_EQ(readAllBytes(dir.path() / "save.dat"), bytesOf("old"));
    }
}

#ifndef _WIN32
// A process killed at any moment of its saves leaves the old file or the new
// one, whole: never a mix, a truncated file or none.
TEST(CVirtualFileSystem, WriteFileSafelySurvivesAKillAtAnyMoment) {
    TempDir dir;
    const fs::path target = dir.path() / "save.dat";
    const std::vector<uint8_t> first = patternBytes(200000, 4);
    const std::vector<uint8_t> second = patternBytes(150001, 5);
    dir.write("save.dat", first);
    std::mt19937 random(20261210);
    int seenSecond = 0;
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        // The child reports each finished save through a pipe.
        int saved[2];
        ASSERT_EQ(pipe(saved), 0);
        std::fflush(nullptr);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(saved[0]);
            CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
            for (int i = 0;; ++i) {
                static_cast<void>(
                    fileSystem->writeFileSafely(widePath(target), writesInPieces(i % 2 ? first : second, 4096)));
                static_cast<void>(write(saved[1], "s", 1));
            }
        }
        close(saved[1]);
        // Half the kills come after the first save has finished, however
        // slowly a loaded machine saves, so some land in the save after it.
        if (round % 2 == 1) {
            char done = 0;
            ASSERT_EQ(read(saved[0], &done, 1), 1);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
        ASSERT_EQ(kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        close(saved[0]);
        const std::vector<uint8_t> found = readAllBytes(target);
        ASSERT_TRUE(found == first || found == second) << found.size() << " bytes";
        seenSecond += found == second;
        fs::remove(dir.path() / "save.dat.tmp");
    }
    // The kills came at different moments of different saves.
    EXPECT_GT(seenSecond, 0);
}

// A real failure from the system, with no seam: a file-size limit makes the
// kernel refuse a write halfway through the save.
TEST(CVirtualFileSystem, WriteFileSafelyUnderAFileSizeLimitKeepsTheOldFile) {
    TempDir dir;
    const std::vector<uint8_t> previous = patternBytes(1000, 6);
    const std::vector<uint8_t> next = patternBytes(300000, 7);
    const fs::path target = dir.write("save.dat", previous);
    std::fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100000, 100000};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            _exit(3);
        CRefHandle<CVirtualFileSystem> fileSystem(new CVirtualFileSystem);
        const bool saved = fileSystem->writeFileSafely(widePath(target), writesInPieces(next, 4096));
        _exit(saved ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save did not report the failure";
    EXPECT_EQ(readAllBytes(target), previous);
    EXPECT_FALSE(fs::exists(dir.path() / "save.dat.tmp"));
}
#endif
