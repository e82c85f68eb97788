// GBK byte-string helpers. Every text of the core is a std::string of GBK bytes, exactly as it
// is stored in the table files and sent on the wire.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::text {

inline constexpr std::size_t npos = std::string_view::npos;

// A byte that opens a double-byte GBK character.
constexpr bool IsLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

// A lead byte followed by a byte of the GBK trail range (40..FE without 7F): a pair that can
// never hide a quote, blank or backslash, as command lines need.
bool IsStrictDoubleByte(std::string_view s, std::size_t pos);

// Length of the character at pos: 2 for a lead byte followed by another byte, else 1.
std::size_t CharLength(std::string_view s, std::size_t pos);

// First occurrence of needle at or after `from` that starts on a character boundary.
// REQUIRES: `from` is a character boundary (0, or a value this module returned).
std::size_t Find(std::string_view hay, std::string_view needle, std::size_t from = 0);
// As Find, with ASCII letters compared ignoring case; other bytes compare exactly.
std::size_t FindNoCase(std::string_view hay, std::string_view needle, std::size_t from = 0);
bool Contains(std::string_view hay, std::string_view needle);
bool ContainsNoCase(std::string_view hay, std::string_view needle);

// Every occurrence of `from` (ASCII case ignored, character boundaries kept) replaced by `to`.
std::string ReplaceAllNoCase(std::string_view text, std::string_view from, std::string_view to);

// The splitting rule: a piece per separator (possibly empty), the rest a last piece only when
// it is not empty. An empty text gives no pieces; no separator match starts on a trail byte.
std::vector<std::string> Split(std::string_view text, std::string_view separator);

// Full-width ASCII forms (A3 A1..A3 FE) and the ideographic blank (A1 A1) to ASCII.
std::string FoldFullWidth(std::string_view text);

// Text-to-integer rule: fold full-width forms, skip leading white space, one optional sign,
// decimal digits up to the first other character; no digits give 0. Saturates at the int32
// range instead of wrapping.
std::int32_t TextToInt(std::string_view text);

// Decimal reading: fold full-width forms, skip white space, read the longest decimal number
// (fraction and exponent allowed); nothing readable gives 0. Independent of the C locale.
double TextToDouble(std::string_view text);

// Stored forms.
std::string IntToText(std::int64_t value);
std::string_view BoolToText(bool value);  // "真" or "假"
bool TextToBool(std::string_view stored); // yes exactly for "是" or "真"

// The delivery time text: 2013年1月5日9时3分7秒, dropping trailing zero parts of the time.
std::string DeliveryTimeText(int year, int month, int day, int hour, int minute, int second);

// At most maxBytes bytes of text, never ending inside a double-byte character.
std::string CutToLength(std::string_view text, std::size_t maxBytes);

// The bytes up to the first zero byte: how a fetched body is taken as text.
std::string UpToNul(std::string_view bytes);

// Blanks (space, tab) trimmed at both ends.
std::string_view TrimBlanks(std::string_view text);

// True when nothing is left once half-width and full-width (A1 A1) spaces are removed.
bool IsOnlySpaces(std::string_view text);

// ASCII letters lowered; other bytes unchanged (a GBK trail byte is never touched).
std::string ToLowerAscii(std::string_view text);

} // namespace quorvel::text
