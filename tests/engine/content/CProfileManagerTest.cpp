#include "engine/content/CProfileManager.h"

#include "engine/content/CProfileParameters.h"
#include "engine/content/Crc32.h"
#include "engine/core/CEngine.h"
#include "engine/core/CRefHandle.h"
#ifndef _WIN32
#include "engine/io/CLinuxFileSystem.h"
#endif
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/IReadableFile.h"
#include "engine/io/IWritableFile.h"
#include "tests/support/FileFaults.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const CString kKey("k3Y-Brindle#2024");

CStringW widePath(const fs::path& path) { return CStringW(std::u16string_view(path.u16string())); }

// Passes writes on to a real file until `limit` bytes have gone through.
// Past it a write fails, or, with `silent`, reports success and is lost (as
// a full disk that only fails when the file is closed).
class LimitedWriter : public IWritableFile {
public:
    LimitedWriter(IWritableFile* adopted, int64_t limit, bool silent)
        : m_inner(adopted), m_left(limit), m_silent(silent) {}

    int32_t write(const void* buffer, int32_t count) override {
        const int32_t passed = int32_t(std::max<int64_t>(0, std::min<int64_t>(count, m_left)));
        m_left -= passed;
        const int32_t written = passed > 0 ? m_inner->write(buffer, passed) : 0;
        return m_silent ? count : written;
    }
    bool seek(int32_t position, bool relative) override { return m_inner->seek(position, relative); }
    int32_t position() const override { return m_inner->position(); }
    const CStringW& fileName() const override { return m_inner->fileName(); }
    bool close(bool toDisk) override { return m_inner->close(toDisk); }

protected:
    ~LimitedWriter() override = default;

private:
    CRefHandle<IWritableFile> m_inner;
    int64_t m_left;
    bool m_silent;
};

// A file of some size whose every read fails.
class CFailingReader : public IReadableFile {
public:
    explicit CFailingReader(const CStringW& name) : m_name(name) {}
    int32_t read(void*, int32_t) override { return 0; }
    bool seek(int32_t position, bool) override { return position == 0; }
    int32_t size() const override { return 5000; }
    int32_t position() const override { return 0; }
    const CStringW& fileName() const override { return m_name; }

protected:
    ~CFailingReader() override = default;

private:
    CStringW m_name;
};

// The engine's file system over a temporary folder, with faults on demand.
class TestFileSystem : public CVirtualFileSystem {
public:
    explicit TestFileSystem(const fs::path& root) {
        setUserFolder(widePath(root / "user"));
        setCommonFolder(widePath(root / "common"));
        fs::create_directories(root / "user");
        fs::create_directories(root / "common");
    }

    IWritableFile* openForWrite(const CStringW& path, bool append) override {
        ++writesOpened;
        IWritableFile* file = CVirtualFileSystem::openForWrite(path, append);
        if (!file || writeLimit < 0)
            return file;
        return new LimitedWriter(file, writeLimit, silentLoss);
    }
    bool rename(const CStringW& oldPath, const CStringW& newPath) override {
        return !failRename && CVirtualFileSystem::rename(oldPath, newPath);
    }
    // A file that opens but cannot be read, as on a failing disk.
    IReadableFile* openForRead(const CStringW& path) override {
        IReadableFile* file = CVirtualFileSystem::openForRead(path);
        if (!file || !failReads)
            return file;
        file->release();
        return new CFailingReader(path);
    }

    int64_t writeLimit = -1;
    bool silentLoss = false;
    bool failRename = false;
    bool failReads = false;
    int writesOpened = 0;

protected:
    ~TestFileSystem() override = default;
};

struct PlayerData {
    std::u16string name;
    int level;
    float volume;
    std::u16string picture;
};

const std::vector<PlayerData>& samplePlayers() {
    static const std::vector<PlayerData> players = {
        {u"Ann", 3, 0.5f, u"pic1"},
        {u"Zo\u00eb \u0141ukasz", 47, 100.0f, u"B\u00e4r"},
        {u"\u65e5\u672c\u8a9e \U0001F600", 0, -3.25f, u"line1\r\nline2\ttab"},
        {u"Ann & <Bob> \"q\" 'a'", -1, 0.0f, u""},
    };
    return players;
}

class CProfileManagerTest : public ::testing::Test {
protected:
    CProfileManagerTest() : files(new TestFileSystem(dir.path())) {}

    fs::path userFile() const { return dir.path() / "user" / "profile.dat"; }
    fs::path commonFile() const { return dir.path() / "common" / "profile.dat"; }

    CRefHandle<CProfileManager> newManager(const CString& key = kKey) const {
        CRefHandle<CProfileManager> manager(new CProfileManager(files.get()));
        manager->setKey(key);
        manager->getCommonDefaults()->setBool("FullScreen", true);
        manager->getCommonDefaults()->setInt("VideoDriver", 2);
        manager->getNewProfileDefaults()->setBool("SoundOn", true);
        manager->getNewProfileDefaults()->setInt("MaxUnlockedLevelIndex", -1);
        return manager;
    }

