#include "engine/io/FilePaths.h"

#include "engine/core/Utf8.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace {

int lastSeparator(std::u16string_view text) {
    const size_t at = text.find_last_of(u"/\\");
    return at == std::u16string_view::npos ? -1 : int(at);
}

bool startsWithAny(std::u16string_view text, std::u16string_view a, std::u16string_view b) {
    return text.substr(0, a.size()) == a || text.substr(0, b.size()) == b;
}

} // namespace

std::string toNativePath(const CStringW& path) {
    std::string out = utf16ToUtf8(path.view(), Utf8Bytes::Preserve);
    // In UTF-8 the byte of '\\' stands for nothing else.
    for (char& c : out)
        if (c == '\\')
            c = '/';
    return out;
}

CStringW fromNativePath(const std::string& path) {
    return CStringW(std::u16string_view(utf8ToUtf16(path, Utf8Bytes::Preserve)));
}

CStringW getFullPath(const CStringW& path) {
    if (path.empty())
        return CStringW();
    std::error_code error;
    const fs::path full = fs::absolute(fs::path(toNativePath(path)), error);
    if (error)
        return CStringW();
    return fromNativePath(full.lexically_normal().string());
}

CStringW getPathRoot(const CStringW& path) {
    const std::u16string_view text = path.view();
    if (text.size() >= 2 && text[1] == driveSeparator)
        return CStringW(text.data(), 1);
    if (text.size() >= 2 && isPathSeparator(text[0]) && isPathSeparator(text[1])) {
        // Server and share: up to the separator after the share name.
        const size_t serverEnd = text.find_first_of(pathSeparators, 2);
        if (serverEnd == std::u16string_view::npos)
            return CStringW(text);
        const size_t shareEnd = text.find_first_of(pathSeparators, serverEnd + 1);
        return CStringW(text.substr(0, shareEnd));
    }
    if (!text.empty() && isPathSeparator(text[0]))
        return CStringW(u"/");
    return CStringW();
}

CStringW getDirectoryPart(const CStringW& path) {
    const size_t at = path.view().find_last_of(u"/\\:");
    if (at == std::u16string_view::npos || at == 0)
        return CStringW();
    return path.subString(0, int(at) + 1);
}

CStringW getFileExtension(const CStringW& path) {
    const int dot = path.findLast(u'.');
    if (dot < 0 || dot <= lastSeparator(path.view()))
        return CStringW();
    return path.subString(dot + 1, int(path.length()) - dot - 1);
}

CStringW makeRelativePath(const CStringW& base, const CStringW& target) {
    if (base.empty() || getPathRoot(base) != getPathRoot(target))
        return target;
    const std::u16string_view a = base.view();
    const std::u16string_view b = target.view();
    int common = -1;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (isPathSeparator(a[i]) && isPathSeparator(b[i]))
            common = int(i);
        else if (a[i] != b[i])
            break;
    }
    CStringW result;
    for (size_t i = size_t(common + 1); i < a.size(); ++i)
        if (isPathSeparator(a[i]))
            result += u"../";
    result += CStringW(b.substr(size_t(common + 1)));
    for (uint32_t i = 0; i < result.length(); ++i)
        if (result[i] == u'\\')
            result[i] = u'/';
    return result;
}

CStringW combinePath(const CStringW& base, const CStringW& path) {
    if (base.empty() || !getPathRoot(path).empty())
        return path;
    const int cut = lastSeparator(base.view());
    if (cut < 0)
        return path;
    std::u16string_view folder = base.view().substr(0, size_t(cut));
    std::u16string_view rest = path.view();
    for (;;) {
        bool changed = false;
        while (startsWithAny(rest, u"../", u"..\\")) {
            rest.remove_prefix(3);
            const int up = lastSeparator(folder);
            folder = up < 0 ? std::u16string_view() : folder.substr(0, size_t(up));
            changed = true;
        }
        while (startsWithAny(rest, u"./", u".\\")) {
            rest.remove_prefix(2);
            changed = true;
        }
        if (!changed)
            break;
    }
    if (folder.empty())
        return CStringW(rest);
    CStringW result{folder};
    result += u'/';
    result += CStringW(rest);
    return result;
}

CStringW getWorkingDirectory() {
    std::error_code error;
    const fs::path current = fs::current_path(error);
    if (error)
        return CStringW();
    return fromNativePath(current.string());
}

bool setWorkingDirectory(const CStringW& path) {
    std::error_code error;
    fs::current_path(fs::path(toNativePath(path)), error);
    return !error;
}
