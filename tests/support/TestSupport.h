#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }
    // Writes `bytes` to `relative` (creating its folders); answers the full path.
    std::filesystem::path write(const std::string& relative, const std::vector<uint8_t>& bytes) const;
    std::filesystem::path write(const std::string& relative, const std::string& text) const;

private:
    std::filesystem::path m_path;
};

[[nodiscard]] std::vector<uint8_t> readAllBytes(const std::filesystem::path& path);

// Waits up to 30 seconds for `path` to exist (made by another process);
// answers whether it does.
[[nodiscard]] bool waitForFile(const std::filesystem::path& path);

// The "NAME=value" environment entry for a child program that must see its
// own fatal signals: the sanitizers of the test build catch them first
// otherwise. It also turns off the leak report of a child that dies.
extern const char* const kSanitizerOffEnvironment;

// Sets the environment variable `name` of this process (replacing it).
void setEnvironmentVariable(const char* name, const std::string& value);
