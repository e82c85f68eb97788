#include "text/Texts.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

namespace {

// glibc's converter is independent of the generator that wrote the header.
std::string Utf8ToGbk(std::string_view utf8) {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string in(utf8);
    std::string out(in.size() * 2 + 4, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t inLeft = in.size();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    EXPECT_NE(rc, static_cast<std::size_t>(-1)) << utf8;
    out.resize(out.size() - outLeft);
    return out;
}

TEST(FixedTexts, EveryGbkTextIsTheConversionOfItsReadableForm) {
    for (const auto& text : quorvel::text::kAllFixedTexts) {
        EXPECT_EQ(std::string(text.gbk), Utf8ToGbk(text.utf8)) << text.utf8;
    }
}

TEST(FixedTexts, PatternFramesAreByteExact) {
    using namespace quorvel::text;
    EXPECT_EQ(kUnitPricePattern.gbk.size(), 87u);
    EXPECT_EQ(kQuantityPattern.gbk.size(), 87u);
    EXPECT_EQ(kConsignBody.gbk.size(), 215u);
    EXPECT_EQ(kConsignMemo.gbk.size(), 42u);
    EXPECT_EQ(kEmDash.gbk, "\xA1\xAA");
    EXPECT_NE(kUnitPricePattern.gbk.find("\xA1\xC1 "), std::string_view::npos);
    EXPECT_NE(kOrderNumberPattern.gbk.find("\xA3\xBA"), std::string_view::npos);
}

} // namespace
