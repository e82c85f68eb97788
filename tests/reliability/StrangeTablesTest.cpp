// Table files that another tool has changed: valid SQLite, but with odd definitions, odd values,
// missing or extra parts, or triggers that refuse a write. A pass over them must not crash,
// and must either deliver correctly or take nothing: never a key without its record, never a
// message or a shipment for keys that were not recorded.
#include "ReliabilitySupport.h"

#include <sqlite3.h>

namespace quorvel::reliability {
namespace {

const std::string kItem = "Month card";

struct Strange {
    const char* name;
    data::TableId table;
    const char* sql;
};

const Strange kStrange[] = {
    {"StockNegativeLengths", data::TableId::Stock, "UPDATE definition SET max_length = -5"},
    {"StockZeroLengths", data::TableId::Stock, "UPDATE definition SET max_length = 0"},
    {"StockHugeLengths", data::TableId::Stock, "UPDATE definition SET max_length = 9e18"},
    {"StockTextLengths", data::TableId::Stock, "UPDATE definition SET max_length = 'long'"},
    {"StockFieldUnnamed", data::TableId::Stock,
     "UPDATE definition SET name = x'' WHERE position = 2"},
    {"StockFieldMissing", data::TableId::Stock, "DELETE FROM definition WHERE position = 3"},
    {"StockFieldTwice", data::TableId::Stock,
     "UPDATE definition SET name = (SELECT name FROM definition WHERE position = 1) "
     "WHERE position = 2"},
    {"StockExtraField", data::TableId::Stock, "INSERT INTO definition VALUES(4, x'41', 10)"},
    {"StockExtraColumn", data::TableId::Stock, "ALTER TABLE records ADD COLUMN f9 BLOB"},
    {"StockNoDefinition", data::TableId::Stock, "DROP TABLE definition"},
    {"StockRecordsRenamed", data::TableId::Stock, "ALTER TABLE records RENAME TO kept"},
    {"StockForeignApplication", data::TableId::Stock, "PRAGMA application_id = 7"},
    {"StockFutureFormat", data::TableId::Stock, "PRAGMA user_version = 99"},
    {"StockNumbersAsValues", data::TableId::Stock,
     "UPDATE records SET f2 = 12345, f3 = 2.5 WHERE id = 1"},
    {"StockLongestValue", data::TableId::Stock,
     "UPDATE records SET f3 = zeroblob(1024) WHERE id = 2"},
    {"StockOddDeletedMarks", data::TableId::Stock, "UPDATE records SET deleted = 'x'"},
    {"StockRefusesDeletes", data::TableId::Stock,
     "CREATE TRIGGER refuse BEFORE DELETE ON records BEGIN SELECT RAISE(ABORT, 'no'); END"},
    {"DeliveredRefusesInserts", data::TableId::Delivered,
     "CREATE TRIGGER refuse BEFORE INSERT ON records BEGIN SELECT RAISE(ABORT, 'no'); END"},
    {"DeliveredRefusesTheSecondInsert", data::TableId::Delivered,
     "CREATE TRIGGER refuse BEFORE INSERT ON records WHEN (SELECT count(*) FROM records) >= 1 "
     "BEGIN SELECT RAISE(ABORT, 'no'); END"},
    {"DeliveredFieldMissing", data::TableId::Delivered,
     "DELETE FROM definition WHERE position = 2"},
    {"DeliveredShortLengths", data::TableId::Delivered, "UPDATE definition SET max_length = 1"},
    {"WatchedFieldUnnamed", data::TableId::Watched, "UPDATE definition SET name = x'00'"},
};

class StrangeTables : public ::testing::TestWithParam<Strange> {};

TEST_P(StrangeTables, DeliverCorrectlyOrTakeNothing) {
    Road road;
    road.watch(kItem);
    ASSERT_TRUE(road.stock(kItem, 3));
    road.order(kItem, "buyer-a", 2);
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(road.dir().file(GetParam().table).c_str(), &db), SQLITE_OK);
        char* error = nullptr;
        const int rc = sqlite3_exec(db, GetParam().sql, nullptr, nullptr, &error);
        const std::string why = error != nullptr ? error : "";
        sqlite3_free(error);
        sqlite3_close(db);
        ASSERT_EQ(rc, SQLITE_OK) << why;
    }
    // What entered the stock is what the file holds now, as the tool left it.
    const auto now = road.tables().ReadStockCards(kItem);
    if (!now.empty()) {
        road.ledger().cards.clear();
        for (const auto& c : now)
            road.ledger().cards[c.cardNumber] = {c.itemName, c.cardNumber, c.cardPassword};
    }
    for (int i = 0; i < 2; ++i)
        road.pass();
    // The tables as they are now, read without the facility's checks.
    const auto reading = road.check();
    const bool unreadable =
        std::any_of(reading.violations.begin(), reading.violations.end(), [](const std::string& v) {
            return v.find("no longer opens") != std::string::npos ||
                   v.find("cannot be read") != std::string::npos;
        });
    if (unreadable) {
        // The changed file is refused as a whole: then nothing may have gone out.
        EXPECT_TRUE(road.notifier().messages().empty());
        EXPECT_TRUE(road.market().consignments().empty());
        const auto delivered = road.tables().ReadDeliveredRecords();
        EXPECT_TRUE(!delivered || delivered->empty());
        return;
    }
    EXPECT_TRUE(reading.violations.empty()) << Violations(reading);
    const auto delivered = road.tables().ReadDeliveredRecords();
    ASSERT_TRUE(delivered.has_value());
    EXPECT_TRUE(delivered->size() == 0 || delivered->size() == 2) << delivered->size();
    EXPECT_EQ(road.notifier().messages().size(), delivered->empty() ? 0u : 1u);
    EXPECT_EQ(road.market().consignments().size(), delivered->empty() ? 0u : 1u);
}

std::string StrangeName(const ::testing::TestParamInfo<Strange>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Files, StrangeTables, ::testing::ValuesIn(kStrange), StrangeName);

} // namespace
} // namespace quorvel::reliability
