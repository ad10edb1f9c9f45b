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
