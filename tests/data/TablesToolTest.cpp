#include "DataTestSupport.h"
#include "data/RecordTable.h"
#include "data/ShippedTables.h"
#include "data/Tables.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

namespace quorvel::data {
namespace {

using test::TempDir;

struct ToolRun {
    int exitCode;
    std::string out;
};

ToolRun tool(const std::string& command, const std::filesystem::path& target) {
    const std::string line =
        std::string(QUORVEL_TABLES_TOOL) + " " + command + " '" + target.string() + "' 2>&1";
    std::FILE* pipe = popen(line.c_str(), "r");
    ToolRun run{-1, {}};
    if (pipe == nullptr) {
        return run;
    }
    char buffer[512];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.out.append(buffer, n);
    }
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(QuorvelTablesTool, CreateRefusesToOverwriteAndCheckSeesDamage) {
    TempDir dir;
    const auto data = dir.path() / "data";
    ASSERT_EQ(tool("create", data).exitCode, 0);
    EXPECT_EQ(tool("check", data).exitCode, 0);
    Tables tables(data);
    ASSERT_TRUE(tables.AddWatchedItem({"A", "", 0, true}));
    const auto watched = TableFile(data, TableId::Watched);
    const auto before = test::ReadBytes(watched);

    const ToolRun again = tool("create", data);
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.out.find("exists"), std::string::npos) << again.out;
    EXPECT_EQ(test::ReadBytes(watched), before);

    std::filesystem::remove(TableFile(data, TableId::Settings));
    test::WriteBytes(TableFile(data, TableId::Stock), "not a table");
    const ToolRun checked = tool("check", data);
    EXPECT_EQ(checked.exitCode, 1);
    EXPECT_NE(checked.out.find("ok      监控宝贝.edb"), std::string::npos) << checked.out;
    EXPECT_NE(checked.out.find("FAILED  库存卡密.edb"), std::string::npos) << checked.out;
    EXPECT_NE(checked.out.find("FAILED  配置.edb: missing"), std::string::npos) << checked.out;
}

TEST(QuorvelTablesTool, DumpPrintsUtf8WithMarksAndEscapes) {
    TempDir dir;
    ASSERT_TRUE(CreateShippedTables(dir.path()));
    Tables tables(dir.path());
    ASSERT_TRUE(tables.AddStockCards({{"\xD4\xC2\xBF\xA8", "n1", "p1"}, // 月卡
                                      {"B", "two\tparts", "line\nend\\"}}));
    ASSERT_TRUE(tables.MarkStockCard(2));
    const ToolRun dumped = tool("dump", TableFile(dir.path(), TableId::Stock));
    EXPECT_EQ(dumped.exitCode, 0);
    EXPECT_EQ(dumped.out, "宝贝名称\t宝贝卡号\t宝贝卡密\n"
                          "\t月卡\tn1\tp1\n"
                          "*\tB\ttwo\\tparts\tline\\nend\\\\\n");
    const ToolRun settings = tool("dump", TableFile(dir.path(), TableId::Settings));
    EXPECT_EQ(settings.out, "配置名\t配置数据\n\t阿里旺旺核心文件路径\t\n");
    const ToolRun missing = tool("dump", dir.path() / "none.edb");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.out.find("cannot be opened"), std::string::npos);
}

} // namespace
} // namespace quorvel::data