    // A manager with the sample players (the second one active), saved.
    CRefHandle<CProfileManager> savedSample(const CString& key = kKey) const {
        CRefHandle<CProfileManager> manager = newManager(key);
        EXPECT_TRUE(manager->loadProfiles());
        manager->getCommonProfile()->setInt("VideoDriver", 3);
        manager->getGlobalProfile()->setStringW("Installed", u"yes");
        for (const PlayerData& data : samplePlayers()) {
            EXPECT_TRUE(manager->addProfile(CStringW(data.name)));
            CProfileParameters* player = manager->findProfile(CStringW(data.name));
            player->setInt("LevelIndex", data.level);
            player->setFloat("MusicVolume", data.volume);
            player->setStringW("PlayerPicture", CStringW(data.picture));
            player->setString("Ranks", "0120");
            for (int i = 0; i < 30; ++i)
                player->setBool(CString("ShowTutorial") + i, i % 3 == 0);
        }
        EXPECT_TRUE(manager->setActiveProfile(1));
        EXPECT_TRUE(manager->saveUserProfiles());
        EXPECT_TRUE(manager->saveCommonProfile());
        return manager;
    }

    CRefHandle<CProfileManager> loaded(const CString& key = kKey) const {
        CRefHandle<CProfileManager> manager = newManager(key);
        EXPECT_TRUE(manager->loadProfiles());
        return manager;
    }

    static void expectSamePlayers(const CProfileManager& expected, const CProfileManager& actual) {
        ASSERT_EQ(actual.getProfileCount(), expected.getProfileCount());
        for (int i = 0; i < int(expected.getProfileCount()); ++i) {
            SCOPED_TRACE(i);
            EXPECT_TRUE(actual.getProfile(i)->equals(*expected.getProfile(i)));
        }
        EXPECT_TRUE(actual.getCommonProfile()->equals(*expected.getCommonProfile()));
    }

    TempDir dir;
    CRefHandle<TestFileSystem> files;
};

std::vector<uint8_t> utf16File(std::u16string_view text) {
    std::vector<uint8_t> bytes = {0xFF, 0xFE};
    for (char16_t c : text) {
        bytes.push_back(uint8_t(c & 0xFF));
        bytes.push_back(uint8_t(c >> 8));
    }
    return bytes;
}

// The position of `text` (UTF-16 little-endian) in `bytes`.
std::optional<size_t> findUtf16(const std::vector<uint8_t>& bytes, std::u16string_view text) {
    const std::vector<uint8_t> encoded = utf16File(text);
    const std::vector<uint8_t> needle(encoded.begin() + 2, encoded.end());
    const auto at = std::search(bytes.begin(), bytes.end(), needle.begin(), needle.end());
    if (at == bytes.end())
        return std::nullopt;
    return size_t(at - bytes.begin());
}

} // namespace

TEST_F(CProfileManagerTest, SavedProfilesLoadEqual) {
    const CRefHandle<CProfileManager> saved = savedSample();
    const CRefHandle<CProfileManager> again = loaded();

    expectSamePlayers(*saved, *again);
    EXPECT_TRUE(again->isCheckValueValid());
    EXPECT_EQ(again->getActiveProfile(), again->getProfile(1));
    EXPECT_TRUE(again->getGlobalProfile()->equals(*saved->getGlobalProfile()));
    const CProfileParameters* third = again->findProfile(CStringW(samplePlayers()[2].name));
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->getStringW("PlayerPicture"), CStringW(u"line1\r\nline2\ttab"));
    EXPECT_EQ(third->getFloat("MusicVolume"), -3.25f);
    EXPECT_TRUE(third->getBool("SoundOn"));
    EXPECT_EQ(again->getCommonProfile()->getInt("VideoDriver"), 3);
    EXPECT_TRUE(again->getCommonProfile()->getBool("FullScreen"));
    // Saving what was loaded writes the same bytes.
    const std::vector<uint8_t> before = readAllBytes(userFile());
    ASSERT_TRUE(again->saveUserProfiles());
    EXPECT_EQ(readAllBytes(userFile()), before);
    EXPECT_FALSE(fs::exists(userFile().string() + ".tmp"));
}

