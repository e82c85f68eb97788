// The invariant check the crash harness and these tests rely on reports each kind of broken
// promise: without this, a harness that finds nothing proves nothing.
#include "ReliabilitySupport.h"

#include <fstream>
#include <functional>

namespace quorvel::reliability {
namespace {

using crashtest::CheckInvariants;

struct Scene {
    DataDir dir;
    data::Tables tables{dir.path()};
    crashtest::Ledger ledger;
    std::vector<crashtest::Consignment> consignments;
    std::vector<crashtest::SentMessage> messages;

    void known(const std::string& number, const std::string& item = "A") {
        ledger.cards[number] = {item, number, "P" + number};
    }
    void inStock(const std::string& number, const std::string& item = "A") {
        ASSERT_TRUE(tables.AddStockCard({item, number, "P" + number, 0, 0}));
    }
    void order(const std::string& number, int quantity, const std::string& buyer = "b1",
               const std::string& item = "A") {
        ledger.orders[number] = {number, "9" + number, item, buyer, quantity, true};
    }
    void recorded(const std::string& order, const std::string& card,
                  const std::string& buyer = "b1", const std::string& item = "A") {
        const int quantity = ledger.orders.count(order) ? ledger.orders[order].quantity : 1;
        ASSERT_TRUE(tables.AppendDeliveredRecord(
            {item, order, buyer, std::to_string(quantity), card, "P" + card, "", "t"}));
    }
    // A message as the pass sends it, listing these keys.
    void sent(const std::string& buyer, const std::vector<std::string>& numbers,
              const std::string& item = "A") {
        std::vector<data::StockCard> cards;
        for (const auto& n : numbers)
            cards.push_back({item, n, "P" + n, 0, 0});
        messages.push_back({buyer, delivery::DeliveryMessage(delivery::DeliveryText(item, cards))});
    }
    std::vector<std::string> violations() {
        return CheckInvariants(dir.path(), ledger, consignments, messages).violations;
    }
};

TEST(InvariantCheck, AConsistentStateHasNoViolation) {
    Scene s;
    s.known("K1");
    s.known("K2");
    s.known("K3");
    s.inStock("K3");
    s.order("O1", 2);
    s.recorded("O1", "K1");
    s.recorded("O1", "K2");
    s.consignments.push_back({"O1", true});
    s.sent("b1", {"K1", "K2"});
    const auto r = CheckInvariants(s.dir.path(), s.ledger, s.consignments, s.messages);
    EXPECT_TRUE(r.violations.empty()) << Violations(r);
    EXPECT_EQ(r.cardsInStock, 1u);
    EXPECT_EQ(r.cardsDelivered, 2u);
    EXPECT_EQ(r.ordersShipped, 1u);
}

struct BrokenCase {
    const char* name;
    std::function<void(Scene&)> build;
    const char* reported; // a piece of the violation text
};

const BrokenCase kBroken[] = {
    {"KeyLost", [](Scene& s) { s.known("K1"); }, "0 in stock, 0 delivered"},
    {"KeyBothInStockAndDelivered",
     [](Scene& s) {
         s.known("K1");
         s.inStock("K1");
         s.order("O1", 1);
         s.recorded("O1", "K1");
     },
     "1 in stock, 1 delivered"},
    {"KeyThatNeverEntered", [](Scene& s) { s.inStock("X9"); }, "never entered"},
    {"PartialOrder",
     [](Scene& s) {
         s.known("K1");
         s.known("K2");
         s.inStock("K2");
         s.order("O1", 2);
         s.recorded("O1", "K1");
     },
     "(partial)"},
    {"OrderAllottedTwice",
     [](Scene& s) {
         s.known("K1");
         s.known("K2");
         s.order("O1", 1);
         s.recorded("O1", "K1");
         s.recorded("O1", "K2");
     },
     "allotted twice"},
    {"KeyRecordedForAnotherBuyer",
     [](Scene& s) {
         s.known("K1");
         s.order("O1", 1, "b1");
         s.recorded("O1", "K1", "b2");
     },
     "instead of b1"},
    {"KeyOfAnotherItem",
     [](Scene& s) {
         s.known("K1", "B");
         s.order("O1", 1, "b1", "A");
         s.recorded("O1", "K1", "b1", "A");
     },
     "went to order"},
    {"ShippedWithoutRecords",
     [](Scene& s) {
         s.order("O1", 1);
         s.consignments.push_back({"O1", true});
     },
     "shipped with 0 of 1"},
    {"ShippedTwice",
     [](Scene& s) {
         s.known("K1");
         s.order("O1", 1);
         s.recorded("O1", "K1");
         s.sent("b1", {"K1"});
         s.consignments.push_back({"O1", true});
         s.consignments.push_back({"O1", false});
     },
     "consigned twice"},
    {"ShippedWithoutMessage",
     [](Scene& s) {
         s.known("K1");
         s.order("O1", 1);
         s.recorded("O1", "K1");
         s.consignments.push_back({"O1", true});
     },
     "never reached the buyer"},
    {"MessageToAnotherBuyer",
     [](Scene& s) {
         s.known("K1");
         s.order("O1", 1, "b1");
         s.recorded("O1", "K1", "b1");
         s.sent("b2", {"K1"});
     },
     "was sent to b2"},
    {"KeyInTwoMessages",
     [](Scene& s) {
         s.known("K1");
         s.order("O1", 1);
         s.recorded("O1", "K1");
         s.sent("b1", {"K1"});
         s.sent("b1", {"K1"});
     },
     "two messages"},
    {"KeySentWithoutRecord",
     [](Scene& s) {
         s.known("K1");
         s.inStock("K1");
         s.sent("b1", {"K1"});
     },
     "without a delivered record"},
    {"UnwatchedOrderGotKeys",
     [](Scene& s) {
         s.known("K1");
         s.order("O1", 1);
         s.ledger.orders["O1"].deliverable = false;
         s.recorded("O1", "K1");
     },
     "must get no keys"},
    {"TableFileBroken",
     [](Scene& s) {
         std::ofstream(s.dir.file(data::TableId::Settings), std::ios::trunc) << "garbage";
     },
     "no longer opens"},
};

class InvariantCheckBroken : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(InvariantCheckBroken, IsReported) {
    Scene s;
    GetParam().build(s);
    const auto violations = s.violations();
    bool found = false;
    std::string all;
    for (const auto& v : violations) {
        found = found || v.find(GetParam().reported) != std::string::npos;
        all += "\n  " + v;
    }
    EXPECT_TRUE(found) << "expected a violation with \"" << GetParam().reported
                       << "\", got:" << all;
}

INSTANTIATE_TEST_SUITE_P(Cases, InvariantCheckBroken, ::testing::ValuesIn(kBroken),
                         [](const ::testing::TestParamInfo<BrokenCase>& c) {
                             return std::string(c.param.name);
                         });

} // namespace
} // namespace quorvel::reliability
