#include "engine/content/CProfileManager.h"

#include "engine/content/CProfileParameters.h"
#include "engine/content/Crc32.h"
#include "engine/core/CLog.h"
#include "engine/io/ArchiveSupport.h"
#include "engine/io/CDiskReadFile.h"
#include "engine/io/CVirtualFile.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/io/FilePaths.h"
#include "engine/io/IReadableFile.h"
#include "engine/io/IWritableFile.h"

#include <algorithm>
#include <string>

namespace {

constexpr int32_t kBlockSize = 4096;
constexpr std::size_t kTrailerSize = 4;

// XORs `bytes` with `key`, the key index running on from the first byte to
// the last: scrambling and descrambling are the same.
void scramble(std::vector<uint8_t>& bytes, const CString& key) {
    const uint32_t keyLength = key.length();
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] ^= uint8_t(key[uint32_t(i % keyLength)]);
}

// True when `bytes` read as XML hold a "Profiles" element.
bool hasProfilesRoot(const std::vector<uint8_t>& bytes) {
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(bytes.data(), bytes.size()));
    while (reader->readNext())
        if (reader->nodeType() == CXmlStreamReader::Element && reader->nodeName() == u"Profiles")
            return true;
    return false;
}

// Reads `file` whole; false when it is larger than `limit` or reads short.
bool readWhole(IReadableFile* file, int32_t limit, std::vector<uint8_t>& out) {
    const int32_t size = file->size();
    if (size < 0 || size > limit)
        return false;
    out.resize(std::size_t(size));
    int32_t done = 0;
    while (done < size) {
        const int32_t got = file->read(out.data() + done, std::min(kBlockSize, size - done));
        if (got <= 0)
            return false;
        done += got;
    }
    return true;
}

} // namespace

CProfileManager::CProfileManager(CVirtualFileSystem* fileSystem)
    : m_fileSystem(CRefHandle<CVirtualFileSystem>::share(fileSystem)),
      m_commonDefaults(new CProfileParameters(this, CStringW())),
      m_newProfileDefaults(new CProfileParameters(this, CStringW())),
      m_globalProfile(new CProfileParameters(this, CStringW())),
      m_commonProfile(new CProfileParameters(this, CStringW())) {}

CProfileManager::~CProfileManager() {
    m_activeProfile = nullptr;
    for (CProfileParameters* profile : m_profiles) {
        profile->setOwner(nullptr);
        profile->release();
    }
    m_profiles.clear();
    for (CProfileParameters* set :
         {m_commonDefaults.get(), m_newProfileDefaults.get(), m_globalProfile.get(), m_commonProfile.get()})
        set->setOwner(nullptr);
}

bool CProfileManager::loadProfiles() {
    // Either file failing its check counts: a sound common file does not
    // hide a damaged user file.
    m_checkValue = true;
    static_cast<void>(loadUserFile());
    static_cast<void>(loadCommonFile());
    m_commonProfile->applyDefaults(*m_commonDefaults);
    return true;
}

bool CProfileManager::loadUserFile() {
    CRefHandle<CXmlStreamReader> reader = openFile(getUserFilePath(), m_userFileHeld, &m_userFileProblem);
    if (!reader)
        return false;
    while (reader->readNext()) {
        if (reader->nodeType() == CXmlStreamReader::ElementEnd && reader->nodeName() == u"Profiles")
            break;
        if (reader->nodeType() != CXmlStreamReader::Element)
            continue;
        if (reader->nodeName() == u"CommonProfile") {
            static_cast<void>(m_commonProfile->readFrom(reader.get()));
        } else if (reader->nodeName() == u"Profile") {
            const CStringW name = reader->attribute("Name");
            const bool active = reader->attribute("Active") == u"true";
            if (name.empty() || !addProfile(name))
                continue;
            CProfileParameters* profile = m_profiles.back();
            static_cast<void>(profile->readFrom(reader.get()));
            profile->applyDefaults(*m_newProfileDefaults);
            if (active)
                m_activeProfile = profile;
        }
    }
    return true;
}

bool CProfileManager::loadCommonFile() {
    CRefHandle<CXmlStreamReader> reader = openFile(getCommonFilePath(), m_commonFileHeld);
    if (!reader)
        return false;
    while (reader->readNext()) {
        if (reader->nodeType() == CXmlStreamReader::ElementEnd && reader->nodeName() == u"Profiles")
            break;
        if (reader->nodeType() == CXmlStreamReader::Element && reader->nodeName() == u"GlobalProfile")
            static_cast<void>(m_globalProfile->readFrom(reader.get()));
    }
    return true;
}

