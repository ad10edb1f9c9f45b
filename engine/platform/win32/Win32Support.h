#pragma once

// Windows headers and small helpers shared by the Windows side of the
// platform layer. Used only inside this folder.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

// UTF-8 to UTF-16 and back; invalid sequences become U+FFFD.
[[nodiscard]] std::wstring win32Widen(std::string_view utf8);
[[nodiscard]] std::string win32Narrow(std::wstring_view utf16);

// The system's text for error `code` ("error N" when it has none).
[[nodiscard]] std::string win32ErrorText(DWORD code);
// Stores the text of GetLastError() (or `text` when given) in `error` when
// `error` is not null.
void win32StoreError(std::string* error, const char* text = nullptr);

// Remembers the last failure of the windowing functions for
// platformVideoError.
void win32SetVideoError(const std::string& text);

// The module the platform's window classes belong to.
[[nodiscard]] HINSTANCE win32Instance();
[[nodiscard]] std::string win32VideoError();
