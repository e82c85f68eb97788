#include "data/Tables.h"
#include "DataTestSupport.h"
#include "data/RecordTable.h"
#include "data/ShippedTables.h"
#include "text/Texts.h"

#include <gtest/gtest.h>

namespace quorvel::data {
namespace {

using namespace quorvel::text;
using test::ReadBytes;
using test::TempDir;

const std::string kYes = "\xCA\xC7";                 // 是
const std::string kTrue = "\xD5\xE6";                // 真
const std::string kFalse = "\xBC\xD9";               // 假
const std::string kNo = "\xB7\xF1";                  // 否
const std::string kFullWidth12 = "\xA3\xB1\xA3\xB2"; // １２

class TablesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(CreateShippedTables(m_dir.path(), &why)) << why;
    }
    std::filesystem::path file(TableId id) const { return TableFile(m_dir.path(), id); }
    // Raw records, exactly as given, bypassing the sequences' encoding.
    void addRaw(TableId id, const std::vector<std::vector<std::string>>& records) {
        auto t = RecordTable::Open(file(id));
        ASSERT_NE(t, nullptr);
        for (const auto& r : records) {
            ASSERT_TRUE(t->Add(r));
        }
    }
    std::vector<std::vector<std::string>> raw(TableId id) {
        std::vector<std::vector<std::string>> rows;
        auto t = RecordTable::Open(file(id));
        EXPECT_NE(t, nullptr);
        if (t) {
            t->ForEachRecord([&](const RecordView& r) { rows.push_back(r.values); });
        }
        return rows;
    }
    void addCards(const std::vector<std::pair<std::string, std::string>>& cards) {
        std::vector<StockCard> list;
        for (const auto& [item, number] : cards) {
            list.push_back({item, number, "p" + number});
        }
        ASSERT_TRUE(m_tables.AddStockCards(list));
    }

    TempDir m_dir;
    Tables m_tables{m_dir.path()};
};

TEST_F(TablesTest, TableFilesAreNamedInUtf8) {
    EXPECT_EQ(file(TableId::Watched).filename().string(), "监控宝贝.edb");
    EXPECT_EQ(file(TableId::Stock).filename().string(), "库存卡密.edb");
    EXPECT_EQ(file(TableId::Delivered).filename().string(), "已发卡密.edb");
    EXPECT_EQ(file(TableId::Settings).filename().string(), "配置.edb");
    EXPECT_EQ(file(TableId::Stock).parent_path(), m_dir.path());
}

TEST_F(TablesTest, WatchedItemsDecodeTheStoredForms) {
    const struct {
        std::string limit;
        std::int32_t readLimit;
        std::string needs;
        bool readNeeds;
    } cases[] = {
        {"12abc", 12, kYes, true},      {"abc", 0, kTrue, true}, {"", 0, kFalse, false},
        {kFullWidth12, 12, kNo, false}, {"-3", -3, "1", false},  {" 7", 7, "", false},
    };
    std::vector<std::vector<std::string>> records;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        records.push_back({test::Numbered("item", i), "note", cases[i].limit, cases[i].needs});
    }
    addRaw(TableId::Watched, records);

    const auto items = m_tables.ReadWatchedItems();
    ASSERT_EQ(items.size(), std::size(cases));
    for (std::size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(items[i].name, test::Numbered("item", i));
        EXPECT_EQ(items[i].purchaseLimit, cases[i].readLimit);
        EXPECT_EQ(items[i].needsCards, cases[i].readNeeds);
        const auto one = m_tables.ReadWatchedItem(static_cast<std::int32_t>(i) + 1);
        ASSERT_TRUE(one.has_value());
        EXPECT_EQ(*one, items[i]);
    }
    EXPECT_EQ(m_tables.ReadItemNames().size(), std::size(cases));

    // Written back, the stored forms are the decimal text and 真/假.
    ASSERT_TRUE(m_tables.WriteWatchedItem(1, items[0]));
    ASSERT_TRUE(m_tables.WriteWatchedItem(3, items[2]));
    const auto rows = raw(TableId::Watched);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"item0", "note", "12", kTrue}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"item2", "note", "0", kFalse}));
    EXPECT_EQ(rows[1][2], "abc") << "other records untouched";
}

