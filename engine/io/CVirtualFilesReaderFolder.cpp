#include "engine/io/CVirtualFilesReaderFolder.h"

#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/ArchiveSupport.h"
#include "engine/io/CFolderReadFile.h"
#include "engine/io/FilePaths.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string foldAsciiCase(std::string_view text) {
    std::string folded(text);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return folded;
}

} // namespace

CVirtualFilesReaderFolder::CVirtualFilesReaderFolder(const CStringW& root) : m_root(withForwardSlashes(root)) {
    if (m_root.empty() || m_root[m_root.length() - 1] != u'/')
        m_root += u'/';
}

const CVirtualFilesReaderFolder::FoldedNames& CVirtualFilesReaderFolder::listingOf(const std::string& folder) {
    auto [it, added] = m_listings.try_emplace(folder);
    if (added) {
        // A folder that cannot be listed keeps an empty listing.
        std::error_code error;
        for (fs::directory_iterator entry(folder, error), last; !error && entry != last; entry.increment(error)) {
            std::string name = entry->path().filename().string();
            it->second[foldAsciiCase(name)].push_back(std::move(name));
        }
    }
    return it->second;
}

std::string CVirtualFilesReaderFolder::resolveIgnoringCase(const std::string& relative) {
    std::lock_guard<std::mutex> guard(m_listingsLock);
    fs::path current(toNativePath(m_root));
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find('/', start);
        if (end == std::string::npos)
            end = relative.size();
        const std::string_view part(relative.data() + start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            current /= part;
            continue;
        }
        const FoldedNames& listing = listingOf(current.string());
        const auto match = listing.find(foldAsciiCase(part));
        if (match == listing.end())
            return std::string();
        const std::vector<std::string>& names = match->second;
        const bool exact = std::find(names.begin(), names.end(), part) != names.end();
        current /= exact ? std::string(part) : names.front();
    }
    return current.string();
}

uint32_t CVirtualFilesReaderFolder::listedFolderCount() const {
    std::lock_guard<std::mutex> guard(m_listingsLock);
    return uint32_t(m_listings.size());
}

IReadableFile* CVirtualFilesReaderFolder::open(const CStringW& path) {
    if (path.empty())
        return nullptr;
    const CStringW diskPath = m_root + path;
    auto* file = new CFolderReadFile(diskPath, path);
    if (file->isOpen())
        return file;
    file->release();

    const std::string found = resolveIgnoringCase(toNativePath(path));
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
