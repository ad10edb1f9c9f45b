#include "tools/pack/McaPacker.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kHeaderSize = 16;

bool fail(std::string* error, const std::string& reason) {
    if (error)
        *error = reason;
    return false;
}

void put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(uint8_t(value >> shift));
}

void set32(std::vector<uint8_t>& out, std::size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[at + std::size_t(i)] = uint8_t(value >> (8 * i));
}

// UTF-8 as the file system gives it, to one byte per character; false for
// characters above U+00FF and for broken sequences.
bool toLatin1(const std::string& utf8, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = uint8_t(utf8[i]);
        if (c < 0x80) {
            out += char(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size() && (uint8_t(utf8[i + 1]) & 0xC0) == 0x80) {
            out += char(((c & 0x03) << 6) | (uint8_t(utf8[i + 1]) & 0x3F));
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

bool buildMcaArchive(std::vector<McaMember> members, const std::string& password, std::vector<uint8_t>& out,
                     std::string* error) {
    std::sort(members.begin(), members.end(), [](const McaMember& a, const McaMember& b) { return a.name < b.name; });
    for (std::size_t i = 1; i < members.size(); ++i)
        if (members[i].name == members[i - 1].name)
            return fail(error, "two members are named " + members[i].name);

    uint64_t total = kHeaderSize;
    for (const McaMember& member : members) {
        if (member.name.empty() || member.name.size() > std::numeric_limits<uint16_t>::max())
            return fail(error, "a member name must be 1 to 65535 bytes long: '" + member.name + "'");
        total += member.data.size() + 2 + member.name.size() + 8;
    }
    if (total > std::numeric_limits<uint32_t>::max() || members.size() > std::numeric_limits<uint32_t>::max())
        return fail(error, "the archive would pass 4 GB, which its offsets cannot reach");

    out.clear();
    out.reserve(std::size_t(total));
    out.insert(out.end(), {'M', 'C', 'A', 0});
    put32(out, 0); // directory offset, set below
    put32(out, uint32_t(members.size()));
    put32(out, 0);
    std::vector<uint32_t> offsets;
    offsets.reserve(members.size());
    for (const McaMember& member : members) {
        offsets.push_back(uint32_t(out.size()));
        out.insert(out.end(), member.data.begin(), member.data.end());
    }
    const auto directory = uint32_t(out.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
        put16(out, uint32_t(members[i].name.size()));
        out.insert(out.end(), members[i].name.begin(), members[i].name.end());
        put32(out, offsets[i]);
        put32(out, uint32_t(members[i].data.size()));
    }
    set32(out, 4, directory);

    // The key runs with the file position, so any part unscrambles on its own.
    if (!password.empty())
        for (std::size_t p = kHeaderSize; p < out.size(); ++p)
            out[p] ^= uint8_t(password[(p - kHeaderSize) % password.size()]);
    return true;
}

bool collectMcaMembers(const std::string& folder, std::vector<McaMember>& out, std::string* error) {
    out.clear();
    std::error_code code;
    if (!fs::is_directory(folder, code))
        return fail(error, "not a folder: " + folder);
    fs::recursive_directory_iterator it(folder, code);
    if (code)
        return fail(error, "can't read " + folder + ": " + code.message());
    for (const fs::directory_entry& entry : it) {
        if (!entry.is_regular_file(code))
            continue;
        McaMember member;
        if (!toLatin1(fs::relative(entry.path(), folder).generic_string(), member.name))
            return fail(error, "a member name has characters beyond Latin-1: " + entry.path().string());
        std::ifstream in(entry.path(), std::ios::binary);
        member.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof())
            return fail(error, "can't read " + entry.path().string());
        out.push_back(std::move(member));
    }
    return true;
}

bool packMcaFolder(const std::string& folder, const std::string& path, const std::string& password,
                   std::string* error) {
    std::vector<McaMember> members;
    if (!collectMcaMembers(folder, members, error))
        return false;
    std::vector<uint8_t> bytes;
    if (!buildMcaArchive(std::move(members), password, bytes, error))
        return false;
    const std::string temporary = path + ".part";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        file.flush();
        if (!file.good()) {
            file.close();
            std::remove(temporary.c_str());
            return fail(error, "can't write " + temporary);
        }
        file.close();
        if (file.fail()) {
            std::remove(temporary.c_str());
            return fail(error, "can't write " + temporary);
        }
    }
    std::error_code code;
    fs::rename(temporary, path, code);
    if (code) {
        std::remove(temporary.c_str());
        return fail(error, "can't replace " + path + ": " + code.message());
    }
    return true;
}