TEST_F(TablesTest, WatchedItemsByRecordNumber) {
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        ASSERT_TRUE(m_tables.AddWatchedItem({name, "", 0, true}));
    }
    EXPECT_EQ(raw(TableId::Watched)[0], (std::vector<std::string>{"a", "", "0", kTrue}));
    ASSERT_TRUE(m_tables.WriteWatchedItem(3, {"C", "note", -4, false}));
    EXPECT_EQ(m_tables.ReadWatchedItem(3), (WatchedItem{"C", "note", -4, false}));
    // A number outside the table names no record: nothing is read, written or marked.
    for (const std::int32_t n : {0, -1, 6}) {
        EXPECT_FALSE(m_tables.ReadWatchedItem(n).has_value()) << n;
        EXPECT_FALSE(m_tables.WriteWatchedItem(n, {"x", "", 0, true})) << n;
        EXPECT_FALSE(m_tables.MarkWatchedItem(n)) << n;
    }
    ASSERT_TRUE(m_tables.MarkWatchedItem(2));
    ASSERT_TRUE(m_tables.MarkWatchedItem(4));
    EXPECT_EQ(m_tables.ReadItemNames().size(), 5u) << "marks alone remove nothing";
    ASSERT_TRUE(m_tables.PurgeWatchedItems());
    EXPECT_EQ(m_tables.ReadItemNames(), (std::vector<std::string>{"a", "C", "e"}));
}

TEST_F(TablesTest, LookupsCompareByteForByte) {
    ASSERT_TRUE(m_tables.AddWatchedItem({"Month card", "", 0, true}));
    ASSERT_TRUE(
        m_tables.AppendDeliveredRecord({"Month card", "1001", "buyer", "1", "n", "p", "", "t"}));
    EXPECT_EQ(m_tables.IsItemWatched("Month card"), true);
    EXPECT_EQ(m_tables.IsItemWatched("month card"), false);
    EXPECT_EQ(m_tables.IsItemWatched("Month card "), false);
    EXPECT_EQ(m_tables.IsItemWatched(""), false);
    EXPECT_EQ(m_tables.IsOrderDelivered("1001"), true);
    EXPECT_EQ(m_tables.IsOrderDelivered("1001 "), false);
    EXPECT_EQ(m_tables.IsOrderDelivered("100"), false);
}

TEST_F(TablesTest, StockCardsCarryTheirPlaceInTheWholeTable) {
    addCards({{"A", "1"}, {"B", "2"}, {"A", "3"}, {"A ", "4"}, {"a", "5"}, {"A", "6"}});
    const auto cards = m_tables.ReadStockCards("A");
    ASSERT_EQ(cards.size(), 3u);
    const std::int32_t numbers[] = {1, 3, 6};
    for (std::size_t i = 0; i < cards.size(); ++i) {
        EXPECT_EQ(cards[i].recordNumber, numbers[i]);
        EXPECT_EQ(cards[i].cardNumber, std::to_string(numbers[i]));
        EXPECT_EQ(cards[i].cardPassword, test::Numbered("p", numbers[i]));
        EXPECT_EQ(cards[i].itemName, "A");
    }
    EXPECT_LT(cards[0].id, cards[1].id);
    EXPECT_EQ(m_tables.CountStockCards("A"), 3);
    EXPECT_EQ(m_tables.CountStockCards("A "), 1) << "a trailing space makes another item";

    ASSERT_TRUE(m_tables.MarkStockCard(3));
    EXPECT_FALSE(m_tables.MarkStockCard(7));
    ASSERT_TRUE(m_tables.PurgeStock());
    EXPECT_EQ(m_tables.ReadStockCards("A").size(), 2u);
    EXPECT_EQ(m_tables.ReadStockCards("A")[1].recordNumber, 5);
}

TEST_F(TablesTest, RenameItemStockOnlyRenames) {
    addCards({{"old", "1"}, {"other", "2"}, {"old", "3"}, {"old ", "4"}});
    m_tables.RenameItemStock("old", "new");
    EXPECT_EQ(raw(TableId::Stock), (std::vector<std::vector<std::string>>{
                                       {"new", "1", "p1"},
                                       {"other", "2", "p2"},
                                       {"new", "3", "p3"},
                                       {"old ", "4", "p4"},
                                   }));
    m_tables.RenameItemStock("new", "new"); // renaming to itself ends and changes nothing
    EXPECT_EQ(m_tables.ReadStockCards("new").size(), 2u);
}

