// A changed to-ship page must never pair one order with another order's buyer: the reader pairs
// the pattern lists by position, so an order that lacks a field which turns up further down
// would shift every later pairing by one.
#include "delivery/OrderListReader.h"
#include "delivery/OrderPageFixture.h"

#include <gtest/gtest.h>

namespace quorvel::delivery {
namespace {

using testing::OrderMarkup;
using testing::Page;
using testing::PageOrder;

PageReading read(const std::string& body) {
    return testing::ReadPageText(Page(body));
}

const std::string kFooterNick =
    "<span class=\"ww ww:token\" ww:params=\"nick=mallory&amp;display=inline\"></span>\r\n";
const std::string kFooterOrderId = "<a href=\"/help?order_id=1&x\">help</a>\r\n";

struct ShiftedPage {
    const char* name;
    std::string body;
};

// Each page has as many matches in every list as titles, but one of them belongs elsewhere.
const ShiftedPage kShifted[] = {
    {"NickMissingExtraNickBelow", OrderMarkup({.nick = "alice", .number = "1", .withNick = false}) +
                                      OrderMarkup({.nick = "bob", .number = "2"}) + kFooterNick},
    {"NickMissingInTheMiddle", OrderMarkup({.nick = "alice", .number = "1"}) +
                                   OrderMarkup({.nick = "bob", .number = "2", .withNick = false}) +
                                   OrderMarkup({.nick = "carol", .number = "3"}) + kFooterNick},
    {"OrderIdLinkMissingExtraLinkBelow",
     [] {
         std::string first = OrderMarkup({.number = "1", .id = "901"});
         first.replace(first.find("order_id="), 9, "orderid=");
         return first + OrderMarkup({.number = "2", .id = "902"}) + kFooterOrderId;
     }()},
};

class ShiftedPages : public ::testing::TestWithParam<ShiftedPage> {};

TEST_P(ShiftedPages, YieldNoOrders) {
    const PageReading r = read(GetParam().body);
    EXPECT_TRUE(r.shortLists.empty());
    EXPECT_TRUE(r.outOfOrder);
    EXPECT_TRUE(r.orders.empty());
}

std::string ShiftedName(const ::testing::TestParamInfo<ShiftedPage>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Pages, ShiftedPages, ::testing::ValuesIn(kShifted), ShiftedName);

// The check asks only that orders follow one another: fields in another order inside an order's
// block, and extra matches after the last order, still read.
TEST(Pairing, FieldOrderInsideAnOrderDoesNotMatter) {
    std::string body;
    for (const char* n : {"1", "2", "3"}) {
        std::string block = OrderMarkup({.nick = std::string("nick") + n, .number = n});
        // Move the nick span behind the consignment link.
        const auto at = block.find("<span class=\"ww");
        const auto end = block.find("\r\n", at) + 2;
        const std::string nick = block.substr(at, end - at);
        block.erase(at, end - at);
        block.insert(block.rfind("</div>"), nick);
        body += block;
    }
    const PageReading r = read(body + kFooterNick);
    EXPECT_FALSE(r.outOfOrder);
    ASSERT_EQ(r.orders.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(r.orders[i].orderNumber, std::to_string(i + 1));
        EXPECT_EQ(r.orders[i].buyerNick, "nick" + std::to_string(i + 1));
    }
}

} // namespace
} // namespace quorvel::delivery
