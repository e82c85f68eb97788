// Temp data directories and byte-level file helpers for the table tests.
#pragma once

#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace quorvel::data::test {

using quorvel::test::ReadBytes;
using quorvel::test::TempDir;
using quorvel::test::WriteBytes;

// prefix followed by the decimal number. (Appending avoids "x" + std::to_string(n), which
// GCC 12 misreads at -O2 as an overlapping copy, -Wrestrict.)
inline std::string Numbered(std::string prefix, long long number) {
    prefix += std::to_string(number);
    return prefix;
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