TEST_F(TablesTest, MarkItemStockAndMarkById) {
    addCards({{"A", "1"}, {"B", "2"}, {"A", "3"}, {"B", "4"}, {"B", "5"}});
    const auto b = m_tables.ReadStockCards("B");
    // The delivery takes card 1 in between: numbers shift, ids do not.
    ASSERT_TRUE(m_tables.TakeStockCards("A", 1, [](const StockCard& c) {
        return DeliveredRecord{c.itemName, "o", "", "1", c.cardNumber, c.cardPassword, "", ""};
    }));
    ASSERT_TRUE(m_tables.MarkStockCardsById({b[0].id, b[2].id}));
    ASSERT_TRUE(m_tables.PurgeStock());
    const auto left = raw(TableId::Stock);
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0][1], "3");
    EXPECT_EQ(left[1][1], "4");

    ASSERT_TRUE(m_tables.MarkItemStock("B"));
    ASSERT_TRUE(m_tables.PurgeStock());
    EXPECT_EQ(raw(TableId::Stock), (std::vector<std::vector<std::string>>{{"A", "3", "p3"}}));
}

TEST_F(TablesTest, DeliveredRecordsKeepTheirStoredTexts) {
    const DeliveredRecord r1{"A", "1", "buyer", "2", "n1", "p1", "", "2013年1月5日"};
    const DeliveredRecord r2{"B", "2", "buyer", "1", "n2", "p2", "x", "t"};
    const DeliveredRecord r3{"A", "1", "buyer", "2", "n3", "p3", "", "t"};
    for (const auto& r : {r1, r2, r3}) {
        ASSERT_TRUE(m_tables.AppendDeliveredRecord(r));
    }
    EXPECT_EQ(m_tables.ReadDeliveredRecords(), (std::vector<DeliveredRecord>{r1, r2, r3}));
    EXPECT_EQ(m_tables.ReadDeliveredRecordsOf("1"), (std::vector<DeliveredRecord>{r1, r3}));
}

TEST_F(TablesTest, SettingIsRewrittenNeverAdded) {
    EXPECT_EQ(m_tables.ReadSetting(kSettingImClientPath.gbk), "");
    ASSERT_TRUE(m_tables.WriteSetting(kSettingImClientPath.gbk, "C:\\AliIM\\AliIM.exe"));
    EXPECT_EQ(m_tables.ReadSetting(kSettingImClientPath.gbk), "C:\\AliIM\\AliIM.exe");
    EXPECT_FALSE(m_tables.WriteSetting("other", "x"));
    EXPECT_EQ(m_tables.ReadSetting("other"), std::nullopt);
    EXPECT_EQ(raw(TableId::Settings).size(), 1u);
}

TEST_F(TablesTest, LongTextsAreCutToTheFieldLength) {
    const std::string zhong = "\xD6\xD0";
    std::string name = "x";
    while (name.size() < 300) {
        name += zhong;
    }
    ASSERT_TRUE(m_tables.AddWatchedItem({name, "", 0, true}));
    const auto stored = m_tables.ReadItemNames().at(0);
    EXPECT_EQ(stored.size(), 255u);
    EXPECT_EQ(stored, name.substr(0, 255)) << "x plus 127 whole characters";
    EXPECT_EQ(m_tables.IsItemWatched(name), false) << "the stored name is the cut one";
}

// Every sequence, with its table file missing, damaged or of another table.
TEST_F(TablesTest, UnusableFilesGiveEmptyResults) {
    ASSERT_TRUE(m_tables.AddWatchedItem({"A", "", 0, true}));
    addCards({{"A", "1"}});
    ASSERT_TRUE(m_tables.AppendDeliveredRecord({"A", "1", "", "1", "", "", "", ""}));
    const auto checkAll = [&] {
        EXPECT_TRUE(m_tables.ReadWatchedItems().empty());
        EXPECT_TRUE(m_tables.ReadItemNames().empty());
        EXPECT_FALSE(m_tables.ReadWatchedItem(1).has_value());
        EXPECT_FALSE(m_tables.WriteWatchedItem(1, {"B", "", 0, true}));
        EXPECT_FALSE(m_tables.AddWatchedItem({"B", "", 0, true}));
        EXPECT_FALSE(m_tables.MarkWatchedItem(1));
        EXPECT_FALSE(m_tables.PurgeWatchedItems());
        EXPECT_EQ(m_tables.IsItemWatched("A"), std::nullopt);
        EXPECT_TRUE(m_tables.ReadStockCards("A").empty());
        EXPECT_FALSE(m_tables.AddStockCard({"A", "2", "p"}));
        EXPECT_FALSE(m_tables.AddStockCards({{"A", "2", "p"}}));
        EXPECT_FALSE(m_tables.MarkItemStock("A"));
        EXPECT_FALSE(m_tables.MarkStockCard(1));
        EXPECT_FALSE(m_tables.MarkStockCardsById({1}));
        EXPECT_FALSE(m_tables.PurgeStock());
        m_tables.RenameItemStock("A", "B");
        EXPECT_EQ(m_tables.CountStockCards("A"), std::nullopt);
        EXPECT_EQ(m_tables.IsOrderDelivered("1"), std::nullopt);
        EXPECT_FALSE(m_tables.AppendDeliveredRecord({}));
        EXPECT_EQ(m_tables.ReadDeliveredRecords(), std::nullopt);
        EXPECT_TRUE(m_tables.ReadDeliveredRecordsOf("1").empty());
        EXPECT_EQ(
            m_tables.TakeStockCards("A", 1, [](const StockCard&) { return DeliveredRecord{}; }),
            std::nullopt);
        EXPECT_EQ(m_tables.ReadSetting(kSettingImClientPath.gbk), std::nullopt);
        EXPECT_FALSE(m_tables.WriteSetting(kSettingImClientPath.gbk, "x"));
    };
    TempDir saved;
    for (const TableId id : kAllTables) {
        std::filesystem::rename(file(id), saved.path() / file(id).filename());
    }
    {
        SCOPED_TRACE("missing");
        checkAll();
        EXPECT_TRUE(std::filesystem::is_empty(m_dir.path())) << "no file is ever created";
    }
    {
        SCOPED_TRACE("another table's file in each place");
        const TableId swapped[] = {TableId::Stock, TableId::Settings, TableId::Watched,
                                   TableId::Stock};
        for (std::size_t i = 0; i < 4; ++i) {
            std::filesystem::copy_file(saved.path() / file(swapped[i]).filename(),
                                       file(kAllTables[i]));
        }
        checkAll();
    }
}

