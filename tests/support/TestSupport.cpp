#include "tests/support/TestSupport.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <thread>

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (;;) {
        fs::path candidate = fs::temp_directory_path() / ("bm-test-" + std::to_string(random()));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            m_path = candidate;
            return;
        }
    }
}

TempDir::~TempDir() {
    std::error_code error;
    // Tests may leave read-only folders behind; make them writable first.
    for (auto it = fs::recursive_directory_iterator(m_path, error); !error && it != fs::end(it); it.increment(error))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(m_path, error);
}

fs::path TempDir::write(const std::string& relative, const std::vector<uint8_t>& bytes) const {
    fs::path full = m_path / relative;
    fs::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return full;
}

fs::path TempDir::write(const std::string& relative, const std::string& text) const {
    return write(relative, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> readAllBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool waitForFile(const fs::path& path) {
    for (int i = 0; i < 3000 && !fs::exists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return fs::exists(path);
}

const char* const kSanitizerOffEnvironment =
    "ASAN_OPTIONS=handle_segv=0:handle_sigbus=0:handle_sigill=0:handle_sigfpe=0:handle_abort=0:detect_leaks=0";

void setEnvironmentVariable(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}
