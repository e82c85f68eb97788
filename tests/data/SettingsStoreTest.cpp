// The IM client's path in 配置: the first record with exactly the key, never a new record.
#include "data/SettingsStore.h"

#include "data/DataTestSupport.h"
#include "data/RecordTable.h"
#include "data/ShippedTables.h"
#include "text/Texts.h"

#include <gtest/gtest.h>

namespace quorvel::data {
namespace {

using test::TempDir;

const std::string kKey(text::kSettingImClientPath.gbk);

std::filesystem::path SettingsFile(const TempDir& dir) {
    return TableFile(dir.path(), TableId::Settings);
}

void CreateSettings(const TempDir& dir, const std::vector<std::vector<std::string>>& records) {
    const TableDefinition& shipped = ShippedDefinition(TableId::Settings);
    std::string whyNot;
    ASSERT_TRUE(
        RecordTable::Create(SettingsFile(dir), shipped.fields, shipped.indexed, records, &whyNot))
        << whyNot;
}

std::vector<std::vector<std::string>> AllRecords(const TempDir& dir) {
    std::vector<std::vector<std::string>> records;
    auto table = RecordTable::Open(SettingsFile(dir));
    EXPECT_TRUE(table);
    if (table) {
        table->ForEachRecord([&](const RecordView& view) { records.push_back(view.values); });
    }
    return records;
}

TEST(SettingsStore, ShippedTableStartsEmptyAndKeepsWhatIsWritten) {
    TempDir dir;
    ASSERT_TRUE(CreateShippedTables(dir.path()));
    Tables tables(dir.path());
    SettingsStore store(tables);
    EXPECT_EQ(store.ReadImClientPath(), "");
    // A GBK path with a space: stored and read back byte for byte.
    const std::string path = "C:\\\xB0\xA2\xC0\xEF Program\\AliIM.exe";
    EXPECT_TRUE(store.WriteImClientPath(path));
    EXPECT_EQ(store.ReadImClientPath(), path);
    EXPECT_EQ(AllRecords(dir), (std::vector<std::vector<std::string>>{{kKey, path}}));
}

TEST(SettingsStore, OnlyTheFirstRecordWithExactlyTheKeyIsTheSetting) {
    TempDir dir;
    std::string otherByte = kKey;
    otherByte.back() = static_cast<char>(otherByte.back() + 1);
    CreateSettings(dir, {{kKey + " ", "trailing space"},
                         {otherByte, "other byte"},
                         {" " + kKey, "leading space"},
                         {kKey, "first"},
                         {kKey, "second"}});
    Tables tables(dir.path());
    SettingsStore store(tables);
    EXPECT_EQ(store.ReadImClientPath(), "first");
    EXPECT_TRUE(store.WriteImClientPath("new"));
    EXPECT_EQ(AllRecords(dir),
              (std::vector<std::vector<std::string>>{{kKey + " ", "trailing space"},
                                                     {otherByte, "other byte"},
                                                     {" " + kKey, "leading space"},
                                                     {kKey, "new"},
                                                     {kKey, "second"}}));
}

TEST(SettingsStore, WithoutTheRecordReadsEmptyAndWritesNothing) {
    TempDir dir;
    CreateSettings(dir, {{kKey + " ", "near miss"}});
    Tables tables(dir.path());
    SettingsStore store(tables);
    EXPECT_EQ(store.ReadImClientPath(), "");
    EXPECT_FALSE(store.WriteImClientPath("C:\\AliIM.exe"));
    EXPECT_EQ(AllRecords(dir), (std::vector<std::vector<std::string>>{{kKey + " ", "near miss"}}));
}

TEST(SettingsStore, WithoutTheFileReadsEmptyAndCreatesNone) {
    TempDir dir;
    Tables tables(dir.path());
    SettingsStore store(tables);
    EXPECT_EQ(store.ReadImClientPath(), "");
    EXPECT_FALSE(store.WriteImClientPath("C:\\AliIM.exe"));
    EXPECT_FALSE(std::filesystem::exists(SettingsFile(dir)));
}

} // namespace
} // namespace quorvel::data
