#pragma once

class CVirtualFileSystem;

// The file system of the desktop the engine runs on (count 1, owned by the
// caller): CLinuxFileSystem on Linux, CWin32FileSystem on Windows.
[[nodiscard]] CVirtualFileSystem* createDesktopFileSystem();
