#include "text/Gbk.h"

#include "text/Texts.h"

#include <charconv>
#include <limits>

namespace quorvel::text {
namespace {

unsigned char Byte(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]);
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Folds only single-byte characters: a trail byte that looks like a letter compares exactly.
bool EqualNoCase(std::string_view a, std::string_view b) {
    for (std::size_t i = 0; i < a.size();) {
        const std::size_t len = IsLeadByte(Byte(a, i)) && i + 1 < a.size() ? 2 : 1;
        if (len == 2 ? a.substr(i, 2) != b.substr(i, 2) : LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
        i += len;
    }
    return true;
}

template <typename Equal>
std::size_t FindWith(std::string_view hay, std::string_view needle, std::size_t from, Equal eq) {
    if (from > hay.size()) {
        return npos;
    }
    if (needle.empty()) {
        return from;
    }
    for (std::size_t i = from; i + needle.size() <= hay.size(); i += CharLength(hay, i)) {
        if (eq(hay.substr(i, needle.size()), needle)) {
            return i;
        }
    }
    return npos;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Both number readings start alike: leading white space, then one optional sign.
std::size_t SkipSpaceAndSign(std::string_view folded, bool& negative) {
    std::size_t i = 0;
    while (i < folded.size() && IsSpace(folded[i])) {
        ++i;
    }
    negative = false;
    if (i < folded.size() && (folded[i] == '+' || folded[i] == '-')) {
        negative = folded[i] == '-';
        ++i;
    }
    return i;
}

} // namespace

bool IsStrictDoubleByte(std::string_view s, std::size_t pos) {
    const auto lead = Byte(s, pos);
    if (lead < 0x81 || lead == 0xFF || pos + 1 >= s.size()) {
        return false;
    }
    const auto trail = Byte(s, pos + 1);
    return trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
}

std::size_t CharLength(std::string_view s, std::size_t pos) {
    return (IsLeadByte(Byte(s, pos)) && pos + 1 < s.size()) ? 2 : 1;
}

std::size_t Find(std::string_view hay, std::string_view needle, std::size_t from) {
    return FindWith(hay, needle, from,
                    [](std::string_view a, std::string_view b) { return a == b; });
}

std::size_t FindNoCase(std::string_view hay, std::string_view needle, std::size_t from) {
    return FindWith(hay, needle, from, EqualNoCase);
}

bool Contains(std::string_view hay, std::string_view needle) {
    return Find(hay, needle) != npos;
}

bool ContainsNoCase(std::string_view hay, std::string_view needle) {
    return FindNoCase(hay, needle) != npos;
}

std::string ReplaceAllNoCase(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) {
        return std::string(text);
    }
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t hit = FindNoCase(text, from); hit != npos;
         hit = FindNoCase(text, from, start)) {
        out.append(text.substr(start, hit - start)).append(to);
        start = hit + from.size();
    }
    out.append(text.substr(start));
    return out;
}

std::vector<std::string> Split(std::string_view text, std::string_view separator) {
    std::vector<std::string> pieces;
    if (separator.empty()) {
        if (!text.empty()) {
            pieces.emplace_back(text);
        }
        return pieces;
    }
    std::size_t start = 0;
    for (std::size_t hit = Find(text, separator); hit != npos; hit = Find(text, separator, start)) {
        pieces.emplace_back(text.substr(start, hit - start));
        start = hit + separator.size();
    }
    if (start < text.size()) {
        pieces.emplace_back(text.substr(start));
    }
    return pieces;
}

std::string FoldFullWidth(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = CharLength(text, i);
        if (len == 2 && Byte(text, i) == 0xA3 && Byte(text, i + 1) >= 0xA1 &&
            Byte(text, i + 1) <= 0xFE) {
            out.push_back(static_cast<char>(Byte(text, i + 1) - 0x80));
        } else if (len == 2 && Byte(text, i) == 0xA1 && Byte(text, i + 1) == 0xA1) {
            out.push_back(' ');
        } else {
            out.append(text.substr(i, len));
        }
        i += len;
    }
    return out;
}

std::int32_t TextToInt(std::string_view text) {
    const std::string folded = FoldFullWidth(text);
    bool negative = false;
    std::size_t i = SkipSpaceAndSign(folded, negative);
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    for (; i < folded.size() && folded[i] >= '0' && folded[i] <= '9'; ++i) {
        value = value * 10 + (folded[i] - '0');
        if (value > kMax + 1) {
            value = kMax + 1;
        }
    }
    if (negative) {
        return static_cast<std::int32_t>(-value);
    }
    return static_cast<std::int32_t>(value > kMax ? kMax : value);
}

double TextToDouble(std::string_view text) {
    const std::string folded = FoldFullWidth(text);
    bool negative = false;
    std::size_t i = SkipSpaceAndSign(folded, negative);
    // Only plain decimal forms: from_chars would also take "inf" and "nan".
    const char* first = folded.data() + i;
    const char* last = folded.data() + folded.size();
    if (first == last || !((*first >= '0' && *first <= '9') || *first == '.')) {
        return 0.0;
    }
    double value = 0.0;
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec == std::errc::invalid_argument) {
        return 0.0;
    }
    return negative ? -value : value;
}

std::string IntToText(std::int64_t value) {
    return std::to_string(value);
}

std::string_view BoolToText(bool value) {
    return value ? kTrue.gbk : kFalse.gbk;
}

bool TextToBool(std::string_view stored) {
    return stored == kYes.gbk || stored == kTrue.gbk;
}

std::string DeliveryTimeText(int year, int month, int day, int hour, int minute, int second) {
    std::string out = std::to_string(year);
    out.append(kYear.gbk).append(std::to_string(month)).append(kMonth.gbk);
    out.append(std::to_string(day)).append(kDay.gbk);
    if (second != 0) {
        out.append(std::to_string(hour)).append(kHour.gbk).append(std::to_string(minute));
        out.append(kMinute.gbk).append(std::to_string(second)).append(kSecond.gbk);
    } else if (minute != 0) {
        out.append(std::to_string(hour)).append(kHour.gbk).append(std::to_string(minute));
        out.append(kMinute.gbk);
    } else if (hour != 0) {
        out.append(std::to_string(hour)).append(kHour.gbk);
    }
    return out;
}

std::string CutToLength(std::string_view text, std::size_t maxBytes) {
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t len = CharLength(text, end);
        if (end + len > maxBytes) {
            break;
        }
        end += len;
    }
    return std::string(text.substr(0, end));
}

std::string UpToNul(std::string_view bytes) {
    return std::string(bytes.substr(0, bytes.find('\0')));
}

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsOnlySpaces(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = CharLength(text, i);
        const bool halfSpace = len == 1 && text[i] == ' ';
        const bool fullSpace = len == 2 && Byte(text, i) == 0xA1 && Byte(text, i + 1) == 0xA1;
        if (!halfSpace && !fullSpace) {
            return false;
        }
        i += len;
    }
    return true;
}

std::string ToLowerAscii(std::string_view text) {
    std::string out(text);
    for (std::size_t i = 0; i < out.size();) {
        const std::size_t len = CharLength(out, i);
        if (len == 1) {
            out[i] = LowerAscii(out[i]);
        }
        i += len;
    }
    return out;
}

} // namespace quorvel::text