TEST_F(CProfileManagerTest, ValuesOfEveryKindSurviveLoadAndSave) {
    // Nested sets, lists of texts and kinds this store does not model come
    // back exactly as they were written.
    const std::vector<uint8_t> original =
        utf16File(u"<?xml version=\"1.0\"?>\r\n"
                  u"<Profiles>\r\n"
                  u"\t<CommonProfile>\r\n"
                  u"\t\t<Parameters>\r\n"
                  u"\t\t\t<bool Name=\"FullScreen\" Value=\"false\" />\r\n"
                  u"\t\t\t<int Name=\"VideoDriver\" Value=\"2\" />\r\n"
                  u"\t\t</Parameters>\r\n"
                  u"\t</CommonProfile>\r\n"
                  u"\t<Profile Name=\"Ann\" Active=\"true\">\r\n"
                  u"\t\t<Parameters>\r\n"
                  u"\t\t\t<properties Name=\"Level3\">\r\n"
                  u"\t\t\t\t<int Name=\"Stars\" Value=\"2\" />\r\n"
                  u"\t\t\t\t<properties Name=\"Shop\">\r\n"
                  u"\t\t\t\t\t<bool Name=\"Open\" Value=\"true\" />\r\n"
                  u"\t\t\t\t\t<properties Name=\"Empty\">\r\n"
                  u"\t\t\t\t\t</properties>\r\n"
                  u"\t\t\t\t</properties>\r\n"
                  u"\t\t\t\t<stringw Name=\"Note\" Value=\"a &amp; &quot;b&quot;&#xD;&#xA;\" />\r\n"
                  u"\t\t\t</properties>\r\n"
                  u"\t\t\t<stringwArray Name=\"Trophies\">\r\n"
                  u"\t\t\t\t<stringw Value=\"Gold\" />\r\n"
                  u"\t\t\t\t<stringw Value=\"Zo\u00eb &lt;1&gt; \u65e5\" />\r\n"
                  u"\t\t\t</stringwArray>\r\n"
                  u"\t\t\t<color Name=\"Tint\" Value=\"ff00ff00\" />\r\n"
                  u"\t\t\t<gadget Name=\"Future\" Mode=\"x\">\r\n"
                  u"\t\t\t\t<part Value=\"1\">text &amp; more</part>\r\n"
                  u"\t\t\t</gadget>\r\n"
                  u"\t\t\t<bool Name=\"SoundOn\" Value=\"true\" />\r\n"
                  u"\t\t\t<int Name=\"MaxUnlockedLevelIndex\" Value=\"-1\" />\r\n"
                  u"\t\t</Parameters>\r\n"
                  u"\t</Profile>\r\n"
                  u"</Profiles>\r\n");
    for (const CString& key : {CString(), kKey}) {
        SCOPED_TRACE(key.c_str());
        dir.write("user/profile.dat", original);
        const CRefHandle<CProfileManager> manager = loaded(key);
        const CProfileParameters* ann = manager->findProfile(u"Ann");
        ASSERT_NE(ann, nullptr);
        EXPECT_EQ(ann->getKindAt(0), CProfileParameters::Kind::Properties);
        const CArray<CStringW> trophies = ann->getStringWArray("Trophies");
        ASSERT_EQ(trophies.size(), 2u);
        EXPECT_EQ(trophies[1], CStringW(u"Zo\u00eb <1> \u65e5"));
        EXPECT_EQ(ann->getString("Tint"), CString("ff00ff00"));

        ASSERT_TRUE(manager->saveUserProfiles());
        // A plain file written with a key is stored scrambled: the plain
        // body is the same.
        EXPECT_EQ(readAllBytes(userFile()), manager->encode(original));
        EXPECT_TRUE(loaded(key)->findProfile(u"Ann")->equals(*ann));
    }
}

TEST_F(CProfileManagerTest, PlainFileLayout) {
    CRefHandle<CProfileManager> manager = newManager(CString());
    manager->getNewProfileDefaults()->clear();
    manager->getCommonProfile()->setBool("FullScreen", true);
    ASSERT_TRUE(manager->addProfile(u"Ann"));
    ASSERT_TRUE(manager->addProfile(u"Bo"));
    manager->getProfile(0)->setInt("LevelIndex", 3);
    ASSERT_TRUE(manager->setActiveProfile(0));
    ASSERT_TRUE(manager->saveUserProfiles());
    EXPECT_EQ(readAllBytes(userFile()), utf16File(u"<?xml version=\"1.0\"?>\r\n"
                                                  u"<Profiles>\r\n"
                                                  u"\t<CommonProfile>\r\n"
                                                  u"\t\t<Parameters>\r\n"
                                                  u"\t\t\t<bool Name=\"FullScreen\" Value=\"true\" />\r\n"
                                                  u"\t\t</Parameters>\r\n"
                                                  u"\t</CommonProfile>\r\n"
                                                  u"\t<Profile Name=\"Ann\" Active=\"true\">\r\n"
                                                  u"\t\t<Parameters>\r\n"
                                                  u"\t\t\t<int Name=\"LevelIndex\" Value=\"3\" />\r\n"
                                                  u"\t\t</Parameters>\r\n"
                                                  u"\t</Profile>\r\n"
                                                  u"\t<Profile Name=\"Bo\">\r\n"
                                                  u"\t\t<Parameters>\r\n"
                                                  u"\t\t</Parameters>\r\n"
                                                  u"\t</Profile>\r\n"
                                                  u"</Profiles>\r\n"));
    ASSERT_TRUE(manager->saveCommonProfile());
    EXPECT_EQ(readAllBytes(commonFile()), utf16File(u"<?xml version=\"1.0\"?>\r\n"
                                                    u"<Profiles>\r\n"
                                                    u"\t<GlobalProfile>\r\n"
                                                    u"\t\t<Parameters>\r\n"
                                                    u"\t\t</Parameters>\r\n"
                                                    u"\t</GlobalProfile>\r\n"
                                                    u"</Profiles>\r\n"));
}

