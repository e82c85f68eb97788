#include "delivery/OrderListReader.h"

#include "delivery/OrderPageFixture.h"
#include "text/Texts.h"

#include <boost/regex.hpp>
#include <gtest/gtest.h>

#include <random>

namespace quorvel::delivery {
namespace {

using testing::OrderMarkup;
using testing::Page;
using testing::PageOrder;

PageReading read(const std::string& body) {
    return testing::ReadPageText(body);
}

TEST(OrderListReader, ThreeOrdersPairInPageOrder) {
    PageOrder a{
        .title = "A", .price = "1.00", .quantity = "2", .nick = "na", .number = "11", .id = "i1"};
    PageOrder b{
        .title = "B", .price = "2.00", .quantity = "1", .nick = "nb", .number = "22", .id = "i2"};
    PageOrder c{
        .title = "C", .price = "3.00", .quantity = "5", .nick = "nc", .number = "33", .id = "i3"};
    const PageReading r = read(Page(OrderMarkup(a) + OrderMarkup(b) + OrderMarkup(c)));
    ASSERT_EQ(r.orders.size(), 3u);
    EXPECT_TRUE(r.shortLists.empty());
    EXPECT_EQ(r.orders[0], (OrderEntry{"11", "A", 2.0f, 2, 2, "na", "i1"}));
    EXPECT_EQ(r.orders[1], (OrderEntry{"22", "B", 2.0f, 1, 2, "nb", "i2"}));
    EXPECT_EQ(r.orders[2], (OrderEntry{"33", "C", 15.0f, 5, 2, "nc", "i3"}));
    // The status texts are read though no field uses them.
    EXPECT_EQ(r.matches[static_cast<std::size_t>(PatternId::TradeStatus)].size(), 3u);
}

TEST(OrderListReader, EmDashEntityInAnyCaseOtherEntitiesStay) {
    PageOrder o{.title = "x&mdash;y&MDASH;z&Mdash;w&amp;v&mdash"};
    const PageReading r = read(Page(OrderMarkup(o)));
    ASSERT_EQ(r.orders.size(), 1u);
    EXPECT_EQ(r.orders[0].itemTitle, "x\xA1\xAAy\xA1\xAAz\xA1\xAAw&amp;v&mdash");
}

TEST(OrderListReader, BodyIsReadUpToTheFirstZeroByte) {
    std::string body = Page(OrderMarkup(PageOrder{.number = "1"}));
    body += std::string(1, '\0') + OrderMarkup(PageOrder{.number = "2"});
    const PageReading r = read(body);
    ASSERT_EQ(r.orders.size(), 1u);
    EXPECT_EQ(r.orders[0].orderNumber, "1");
}

TEST(OrderListReader, NumberConversions) {
    struct Case {
        std::string price, quantity;
        std::int32_t wantQuantity;
        float wantAmount;
    };
    const Case cases[] = {
        {"12.5", "3", 3, 37.5f},
        {"0.1", "3", 3, static_cast<float>(static_cast<double>(0.1f) * 3.0)},
        {"\xA3\xB1\xA3\xB0", "\xA3\xB2", 2, 20.0f}, // full-width digits
        {"abc", "x", 0, 0.0f},
        {"5", " 4pcs", 4, 20.0f},
    };
    for (const Case& c : cases) {
        const PageReading r =
            read(Page(OrderMarkup(PageOrder{.price = c.price, .quantity = c.quantity})));
        ASSERT_EQ(r.orders.size(), 1u) << c.price;
        EXPECT_EQ(r.orders[0].quantity, c.wantQuantity) << c.quantity;
        EXPECT_EQ(r.orders[0].amount, c.wantAmount) << c.price;
    }
    // The double product rounded once, not a float product.
    EXPECT_EQ(AmountFromTexts("0.1", 3), static_cast<float>(static_cast<double>(0.1f) * 3.0));
}

TEST(OrderListReader, TotalBlockIndentedDifferentlyMatchesNeitherPriceNorQuantity) {
    const std::string tabsFirst = "\r\n\t\t\t\t                    \t";
    const std::string closeNoTab = "\r\n                \t\t\t    </li>";
    for (const PageOrder& o :
         {PageOrder{.frameOpen = tabsFirst}, PageOrder{.frameClose = closeNoTab},
          PageOrder{.frameOpen = "\n                \t\t\t\t    \t"}}) {
        const PageReading r = read(Page(OrderMarkup(o)));
        EXPECT_TRUE(r.matches[static_cast<std::size_t>(PatternId::UnitPrice)].empty());
        EXPECT_TRUE(r.matches[static_cast<std::size_t>(PatternId::Quantity)].empty());
        EXPECT_TRUE(r.orders.empty());
    }
}

TEST(OrderListReader, AShortListYieldsNoOrdersAtAll) {
    // The second order lost its nick span: pairing by position would hand its keys to the
    // third buyer.
    const std::string page = Page(OrderMarkup(PageOrder{.number = "1"}) +
                                  OrderMarkup(PageOrder{.number = "2", .withNick = false}) +
                                  OrderMarkup(PageOrder{.number = "3"}));
    const PageReading r = read(page);
    EXPECT_TRUE(r.orders.empty());
    ASSERT_EQ(r.shortLists.size(), 1u);
    EXPECT_EQ(r.shortLists[0], PatternId::BuyerNick);
}

TEST(OrderListReader, MoreMatchesThanTitlesAreIgnored) {
    const std::string page =
        Page(OrderMarkup(PageOrder{.number = "7"}) + "<a href=\"?order_id=extra&y\">x</a>");
    const PageReading r = read(page);
    ASSERT_EQ(r.orders.size(), 1u);
    EXPECT_EQ(r.orders[0].orderId, "9001");
}

TEST(OrderListReader, PagesWithoutOrderMarkupYieldNothing) {
    for (const std::string& page : {std::string(), std::string("<html>login</html>"),
                                    Page("<a title=\"x\">no order here</a>")}) {
        EXPECT_TRUE(read(page).orders.empty());
    }
}

// The stop once no match can start must not change a single match: compare with a plain
// regex_iterator over pages stitched from the patterns' own pieces.
TEST(OrderListReader, MatchesEqualPlainRegexIterationOnNearMisses) {
    const std::vector<std::string> fragments = {
        "<a style=\"line-height:16px;\" target=\"_blank\" title=\"",
        "\"",
        "<li class=\"total\">",
        testing::kFrameOpen,
        testing::kFrameClose,
        "\xA1\xC1 ",
        "\xA1",
        "<strong class=\"J_TradeStatus status ",
        "\">",
        "</strong>",
        "<span class=\"ww ww:token\" ww:params=\"nick=",
        "&amp;",
        "&",
        "<span class=\"order-number\">\xB6\xA9\xB5\xA5\xB1\xE0\xBA\xC5\xA3\xBA",
        "</span>",
        "order_id=",
        "x",
        "12",
        "\r\n",
        " "};
    const std::array<std::string_view, kPatternCount> sources = {
        text::kTitlePattern.gbk,     text::kUnitPricePattern.gbk,   text::kTradeStatusPattern.gbk,
        text::kBuyerNickPattern.gbk, text::kOrderNumberPattern.gbk, text::kQuantityPattern.gbk,
        text::kOrderIdPattern.gbk};
    std::mt19937 rng(12345);
    std::uniform_int_distribution<std::size_t> pick(0, fragments.size() - 1);
    std::uniform_int_distribution<int> length(0, 60);
    for (int round = 0; round < 400; ++round) {
        std::string page;
        for (int n = length(rng); n > 0; --n)
            page += fragments[pick(rng)];
        for (std::size_t p = 0; p < kPatternCount; ++p) {
            const boost::regex re(sources[p].begin(), sources[p].end(),
                                  boost::regex::perl | boost::regex::mod_s);
            std::vector<std::string> want;
            for (boost::sregex_iterator it(page.begin(), page.end(), re), end; it != end; ++it)
                want.push_back((*it)[1].matched ? it->str(1) : std::string());
            ASSERT_EQ(testing::SharedPatterns().FindAll(static_cast<PatternId>(p), page), want)
                << "pattern " << p << " round " << round;
        }
    }
}

} // namespace
} // namespace quorvel::delivery