TEST_F(TablesTest, ReadOnlyFilesAreReadAndNeverWritten) {
    ASSERT_TRUE(m_tables.AddWatchedItem({"A", "", 0, true}));
    addCards({{"A", "1"}});
    for (const TableId id : kAllTables) {
        test::MakeReadOnly(file(id));
    }
    std::vector<std::string> before;
    for (const TableId id : kAllTables) {
        before.push_back(ReadBytes(file(id)));
    }
    EXPECT_EQ(m_tables.ReadItemNames(), std::vector<std::string>{"A"});
    EXPECT_EQ(m_tables.IsItemWatched("A"), true);
    EXPECT_EQ(m_tables.ReadStockCards("A").size(), 1u);
    EXPECT_FALSE(m_tables.AddWatchedItem({"B", "", 0, true}));
    EXPECT_FALSE(m_tables.WriteWatchedItem(1, {"B", "", 0, true}));
    EXPECT_FALSE(m_tables.MarkWatchedItem(1));
    EXPECT_FALSE(m_tables.AddStockCard({"A", "2", "p"}));
    EXPECT_FALSE(m_tables.MarkItemStock("A"));
    EXPECT_FALSE(m_tables.PurgeStock());
    EXPECT_FALSE(m_tables.AppendDeliveredRecord({}));
    EXPECT_FALSE(m_tables.WriteSetting(kSettingImClientPath.gbk, "x"));
    EXPECT_FALSE(
        m_tables.TakeStockCards("A", 1, [](const StockCard&) { return DeliveredRecord{}; }));
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(ReadBytes(file(kAllTables[i])), before[i]) << i;
    }
}

TEST(ShippedTables, CreatesTheFourFilesAndNeverOverwrites) {
    TempDir dir;
    ASSERT_TRUE(CreateShippedTables(dir.path()));
    Tables tables(dir.path());
    EXPECT_EQ(tables.ReadSetting(kSettingImClientPath.gbk), "");
    for (const TableId id : kAllTables) {
        auto t = RecordTable::Open(TableFile(dir.path(), id));
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->Fields().size(), ShippedDefinition(id).fields.size());
    }
    ASSERT_TRUE(tables.AddWatchedItem({"A", "", 0, true}));
    const auto before = ReadBytes(TableFile(dir.path(), TableId::Watched));
    std::string why;
    EXPECT_FALSE(CreateShippedTables(dir.path(), &why));
    EXPECT_NE(why.find("file exists"), std::string::npos);
    EXPECT_EQ(ReadBytes(TableFile(dir.path(), TableId::Watched)), before);

    // One file present: none of the others is created.
    TempDir partial;
    ASSERT_TRUE(CreateShippedTable(partial.path(), TableId::Settings));
    EXPECT_FALSE(CreateShippedTables(partial.path()));
    EXPECT_FALSE(std::filesystem::exists(TableFile(partial.path(), TableId::Watched)));
}

} // namespace
} // namespace quorvel::data
