#pragma once

#include "engine/core/CStringW.h"

#include <string>

// Path functions of the file layer. Paths may use '/' or '\' as separators;
// the functions keep the separators they are given unless they say otherwise.

// The two separators, '/' and '\'.
inline constexpr char16_t pathSeparators[] = u"/\\";
inline constexpr char16_t driveSeparator = u':';

[[nodiscard]] inline bool isPathSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

// The absolute, lexically normal form of `path` against the current folder;
// empty for an empty path or when the current folder is unknown.
[[nodiscard]] CStringW getFullPath(const CStringW& path);

// "X" for "X:..." (the drive letter), "//server/share" for a path starting
// with two separators, "/" for any other path starting with one separator (an
// absolute path here), else empty.
[[nodiscard]] CStringW getPathRoot(const CStringW& path);

// The prefix up to and including the last '/', '\' or ':'; empty when there is
// none or it is the first character.
[[nodiscard]] CStringW getDirectoryPart(const CStringW& path);

// The text after the last '.' when that '.' follows the last separator; else
// empty ("a.b/c" and "file." have none, ".hidden" has "hidden").
[[nodiscard]] CStringW getFileExtension(const CStringW& path);

// `target` relative to the folder of the file `base` ("levels/l1/Level.mscn"
// and "levels/common/x.png" give "../common/x.png"); `target` unchanged when
// `base` is empty or the roots differ. The result uses '/'.
[[nodiscard]] CStringW makeRelativePath(const CStringW& base, const CStringW& target);

// `path` resolved against the folder of the file `base`, leading "../" and
// "./" folded into it ("scenes/menu/Main.mscn" and "../images/a.png" give
// "scenes/images/a.png"). A rooted `path`, an empty `base` or a `base` with no
// separator give `path` unchanged.
[[nodiscard]] CStringW combinePath(const CStringW& base, const CStringW& path);

// The current folder (empty when unknown), and changing it.
[[nodiscard]] CStringW getWorkingDirectory();
[[nodiscard]] bool setWorkingDirectory(const CStringW& path);

// The path as the operating system takes it: UTF-8 with '\' turned into '/'.
// Units 0xFF80-0xFFFF stand for the bytes 0x80-0xFF, as the engine's
// widening of 8-bit text makes them, so UTF-8 text widened that way names the
// same file. Lone surrogates become U+FFFD.
[[nodiscard]] std::string toNativePath(const CStringW& path);
// A path from the operating system (UTF-8) as a wide string; a byte that is
// no UTF-8 becomes the unit 0xFF00 | byte, so the path converts back to the
// same bytes (Utf8Bytes::Preserve).
[[nodiscard]] CStringW fromNativePath(const std::string& path);
