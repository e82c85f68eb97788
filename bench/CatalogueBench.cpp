// The catalogue handlers at a seller's scale, through the real widgets and table files.
// Run with QT_QPA_PLATFORM=offscreen.
#include "catalogue/Catalogue.h"
#include "data/ShippedTables.h"
#include "data/Tables.h"
#include "platform/Ports.h"
#include "ui/QtText.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWidget>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace quorvel;

class SilentDialogs : public platform::Dialogs {
  public:
    void ShowMessage(std::string_view, std::string_view, platform::DialogIcon) override {}
    bool AskOkCancel(std::string_view, std::string_view) override { return false; }
    std::optional<std::string> AskText(std::string_view, std::string_view) override {
        return std::nullopt;
    }
};

// A window with the catalogue's controls over fresh table files.
struct Bench {
    Bench()
        : dir(std::filesystem::temp_directory_path() /
              ("quorvel-catalogue-bench-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        std::string whyNot;
        if (!data::CreateShippedTables(dir, &whyNot)) {
            throw std::runtime_error(whyNot);
        }
        tables = std::make_unique<data::Tables>(dir);
        window = std::make_unique<QWidget>();
        window->resize(800, 1200);
        auto* layout = new QVBoxLayout(window.get());
        auto add = [&](auto* widget) {
            layout->addWidget(widget);
            return widget;
        };
        w.watchList = add(new QTreeView);
        w.nameEntry = add(new QLineEdit);
        w.addButton = add(new QPushButton);
        w.renameButton = add(new QPushButton);
        w.deleteButton = add(new QPushButton);
        w.noteEdit = add(new QLineEdit);
        w.limitEdit = add(new QLineEdit);
        w.needsCardsCheck = add(new QCheckBox);
        w.itemChooser = add(new QComboBox);
        w.cardEntry = add(new QPlainTextEdit);
        w.addStockButton = add(new QPushButton);
        w.stockList = add(new QTreeView);
        w.deleteStockButton = add(new QPushButton);
        w.deliveredGrid = add(new QTableView);
        catalogue = new catalogue::Catalogue(w, *tables, dialogs, window.get());
        catalogue->SetUpDeliveredGrid();
        catalogue->ShowCardHint();
        window->show();
        QApplication::processEvents();
    }
    ~Bench() {
        window.reset();
        tables.reset();
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    void watch(const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            tables->AddWatchedItem({name, "", 0, true});
        }
        catalogue->RefreshLists();
    }
    void choose(int index) {
        w.itemChooser->setCurrentIndex(index);
        emit w.itemChooser->activated(index);
    }

    std::filesystem::path dir;
    SilentDialogs dialogs;
    std::unique_ptr<data::Tables> tables;
    std::unique_ptr<QWidget> window;
    catalogue::CatalogueWidgets w;
    catalogue::Catalogue* catalogue = nullptr;
};

std::vector<data::StockCard> cards(const std::string& item, int count, const std::string& tag) {
    std::vector<data::StockCard> list;
    list.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        list.push_back({item, tag + "-CARD-" + std::to_string(i), "PW" + std::to_string(i)});
    }
    return list;
}

// "增加入库" with 10,000 pasted lines: parse, one transaction, reload of the item's list.
void BM_AddStock10000Lines(benchmark::State& state) {
    Bench bench;
    std::vector<std::string> items;
    for (int i = 0; i < 64; ++i) {
        items.push_back("item " + std::to_string(i));
    }
    bench.watch(items);
    QString entry;
    for (int i = 0; i < 10000; ++i) {
        entry += QStringLiteral("CARD%1 PASS%1\n").arg(i);
    }
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        bench.choose(round++ % 64); // each round lists 10,000 cards of its own item
        bench.w.cardEntry->setPlainText(entry);
        state.ResumeTiming();
        bench.w.addStockButton->click();
        QApplication::processEvents();
    }
    state.counters["cards listed"] = static_cast<double>(bench.w.stockList->model()->rowCount());
}
BENCHMARK(BM_AddStock10000Lines)->Unit(benchmark::kMillisecond)->Iterations(8);

// LoadDeliveredGrid over 100,000 records, with the view laid out.
void BM_LoadDeliveredGrid100000(benchmark::State& state) {
    Bench bench;
    bench.tables->AddStockCards(cards("sold", 100000, "S"));
    const auto taken =
        bench.tables->TakeStockCards("sold", 100000, [](const data::StockCard& card) {
            return data::DeliveredRecord{card.itemName,
                                         "3198765432100123",
                                         "buyer nick",
                                         "1",
                                         card.cardNumber,
                                         card.cardPassword,
                                         "",
                                         "2013\xC4\xEA"
                                         "1\xD4\xC2"
                                         "5\xC8\xD5"
                                         "9\xCA\xB1"};
        });
    if (!taken) {
        state.SkipWithError("could not fill 已发卡密");
        return;
    }
    for (auto _ : state) {
        bench.catalogue->LoadDeliveredGrid();
        QApplication::processEvents();
    }
    state.counters["rows"] = static_cast<double>(bench.w.deliveredGrid->model()->rowCount());
}
BENCHMARK(BM_LoadDeliveredGrid100000)->Unit(benchmark::kMillisecond);

// LoadStockList of an item holding 50,000 of 100,000 cards, interleaved with another item's.
void BM_LoadStockList50000Of100000(benchmark::State& state) {
    Bench bench;
    bench.watch({"mine", "other"});
    std::vector<data::StockCard> mixed;
    const auto mine = cards("mine", 50000, "M");
    const auto other = cards("other", 50000, "O");
    for (size_t i = 0; i < mine.size(); ++i) {
        mixed.push_back(mine[i]);
        mixed.push_back(other[i]);
    }
    bench.tables->AddStockCards(mixed);
    bench.choose(0);
    for (auto _ : state) {
        bench.catalogue->LoadStockList();
        QApplication::processEvents();
    }
    state.counters["rows"] = static_cast<double>(bench.w.stockList->model()->rowCount());
}
BENCHMARK(BM_LoadStockList50000Of100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
