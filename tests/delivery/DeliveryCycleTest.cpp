#include "delivery/DeliveryCycle.h"

#include "delivery/DeliveryTestSupport.h"
#include "text/Texts.h"

#include <gtest/gtest.h>

namespace quorvel::delivery {
namespace {

OrderEntry order(std::string number, std::string title, std::int32_t quantity,
                 std::string nick = "buyer") {
    OrderEntry o;
    o.orderNumber = std::move(number);
    o.itemTitle = std::move(title);
    o.quantity = quantity;
    o.buyerNick = std::move(nick);
    o.orderId = "id-" + o.orderNumber;
    return o;
}

struct Pass : ::testing::Test {
    testing::TempTables t;
    testing::RecordingNotifier notifier;
    std::vector<OrderEntry> page;
    std::vector<std::string> shipped;

    PassReport run() {
        DeliveryPorts ports;
        ports.readOrders = [this] { return page; };
        ports.tables = &t.tables();
        ports.notifier = &notifier;
        ports.confirmShipment = [this](const OrderEntry& o) {
            shipped.push_back(o.orderNumber);
            return true;
        };
        ports.clock = [] { return LocalTime{2013, 1, 5, 0, 0, 0}; };
        return RunDeliveryPass(ports);
    }
    std::vector<OrderOutcome> outcomes(const PassReport& r) {
        std::vector<OrderOutcome> out;
        for (const auto& o : r.orders)
            out.push_back(o.outcome);
        return out;
    }
};

TEST_F(Pass, DeliversDueOrdersAndSkipsTheRestInOrder) {
    t.watch("month");
    for (const char* n : {"A1", "A2", "A3"})
        t.stock("month", n, std::string("P") + n);
    ASSERT_TRUE(t.tables().AppendDeliveredRecord({"month", "old", "b", "1", "X", "Y", "", ""}));
    OrderEntry notWaiting = order("s", "month", 1);
    notWaiting.status = 3;
    page = {notWaiting,
            order("old", "month", 1),
            order("c", "Month", 1),
            order("sp", "month ", 1),
            order("z", "month", 0),
            order("d1", "month", 2, "bob"),
            order("d2", "month", 1, "amy")};

    const PassReport r = run();
    using O = OrderOutcome;
    EXPECT_EQ(outcomes(r),
              (std::vector<O>{O::NotWaiting, O::AlreadyDelivered, O::NotWatched, O::NotWatched,
                              O::BadQuantity, O::Delivered, O::Delivered}));
    EXPECT_EQ(r.delivered, 2);
    EXPECT_TRUE(r.tablesChanged);
    EXPECT_EQ(notifier.nickFetches, 2); // once per due order
    ASSERT_EQ(notifier.messages.size(), 2u);
    EXPECT_EQ(notifier.messages[0].seller, "seller");
    EXPECT_EQ(notifier.messages[0].buyer, "bob");
    const std::string head = "\xC4\xFA\xB9\xBA\xC2\xF2\xB5\xC4 month \xBF\xA8\xBA\xC5\xD0\xC5"
                             "\xCF\xA2\xC8\xE7\xCF\xC2\r\n\r\n";
    const std::string key = "\xBF\xA8\xBA\xC5\xA3\xBA";
    const std::string pass = " \xBF\xA8\xC3\xDC\xA3\xBA";
    EXPECT_EQ(notifier.messages[0].text, head + key + "A1" + pass + "PA1\r\n" + key + "A2" + pass +
                                             "PA2\r\n" + std::string(text::kDeliveryClosing.gbk));
    EXPECT_EQ(shipped, (std::vector<std::string>{"d1", "d2"}));
    EXPECT_TRUE(t.stockNumbers("month").empty());
    EXPECT_EQ(t.tables().ReadDeliveredRecordsOf("d1").size(), 2u);
}

TEST_F(Pass, ShortStockTakesSendsAndShipsNothingUntilRestocked) {
    t.watch("month");
    t.stock("month", "A1", "P1");
    page = {order("o", "month", 2)};
    PassReport r = run();
    EXPECT_EQ(outcomes(r), (std::vector<OrderOutcome>{OrderOutcome::NotAllotted}));
    EXPECT_FALSE(r.tablesChanged);
    EXPECT_TRUE(notifier.messages.empty());
    EXPECT_TRUE(shipped.empty());
    EXPECT_EQ(t.stockNumbers("month"), (std::vector<std::string>{"A1"}));

    t.stock("month", "A2", "P2");
    r = run();
    EXPECT_EQ(outcomes(r), (std::vector<OrderOutcome>{OrderOutcome::Delivered}));
    EXPECT_EQ(shipped, (std::vector<std::string>{"o"}));
}

TEST_F(Pass, EmptySellerNickTakesNoKey) {
    t.watch("month");
    t.stock("month", "A1", "P1");
    notifier.sellerNick.clear();
    page = {order("o", "month", 1)};
    EXPECT_EQ(outcomes(run()), (std::vector<OrderOutcome>{OrderOutcome::NoSellerNick}));
    EXPECT_EQ(t.stockNumbers("month"), (std::vector<std::string>{"A1"}));
    EXPECT_TRUE(notifier.messages.empty());
    EXPECT_TRUE(shipped.empty());
}

TEST_F(Pass, FailedMessageIsNotShippedAndNotResent) {
    t.watch("month");
    t.stock("month", "A1", "P1");
    notifier.handOver = false;
    page = {order("o", "month", 1)};
    PassReport r = run();
    EXPECT_EQ(outcomes(r), (std::vector<OrderOutcome>{OrderOutcome::MessageFailed}));
    EXPECT_TRUE(r.tablesChanged); // the keys moved: the grid must show them
    EXPECT_TRUE(shipped.empty());
    EXPECT_EQ(t.tables().ReadDeliveredRecordsOf("o").size(), 1u);

    notifier.handOver = true;
    r = run();
    EXPECT_EQ(outcomes(r), (std::vector<OrderOutcome>{OrderOutcome::AlreadyDelivered}));
    EXPECT_EQ(notifier.messages.size(), 1u);
    EXPECT_TRUE(shipped.empty());
}

TEST_F(Pass, UnreadableDeliveredTableDeliversNothing) {
    t.watch("month");
    t.stock("month", "A1", "P1");
    std::filesystem::remove(data::TableFile(t.dir(), data::TableId::Delivered));
    page = {order("o", "month", 1), order("p", "month", 1)};
    const PassReport r = run();
    EXPECT_EQ(outcomes(r), (std::vector<OrderOutcome>{OrderOutcome::DeliveredTableUnavailable}));
    EXPECT_EQ(notifier.nickFetches, 0);
    EXPECT_TRUE(shipped.empty());
    EXPECT_EQ(t.stockNumbers("month"), (std::vector<std::string>{"A1"}));
}

TEST_F(Pass, UnreadableWatchListDeliversNothing) {
    t.stock("month", "A1", "P1");
    std::filesystem::remove(data::TableFile(t.dir(), data::TableId::Watched));
    page = {order("o", "month", 1)};
    EXPECT_EQ(outcomes(run()), (std::vector<OrderOutcome>{OrderOutcome::NotWatched}));
    EXPECT_EQ(t.stockNumbers("month"), (std::vector<std::string>{"A1"}));
}

TEST_F(Pass, EmptyListChangesNothing) {
    const PassReport r = run();
    EXPECT_TRUE(r.orders.empty());
    EXPECT_FALSE(r.tablesChanged);
    EXPECT_EQ(notifier.nickFetches, 0);
}

} // namespace
} // namespace quorvel::delivery
