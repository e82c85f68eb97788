#include "data/RecordTable.h"
#include "DataTestSupport.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <random>

namespace quorvel::data {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

// Two fields: a short one to see cutting, a longer one; "a" is indexed.
const std::vector<FieldDefinition> kFields = {{"a", 5}, {"b", 20}};

std::filesystem::path makeTable(const TempDir& dir, const std::vector<std::string>& values = {},
                                const std::string& name = "t.edb") {
    std::vector<std::vector<std::string>> records;
    for (const auto& v : values) {
        records.push_back({v, "b" + v});
    }
    const auto file = dir / name;
    std::string why;
    EXPECT_TRUE(RecordTable::Create(file, kFields, {"a"}, records, &why)) << why;
    return file;
}

std::string currentA(RecordTable& t) {
    return t.Read("a").value_or("<none>");
}

void sqliteExec(const std::filesystem::path& file, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

TEST(RecordTableOpen, RefusesWhatIsNotATableFileAndLeavesItUntouched) {
    struct Case {
        const char* what;
        std::function<void(const std::filesystem::path&)> make; // nullptr: no file at all
    };
    const std::vector<Case> cases = {
        {"missing", nullptr},
        {"empty", [](const auto& f) { WriteBytes(f, ""); }},
        {"random bytes",
         [](const auto& f) {
             std::mt19937 gen(7);
             std::string bytes(8192, '\0');
             for (auto& c : bytes) {
                 c = static_cast<char>(gen());
             }
             WriteBytes(f, bytes);
         }},
        {"SQLite header then garbage",
         [](const auto& f) {
             WriteBytes(f, std::string("SQLite format 3\0", 16) + std::string(4080, 'x'));
         }},
        {"other schema",
         [](const auto& f) { sqliteExec(f, "CREATE TABLE t(x); INSERT INTO t VALUES(1);"); }},
        {"our id, no definition",
         [](const auto& f) {
             sqliteExec(f, "PRAGMA application_id=1364611668; CREATE TABLE t(x);");
         }},
        {"records do not match definition",
         [](const auto& f) {
             ASSERT_TRUE(RecordTable::Create(f, kFields, {}, {}));
             sqliteExec(f, "ALTER TABLE records ADD COLUMN f3 BLOB");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const auto file = dir / "t.edb";
        if (c.make) {
            c.make(file);
        }
        const bool existed = std::filesystem::exists(file);
        const std::string before = existed ? ReadBytes(file) : "";
        const std::string listing = test::Listing(dir.path());
        std::string why;
        EXPECT_EQ(RecordTable::Open(file, &why), nullptr);
        EXPECT_FALSE(why.empty());
        EXPECT_EQ(std::filesystem::exists(file), existed) << "a missing file must not be created";
        if (existed) {
            EXPECT_EQ(ReadBytes(file), before);
        }
        EXPECT_EQ(test::Listing(dir.path()), listing) << "no journal left behind";
        // A refused file does not count as open.
        EXPECT_EQ(RecordTable::Open(file), nullptr);
    }
}

TEST(RecordTableOpen, SecondOpenInTheProcessIsRefusedIgnoringLetterCase) {
    TempDir dir;
    const auto upper = makeTable(dir, {"x"}, "T.edb");
    const auto lower = makeTable(dir, {"y"}, "t.edb");
    {
        auto first = RecordTable::Open(upper);
        ASSERT_NE(first, nullptr);
        std::string why;
        EXPECT_EQ(RecordTable::Open(upper, &why), nullptr);
        EXPECT_EQ(why, "already open in this process");
        EXPECT_EQ(RecordTable::Open(lower), nullptr);
        EXPECT_EQ(RecordTable::Open(dir.path() / "." / "T.edb"), nullptr);
        EXPECT_EQ(first->Attach(lower), nullptr);
    }
    EXPECT_NE(RecordTable::Open(lower), nullptr) << "closing releases the file";
}

TEST(RecordTableOpen, ReadOnlyFileReadsButNeverChanges) {
    TempDir dir;
    const auto file = makeTable(dir, {"1", "2"});
    test::MakeReadOnly(file);
    const std::string before = ReadBytes(file);
    {
        auto t = RecordTable::Open(file);
        ASSERT_NE(t, nullptr);
        EXPECT_TRUE(t->IsReadOnly());
        EXPECT_EQ(t->RecordCount(), 2);
        EXPECT_EQ(currentA(*t), "1");
        EXPECT_FALSE(t->Begin(true));
        EXPECT_FALSE(t->Add({"3"}));
        EXPECT_FALSE(t->Modify({"9"}));
        EXPECT_FALSE(t->MarkDeleted());
        EXPECT_FALSE(t->MarkDeleted(Condition::FieldEquals("a", "2")));
        EXPECT_FALSE(t->Purge());
        EXPECT_EQ(t->RecordCount(), 2);
    }
    EXPECT_EQ(ReadBytes(file), before);
}

TEST(RecordTableCreate, RefusesAnExistingFile) {
    TempDir dir;
    const auto file = dir / "t.edb";
    WriteBytes(file, "keep me");
    std::string why;
    EXPECT_FALSE(RecordTable::Create(file, kFields, {}, {}, &why));
    EXPECT_EQ(why, "file exists");
    EXPECT_EQ(ReadBytes(file), "keep me");
}

TEST(RecordTableNumbers, MarkKeepsNumbersAndPurgeClosesTheGaps) {
    TempDir dir;
    auto t = RecordTable::Open(makeTable(dir, {"1", "2", "3", "4", "5"}));
    ASSERT_NE(t, nullptr);
    // Marking 2 and then 4 marks the records numbered 2 and 4 when the marking began.
    ASSERT_TRUE(t->MarkDeleted(Condition::NumberIs(2)));
    ASSERT_TRUE(t->GoTo(4));
    ASSERT_TRUE(t->MarkDeleted());
    EXPECT_EQ(t->RecordCount(), 5) << "marked records are still counted";
    ASSERT_TRUE(t->GoTo(2));
    EXPECT_TRUE(t->IsMarked());
    EXPECT_EQ(currentA(*t), "2") << "and still read";
    ASSERT_TRUE(t->GoTo(3));
    EXPECT_FALSE(t->IsMarked());

    ASSERT_TRUE(t->Purge());
    EXPECT_EQ(t->RecordCount(), 3);
    EXPECT_EQ(t->RecordNumber(), 1) << "the first record is current after a purge";
    ASSERT_TRUE(t->GoTo(2));
    EXPECT_EQ(currentA(*t), "3");
    ASSERT_TRUE(t->GoTo(3));
    EXPECT_EQ(currentA(*t), "5");
}

TEST(RecordTableNumbers, GoToClampsAndSkipRunsPastTheEnd) {
    TempDir dir;
    auto t = RecordTable::Open(makeTable(dir, {"1", "2", "3"}));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->RecordNumber(), 1);
    ASSERT_TRUE(t->GoTo(-5));
    EXPECT_EQ(currentA(*t), "1");
    ASSERT_TRUE(t->GoTo(99));
    EXPECT_EQ(currentA(*t), "3");
    EXPECT_EQ(t->RecordNumber(), 3);
    EXPECT_TRUE(t->Skip());
    EXPECT_TRUE(t->IsPastEnd());
    EXPECT_EQ(t->RecordNumber(), 4);
    EXPECT_EQ(t->Read("a"), std::nullopt);
    EXPECT_FALSE(t->Skip());

    TempDir emptyDir;
    auto empty = RecordTable::Open(makeTable(emptyDir));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->RecordCount(), 0);
    EXPECT_FALSE(empty->GoTo(1));
    EXPECT_FALSE(empty->Find(Condition::FieldEquals("a", "")));
}

TEST(RecordTableNumbers, IdsRiseAndAreNeverReused) {
    TempDir dir;
    auto t = RecordTable::Open(makeTable(dir, {"1", "2", "3"}));
    ASSERT_NE(t, nullptr);
    ASSERT_TRUE(t->GoTo(3));
    const std::int64_t last = t->CurrentId();
    ASSERT_TRUE(t->MarkDeleted());
    ASSERT_TRUE(t->Purge());
    ASSERT_TRUE(t->Add({"4"}));
    EXPECT_GT(t->CurrentId(), last);
    EXPECT_EQ(t->RecordNumber(), 3) << "the added record is current";
}

TEST(RecordTableFind, SearchesFromTheCurrentRecordByteForByte) {
    TempDir dir;
    auto t = RecordTable::Open(makeTable(dir, {"x", "Ab", "y", "ab", "ab "}));
    ASSERT_NE(t, nullptr);
    // Right after the open the whole table is searched.
    EXPECT_TRUE(t->Find(Condition::FieldEquals("a", "ab")));
    EXPECT_EQ(t->RecordNumber(), 4) << "case differs from record 2";
    EXPECT_TRUE(t->Find(Condition::FieldEquals("a", "ab"))) << "the current record is tested";
    EXPECT_EQ(t->RecordNumber(), 4);
    // No match: the current record stays where it was.
    EXPECT_FALSE(t->Find(Condition::FieldEquals("a", "x")));
    EXPECT_EQ(t->RecordNumber(), 4);
    EXPECT_FALSE(t->Find(Condition::FieldEquals("a", "")));
    EXPECT_FALSE(t->Find(Condition::FieldEquals("nope", "x")));
    EXPECT_TRUE(t->Find(Condition::FieldEquals("a", "ab ")));
    EXPECT_EQ(t->RecordNumber(), 5);

    ASSERT_TRUE(t->GoTo(2));
    EXPECT_FALSE(t->Find(Condition::NumberIs(1))) << "behind the current record";
    EXPECT_TRUE(t->Find(Condition::NumberIs(3)));
    EXPECT_EQ(currentA(*t), "y");
    EXPECT_FALSE(t->Find(Condition::NumberIs(6)));
    EXPECT_EQ(t->RecordNumber(), 3);
}

TEST(RecordTableWrite, AddFillsMissingValuesAndModifyKeepsLeftOutFields) {
    TempDir dir;
    auto t = RecordTable::Open(makeTable(dir));
    ASSERT_NE(t, nullptr);
    ASSERT_TRUE(t->Add({"k"}));
    EXPECT_EQ(t->Read("b"), "");
    EXPECT_FALSE(t->Add({"1", "2", "3"})) << "more values than fields";
    EXPECT_EQ(t->RecordCount(), 1);

    ASSERT_TRUE(t->Modify({std::nullopt, "new b"}));
    EXPECT_EQ(t->Read("a"), "k");
    EXPECT_EQ(t->Read("b"), "new b");
    ASSERT_TRUE(t->Modify({"new"}));
    EXPECT_EQ(t->Read("a"), "new");
    EXPECT_EQ(t->Read("b"), "new b") << "beyond the last value given";
    EXPECT_FALSE(t->Modify({"1", "2", "3"}));
}

TEST(RecordTableWrite, LongTextIsCutAtACharacterBoundary) {
    TempDir dir;
    auto t = RecordTable::Open(makeTable(dir));
    ASSERT_NE(t, nullptr);
    const std::string zhong = "\xD6\xD0"; // 中
    const struct {
        std::string in, stored;
    } cases[] = {
        {"abcdefg", "abcde"},
        {"ab" + zhong + zhong, "ab" + zhong}, // the second 中 would straddle byte 5
        {"abc" + zhong, "abc" + zhong},       // exactly five bytes
        {zhong + zhong + zhong, zhong + zhong},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(t->Add({c.in}));
        EXPECT_EQ(t->Read("a"), c.stored);
        ASSERT_TRUE(t->Modify({c.in}));
        EXPECT_EQ(t->Read("a"), c.stored);
    }
}

TEST(RecordTableWrite, ConditionalMarkLeavesTheCurrentRecord) {
    TempDir dir;
    auto t = RecordTable::Open(makeTable(dir, {"x", "y", "x", "z", "x"}));
    ASSERT_NE(t, nullptr);
    ASSERT_TRUE(t->GoTo(2));
    std::int64_t marked = 0;
    ASSERT_TRUE(t->MarkDeleted(Condition::FieldEquals("a", "x"), &marked));
    EXPECT_EQ(marked, 3);
    EXPECT_EQ(t->RecordNumber(), 2);
    ASSERT_TRUE(t->Purge());
    std::vector<std::string> left;
    ASSERT_TRUE(t->ForEachRecord([&](const RecordView& r) { left.push_back(r.values[0]); }));
    EXPECT_EQ(left, (std::vector<std::string>{"y", "z"}));
}

TEST(RecordTableTransaction, RollbackWritesNothing) {
    TempDir dir;
    const auto file = makeTable(dir, {"1"});
    const std::string before = ReadBytes(file);
    {
        auto t = RecordTable::Open(file);
        ASSERT_NE(t, nullptr);
        ASSERT_TRUE(t->Begin(true));
        ASSERT_TRUE(t->Add({"2"}));
        ASSERT_TRUE(t->MarkDeleted(Condition::FieldEquals("a", "1")));
        t->Rollback();
        EXPECT_EQ(t->RecordCount(), 1);
        ASSERT_TRUE(t->Begin(true));
        ASSERT_TRUE(t->Add({"3"}));
        // Closed without a commit: SQLite rolls back.
    }
    EXPECT_EQ(ReadBytes(file), before);
}

} // namespace
} // namespace quorvel::data
