#include "delivery/ShipmentConfirmation.h"

#include "delivery/OrderListReader.h"
#include "delivery/OrderPageFixture.h"
#include "text/Texts.h"

#include <gtest/gtest.h>

namespace quorvel::delivery {
namespace {

// Records each request and answers with a given result.
struct RecordingFetch {
    std::vector<web::HttpFetchRequest> requests;
    web::HttpFetchResult answer;
    Fetch fetch() {
        return [this](const web::HttpFetchRequest& r) {
            requests.push_back(r);
            return answer;
        };
    }
};

TEST(ShipmentConfirmation, PostsTheConstantBodyToTheOrdersAddressUnencoded) {
    RecordingFetch f;
    f.answer.responseHeaders = "HTTP/1.1 200 OK\r\n\r\n";
    OrderEntry a;
    a.orderNumber = "12 34&x=%";
    a.orderId = "a#b?c";
    OrderEntry b;
    b.orderNumber = "555";
    EXPECT_TRUE(ShipmentConfirmation(a, f.fetch()));
    EXPECT_TRUE(ShipmentConfirmation(b, f.fetch()));
    ASSERT_EQ(f.requests.size(), 2u);
    EXPECT_EQ(f.requests[0].url,
              "http://wuliu.taobao.com/user/consign_dummy.htm?trade_id=12 34&x=%&order_id=a#b?c");
    EXPECT_EQ(f.requests[1].url,
              "http://wuliu.taobao.com/user/consign_dummy.htm?trade_id=555&order_id=");
    for (const auto& r : f.requests) {
        EXPECT_EQ(r.method, "POST");
        EXPECT_EQ(r.postData, text::kConsignBody.gbk);
        EXPECT_EQ(r.postData.size(), 215u);
        EXPECT_TRUE(r.cookieText.empty());
        EXPECT_FALSE(r.useCookieStore);
    }
}

TEST(ShipmentConfirmation, NoAnswerIsReported) {
    RecordingFetch f;
    EXPECT_FALSE(ShipmentConfirmation(OrderEntry{}, f.fetch()));
}

TEST(OrderListReader, FetchesTheListAndKeepsThePageUntilTheNextRead) {
    const CompiledPatterns patterns;
    RecordingFetch f;
    f.answer.body = testing::Page(testing::OrderMarkup(testing::PageOrder{.title = "a&MDASH;b"}));
    OrderListReader reader(patterns, f.fetch());
    std::vector<OrderEntry> orders(3); // emptied first
    reader.Read(orders);
    ASSERT_EQ(f.requests.size(), 1u);
    EXPECT_EQ(f.requests[0].url, "http://wuliu.taobao.com/user/order_list_new.htm");
    EXPECT_EQ(f.requests[0].method, "GET");
    EXPECT_TRUE(f.requests[0].cookieText.empty());
    ASSERT_EQ(orders.size(), 1u);
    EXPECT_EQ(orders[0].itemTitle, "a\xA1\xAA"
                                   "b");
    EXPECT_NE(reader.PageText().find("a\xA1\xAA"
                                     "b"),
              std::string::npos);

    f.answer.body.clear(); // a failed request
    reader.Read(orders);
    EXPECT_TRUE(orders.empty());
    EXPECT_TRUE(reader.PageText().empty());
}

} // namespace
} // namespace quorvel::delivery
