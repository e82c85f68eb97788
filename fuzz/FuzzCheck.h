// Property checks inside fuzz targets: a broken property aborts, which libFuzzer reports as a
// crash and keeps the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "property broken at %s:%d: %s\n", __FILE__, __LINE__, #cond);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace quorvel::fuzz {

// Independent of the module under test: true when `pos` starts a character of `s`, walking
// from the start with the rule "a byte 0x81..0xFE followed by another byte is one character".
inline std::vector<bool> BoundaryMap(std::string_view s) {
    std::vector<bool> boundary(s.size() + 1, false);
    std::size_t i = 0;
    while (i < s.size()) {
        boundary[i] = true;
        const auto c = static_cast<unsigned char>(s[i]);
        i += (c >= 0x81 && c <= 0xFE && i + 1 < s.size()) ? 2 : 1;
    }
    boundary[s.size()] = true;
    return boundary;
}

inline bool IsBoundary(std::string_view s, std::size_t pos) {
    return pos <= s.size() && BoundaryMap(s)[pos];
}

inline bool IsPrefix(std::string_view whole, std::string_view part) {
    return whole.substr(0, part.size()) == part;
}

} // namespace quorvel::fuzz
