#pragma once

#include "engine/core/CStringW.h"
#include "engine/io/CVirtualFileSystem.h"

// The file system of a Linux desktop. Folders count as existing, and the
// per-installation folders default to XDG places:
// - user folder: $XDG_DATA_HOME (else ~/.local/share) / publisher / title;
// - common folder, shared by every player: common root / publisher / title,
//   the common root being $XDG_CONFIG_HOME (else ~/.config) unless set;
// - cache folder: "cache" in the current folder.
// Missing folders are created on each call; a folder set explicitly wins.
//
// Publisher and title are the registered engine's settings "PublisherName"
// and "TitleName"; without an engine, the names given to
// setApplicationNames; without those, the engine's default names. A user or
// common folder is never answered without both levels: with an empty name it
// is empty, after a warning.
class CLinuxFileSystem : public CVirtualFileSystem {
public:
    CLinuxFileSystem() = default;

    [[nodiscard]] bool exists(const CStringW& path, bool alsoArchives) const override;

    // The names under which the user and common folders are made (the
    // application's publisher and title) while no engine is registered. Two
    // empty names restore the engine's default names.
    void setApplicationNames(const CStringW& publisher, const CStringW& title);
    // The folder under which the common folder's publisher / title levels are
    // made, for an installation that shares one folder between users; empty
    // restores the default.
    void setCommonRoot(const CStringW& root) { m_commonRoot = root; }

    [[nodiscard]] CStringW getUserFolder() override;
    [[nodiscard]] CStringW getCommonFolder() override;
    [[nodiscard]] CStringW getCacheFolder() override;

protected:
    ~CLinuxFileSystem() override = default;

private:
    // `base` / publisher / title, each level created when missing; empty when
    // `base` or a name is empty. `what` names the folder in the warning.
    [[nodiscard]] CStringW applicationFolder(const CStringW& base, const char* what) const;

    CStringW m_publisher;
    CStringW m_title;
    CStringW m_commonRoot;
};
