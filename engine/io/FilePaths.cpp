#include "engine/io/FilePaths.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace {

void appendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

int lastSeparator(std::u16string_view text) {
    const size_t at = text.find_last_of(u"/\\");
    return at == std::u16string_view::npos ? -1 : int(at);
}

bool startsWithAny(std::u16string_view text, std::u16string_view a, std::u16string_view b) {
    return text.substr(0, a.size()) == a || text.substr(0, b.size()) == b;
}

} // namespace

std::string toNativePath(const CStringW& path) {
    std::string out;
    out.reserve(path.length());
    const std::u16string_view text = path.view();
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\\') {
            out += '/';
        } else if (c >= 0xFF80) {
            out += char(c & 0xFF);
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                   text[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((uint32_t(c) - 0xD800) << 10) + (uint32_t(text[i + 1]) - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

CStringW fromNativePath(const std::string& path) {
    std::u16string out;
    out.reserve(path.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(path.data());
    const size_t n = path.size();
    for (size_t i = 0; i < n;) {
        const unsigned char b = bytes[i];
        uint32_t c = b;
        size_t length = 1;
        if (b >= 0x80) {
            const size_t extra = b >= 0xC2 && b < 0xE0 ? 1 : b >= 0xE0 && b < 0xF0 ? 2 : b >= 0xF0 && b < 0xF5 ? 3 : 0;
            bool valid = extra != 0 && i + extra < n;
            uint32_t value = b & (0x3Fu >> extra);
            for (size_t k = 1; valid && k <= extra; ++k) {
                if ((bytes[i + k] & 0xC0) != 0x80)
                    valid = false;
                else
                    value = (value << 6) | (bytes[i + k] & 0x3Fu);
            }
            const uint32_t minimum = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
            if (valid && value >= minimum && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF)) {
                c = value;
                length = extra + 1;
            } else {
                // A byte that starts no valid sequence keeps its value the way
                // the engine widens 8-bit text, so the path converts back.
                c = 0xFF00u | b;
            }
        }
        if (c >= 0x10000) {
            out += char16_t(0xD800 + ((c - 0x10000) >> 10));
            out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += char16_t(c);
        }
        i += length;
    }
    return CStringW(std::u16string_view(out));
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
