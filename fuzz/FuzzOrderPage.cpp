// The order page reader on arbitrary pages and on well-formed pages with arbitrary field
// values. Arbitrary bytes: no crash, no hang, and every order is the i-th match of every list
// (or no orders at all when a list is short). Well-formed pages: exactly the orders written,
// in page order, so no buyer can be paired with another buyer's order.
//
// The first input byte chooses the mode.
// QUORVEL_FUZZ_WRITE_SEEDS=<dir> writes seed pages and exits.
#include "FuzzCheck.h"

#include "delivery/OrderListReader.h"
#include "delivery/OrderPageFixture.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace quorvel;
using delivery::PatternId;

const delivery::CompiledPatterns& Patterns() {
    static const delivery::CompiledPatterns patterns;
    return patterns;
}

const std::vector<std::string>& List(const delivery::PageReading& r, PatternId id) {
    return r.matches[static_cast<std::size_t>(id)];
}

void CheckAnyPage(std::string_view body) {
    const std::string page = delivery::CleanOrderPage(body);
    FUZZ_CHECK(page.find('\0') == std::string::npos);
    const delivery::PageReading r = delivery::ReadOrderPage(Patterns(), page);
    const std::size_t titles = List(r, PatternId::Title).size();
    if (!r.shortLists.empty() || r.outOfOrder) {
        FUZZ_CHECK(r.orders.empty());
        return;
    }
    FUZZ_CHECK(r.orders.size() == titles);
    for (std::size_t i = 0; i < r.orders.size(); ++i) {
        const delivery::OrderEntry& o = r.orders[i];
        FUZZ_CHECK(o.status == 2);
        FUZZ_CHECK(o.itemTitle == List(r, PatternId::Title)[i]);
        FUZZ_CHECK(o.buyerNick == List(r, PatternId::BuyerNick)[i]);
        FUZZ_CHECK(o.orderNumber == List(r, PatternId::OrderNumber)[i]);
        FUZZ_CHECK(o.orderId == List(r, PatternId::OrderId)[i]);
        FUZZ_CHECK(o.quantity == delivery::QuantityFromText(List(r, PatternId::Quantity)[i]));
        FUZZ_CHECK(page.find(o.itemTitle) != std::string::npos);
    }
}

// A field value that cannot end the markup around it early: no quote, ampersand, angle bracket,
// equals sign, line break or multiplication sign byte.
std::string FieldValue(FuzzedDataProvider& in, std::size_t maxLength) {
    std::string raw = in.ConsumeRandomLengthString(maxLength);
    std::string out;
    for (const char c : raw) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '&' || c == '<' || c == '>' || c == '=' || c == '\r' || c == '\n' ||
            b == 0xA1 || b == 0xC1 || b == 0) {
            continue;
        }
        out.push_back(c);
    }
    // A lead byte at the very end would pair with the closing quote for GBK-aware code.
    while (!out.empty() && static_cast<unsigned char>(out.back()) >= 0x81) {
        out.pop_back();
    }
    return out.empty() ? "x" : out;
}

void CheckBuiltPage(FuzzedDataProvider& in) {
    std::vector<testing::PageOrder> written;
    const std::size_t count = in.ConsumeIntegralInRange<std::size_t>(0, 8);
    std::string body;
    for (std::size_t i = 0; i < count; ++i) {
        testing::PageOrder o;
        o.title = FieldValue(in, 40);
        o.nick = FieldValue(in, 20);
        o.number = std::to_string(in.ConsumeIntegral<std::uint32_t>());
        o.id = std::to_string(in.ConsumeIntegral<std::uint32_t>());
        o.quantity = std::to_string(in.ConsumeIntegralInRange<int>(0, 999));
        o.price = std::to_string(in.ConsumeIntegralInRange<int>(0, 99999)) + ".5";
        body += testing::OrderMarkup(o);
        written.push_back(o);
    }
    const std::string page = delivery::CleanOrderPage(testing::Page(body));
    const delivery::PageReading r = delivery::ReadOrderPage(Patterns(), page);
    FUZZ_CHECK(r.shortLists.empty());
    FUZZ_CHECK(!r.outOfOrder); // a page whose orders follow one another is never refused
    FUZZ_CHECK(r.orders.size() == written.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
        FUZZ_CHECK(r.orders[i].itemTitle == written[i].title);
        FUZZ_CHECK(r.orders[i].buyerNick == written[i].nick);
        FUZZ_CHECK(r.orders[i].orderNumber == written[i].number);
        FUZZ_CHECK(r.orders[i].orderId == written[i].id);
        FUZZ_CHECK(r.orders[i].quantity == std::stoi(written[i].quantity));
    }
}

void WriteSeeds(const std::filesystem::path& out) {
    std::filesystem::create_directories(out);
    std::string body;
    const char* titles[] = {"\xD4\xC2\xBF\xA8 30\xCC\xEC", "Game &mdash; card", "Week card"};
    for (int i = 0; i < 3; ++i) {
        testing::PageOrder o;
        o.title = titles[i];
        o.nick = "buyer" + std::to_string(i);
        o.number = std::to_string(1001 + i);
        o.id = std::to_string(9001 + i);
        o.quantity = std::to_string(i + 1);
        body += testing::OrderMarkup(o);
    }
    std::ofstream(out / "three-orders", std::ios::binary) << '\0' << testing::Page(body);
    std::ofstream(out / "login-page", std::ios::binary)
        << '\0'
        << "<html><form action=\"/member/login.jhtml\"><input name=\"TPL_username\"></form>";
    std::ofstream(out / "built", std::ios::binary) << '\x01' << std::string(64, '\x07');
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (const char* out = std::getenv("QUORVEL_FUZZ_WRITE_SEEDS")) {
        WriteSeeds(out);
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    if (data[0] % 2 == 0) {
        CheckAnyPage(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    } else {
        FuzzedDataProvider in(data + 1, size - 1);
        CheckBuiltPage(in);
    }
    return 0;
}