TEST_F(CProfileManagerTest, ScrambledFileIsPlainXorKeyAndCrcTrailer) {
    (void)savedSample(CString());
    const std::vector<uint8_t> plain = readAllBytes(userFile());
    fs::remove(userFile());
    fs::remove(commonFile());
    (void)savedSample(kKey);
    const std::vector<uint8_t> scrambled = readAllBytes(userFile());

    ASSERT_EQ(scrambled.size(), plain.size() + 4);
    for (size_t i = 0; i < plain.size(); ++i)
        ASSERT_EQ(uint8_t(scrambled[i] ^ uint8_t(kKey[uint32_t(i % kKey.length())])), plain[i]) << i;
    const uint32_t crc = updateCrc32(0, plain.data(), plain.size());
    const uint32_t stored = uint32_t(scrambled[plain.size()]) | uint32_t(scrambled[plain.size() + 1]) << 8 |
                            uint32_t(scrambled[plain.size() + 2]) << 16 | uint32_t(scrambled[plain.size() + 3]) << 24;
    EXPECT_EQ(stored, crc);
    EXPECT_EQ(CRefHandle<CProfileManager>(newManager())->encode(plain), scrambled);
}

TEST_F(CProfileManagerTest, PlainFileIsReadWhenAKeyIsSet) {
    const CRefHandle<CProfileManager> saved = savedSample(CString());
    LogCapture log;
    const CRefHandle<CProfileManager> again = loaded(kKey);
    expectSamePlayers(*saved, *again);
    EXPECT_FALSE(again->isCheckValueValid());
    EXPECT_FALSE(log.contains("damaged"));
}

TEST_F(CProfileManagerTest, DamagedFileStillYieldsItsPlayers) {
    const CRefHandle<CProfileManager> saved = savedSample();
    const std::vector<uint8_t> good = readAllBytes(userFile());
    std::vector<uint8_t> plain(good.begin(), good.end() - 4);
    for (size_t i = 0; i < plain.size(); ++i)
        plain[i] ^= uint8_t(kKey[uint32_t(i % kKey.length())]);
    const std::optional<size_t> value = findUtf16(plain, u"Value=\"47\"");
    ASSERT_TRUE(value.has_value());

    const struct {
        const char* what;
        size_t position;
        uint8_t flip;
        int secondLevel;
    } cases[] = {
        {"trailer byte", good.size() - 2, 0x40, 47},
        {"body byte inside a value", *value + 16, 0x01, 46},
        {"first body byte", 0, 0x01, 47},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> damaged = good;
        damaged[c.position] ^= c.flip;
        dir.write("user/profile.dat", damaged);
        fs::remove(userFile().string() + ".damaged");

        LogCapture log;
        const CRefHandle<CProfileManager> again = newManager();
        EXPECT_TRUE(again->loadUserFile());
        EXPECT_FALSE(again->isCheckValueValid());
        ASSERT_EQ(again->getProfileCount(), samplePlayers().size());
        for (size_t i = 0; i < samplePlayers().size(); ++i)
            EXPECT_EQ(again->getProfile(int(i))->getName(), CStringW(samplePlayers()[i].name));
        EXPECT_EQ(again->getProfile(1)->getInt("LevelIndex"), c.secondLevel);
        EXPECT_EQ(again->getCommonProfile()->getInt("VideoDriver"), 3);
        EXPECT_TRUE(log.contains("WRN: Profile file is damaged, reading what is left: "));
        // The damaged file is kept for a repair; the next save keeps every player.
        EXPECT_EQ(readAllBytes(userFile().string() + ".damaged"), damaged);
        ASSERT_TRUE(again->saveUserProfiles());
        EXPECT_EQ(loaded()->getProfileCount(), samplePlayers().size());
    }
}

