#include "engine/platform/PlatformSystem.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <vector>

namespace {

// Kernel files (/proc, /sys, /etc) report no size; read up to `limit` bytes.
// A longer file is cut at the limit, which is enough for the fields we take
// from the front of it.
bool readSmallFile(const char* path, std::size_t limit, std::string& text) {
    text.clear();
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[4096];
    bool ok = true;
    while (text.size() < limit) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        if (got == 0)
            break;
        std::size_t take = static_cast<std::size_t>(got);
        if (take > limit - text.size())
            take = limit - text.size();
        text.append(buffer, take);
    }
    ::close(fd);
    return ok;
}

std::string_view trim(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Calls `visit(line)` for every line of `text`.
template <class Visit> void forEachLine(std::string_view text, Visit visit) {
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!visit(line))
            return;
        if (end == std::string_view::npos)
            return;
        text.remove_prefix(end + 1);
    }
}

// An os-release value: shell-style double quotes (with \" \\ \$ \` escapes),
// single quotes taken literally, or a bare word.
std::string unquoteOsReleaseValue(std::string_view value) {
    value = trim(value);
    std::string out;
    if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'')
        return std::string(value.substr(1, value.size() - 2));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
        for (std::size_t i = 0; i < value.size(); ++i) {
            char c = value[i];
            if (c == '\\' && i + 1 < value.size()) {
                char next = value[i + 1];
                if (next == '"' || next == '\\' || next == '$' || next == '`') {
                    out += next;
                    ++i;
                    continue;
                }
            }
            out += c;
        }
        return out;
    }
    return std::string(value);
}

} // namespace

std::string platformParseOsRelease(std::string_view text) {
    std::string pretty;
    std::string name;
    std::string version;
    forEachLine(text, [&](std::string_view line) {
        line = trim(line);
        if (line.empty() || line.front() == '#')
            return true;
        std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            return true;
        std::string_view key = line.substr(0, equals);
        std::string_view value = line.substr(equals + 1);
        if (key == "PRETTY_NAME")
            pretty = unquoteOsReleaseValue(value);
        else if (key == "NAME")
            name = unquoteOsReleaseValue(value);
        else if (key == "VERSION")
            version = unquoteOsReleaseValue(value);
        return true;
    });
    if (!pretty.empty())
        return pretty;
    if (!name.empty() && !version.empty())
        return name + " " + version;
    return name;
}

std::string platformOsDescription() {
    struct utsname names {};
    if (::uname(&names) != 0)
        return {};
    std::string kernel = std::string(names.sysname) + " " + names.release + " " + names.machine;

    std::string osRelease;
    std::string distribution;
    if (readSmallFile("/etc/os-release", 64 * 1024, osRelease) ||
        readSmallFile("/usr/lib/os-release", 64 * 1024, osRelease))
        distribution = platformParseOsRelease(osRelease);
    if (distribution.empty())
        return kernel;
    return distribution + " (" + kernel + ")";
}

bool platformParseCpuMhz(std::string_view cpuinfo, uint32_t* mhz) {
    bool found = false;
    double value = 0.0;
    forEachLine(cpuinfo, [&](std::string_view line) {
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || trim(line.substr(0, colon)) != "cpu MHz")
            return true;
        std::string_view number = trim(line.substr(colon + 1));
        auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
        found = error == std::errc() && end == number.data() + number.size();
        return false; // only the first processor's entry counts
    });
    if (!found || !(value >= 0.5) || !(value < 1e6))
        return false;
    if (mhz)
        *mhz = static_cast<uint32_t>(std::lround(value));
    return true;
}

bool platformParseFrequencyKhz(std::string_view text, uint32_t* mhz) {
    std::string_view number = trim(text);
    uint64_t khz = 0;
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), khz);
    if (number.empty() || error != std::errc() || end != number.data() + number.size() || khz < 500 ||
        khz >= 1000000000ull)
        return false;
    if (mhz)
        *mhz = static_cast<uint32_t>((khz + 500) / 1000);
    return true;
}

bool platformCpuMhz(uint32_t* mhz) {
    // cpufreq gives the rated speed in kHz; "cpu MHz" in /proc/cpuinfo is the
    // clock of the moment, low while the processor idles.
    std::string text;
    for (const char* path : {"/sys/devices/system/cpu/cpu0/cpufreq/base_frequency",
                             "/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq"}) {
        if (readSmallFile(path, 64, text) && platformParseFrequencyKhz(text, mhz))
            return true;
    }
    return readSmallFile("/proc/cpuinfo", 1024 * 1024, text) && platformParseCpuMhz(text, mhz);
}

bool platformMemoryStatus(uint64_t* totalKb, uint64_t* availableKb) {
    struct sysinfo info {};
    if (::sysinfo(&info) != 0)
        return false;
    uint64_t unit = info.mem_unit ? info.mem_unit : 1;
    uint64_t total = static_cast<uint64_t>(info.totalram) * unit >> 10;
    uint64_t available = static_cast<uint64_t>(info.freeram) * unit >> 10;

    std::string meminfo;
    if (readSmallFile("/proc/meminfo", 64 * 1024, meminfo)) {
        forEachLine(meminfo, [&](std::string_view line) {
            constexpr std::string_view key = "MemAvailable:";
            if (line.substr(0, key.size()) != key)
                return true;
            std::string_view rest = trim(line.substr(key.size()));
            uint64_t kb = 0;
            auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), kb);
            if (error == std::errc() && trim(std::string_view(end, rest.data() + rest.size() - end)) == "kB" &&
                kb <= total)
                available = kb;
            return false;
        });
    }
    if (totalKb)
        *totalKb = total;
    if (availableKb)
        *availableKb = available;
    return true;
}

std::string platformExecutablePath() {
    std::vector<char> buffer(1024);
    std::string path;
    for (;;) {
        ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return {};
        if (static_cast<std::size_t>(length) < buffer.size()) {
            path.assign(buffer.data(), static_cast<std::size_t>(length));
            break;
        }
        if (buffer.size() >= 64 * 1024)
            return {};
        buffer.resize(buffer.size() * 2);
    }
    // The kernel appends " (deleted)" once the file is gone. A file whose
    // name really ends so still exists under that name, so it keeps it.
    constexpr std::string_view kDeleted = " (deleted)";
    struct stat info {};
    if (path.size() > kDeleted.size() && std::string_view(path).substr(path.size() - kDeleted.size()) == kDeleted &&
        ::lstat(path.c_str(), &info) != 0)
        path.resize(path.size() - kDeleted.size());
    return path;
}

void platformSleepMilliseconds(uint32_t milliseconds) {
    struct timespec remaining {};
    remaining.tv_sec = milliseconds / 1000;
    remaining.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

std::FILE* platformOpenFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

std::size_t platformReadFileAt(std::FILE* stream, int64_t offset, void* buffer, std::size_t count) {
    if (!stream || offset < 0 || !buffer)
        return 0;
    const int handle = fileno(stream);
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = pread(handle, out + done, count - done, off_t(offset + int64_t(done)));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += std::size_t(got);
    }
    return done;
}