CRefHandle<CXmlStreamReader> CProfileManager::openFile(const CStringW& path, bool& unreadable,
                                                      CStringW* problem) {
    unreadable = false;
    if (problem)
        *problem = CStringW();
    if (path.empty() || !m_fileSystem)
        return nullptr;
    CRefHandle<IReadableFile> file(m_fileSystem->openForRead(path));
    if (!file) {
        // Missing is the usual first start; anything else in its place is
        // kept, and saves leave it alone until it can be read.
        const std::string reason = CDiskReadFile::unreadableReason(path);
        if (reason.empty())
            return nullptr;
        unreadable = true;
        m_checkValue = false;
        if (problem)
            *problem = fromNativePath(reason);
        CLog::instance()->log(CStringW(u"Can't read profile file: ") + path + u": " + fromNativePath(reason),
                              CLog::Error);
        return nullptr;
    }
    std::vector<uint8_t> bytes;
    if (!readWhole(file.get(), kMaxFileSize, bytes)) {
        unreadable = true;
        m_checkValue = false;
        const CStringW why(file->size() > kMaxFileSize ? u"it is too large" : u"reading failed");
        if (problem)
            *problem = why;
        CLog::instance()->log(CStringW(u"Can't read profile file: ") + path + u": " + why, CLog::Error);
        return nullptr;
    }
    file.reset();
    if (m_key.empty())
        return CRefHandle<CXmlStreamReader>(new CXmlStreamReader(bytes.data(), bytes.size()));

    // A file shorter than its trailer has no body and cannot match.
    const std::size_t bodySize = bytes.size() >= kTrailerSize ? bytes.size() - kTrailerSize : 0;
    std::vector<uint8_t> plain(bytes.begin(), bytes.begin() + std::ptrdiff_t(bodySize));
    scramble(plain, m_key);
    const bool valid = bytes.size() >= kTrailerSize &&
                       updateCrc32(0, plain.data(), plain.size()) == readLe32(bytes.data() + bodySize);
    m_checkValue = m_checkValue && valid;
    if (!valid) {
        // A plain XML file (written without a key) is taken as it stands.
        if (hasProfilesRoot(bytes))
            return CRefHandle<CXmlStreamReader>(new CXmlStreamReader(bytes.data(), bytes.size()));
        // Otherwise the file is damaged: what it still holds is better than
        // an empty list that the next save would make permanent, and a copy
        // of it stays beside it for a later repair.
        CLog::instance()->log(CStringW(u"Profile file is damaged, reading what is left: ") + path, CLog::Warning);
        if (!storeFile(freeDamagedCopyPath(path), bytes)) {
            // Without the copy a save would be the end of the damaged
            // original: it stays, and saves leave it alone.
            unreadable = true;
            CLog::instance()->log(CStringW(u"Profile file is damaged and no copy of it could be kept, "
                                           u"saves leave it as it is: ") +
                                      path,
                                  CLog::Error);
        }
        // The body always starts with the UTF-16 mark: a damaged mark would
        // make the rest unreadable.
        if (plain.size() >= 2) {
            plain[0] = 0xFF;
            plain[1] = 0xFE;
        }
    }
    return CRefHandle<CXmlStreamReader>(new CXmlStreamReader(plain.data(), plain.size()));
}

bool CProfileManager::saveParameters(const CProfileParameters* set) {
    if (!set)
        return false;
    if (set == m_globalProfile.get())
        return saveCommonProfile();
    if (set == m_commonProfile.get() || m_profiles.indexOf(const_cast<CProfileParameters*>(set)) >= 0)
        return saveUserProfiles();
    return false;
}

bool CProfileManager::saveUserProfiles() { return saveFile(true); }

bool CProfileManager::saveCommonProfile() { return saveFile(false); }

bool CProfileManager::saveFile(bool userFile) {
    const CStringW path = filePath(userFile);
    if (path.empty()) {
        CLog::instance()->log(
            userFile ? "Can't save profiles: no user folder" : "Can't save profiles: no common folder", CLog::Error);
        return false;
    }
    // A file that was there but could not be read holds players this run
    // does not know: it is read first (as a start-up would have), or kept.
    bool& held = userFile ? m_userFileHeld : m_commonFileHeld;
    if (held) {
        static_cast<void>(userFile ? loadUserFile() : loadCommonFile());
        if (held) {
            CLog::instance()->log(CStringW(u"Can't save profile file: ") + path +
                                      u": the file there could not be read, or kept as a copy, and is left alone",
                                  CLog::Error);
            return false;
        }
        if (userFile)
            m_commonProfile->applyDefaults(*m_commonDefaults);
    }
    std::vector<uint8_t> plain;
    if (!buildFile(userFile, plain)) {
        CLog::instance()->log(CStringW(u"Can't save profile file: ") + path, CLog::Error);
        return false;
    }
    return storeFile(path, encode(plain));
}

