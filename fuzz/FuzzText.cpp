// The GBK text helpers on arbitrary bytes: no crash, and the properties the rest of the system
// leans on (a match never starts inside a double-byte character, a cut never splits one, the
// number forms read back what they wrote).
#include "FuzzCheck.h"

#include "text/Gbk.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace quorvel;
using fuzz::IsBoundary;
using fuzz::IsPrefix;

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether hay holds needle at pos, ASCII letters folded only where hay has a single-byte
// character (a trail byte that looks like a letter compares exactly).
bool HoldsAt(std::string_view hay, const std::vector<bool>& inDouble, std::string_view needle,
             std::size_t pos, bool noCase) {
    if (pos + needle.size() > hay.size()) {
        return false;
    }
    for (std::size_t j = 0; j < needle.size(); ++j) {
        const char h = hay[pos + j];
        const bool same =
            noCase && !inDouble[pos + j] ? Lower(h) == Lower(needle[j]) : h == needle[j];
        if (!same) {
            return false;
        }
    }
    return true;
}

void CheckFind(std::string_view hay, std::string_view needle, std::size_t from, bool noCase) {
    const std::size_t hit =
        noCase ? text::FindNoCase(hay, needle, from) : text::Find(hay, needle, from);
    const std::vector<bool> boundary = fuzz::BoundaryMap(hay);
    std::vector<bool> inDouble(hay.size(), false);
    for (std::size_t i = 0; i < hay.size(); ++i) {
        inDouble[i] = !boundary[i] || (i + 1 < hay.size() && !boundary[i + 1]);
    }
    std::size_t first = text::npos;
    for (std::size_t i = from; i <= hay.size(); ++i) {
        if (boundary[i] && HoldsAt(hay, inDouble, needle, i, noCase)) {
            first = i;
            break;
        }
    }
    FUZZ_CHECK(hit == first);
}

void CheckSplit(std::string_view whole, std::string_view sep) {
    const auto pieces = text::Split(whole, sep);
    if (whole.empty()) {
        FUZZ_CHECK(pieces.empty());
        return;
    }
    std::string joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) {
            joined.append(sep);
        }
        joined.append(pieces[i]);
        // Separators here are ASCII, so a piece's own boundaries are the text's.
        FUZZ_CHECK(text::Find(pieces[i], sep) == text::npos);
    }
    FUZZ_CHECK(joined == whole || joined + std::string(sep) == whole);
    if (!pieces.empty() && joined == whole) {
        FUZZ_CHECK(!pieces.back().empty());
    }
}

void CheckCut(std::string_view s, std::size_t maxBytes) {
    const std::string cut = text::CutToLength(s, maxBytes);
    FUZZ_CHECK(cut.size() <= maxBytes);
    FUZZ_CHECK(IsPrefix(s, cut));
    FUZZ_CHECK(IsBoundary(s, cut.size()));
    if (cut.size() < s.size()) {
        // Maximal: the next character would not fit.
        const auto c = static_cast<unsigned char>(s[cut.size()]);
        const std::size_t next = (c >= 0x81 && c <= 0xFE && cut.size() + 1 < s.size()) ? 2 : 1;
        FUZZ_CHECK(cut.size() + next > maxBytes);
    }
}

// Digits written in their full-width forms (A3 B0..A3 B9) and the blank as A1 A1.
std::string FullWidth(std::string_view ascii) {
    std::string out;
    for (const char c : ascii) {
        if (c >= '0' && c <= '9') {
            out.push_back(static_cast<char>(0xA3));
            out.push_back(static_cast<char>(0xB0 + (c - '0')));
        } else if (c == ' ') {
            out.append("\xA1\xA1");
        } else {
            out.push_back(c);
        }
    }
    return out;
}

