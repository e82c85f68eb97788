#include "delivery/CardKeyAllotment.h"

#include "delivery/DeliveryTestSupport.h"

#include <gtest/gtest.h>

namespace quorvel::delivery {
namespace {

const LocalTime kNoon{2013, 1, 5, 9, 3, 7};

struct Allotment : ::testing::Test {
    testing::TempTables t;
    CardKeyAllotment allotment{t.tables(), [] { return kNoon; }};
};

TEST_F(Allotment, TakesTheFirstKeysInFileOrderAndRecordsEach) {
    t.stock("month", "A1", "P1");
    t.stock("other", "O1", "Q1");
    t.stock("month", "A2", "0");
    t.stock("month", "A3", "P3");
    t.stock("other", "O2", "Q2");
    t.stock("month", "A4", "P4");
    t.stock("month", "A5", "P5");

    const auto text = allotment.ComposeDelivery("1001", "month", "bob", 3);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "\xC4\xFA\xB9\xBA\xC2\xF2\xB5\xC4 month \xBF\xA8\xBA\xC5\xD0\xC5\xCF\xA2"
                     "\xC8\xE7\xCF\xC2\r\n\r\n"
                     "\xBF\xA8\xBA\xC5\xA3\xBA"
                     "A1 \xBF\xA8\xC3\xDC\xA3\xBA"
                     "P1\r\n"
                     "\xBF\xA8\xBA\xC5\xA3\xBA"
                     "A2 \xBF\xA8\xC3\xDC\xA3\xBA"
                     "0\r\n"
                     "\xBF\xA8\xBA\xC5\xA3\xBA"
                     "A3 \xBF\xA8\xC3\xDC\xA3\xBA"
                     "P3\r\n");
    EXPECT_EQ(t.stockNumbers("month"), (std::vector<std::string>{"A4", "A5"}));
    EXPECT_EQ(t.stockNumbers("other"), (std::vector<std::string>{"O1", "O2"}));

    const auto records = t.tables().ReadDeliveredRecordsOf("1001");
    ASSERT_EQ(records.size(), 3u);
    const std::string when = "2013\xC4\xEA"
                             "1\xD4\xC2"
                             "5\xC8\xD5"
                             "9\xCA\xB1"
                             "3\xB7\xD6"
                             "7\xC3\xEB";
    EXPECT_EQ(records[1],
              (data::DeliveredRecord{"month", "1001", "bob", "3", "A2", "0", "", when}));
    for (const auto& r : records)
        EXPECT_EQ(r.quantity, "3");
}

TEST_F(Allotment, ShortStockOrNoQuantityTakesNothing) {
    t.stock("month", "A1", "P1");
    for (std::int32_t quantity : {3, 2, 0, -1}) {
        EXPECT_FALSE(allotment.ComposeDelivery("1", "month", "bob", quantity)) << quantity;
    }
    EXPECT_FALSE(allotment.ComposeDelivery("1", "Month", "bob", 1));  // case differs
    EXPECT_FALSE(allotment.ComposeDelivery("1", "month ", "bob", 1)); // a blank more
    EXPECT_EQ(t.stockNumbers("month"), (std::vector<std::string>{"A1"}));
    EXPECT_TRUE(t.tables().ReadDeliveredRecordsOf("1").empty());
}

TEST_F(Allotment, UnwritableDeliveredTableKeepsTheKeysInStock) {
    t.stock("month", "A1", "P1");
    std::filesystem::remove(data::TableFile(t.dir(), data::TableId::Delivered));
    EXPECT_FALSE(allotment.ComposeDelivery("1", "month", "bob", 1));
    EXPECT_EQ(t.stockNumbers("month"), (std::vector<std::string>{"A1"}));
}

TEST_F(Allotment, TakeStockCardRecordsTheWholeQuantity) {
    t.stock("month", "A1", "P1");
    const auto card = allotment.TakeStockCard("9", "month", "bob", 4);
    ASSERT_TRUE(card);
    EXPECT_EQ(card->cardNumber, "A1");
    const auto records = t.tables().ReadDeliveredRecordsOf("9");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].quantity, "4");
}

TEST(DeliveryTime, DropsTrailingZeroParts) {
    struct Case {
        LocalTime time;
        std::string want;
    };
    const std::string date = "2013\xC4\xEA"
                             "1\xD4\xC2"
                             "5\xC8\xD5";
    const Case cases[] = {
        {{2013, 1, 5, 9, 3, 7},
         date + "9\xCA\xB1"
                "3\xB7\xD6"
                "7\xC3\xEB"},
        {{2013, 1, 5, 9, 3, 0},
         date + "9\xCA\xB1"
                "3\xB7\xD6"},
        {{2013, 1, 5, 9, 0, 0}, date + "9\xCA\xB1"},
        {{2013, 1, 5, 0, 0, 0}, date},
        {{2013, 1, 5, 0, 5, 0},
         date + "0\xCA\xB1"
                "5\xB7\xD6"},
        {{2013, 1, 5, 0, 0, 1},
         date + "0\xCA\xB1"
                "0\xB7\xD6"
                "1\xC3\xEB"},
        {{2024, 12, 31, 23, 59, 59},
         "2024\xC4\xEA"
         "12\xD4\xC2"
         "31\xC8\xD5"
         "23\xCA\xB1"
         "59\xB7\xD6"
         "59\xC3\xEB"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DeliveryTimeText(c.time), c.want);
}

} // namespace
} // namespace quorvel::delivery