bool CProfileManager::buildFile(bool userFile, std::vector<uint8_t>& out) const {
    CRefHandle<CVirtualFile> memory(new CVirtualFile(CStringW(u"profile.dat"), CVirtualFile::kDefaultBlockSize));
    {
        CRefHandle<CXmlStreamWriter> writer(m_fileSystem->openXmlWriter(static_cast<IWritableFile*>(memory.get())));
        if (!writer)
            return false;
        writer->startDocument();
        writer->openElement(u"Profiles", false);
        writer->newLine();
        if (userFile) {
            writer->openElement(u"CommonProfile", false);
            writer->newLine();
            static_cast<void>(m_commonProfile->writeTo(writer.get()));
            writer->closeElement(u"CommonProfile");
            writer->newLine();
            for (const CProfileParameters* profile : m_profiles) {
                const bool active = profile == m_activeProfile;
                writer->openElement(u"Profile", false, u"Name", profile->getName().c_str(),
                                    active ? u"Active" : nullptr, u"true");
                writer->newLine();
                static_cast<void>(profile->writeTo(writer.get()));
                writer->closeElement(u"Profile");
                writer->newLine();
            }
        } else {
            writer->openElement(u"GlobalProfile", false);
            writer->newLine();
            static_cast<void>(m_globalProfile->writeTo(writer.get()));
            writer->closeElement(u"GlobalProfile");
            writer->newLine();
        }
        writer->closeElement(u"Profiles");
        writer->newLine();
        if (writer->hasError())
            return false;
    }
    if (!memory->seek(0, false))
        return false;
    return readWhole(memory.get(), INT32_MAX, out);
}

std::vector<uint8_t> CProfileManager::encode(const std::vector<uint8_t>& plain) const {
    if (m_key.empty())
        return plain;
    std::vector<uint8_t> out(plain);
    scramble(out, m_key);
    out.resize(plain.size() + kTrailerSize);
    writeLe32(out.data() + plain.size(), updateCrc32(0, plain.data(), plain.size()));
    return out;
}

bool CProfileManager::storeFile(const CStringW& path, const std::vector<uint8_t>& bytes) {
    // The new file replaces the old one only once it has been written whole
    // and reads back the same.
    const bool stored = m_fileSystem->writeFileSafely(
        path,
        [&bytes](IWritableFile* target) {
            for (std::size_t done = 0; done < bytes.size();) {
                const int32_t count = int32_t(std::min<std::size_t>(kBlockSize, bytes.size() - done));
                if (target->write(bytes.data() + done, count) != count)
                    return false;
                done += std::size_t(count);
            }
            return true;
        },
        [&bytes](IReadableFile* written) {
            std::vector<uint8_t> back;
            return readWhole(written, kMaxFileSize, back) && back == bytes;
        });
    if (!stored)
        CLog::instance()->log(CStringW(u"Can't save profile file: ") + path, CLog::Error);
    return stored;
}

CStringW CProfileManager::freeDamagedCopyPath(const CStringW& path) const {
    // An earlier copy may be the only one of players lost since: kept.
    const CStringW first = path + u".damaged";
    if (!m_fileSystem->exists(first, false))
        return first;
    for (int32_t n = 1;; ++n) {
        const CStringW next = first + n;
        if (!m_fileSystem->exists(next, false))
            return next;
    }
}

CStringW CProfileManager::filePath(bool userFile) const {
    if (!m_fileSystem)
        return CStringW();
    const CStringW folder = userFile ? m_fileSystem->getUserFolder() : m_fileSystem->getCommonFolder();
    return folder.empty() ? CStringW() : folder + u"/profile.dat";
}

CStringW CProfileManager::getUserFilePath() const { return filePath(true); }

CStringW CProfileManager::getCommonFilePath() const { return filePath(false); }

CProfileParameters* CProfileManager::getProfile(int index) const {
    return index >= 0 && uint32_t(index) < m_profiles.size() ? m_profiles[uint32_t(index)] : nullptr;
}

CProfileParameters* CProfileManager::findProfile(const CStringW& name) const {
    for (CProfileParameters* profile : m_profiles)
        if (profile->getName() == name)
            return profile;
    return nullptr;
}

bool CProfileManager::addProfile(const CStringW& name) {
    if (findProfile(name))
        return false;
    auto* profile = new CProfileParameters(this, name);
    profile->applyDefaults(*m_newProfileDefaults);
    m_profiles.push_back(profile);
    return true;
}

bool CProfileManager::setActiveProfile(int index) {
    CProfileParameters* profile = getProfile(index);
    if (!profile)
        return false;
    m_activeProfile = profile;
    return true;
}

void CProfileManager::deleteProfile(int index) {
    CProfileParameters* profile = getProfile(index);
    if (!profile)
        return;
    m_profiles.erase(uint32_t(index));
    m_activeProfile = nullptr;
    profile->setOwner(nullptr);
    profile->release();
}
