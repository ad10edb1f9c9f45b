#include "engine/io/CVirtualFilesReaderFolder.h"

#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CFolderReadFile.h"
#include "engine/io/FilePaths.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// The disk path of `relative` (parts separated by '/') under `root`, each part
// taken as it is when it exists, else from a folder entry whose name differs
// only in the case of A-Z. Empty when a part has no match.
std::string resolveIgnoringCase(const std::string& root, const std::string& relative) {
    fs::path current(root);
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find('/', start);
        if (end == std::string::npos)
            end = relative.size();
        const std::string_view part(relative.data() + start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        std::error_code error;
        fs::path exact = current / part;
        if (part == ".." || fs::exists(exact, error)) {
            current = std::move(exact);
            continue;
        }
        bool found = false;
        for (fs::directory_iterator it(current, error), last; !error && it != last; it.increment(error)) {
            const std::string name = it->path().filename().string();
            if (equalsIgnoringAsciiCase(name, part)) {
                current = it->path();
                found = true;
                break;
            }
        }
        if (!found)
            return std::string();
    }
    return current.string();
}

} // namespace

CVirtualFilesReaderFolder::CVirtualFilesReaderFolder(const CStringW& root) : m_root(root) {
    for (uint32_t i = 0; i < m_root.length(); ++i)
        if (m_root[i] == u'\\')
            m_root[i] = u'/';
    if (m_root.empty() || m_root[m_root.length() - 1] != u'/')
        m_root += u'/';
}

IReadableFile* CVirtualFilesReaderFolder::open(const CStringW& path) {
    if (path.empty())
        return nullptr;
    const CStringW diskPath = m_root + path;
    auto* file = new CFolderReadFile(diskPath, path);
    if (file->isOpen())
        return file;
    file->release();

    const std::string found = resolveIgnoringCase(toNativePath(m_root), toNativePath(path));
    if (found.empty())
        return nullptr;
    file = new CFolderReadFile(fromNativePath(found), path);
    if (!file->isOpen()) {
        file->release();
        return nullptr;
    }
    CLog::instance()->log("Opened by a match that ignores case: " + diskPath + " as " + fromNativePath(found),
                          CLog::Debug);
    return file;
}

int32_t CVirtualFilesReaderFolder::find(const CStringW& path) {
    CRefHandle<IReadableFile> file(open(path));
    return file ? 1 : -1;
}
