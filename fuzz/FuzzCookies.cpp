// The cookie collection of a response header block: arbitrary blocks give no crash and a text
// without line ends; a block built from known cookies gives exactly the pairs that set a value.
#include "FuzzCheck.h"

#include "text/Gbk.h"
#include "web/HttpFetch.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

namespace {

using namespace quorvel;

// A name or value that cannot end its header line or its pair early.
std::string Token(FuzzedDataProvider& in, std::size_t maxLength) {
    std::string out;
    for (const char c : in.ConsumeRandomLengthString(maxLength)) {
        if (c != ';' && c != '=' && c != '\r' && c != '\n' && c != ' ' && c != '\t' && c != '\0' &&
            static_cast<unsigned char>(c) < 0x80) {
            out.push_back(c);
        }
    }
    return out;
}

void CheckBuiltBlock(FuzzedDataProvider& in) {
    std::string block = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n";
    std::string expected;
    const int count = in.ConsumeIntegralInRange<int>(0, 6);
    for (int i = 0; i < count; ++i) {
        std::string name = Token(in, 12);
        if (name.empty() || name.find("Set-Cookie") != std::string::npos) {
            name = "c" + std::to_string(i);
        }
        const std::string value = Token(in, 24);
        const bool attributes = in.ConsumeBool();
        block += "Set-Cookie: " + name + "=" + value + (attributes ? "; path=/; HttpOnly" : ";") +
                 "\r\n";
        if (!value.empty()) {
            expected += (expected.empty() ? "" : "; ") + name + "=" + value;
        }
    }
    // A line without any semicolon contributes nothing.
    if (in.ConsumeBool()) {
        block += "Set-Cookie: bare=1\r\n";
    }
    block += "\r\n";
    FUZZ_CHECK(web::CollectResponseCookies(block) == expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string any = in.ConsumeRandomLengthString(8192);
    const std::string cookies = web::CollectResponseCookies(any);
    // Header lines are cut at line ends that start a character: a lead byte right before CR LF
    // joins the next line to its own, as every GBK-aware search does.
    FUZZ_CHECK(text::Find(cookies, "\r\n") == text::npos);
    FUZZ_CHECK(cookies.size() <= any.size() + 2 * any.size() / 3);
    if (any.find("Set-Cookie:") == std::string::npos) {
        FUZZ_CHECK(cookies.empty());
    }
    CheckBuiltBlock(in);
    return 0;
}
