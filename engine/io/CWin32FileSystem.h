#pragma once

#include "engine/core/CStringW.h"
#include "engine/io/CVirtualFileSystem.h"

// The file system of a Windows desktop. Folders count as existing, and the
// per-installation folders default to the system's application-data
// folders:
// - user folder: the user's (roaming) application data \ publisher \ title;
// - common folder: the all-users application data \ publisher \ title, its
//   title level opened to the local "Users" group when it is made, so that
//   every player may write there;
// - cache folder: "cache" in the current folder.
// Missing folders are created on each call; a folder set explicitly wins.
// Publisher and title are the registered engine's settings "PublisherName"
// and "TitleName", else the engine's default names; with an empty name the
// folder is empty, after a warning.
class CWin32FileSystem : public CVirtualFileSystem {
public:
    CWin32FileSystem() = default;

    [[nodiscard]] bool exists(const CStringW& path, bool alsoArchives) const override;

    [[nodiscard]] CStringW getUserFolder() override;
    [[nodiscard]] CStringW getCommonFolder() override;
    [[nodiscard]] CStringW getCacheFolder() override;

protected:
    ~CWin32FileSystem() override = default;

private:
    // `base` \ publisher \ title, each level created when missing; empty when
    // `base` or a name is empty. `shared` opens a new title level to every
    // user. `what` names the folder in the warning.
    [[nodiscard]] CStringW applicationFolder(const std::string& base, bool shared, const char* what) const;
};
