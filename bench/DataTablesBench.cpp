// Figures for the table sequences. The lookup is measured twice: as the program runs it (one
// whole sequence: lock, open, check the definition, transaction, find, close) and as the bare
// SQLite lookup on a connection kept open, so the ratio shows what a sequence costs on top.
#include "data/RecordTable.h"
#include "data/ShippedTables.h"
#include "data/Tables.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>

namespace {

using namespace quorvel::data;
namespace fs = std::filesystem;

constexpr int kWatchedRecords = 1'000'000;

fs::path benchDir(const std::string& name) {
    const auto dir = fs::temp_directory_path() / ("quorvel-bench-" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    CreateShippedTables(dir);
    return dir;
}

// Appended rather than "x" + ..., which GCC 12 misreads as an overlapping copy (-Wrestrict).
std::string withNumber(std::string text, int i) {
    text += std::to_string(i);
    return text;
}

std::string itemName(int i) {
    return withNumber("item-", i);
}

// One 监控宝贝 of a million items, built once.
const fs::path& watchedDir() {
    static const fs::path dir = [] {
        auto d = benchDir("watched");
        auto table = RecordTable::Open(TableFile(d, TableId::Watched));
        table->Begin(true);
        for (int i = 0; i < kWatchedRecords; ++i) {
            table->Add({itemName(i), "", "0", "\xD5\xE6"});
        }
        table->Commit();
        return d;
    }();
    return dir;
}

void BM_IsItemWatched_Sequence(benchmark::State& state) {
    Tables tables(watchedDir());
    std::mt19937 gen(1);
    for (auto _ : state) {
        const auto found =
            tables.IsItemWatched(itemName(static_cast<int>(gen() % kWatchedRecords)));
        benchmark::DoNotOptimize(found);
        if (found != true) {
            state.SkipWithError("lookup failed");
            break;
        }
    }
}
BENCHMARK(BM_IsItemWatched_Sequence);

void BM_IsItemWatched_RawSqlite(benchmark::State& state) {
    const auto file = TableFile(watchedDir(), TableId::Watched);
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "SELECT id FROM records WHERE f1 = ? ORDER BY id LIMIT 1", -1, &stmt,
                       nullptr);
    std::mt19937 gen(1);
    for (auto _ : state) {
        const std::string name = itemName(static_cast<int>(gen() % kWatchedRecords));
        sqlite3_bind_blob(stmt, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
        const bool found = sqlite3_step(stmt) == SQLITE_ROW;
        sqlite3_reset(stmt);
        benchmark::DoNotOptimize(found);
        if (!found) {
            state.SkipWithError("lookup failed");
            break;
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}
BENCHMARK(BM_IsItemWatched_RawSqlite);

DeliveredRecord recordFor(const StockCard& card) {
    return {card.itemName,   "order",           "buyer", "1",
            card.cardNumber, card.cardPassword, "",      "2013\xC4\xEA"};
}

// The item's cards sit at the end of the stock, behind the other items' cards, so that a scan
// would pay for the whole stock; every taken card is put back (untimed) to keep the size.
void BM_TakeStockCards(benchmark::State& state) {
    const auto stockSize = static_cast<int>(state.range(0));
    const auto dir = benchDir(withNumber("take-", stockSize));
    Tables tables(dir);
    std::vector<StockCard> cards;
    for (int i = 0; i < stockSize; ++i) {
        cards.push_back({i < stockSize - 10 ? "other" : "wanted", withNumber("n", i), "p"});
    }
    tables.AddStockCards(cards);
    for (auto _ : state) {
        const auto taken = tables.TakeStockCards("wanted", 1, recordFor);
        if (!taken) {
            state.SkipWithError("take failed");
            break;
        }
        state.PauseTiming();
        tables.AddStockCard((*taken)[0]);
        state.ResumeTiming();
    }
    fs::remove_all(dir);
}
BENCHMARK(BM_TakeStockCards)->Arg(1000)->Arg(100000)->Iterations(200)->UseRealTime();

void BM_AddStockCards10000(benchmark::State& state) {
    const auto dir = benchDir("add");
    std::vector<StockCard> cards;
    for (int i = 0; i < 10000; ++i) {
        cards.push_back({"item", withNumber("card-number-", i), withNumber("password-", i)});
    }
    Tables tables(dir);
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(TableFile(dir, TableId::Stock));
        CreateShippedTable(dir, TableId::Stock);
        state.ResumeTiming();
        if (!tables.AddStockCards(cards)) {
            state.SkipWithError("add failed");
            break;
        }
    }
    fs::remove_all(dir);
}
BENCHMARK(BM_AddStockCards10000)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// Prints the runs and, at the end, how a whole sequence compares with the bare lookup.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {} // plain text: the figures go into reports
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            m_ns[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void printRatio() const {
        const auto seq = m_ns.find("BM_IsItemWatched_Sequence");
        const auto raw = m_ns.find("BM_IsItemWatched_RawSqlite");
        if (seq != m_ns.end() && raw != m_ns.end() && raw->second > 0) {
            std::printf("IsItemWatched on %d records: whole sequence %.1f us, bare SQLite lookup "
                        "%.2f us, ratio %.1f\n",
                        kWatchedRecords, seq->second / 1000.0, raw->second / 1000.0,
                        seq->second / raw->second);
        }
    }

  private:
    std::map<std::string, double> m_ns;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio();
    benchmark::Shutdown();
    fs::remove_all(fs::temp_directory_path() / "quorvel-bench-watched");
    return 0;
}
