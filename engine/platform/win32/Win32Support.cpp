#include "engine/platform/win32/Win32Support.h"

#include <mutex>

std::wstring win32Widen(std::string_view utf8) {
    if (utf8.empty())
        return std::wstring();
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(size_t(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), length);
    return wide;
}

std::string win32Narrow(std::wstring_view utf16) {
    if (utf16.empty())
        return std::string();
    const int length = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), int(utf16.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(size_t(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, utf16.data(), int(utf16.size()), narrow.data(), length, nullptr, nullptr);
    return narrow;
}

std::string win32ErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (length > 0 && buffer) {
        text = win32Narrow(std::wstring_view(buffer, length));
        while (!text.empty() &&
               (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
            text.pop_back();
    }
    if (buffer)
        LocalFree(buffer);
    if (text.empty())
        text = "error " + std::to_string(code);
    return text;
}

void win32StoreError(std::string* error, const char* text) {
    if (error)
        *error = text ? std::string(text) : win32ErrorText(GetLastError());
}

namespace {

struct VideoError {
    std::mutex lock;
    std::string text;
};

VideoError& videoError() {
    static VideoError error;
    return error;
}

} // namespace

void win32SetVideoError(const std::string& text) {
    VideoError& error = videoError();
    std::lock_guard<std::mutex> guard(error.lock);
    error.text = text;
}

std::string win32VideoError() {
    VideoError& error = videoError();
    std::lock_guard<std::mutex> guard(error.lock);
    return error.text;
}

HINSTANCE win32Instance() { return GetModuleHandleW(nullptr); }
