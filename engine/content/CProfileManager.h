#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"

#include <cstdint>
#include <vector>

class CProfileParameters;
class CVirtualFileSystem;
class CXmlStreamReader;

// The settings that outlive a run: one set per player ("Profile"), one set
// shared by the players of the user ("CommonProfile") and one machine-wide
// set ("GlobalProfile"). The first two live in "profile.dat" in the file
// system's user folder, the third in "profile.dat" in its common folder.
//
// Each file is UTF-16 XML. With a key set, every byte is XORed with the key
// (the key index running on from the first byte to the last) and the file
// ends with the CRC-32 of the plain bytes, 4 bytes little-endian; with an
// empty key the file is the plain XML alone.
//
// Saving never puts a player's data at risk: the new file is written beside
// the old one, every write checked and the result read back, and only then
// renamed over it. A scrambled file whose CRC-32 does not match is taken as
// plain XML when it is one; otherwise it is damaged, and is read for what it
// still holds, with a warning and a copy kept as "profile.dat.damaged". Main
// thread only.
class CProfileManager : public CRefCounted {
public:
    // Empty key, empty sets, no players. Takes a reference on `fileSystem`
    // (may be null: nothing then loads or saves).
    explicit CProfileManager(CVirtualFileSystem* fileSystem);

    // The scrambling key; set before loading. Empty stores the files plain.
    void setKey(const CString& key) { m_key = key; }
    [[nodiscard]] const CString& getKey() const { return m_key; }

    // The sets the manager owns; the getters hand out no reference. The
    // application fills the two default sets before loading.
    [[nodiscard]] CProfileParameters* getCommonDefaults() const { return m_commonDefaults.get(); }
    [[nodiscard]] CProfileParameters* getNewProfileDefaults() const { return m_newProfileDefaults.get(); }
    [[nodiscard]] CProfileParameters* getGlobalProfile() const { return m_globalProfile.get(); }
    [[nodiscard]] CProfileParameters* getCommonProfile() const { return m_commonProfile.get(); }

    // The user file, then the common file, then the common defaults the
    // CommonProfile lacks. True.
    [[nodiscard]] bool loadProfiles();
    // The CommonProfile and the players from the user file. False when the
    // file is missing or unreadable; the sets then keep what they held. A
    // file that is there but cannot be read (a folder in its place, no
    // permission, a failing disk) is logged and kept: saves refuse to
    // replace it until it reads.
    [[nodiscard]] bool loadUserFile();
    // The GlobalProfile from the common file; false as above.
    [[nodiscard]] bool loadCommonFile();

    // Saves the file that holds `set`: the user file for the CommonProfile
    // and the players, the common file for the GlobalProfile. False for any
    // other set and when the save fails.
    [[nodiscard]] bool saveParameters(const CProfileParameters* set);
    // Each writes its file; false (after one log line) when it could not be
    // written whole, the previous file then left as it was. A file that could
    // not be read is read first when it now can (its players join, its
    // values replace this run's, as at start-up); while it cannot, it is not
    // replaced and the save answers false.
    [[nodiscard]] bool saveUserProfiles();
    [[nodiscard]] bool saveCommonProfile();

    // Players in load and creation order; no reference handed out.
    [[nodiscard]] uint32_t getProfileCount() const { return m_profiles.size(); }
    [[nodiscard]] CProfileParameters* getProfile(int index) const;
    // The player named exactly `name`, or null.
    [[nodiscard]] CProfileParameters* findProfile(const CStringW& name) const;
    // Appends a player with the new-profile defaults; false when the name is
    // taken. The new player is not made active.
    [[nodiscard]] bool addProfile(const CStringW& name);
    // False when out of range.
    [[nodiscard]] bool setActiveProfile(int index);
    // Removes the player; the active player becomes none, whichever it was.
    // Out of range does nothing.
    void deleteProfile(int index);
    [[nodiscard]] CProfileParameters* getActiveProfile() const { return m_activeProfile; }

    // False once a file read since the last loadProfiles() failed its CRC-32
    // check or was there but could not be read; true until then.
    [[nodiscard]] bool isCheckValueValid() const { return m_checkValue; }
    // Why the user file, there at the last load, could not be read (as the
    // system says it); empty when it was read, damaged or not, or missing.
    [[nodiscard]] const CStringW& getUserFileProblem() const { return m_userFileProblem; }

    // "profile.dat" in the user and in the common folder; empty when the
    // file system knows no such folder.
    [[nodiscard]] CStringW getUserFilePath() const;
    [[nodiscard]] CStringW getCommonFilePath() const;

    // The bytes a save writes for a plain body: scrambled with the key and
    // closed by the CRC-32, or the body unchanged for an empty key.
    [[nodiscard]] std::vector<uint8_t> encode(const std::vector<uint8_t>& plain) const;

    static constexpr int32_t kMaxFileSize = 64 * 1024 * 1024;

protected:
    ~CProfileManager() override;

private:
    // The XML reader over the file at `path`, descrambled and checked, or
    // null when the file is missing or cannot be read; `unreadable` tells
    // the second (logged) from the first.
    [[nodiscard]] CRefHandle<CXmlStreamReader> openFile(const CStringW& path, bool& unreadable,
                                                        CStringW* problem = nullptr);
    // The plain body of the user (or common) file as XML.
    [[nodiscard]] bool buildFile(bool userFile, std::vector<uint8_t>& out) const;
    [[nodiscard]] bool storeFile(const CStringW& path, const std::vector<uint8_t>& bytes);
    // The first of path.damaged, path.damaged1, path.damaged2 ... not taken.
    [[nodiscard]] CStringW freeDamagedCopyPath(const CStringW& path) const;
    [[nodiscard]] bool saveFile(bool userFile);
    [[nodiscard]] CStringW filePath(bool userFile) const;

    CString m_key;
    CRefHandle<CVirtualFileSystem> m_fileSystem;
    CRefHandle<CProfileParameters> m_commonDefaults;
    CRefHandle<CProfileParameters> m_newProfileDefaults;
    CRefHandle<CProfileParameters> m_globalProfile;
    CRefHandle<CProfileParameters> m_commonProfile;
    CProfileParameters* m_activeProfile = nullptr;
    CArray<CProfileParameters*> m_profiles;
    bool m_checkValue = true;
    // A file exists there that could not be read: saving over it would lose
    // what it holds.
    bool m_userFileHeld = false;
    bool m_commonFileHeld = false;
    CStringW m_userFileProblem;
};