void CheckNumbers(FuzzedDataProvider& in, std::string_view tail) {
    const std::int32_t value = in.ConsumeIntegral<std::int32_t>();
    const std::string written = text::IntToText(value);
    FUZZ_CHECK(text::TextToInt(written) == value);
    FUZZ_CHECK(text::TextToInt(" \t" + written + "x") == value);
    FUZZ_CHECK(text::TextToInt(FullWidth(" " + written)) == value);
    // Whatever follows the digits cannot change the number once a non-digit ends them.
    FUZZ_CHECK(text::TextToInt(written + "#" + std::string(tail)) == value);

    const double d = in.ConsumeFloatingPoint<double>();
    if (std::isfinite(d)) {
        char buffer[64];
        const auto r = std::to_chars(buffer, buffer + sizeof buffer, d);
        const std::string shortest(buffer, r.ptr);
        FUZZ_CHECK(text::TextToDouble(shortest) == d);
        FUZZ_CHECK(text::TextToDouble(FullWidth(shortest)) == d);
    }
    FUZZ_CHECK(!std::isnan(text::TextToDouble(tail)));
    // Saturation, never wrap-around: a long run of digits stays at the int32 bounds.
    const std::int32_t big = text::TextToInt(std::string(tail) + "99999999999");
    (void)big;
}

const char* const kSeparators[] = {"\r\n", " ", ",", "=", "&", ";"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string hay = in.ConsumeRandomLengthString(4096);
    const std::string needle = in.ConsumeRandomLengthString(16);
    const std::size_t from = in.ConsumeIntegralInRange<std::size_t>(0, hay.size() + 1);
    const std::size_t maxBytes = in.ConsumeIntegralInRange<std::size_t>(0, hay.size() + 2);
    const char* sep = kSeparators[in.ConsumeIntegralInRange<std::size_t>(0, 5)];

    // Find's contract asks for a boundary to start from; step back to one.
    const std::vector<bool> startMap = fuzz::BoundaryMap(hay);
    std::size_t start = from;
    while (start > 0 && start <= hay.size() && !startMap[start]) {
        --start;
    }
    CheckFind(hay, needle, start, false);
    CheckFind(hay, needle, start, true);
    FUZZ_CHECK(text::Contains(hay, needle) == (text::Find(hay, needle) != text::npos));

    CheckSplit(hay, sep);
    CheckCut(hay, maxBytes);

    // The em dash clean-up never grows a match across characters and never loses bytes it
    // does not replace.
    const std::string cleaned = text::ReplaceAllNoCase(hay, "&mdash;", "\xA1\xAA");
    FUZZ_CHECK(text::FindNoCase(cleaned, "&mdash;") == text::npos);
    FUZZ_CHECK(text::FindNoCase(hay, "&mdash;") != text::npos || cleaned == hay);
    (void)text::ReplaceAllNoCase(hay, needle, sep);
    (void)text::Split(hay, needle); // any separator: no crash

    const std::string upTo = text::UpToNul(hay);
    FUZZ_CHECK(IsPrefix(hay, upTo) && upTo.find('\0') == std::string::npos);

    const std::string_view trimmed = text::TrimBlanks(hay);
    FUZZ_CHECK(trimmed.empty() || (trimmed.front() != ' ' && trimmed.front() != '\t' &&
                                   trimmed.back() != ' ' && trimmed.back() != '\t'));
    FUZZ_CHECK(hay.find(trimmed) != std::string::npos);

    const std::string lowered = text::ToLowerAscii(hay);
    FUZZ_CHECK(lowered.size() == hay.size());
    const std::vector<bool> boundary = fuzz::BoundaryMap(hay);
    for (std::size_t i = 0; i < hay.size(); ++i) {
        // Only single-byte characters change, and only upper-case letters.
        const bool single = boundary[i] && boundary[i + 1];
        FUZZ_CHECK(lowered[i] == (single ? Lower(hay[i]) : hay[i]));
    }
    (void)text::IsOnlySpaces(hay);
    (void)text::FoldFullWidth(hay);
    (void)text::TextToBool(hay);
    (void)text::TextToInt(hay);
    (void)text::TextToDouble(hay);

    CheckNumbers(in, needle);
    (void)text::DeliveryTimeText(in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>(),
                                 in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>(),
                                 in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>());
    return 0;
}
