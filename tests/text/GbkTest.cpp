#include "text/Gbk.h"
#include "text/Texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quorvel::text;

namespace {

// "学" is D1 A7; "\xA7\x41" would look like "A" preceded by a trail byte.
const std::string kXueA = "\xD1\x41"; // one double-byte character whose trail byte is 'A'

TEST(GbkFind, NeverMatchesOnATrailByte) {
    EXPECT_EQ(Find(kXueA, "A"), npos);
    EXPECT_EQ(Find(kXueA + "A", "A"), 2u);
    EXPECT_EQ(FindNoCase(kXueA + "xa", "A"), 3u);
    EXPECT_EQ(Find("abc", ""), 0u);
    EXPECT_EQ(Find("abc", "c", 3), npos);
    // A lead byte at the very end stands alone and can still be matched.
    EXPECT_EQ(Find("ab\xD1", "\xD1"), 2u);
}

TEST(GbkFind, NoCaseFoldsOnlyAsciiLetters) {
    EXPECT_EQ(FindNoCase("x&MDASH;y", "&mdash;"), 1u);
    EXPECT_EQ(FindNoCase("\xC1\x61", "\xC1\x41"), npos); // trail bytes compare exactly
    EXPECT_TRUE(ContainsNoCase("ACCEPT: x", "Accept: "));
    EXPECT_FALSE(Contains("ACCEPT: x", "Accept: "));
}

TEST(GbkReplace, EntityReplacedInAnyCaseButNotAcrossCharacters) {
    const std::string em(kEmDash.gbk);
    EXPECT_EQ(ReplaceAllNoCase("a&mdash;b&MDash;c&amp;", "&mdash;", em), "a" + em + "b" + em + "c&amp;");
    // "&" hidden as a trail byte (\x81\x26) must not start a match.
    EXPECT_EQ(ReplaceAllNoCase("\x81&mdash;", "&mdash;", em), "\x81&mdash;");
}

TEST(GbkSplit, FollowsTheSplittingRule) {
    struct Case {
        std::string text;
        std::vector<std::string> pieces;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"a b", {"a", "b"}},
        {"a", {"a"}},
        {"a ", {"a"}},
        {"a  b", {"a", "", "b"}},
        {" a", {"", "a"}},
        {"a b c", {"a", "b", "c"}},
        {"\xA1\x20x y", {"\xA1\x20x", "y"}}, // the blank inside a character is no separator
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Split(c.text, " "), c.pieces) << c.text;
    }
    EXPECT_EQ(Split("A1 P1\r\nA2 P2\r\n", "\r\n"), (std::vector<std::string>{"A1 P1", "A2 P2"}));
    EXPECT_EQ(Split("a\r\n\r\nb", "\r\n"), (std::vector<std::string>{"a", "", "b"}));
}

TEST(GbkNumbers, TextToIntRule) {
    struct Case {
        std::string text;
        std::int32_t value;
    };
    const std::vector<Case> cases = {
        {"12abc", 12},         {"abc", 0},           {"", 0},
        {"\xA3\xB1\xA3\xB2", 12}, // full-width 1 2
        {"-3", -3},            {"  +7", 7},          {"\xA1\xA1" "5", 5}, // ideographic blank
        {"\xA3\xAD" "4", -4},  // full-width minus
        {"- 3", 0},            {"99999999999", 2147483647}, {"-99999999999", -2147483647 - 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextToInt(c.text), c.value) << c.text;
    }
}

TEST(GbkNumbers, TextToDoubleReadsLeadingDecimal) {
    EXPECT_DOUBLE_EQ(TextToDouble("12.5"), 12.5);
    EXPECT_DOUBLE_EQ(TextToDouble(" 1e2x"), 100.0);
    EXPECT_DOUBLE_EQ(TextToDouble("-0.1"), -0.1);
    EXPECT_DOUBLE_EQ(TextToDouble("\xA3\xB1\xA3\xAE\xA3\xB5"), 1.5); // full-width 1.5
    EXPECT_DOUBLE_EQ(TextToDouble("abc"), 0.0);
    EXPECT_DOUBLE_EQ(TextToDouble("inf"), 0.0);
    EXPECT_DOUBLE_EQ(TextToDouble(".5"), 0.5);
}

TEST(GbkStoredForms, BooleansAndIntegers) {
    EXPECT_EQ(BoolToText(true), kTrue.gbk);
    EXPECT_EQ(BoolToText(false), kFalse.gbk);
    EXPECT_TRUE(TextToBool(kYes.gbk));
    EXPECT_TRUE(TextToBool(kTrue.gbk));
    for (std::string_view no : {std::string_view(kFalse.gbk), std::string_view("\xB7\xF1"),
                                std::string_view("1"), std::string_view("")}) {
        EXPECT_FALSE(TextToBool(no)) << no;
    }
    EXPECT_EQ(IntToText(-3), "-3");
    EXPECT_EQ(IntToText(0), "0");
}

TEST(GbkStoredForms, DeliveryTimeDropsZeroTimeParts) {
    struct Case {
        int h, m, s;
        const char* utf8Tail;
        std::string gbkTail;
    };
    const std::string hour(kHour.gbk), minute(kMinute.gbk), second(kSecond.gbk);
    const std::vector<Case> cases = {
        {9, 3, 7, "9时3分7秒", "9" + hour + "3" + minute + "7" + second},
        {9, 3, 0, "9时3分", "9" + hour + "3" + minute},
        {9, 0, 0, "9时", "9" + hour},
        {0, 0, 0, "", ""},
        {0, 5, 0, "0时5分", "0" + hour + "5" + minute},
        {0, 0, 9, "0时0分9秒", "0" + hour + "0" + minute + "9" + second},
    };
    const std::string date = "2013" + std::string(kYear.gbk) + "1" + std::string(kMonth.gbk) + "5" +
                             std::string(kDay.gbk);
    for (const auto& c : cases) {
        EXPECT_EQ(DeliveryTimeText(2013, 1, 5, c.h, c.m, c.s), date + c.gbkTail) << c.utf8Tail;
    }
}

TEST(GbkCut, NeverEndsInsideACharacter) {
    const std::string text = "ab\xD6\xD0\xCE\xC4"; // ab + two characters
    EXPECT_EQ(CutToLength(text, 3), "ab");
    EXPECT_EQ(CutToLength(text, 4), "ab\xD6\xD0");
    EXPECT_EQ(CutToLength(text, 5), "ab\xD6\xD0");
    EXPECT_EQ(CutToLength(text, 100), text);
    EXPECT_EQ(CutToLength(text, 0), "");
}

TEST(GbkMisc, NulTrimSpacesLower) {
    EXPECT_EQ(UpToNul(std::string("ab\0cd", 5)), "ab");
    EXPECT_EQ(TrimBlanks("  a b \t"), "a b");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_TRUE(IsOnlySpaces(""));
    EXPECT_TRUE(IsOnlySpaces(" \xA1\xA1 "));
    EXPECT_FALSE(IsOnlySpaces(" x "));
    EXPECT_FALSE(IsOnlySpaces("\t"));
    EXPECT_EQ(ToLowerAscii("AB\xC1\x41"), "ab\xC1\x41");
}

} // namespace
