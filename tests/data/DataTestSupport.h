// Temp data directories and byte-level file helpers for the table tests.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace quorvel::data::test {

class TempDir {
  public:
    TempDir() {
        std::random_device rd;
        const auto base = std::filesystem::temp_directory_path();
        do {
            m_path = base / ("quorvel-data-" + std::to_string(rd()) + std::to_string(rd()));
        } while (!std::filesystem::create_directory(m_path));
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

  private:
    std::filesystem::path m_path;
};

// prefix followed by the decimal number. (Appending avoids "x" + std::to_string(n), which
// GCC 12 misreads at -O2 as an overlapping copy, -Wrestrict.)
inline std::string Numbered(std::string prefix, long long number) {
    prefix += std::to_string(number);
    return prefix;
}

inline std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline void MakeReadOnly(const std::filesystem::path& file) {
    std::filesystem::permissions(file, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
}

// Every file in the directory (journals included), by name.
inline std::string Listing(const std::filesystem::path& dir) {
    std::string names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names += entry.path().filename().string() + "\n";
    }
    return names;
}

} // namespace quorvel::data::test
