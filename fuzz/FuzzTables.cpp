// Table files with mutated bytes: every access sequence must either yield its empty result or
// valid data, never crash, and the allotment must stay all or nothing however broken the file.
//
// The first input byte picks which of the four files gets the rest of the input; the other
// three are the shipped files, fresh for every input.
//
// QUORVEL_FUZZ_WRITE_SEEDS=<dir> writes a seed corpus made by the real table code and exits.
#include "FuzzCheck.h"

#include "data/RecordTable.h"
#include "data/ShippedTables.h"
#include "data/Tables.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace quorvel;
using data::TableId;

// Memory-backed when the machine has it: the tables sync every commit, and a disk would make
// each input cost tens of milliseconds.
fs::path ScratchBase() {
    std::error_code ec;
    return fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
}

const fs::path& Template() {
    static const fs::path dir = [] {
        fs::path d = ScratchBase() / ("quorvel-fuzz-template-" + std::to_string(getpid()));
        fs::remove_all(d);
        fs::create_directories(d);
        FUZZ_CHECK(data::CreateShippedTables(d));
        return d;
    }();
    return dir;
}

const fs::path& WorkDir() {
    static const fs::path dir = ScratchBase() / ("quorvel-fuzz-tables-" + std::to_string(getpid()));
    return dir;
}

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteAll(const fs::path& file, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

data::DeliveredRecord RecordFor(const data::StockCard& card) {
    return {card.itemName, "T1", "nick", "1", card.cardNumber, card.cardPassword, "", "now"};
}

void WriteSeeds(const fs::path& out) {
    fs::create_directories(out);
    const fs::path dir = WorkDir() / "seeds";
    fs::remove_all(dir);
    fs::create_directories(dir);
    FUZZ_CHECK(data::CreateShippedTables(dir));
    data::Tables tables(dir);
    tables.AddWatchedItem({"A", "note", 3, true});
    tables.AddStockCards(
        {{"A", "N1", "P1", 0, 0}, {"A", "N2", "P2", 0, 0}, {"B", "N3", "0", 0, 0}});
    tables.TakeStockCards("A", 1, RecordFor);
    tables.MarkStockCard(1);
    const char* names[] = {"watched", "stock", "delivered", "settings"};
    for (std::size_t i = 0; i < 4; ++i) {
        std::ofstream seed(out / names[i], std::ios::binary | std::ios::trunc);
        seed.put(static_cast<char>(i));
        seed << ReadAll(data::TableFile(dir, data::kAllTables[i]));
    }
}

// The allotment over whatever the files hold: all of it happens or none of it.
void CheckAllotment(data::Tables& tables) {
    const auto before = tables.CountStockCards("A");
    const auto deliveredBefore = tables.ReadDeliveredRecords();
    const auto taken = tables.TakeStockCards("A", 1, RecordFor);
    const auto after = tables.CountStockCards("A");
    const auto deliveredAfter = tables.ReadDeliveredRecords();
    if (!before || !after || !deliveredBefore || !deliveredAfter) {
        return; // a file that cannot be counted cannot be compared
    }
    if (taken) {
        FUZZ_CHECK(taken->size() == 1);
        FUZZ_CHECK(*after == *before - 1);
        FUZZ_CHECK(deliveredAfter->size() == deliveredBefore->size() + 1);
    } else {
        FUZZ_CHECK(*after == *before);
        FUZZ_CHECK(deliveredAfter->size() == deliveredBefore->size());
    }
}

void RunSequences(const fs::path& dir) {
    data::Tables tables(dir);
    for (const auto& item : tables.ReadWatchedItems()) {
        (void)item;
    }
    (void)tables.ReadItemNames();
    (void)tables.ReadWatchedItem(1);
    (void)tables.ReadWatchedItem(-5);
    (void)tables.IsItemWatched("A");
    for (const auto& card : tables.ReadStockCards("A")) {
        FUZZ_CHECK(card.itemName == "A");
        FUZZ_CHECK(card.recordNumber >= 1);
    }
    (void)tables.IsOrderDelivered("T1");
    (void)tables.ReadDeliveredRecordsOf("T1");
    (void)tables.ReadSetting("x");

    const auto count = tables.CountStockCards("A");
    const bool added = tables.AddStockCard({"A", "N9", "P9", 0, 0});
    const auto countAfter = tables.CountStockCards("A");
    if (added && count && countAfter) {
        FUZZ_CHECK(*countAfter == *count + 1);
    }
    CheckAllotment(tables);

    (void)tables.AddWatchedItem({"C", "", 0, true});
    (void)tables.WriteWatchedItem(1, {"D", "n", 1, false});
    (void)tables.MarkWatchedItem(1);
    (void)tables.PurgeWatchedItems();
    tables.RenameItemStock("A", "E");
    (void)tables.MarkStockCardsById({1, 2, 3});
    (void)tables.MarkItemStock("B");
    (void)tables.PurgeStock();
    (void)tables.AppendDeliveredRecord(RecordFor({"E", "N", "P", 0, 0}));
    (void)tables.WriteSetting("x", "y");
    // Whatever happened, the files still answer.
    (void)tables.ReadWatchedItems();
    (void)tables.ReadDeliveredRecords();
}

} // namespace

// Scratch directories of runs that ended by a crash report (abort skips atexit).
void RemoveStaleScratch() {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(ScratchBase(), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("quorvel-fuzz-", 0) != 0) {
            continue;
        }
        const auto dash = name.rfind('-');
        const long pid = std::strtol(name.c_str() + dash + 1, nullptr, 10);
        if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            fs::remove_all(entry.path(), ec);
        }
    }
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    RemoveStaleScratch();
    if (const char* out = std::getenv("QUORVEL_FUZZ_WRITE_SEEDS")) {
        WriteSeeds(out);
        std::exit(0);
    }
    (void)Template();
    std::atexit([] {
        std::error_code ec;
        fs::remove_all(Template(), ec);
        fs::remove_all(WorkDir(), ec);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const fs::path& dir = WorkDir();
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const TableId id : data::kAllTables) {
        fs::copy_file(data::TableFile(Template(), id), data::TableFile(dir, id));
    }
    const TableId target = data::kAllTables[data[0] % 4];
    WriteAll(data::TableFile(dir, target), data + 1, size - 1);
    RunSequences(dir);
    return 0;
}