TEST_F(CProfileManagerTest, EitherFileFailingItsCheckOrUnreadableFailsTheLoad) {
    (void)savedSample();
    const std::vector<uint8_t> user = readAllBytes(userFile());
    const std::vector<uint8_t> common = readAllBytes(commonFile());
    auto damage = [](std::vector<uint8_t> bytes) {
        bytes[bytes.size() - 2] ^= 0x40;
        return bytes;
    };
    const struct {
        const char* what;
        std::vector<uint8_t> user;   // empty: a folder in its place
        std::vector<uint8_t> common; // empty: a folder in its place
        bool valid;
    } rows[] = {
        {"both sound", user, common, true},
        {"the user file damaged, the common one sound", damage(user), common, false},
        {"the common file damaged", user, damage(common), false},
        {"a folder in place of the user file", {}, common, false},
        {"a folder in place of the common file", user, {}, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        for (const auto& [path, bytes] : {std::pair{userFile(), row.user}, std::pair{commonFile(), row.common}}) {
            fs::remove_all(path);
            if (bytes.empty())
                fs::create_directories(path);
            else
                dir.write(fs::relative(path, dir.path()).string(), bytes);
        }
        EXPECT_EQ(loaded()->isCheckValueValid(), row.valid);
    }
}

TEST_F(CProfileManagerTest, ALaterDamagedCopyKeepsTheEarlierOnes) {
    (void)savedSample();
    const std::vector<uint8_t> good = readAllBytes(userFile());
    std::vector<std::vector<uint8_t>> damaged;
    for (size_t i = 0; i < 3; ++i) {
        damaged.push_back(good);
        damaged.back()[good.size() - 1 - i] ^= 0x40;
        dir.write("user/profile.dat", damaged.back());
        EXPECT_FALSE(loaded()->isCheckValueValid());
    }
    EXPECT_EQ(readAllBytes(userFile().string() + ".damaged"), damaged[0]);
    EXPECT_EQ(readAllBytes(userFile().string() + ".damaged1"), damaged[1]);
    EXPECT_EQ(readAllBytes(userFile().string() + ".damaged2"), damaged[2]);
}

TEST_F(CProfileManagerTest, ShortAndEmptyFilesGiveNoPlayers) {
    const std::vector<std::vector<uint8_t>> files = {
        {}, {0x01}, {0x01, 0x02, 0x03}, {0, 0, 0, 0}, {0xFF, 0xFE, 0x3C, 0x00, 0x41, 0x00}};
    for (const auto& bytes : files) {
        SCOPED_TRACE(bytes.size());
        dir.write("user/profile.dat", bytes);
        for (const CString& key : {kKey, CString()}) {
            CRefHandle<CProfileManager> manager = newManager(key);
            EXPECT_TRUE(manager->loadUserFile());
            EXPECT_EQ(manager->getProfileCount(), 0u);
        }
    }
    // Four zero bytes are an empty body whose CRC-32 (0) matches.
    dir.write("user/profile.dat", std::vector<uint8_t>{0, 0, 0, 0});
    CRefHandle<CProfileManager> manager = newManager();
    EXPECT_TRUE(manager->loadUserFile());
    EXPECT_TRUE(manager->isCheckValueValid());
    dir.write("user/profile.dat", std::vector<uint8_t>{0, 0, 0});
    EXPECT_TRUE(manager->loadUserFile());
    EXPECT_FALSE(manager->isCheckValueValid());
}

TEST_F(CProfileManagerTest, FailedSaveLeavesThePreviousFile) {
    const CRefHandle<CProfileManager> saved = savedSample();
    const std::vector<uint8_t> previous = readAllBytes(userFile());
    ASSERT_GT(previous.size(), 4096u * 2);
    // Root ignores folder permissions, so the faults are made by the file
    // system: writes that fail or vanish, a rename that fails, a folder that
    // cannot be made because a file stands in its place.
    const struct {
        const char* what;
        int64_t writeLimit;
        bool silentLoss;
        bool failRename;
        bool blockedFolder;
        const char* reason; // the line that says why; null where the test's writer fails silently
    } cases[] = {
        {"write fails midway", int64_t(previous.size() / 2), false, false, false, nullptr},
        {"write fails at once", 0, false, false, false, nullptr},
        {"disk full found only on close", 100, true, false, false, "it did not read back as written"},
        {"rename fails", -1, false, true, false, "ERR: Can't replace file: "},
        {"folder cannot be created", -1, false, false, true, "ERR: Can't create file: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRefHandle<CProfileManager> manager = loaded();
        ASSERT_TRUE(manager->addProfile(u"Newcomer"));
        files->writeLimit = c.writeLimit;
        files->silentLoss = c.silentLoss;
        files->failRename = c.failRename;
        if (c.blockedFolder)
            files->setUserFolder(widePath(dir.path() / "user" / "profile.dat" / "sub"));

        LogCapture log;
        EXPECT_FALSE(manager->saveUserProfiles());
        EXPECT_TRUE(log.contains("ERR: Can't save profile file: "));
        if (c.reason) {
            EXPECT_TRUE(log.contains(c.reason));
        }

        files->writeLimit = -1;
        files->silentLoss = false;
        files->failRename = false;
        files->setUserFolder(widePath(dir.path() / "user"));
        EXPECT_EQ(readAllBytes(userFile()), previous);
        EXPECT_FALSE(fs::exists(userFile().string() + ".tmp"));
        expectSamePlayers(*saved, *loaded());
    }
}

// The temporary file beside the profile cannot be made: the save says so,
// with the system's reason, and the file stays.
TEST_F(CProfileManagerTest, ATemporaryFileThatCannotBeCreatedIsNamedWithItsReason) {
    const CRefHandle<CProfileManager> saved = savedSample();
    const std::vector<uint8_t> previous = readAllBytes(userFile());
    CRefHandle<CProfileManager> manager = loaded();
    ASSERT_TRUE(manager->addProfile(u"Newcomer"));
    fs::create_directories(userFile().string() + ".tmp");
    LogCapture log;
    EXPECT_FALSE(manager->saveUserProfiles());
    bool named = false;
    for (const std::string& line : log.lines())
        named = named || (line.find("ERR: Can't create file: ") != std::string::npos &&
                          line.find("profile.dat.tmp: ") != std::string::npos &&
                          line.size() > line.find("profile.dat.tmp: ") + 17);
    EXPECT_TRUE(named);
    EXPECT_TRUE(log.contains("ERR: Can't save profile file: "));
    EXPECT_EQ(readAllBytes(userFile()), previous);
    fs::remove(userFile().string() + ".tmp");
    EXPECT_TRUE(manager->saveUserProfiles());
}

// A damaged file whose copy cannot be written is the only record of its
// players: no save replaces it.
TEST_F(CProfileManagerTest, ADamagedFileWithoutItsCopyIsNotReplaced) {
    const CRefHandle<CProfileManager> saved = savedSample();
    std::vector<uint8_t> damaged = readAllBytes(userFile());
    damaged[damaged.size() - 2] ^= 0x40;
    dir.write("user/profile.dat", damaged);
    fs::create_directories(userFile().string() + ".damaged.tmp");

    LogCapture log;
    const CRefHandle<CProfileManager> again = newManager();
    EXPECT_TRUE(again->loadUserFile());
    EXPECT_EQ(again->getProfileCount(), samplePlayers().size());
    EXPECT_TRUE(log.contains("no copy of it could be kept"));
    ASSERT_TRUE(again->addProfile(u"Newcomer"));
    EXPECT_FALSE(again->saveUserProfiles());
    EXPECT_TRUE(log.contains("ERR: Can't save profile file: "));
    EXPECT_EQ(readAllBytes(userFile()), damaged);
    EXPECT_FALSE(fs::exists(userFile().string() + ".damaged"));

    // Once the copy can be written, the save goes ahead and keeps it.
    fs::remove(userFile().string() + ".damaged.tmp");
    EXPECT_TRUE(again->saveUserProfiles());
    EXPECT_EQ(readAllBytes(userFile().string() + ".damaged"), damaged);
    EXPECT_EQ(loaded()->getProfileCount(), samplePlayers().size() + 1);
}

TEST_F(CProfileManagerTest, SaveFailingAtAnyCallLeavesThePreviousFile) {
    const CRefHandle<CProfileManager> saved = savedSample();
    const std::vector<uint8_t> previous = readAllBytes(userFile());
    CRefHandle<CProfileManager> manager = loaded();
    ASSERT_TRUE(manager->addProfile(u"Newcomer"));
    std::vector<uint8_t> next;
    FileFaults::eachCallFailing(
        [&] {
            fs::remove(userFile());
            dir.write("user/profile.dat", previous);
        },
        [&] {
            const bool stored = manager->saveUserProfiles();
            next = readAllBytes(userFile());
            return stored;
        },
        [&](PlatformFileCall, bool afterRename, bool saved) {
            EXPECT_FALSE(saved);
            if (afterRename) {
                EXPECT_NE(readAllBytes(userFile()), previous);
            } else {
                EXPECT_EQ(readAllBytes(userFile()), previous);
            }
            EXPECT_FALSE(fs::exists(userFile().string() + ".tmp"));
        });
}

// A file that is there but cannot be read is not taken for a missing one: the
// players it holds would be lost by the next save.
TEST_F(CProfileManagerTest, UnreadableFileIsKeptUntilItReads) {
    const CRefHandle<CProfileManager> saved = savedSample();
    const std::vector<uint8_t> previous = readAllBytes(userFile());

    files->failReads = true;
    LogCapture log;
    CRefHandle<CProfileManager> manager = loaded();
    EXPECT_TRUE(log.contains("ERR: Can't read profile file: "));
    EXPECT_EQ(manager->getProfileCount(), 0u);
    ASSERT_TRUE(manager->addProfile(u"Newcomer"));
    log.clear();
    EXPECT_FALSE(manager->saveUserProfiles());
    EXPECT_TRUE(log.contains("ERR: Can't save profile file: "));
    EXPECT_EQ(readAllBytes(userFile()), previous);
    EXPECT_FALSE(manager->saveCommonProfile());

    // Once it reads, its players join the ones made meanwhile.
    files->failReads = false;
    EXPECT_TRUE(manager->saveUserProfiles());
    const CRefHandle<CProfileManager> again = loaded();
    EXPECT_EQ(again->getProfileCount(), saved->getProfileCount() + 1);
    EXPECT_NE(again->findProfile(u"Newcomer"), nullptr);
    EXPECT_NE(again->findProfile(CStringW(samplePlayers()[3].name)), nullptr);

    // A folder in its place is kept as well.
    fs::remove(commonFile());
    fs::create_directories(commonFile() / "inside");
    log.clear();
    CRefHandle<CProfileManager> third = loaded();
    EXPECT_TRUE(log.contains("ERR: Can't read profile file: "));
    EXPECT_TRUE(log.contains(": a folder is in its place"));
    EXPECT_FALSE(third->saveCommonProfile());
    EXPECT_TRUE(fs::is_directory(commonFile() / "inside"));
}

TEST_F(CProfileManagerTest, LoadingRulesForPlayers) {
    dir.write(
        "user/profile.dat",
        utf16File(u"<?xml version=\"1.0\"?>\r\n<Profiles>\r\n"
                  u"<Profile Name=\"A\" Active=\"True\"><Parameters><int Name=\"LevelIndex\" Value=\"1\" />"
                  u"</Parameters></Profile>\r\n"
                  u"<Profile Name=\"A\" Active=\"true\"><Parameters><int Name=\"LevelIndex\" Value=\"2\" />"
                  u"</Parameters></Profile>\r\n"
                  u"<Profile Name=\"\"><Parameters /></Profile>\r\n"
                  u"<Profile Name=\"b\" />\r\n"
                  u"<Profile Name=\"C\" Active=\"true\"><Parameters></Paxameters></Profile>\r\n"
                  u"<Profile Name=\"D\"><Parameters><int Name=\"LevelIndex\" Value=\"4\" /></Parameters></Profile>\r\n"
                  u"</Profiles>\r\n<Profile Name=\"After\" />"));
    const CRefHandle<CProfileManager> manager = loaded(CString());
    ASSERT_EQ(manager->getProfileCount(), 4u);
    EXPECT_EQ(manager->getProfile(0)->getName(), CStringW(u"A"));
    EXPECT_EQ(manager->getProfile(0)->getInt("LevelIndex"), 1);
    EXPECT_EQ(manager->getProfile(1)->getName(), CStringW(u"b"));
    EXPECT_EQ(manager->getProfile(2)->getName(), CStringW(u"C"));
    EXPECT_EQ(manager->getProfile(3)->getInt("LevelIndex"), 4);
    EXPECT_EQ(manager->getActiveProfile(), manager->getProfile(2));
    // Defaults fill what the file lacks.
    EXPECT_TRUE(manager->getProfile(1)->getBool("SoundOn"));
    EXPECT_EQ(manager->getProfile(0)->getInt("MaxUnlockedLevelIndex"), -1);
    EXPECT_EQ(manager->findProfile(u"B"), nullptr);
}

TEST_F(CProfileManagerTest, MissingFilesLeaveDefaults) {
    CRefHandle<CProfileManager> manager = newManager();
    EXPECT_FALSE(manager->loadUserFile());
    EXPECT_FALSE(manager->loadCommonFile());
    EXPECT_TRUE(manager->loadProfiles());
    EXPECT_EQ(manager->getProfileCount(), 0u);
    EXPECT_TRUE(manager->getCommonProfile()->getBool("FullScreen"));
    EXPECT_EQ(manager->getCommonProfile()->getInt("VideoDriver"), 2);
    EXPECT_EQ(manager->getGlobalProfile()->getCount(), 0u);
    EXPECT_TRUE(manager->isCheckValueValid());
}

TEST_F(CProfileManagerTest, PlayerList) {
    CRefHandle<CProfileManager> manager = newManager();
    EXPECT_TRUE(manager->addProfile(u"Ann"));
    EXPECT_TRUE(manager->addProfile(u"Bo"));
    EXPECT_TRUE(manager->addProfile(u"ann"));
    EXPECT_FALSE(manager->addProfile(u"Ann"));
    EXPECT_EQ(manager->getProfileCount(), 3u);
    EXPECT_EQ(manager->getActiveProfile(), nullptr);
    EXPECT_EQ(manager->getProfile(1)->getInt("MaxUnlockedLevelIndex"), -1);
    EXPECT_EQ(manager->getProfile(-1), nullptr);
    EXPECT_EQ(manager->getProfile(3), nullptr);

    EXPECT_FALSE(manager->setActiveProfile(3));
    EXPECT_EQ(manager->getActiveProfile(), nullptr);
    EXPECT_TRUE(manager->setActiveProfile(2));
    EXPECT_FALSE(manager->setActiveProfile(-1));
    EXPECT_EQ(manager->getActiveProfile(), manager->getProfile(2));

    manager->deleteProfile(7);
    EXPECT_EQ(manager->getActiveProfile(), manager->getProfile(2));
    // Deleting any player, active or not, clears the active one.
    manager->deleteProfile(0);
    EXPECT_EQ(manager->getActiveProfile(), nullptr);
    EXPECT_EQ(manager->getProfileCount(), 2u);
    EXPECT_EQ(manager->getProfile(0)->getName(), CStringW(u"Bo"));
    EXPECT_EQ(manager->findProfile(u"Ann"), nullptr);
}

TEST_F(CProfileManagerTest, EachSetSavesItsOwnFile) {
    CRefHandle<CProfileManager> manager = newManager();
    ASSERT_TRUE(manager->addProfile(u"Ann"));

    EXPECT_TRUE(manager->getGlobalProfile()->save());
    EXPECT_TRUE(fs::exists(commonFile()));
    EXPECT_FALSE(fs::exists(userFile()));
    fs::remove(commonFile());

    EXPECT_TRUE(manager->getProfile(0)->save());
    EXPECT_TRUE(fs::exists(userFile()));
    EXPECT_FALSE(fs::exists(commonFile()));
    fs::remove(userFile());
    EXPECT_TRUE(manager->getCommonProfile()->save());
    EXPECT_TRUE(fs::exists(userFile()));

    CRefHandle<CProfileParameters> stranger(new CProfileParameters(manager.get(), CStringW(u"X")));
    EXPECT_FALSE(stranger->save());
    EXPECT_FALSE(manager->saveParameters(manager->getNewProfileDefaults()));
    EXPECT_FALSE(manager->saveParameters(nullptr));
}

TEST_F(CProfileManagerTest, NoFolderNoFile) {
    CRefHandle<CVirtualFileSystem> bare(new CVirtualFileSystem);
    CRefHandle<CProfileManager> manager(new CProfileManager(bare.get()));
    ASSERT_TRUE(manager->addProfile(u"Ann"));
    LogCapture log;
    EXPECT_FALSE(manager->saveUserProfiles());
    EXPECT_TRUE(log.contains("ERR: Can't save profiles: no user folder"));
    EXPECT_FALSE(manager->loadUserFile());
    EXPECT_TRUE(manager->getUserFilePath().empty());
}

#ifndef _WIN32
TEST_F(CProfileManagerTest, LinuxFoldersHoldTheFiles) {
    const char* previous = std::getenv("XDG_DATA_HOME");
    const std::optional<std::string> saved = previous ? std::optional<std::string>(previous) : std::nullopt;
    setenv("XDG_DATA_HOME", (dir.path() / "data").c_str(), 1);
    CRefHandle<CLinuxFileSystem> linuxFiles(new CLinuxFileSystem);
    linuxFiles->setApplicationNames(u"Velmora", u"Brindlemoor");
    linuxFiles->setCommonRoot(widePath(dir.path() / "shared"));
    {
        CRefHandle<CProfileManager> manager(new CProfileManager(linuxFiles.get()));
        manager->setKey(kKey);
        ASSERT_TRUE(manager->addProfile(u"Ann"));
        ASSERT_TRUE(manager->saveUserProfiles());
        ASSERT_TRUE(manager->saveCommonProfile());
    }
    EXPECT_TRUE(fs::exists(dir.path() / "data" / "Velmora" / "Brindlemoor" / "profile.dat"));
    EXPECT_TRUE(fs::exists(dir.path() / "shared" / "Velmora" / "Brindlemoor" / "profile.dat"));

    CRefHandle<CEngine> engine(new CEngine(CEngineCreationParams()));
    engine->setProfileManager(new CProfileManager(linuxFiles.get()));
    engine->getProfileManager()->setKey(kKey);
    EXPECT_TRUE(engine->getProfileManager()->loadProfiles());
    EXPECT_NE(engine->getProfileManager()->findProfile(u"Ann"), nullptr);
    if (saved)
        setenv("XDG_DATA_HOME", saved->c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}
#endif

TEST_F(CProfileManagerTest, SetsOutlivingTheManagerCannotSave) {
    CRefHandle<CProfileParameters> kept;
    {
        CRefHandle<CProfileManager> manager = newManager();
        ASSERT_TRUE(manager->addProfile(u"Ann"));
        kept = CRefHandle<CProfileParameters>::share(manager->getProfile(0));
        CRefHandle<CProfileParameters> deleted = CRefHandle<CProfileParameters>::share(manager->getProfile(0));
        manager->deleteProfile(0);
        EXPECT_FALSE(deleted->save());
    }
    EXPECT_FALSE(kept->save());
    EXPECT_FALSE(fs::exists(userFile()));
}
