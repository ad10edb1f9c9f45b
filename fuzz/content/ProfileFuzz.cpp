// Reads arbitrary bytes as both profile files, with and without a key (the
// first byte chooses). Whatever was read must save and read back with every
// player, and a second save and load must change nothing.

#include "engine/content/CProfileManager.h"
#include "engine/content/CProfileParameters.h"
#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CVirtualFileSystem.h"
#include "engine/io/IWritableFile.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Appends to a byte vector held by the memory file system.
class MemoryWriter : public IWritableFile {
public:
    MemoryWriter(Bytes* target, const CStringW& name) : m_target(target), m_name(name) {}
    int32_t write(const void* buffer, int32_t count) override {
        if (!buffer || count <= 0)
            return 0;
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        m_target->insert(m_target->end(), bytes, bytes + count);
        return count;
    }
    bool seek(int32_t, bool) override { return false; }
    int32_t position() const override { return int32_t(m_target->size()); }
    const CStringW& fileName() const override { return m_name; }

protected:
    ~MemoryWriter() override = default;

private:
    Bytes* m_target;
    CStringW m_name;
};

// A file system whose files are byte vectors in memory.
class MemoryFileSystem : public CVirtualFileSystem {
public:
    MemoryFileSystem() {
        setUserFolder(u"/user");
        setCommonFolder(u"/common");
    }
    IReadableFile* openForRead(const CStringW& path) override {
        auto found = files.find(std::u16string(path.view()));
        if (found == files.end())
            return nullptr;
        auto* copy = new uint8_t[found->second.size() + 1];
        if (!found->second.empty())
            std::memcpy(copy, found->second.data(), found->second.size());
        return wrapBufferForRead(copy, int32_t(found->second.size()), path, true);
    }
    IWritableFile* openForWrite(const CStringW& path, bool) override {
        Bytes& file = files[std::u16string(path.view())];
        file.clear();
        return new MemoryWriter(&file, path);
    }
    bool rename(const CStringW& oldPath, const CStringW& newPath) override {
        auto found = files.find(std::u16string(oldPath.view()));
        if (found == files.end())
            return false;
        Bytes moved = std::move(found->second);
        files.erase(found);
        files[std::u16string(newPath.view())] = std::move(moved);
        return true;
    }
    bool remove(const CStringW& path) override { return files.erase(std::u16string(path.view())) > 0; }
    bool syncFolder(const CStringW&, std::string&) override { return true; }

    std::map<std::u16string, Bytes> files;

protected:
    ~MemoryFileSystem() override = default;
};

CRefHandle<CProfileManager> newManager(CVirtualFileSystem* files, bool keyed) {
    CRefHandle<CProfileManager> manager(new CProfileManager(files));
    if (keyed)
        manager->setKey("Fz!0123456789abc");
    manager->getCommonDefaults()->setBool("FullScreen", true);
    manager->getNewProfileDefaults()->setInt("MaxUnlockedLevelIndex", -1);
    return manager;
}

// The values a save keeps: every entry with a value. Floats pass through a
// six-decimal text, so only their kind is compared.
void requireSameValues(const CProfileParameters& a, const CProfileParameters& b) {
    std::vector<std::string> left;
    std::vector<std::string> right;
    for (auto [set, out] : {std::pair{&a, &left}, std::pair{&b, &right}}) {
        for (uint32_t i = 0; i < set->getCount(); ++i) {
            const CProfileParameters::Kind kind = set->getKindAt(i);
            if (kind == CProfileParameters::Kind::None)
                continue;
            const CString& name = set->getNameAt(i);
            std::string entry(name.c_str());
            entry += char('0' + int(kind));
            if (kind != CProfileParameters::Kind::Float) {
                const CStringW text = set->getStringW(name);
                entry.append(reinterpret_cast<const char*>(text.c_str()), text.length() * 2);
            }
            // Values kept as written: every node, in order.
            if (const CArray<CProfileParameters::XmlNode>* nodes = set->getXmlAt(i)) {
                auto append = [&entry](const CStringW& text) {
                    entry.append(reinterpret_cast<const char*>(text.c_str()), text.length() * 2);
                    entry += '\0';
                };
                for (const CProfileParameters::XmlNode& node : *nodes) {
                    entry += char('0' + int(node.type));
                    entry += node.selfClosing ? '/' : '>';
                    append(node.text);
                    for (uint32_t a = 0; a < node.attributeNames.size() && a < node.attributeValues.size(); ++a) {
                        append(node.attributeNames[a]);
                        append(node.attributeValues[a]);
                    }
                }
            }
            out->push_back(entry);
        }
    }
    if (left != right || a.getName() != b.getName())
        __builtin_trap();
}

void requireSameSets(const CProfileManager& a, const CProfileManager& b) {
    if (!b.isCheckValueValid() || a.getProfileCount() != b.getProfileCount())
        __builtin_trap();
    for (int i = 0; i < int(a.getProfileCount()); ++i) {
        requireSameValues(*a.getProfile(i), *b.getProfile(i));
        if ((a.getProfile(i) == a.getActiveProfile()) != (b.getProfile(i) == b.getActiveProfile()))
            __builtin_trap();
    }
    requireSameValues(*a.getCommonProfile(), *b.getCommonProfile());
    requireSameValues(*a.getGlobalProfile(), *b.getGlobalProfile());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Damaged input logs; printing it would only slow the run.
    CLog::instance()->setThreshold(CLog::User + 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > (1u << 20))
        return 0;
    const bool keyed = (data[0] & 1) != 0;
    CRefHandle<MemoryFileSystem> files(new MemoryFileSystem);
    files->files[u"/user/profile.dat"] = Bytes(data + 1, data + size);
    files->files[u"/common/profile.dat"] = Bytes(data + 1, data + size);

    CRefHandle<CProfileManager> first = newManager(files.get(), keyed);
    static_cast<void>(first->loadProfiles());
    if (first->getActiveProfile() && !first->findProfile(first->getActiveProfile()->getName()))
        __builtin_trap();
    if (!first->saveUserProfiles() || !first->saveCommonProfile())
        __builtin_trap();

    // The first save may normalise what a foreign file held (number texts,
    // characters an 8-bit text cannot keep); from then on a save and a load
    // change nothing.
    CRefHandle<CProfileManager> second = newManager(files.get(), keyed);
    static_cast<void>(second->loadProfiles());
    if (!second->isCheckValueValid() || second->getProfileCount() != first->getProfileCount())
        __builtin_trap();
    if (!second->saveUserProfiles() || !second->saveCommonProfile())
        __builtin_trap();
    CRefHandle<CProfileManager> third = newManager(files.get(), keyed);
    static_cast<void>(third->loadProfiles());
    requireSameSets(*second, *third);
    return 0;
}
