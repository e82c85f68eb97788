// A small window holding the catalogue's controls, real table files in a temp directory and
// dialogs whose answers the test scripts.
#pragma once

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
#include <QTest>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::catalogue::test {

struct ShownMessage {
    std::string text;
    std::string title;
    platform::DialogIcon icon;
    bool operator==(const ShownMessage&) const = default;
};

class ScriptedDialogs : public platform::Dialogs {
  public:
    void ShowMessage(std::string_view text, std::string_view title,
                     platform::DialogIcon icon) override {
        messages.push_back({std::string(text), std::string(title), icon});
    }
    bool AskOkCancel(std::string_view, std::string_view) override {
        ADD_FAILURE() << "no question expected";
        return false;
    }
    std::optional<std::string> AskText(std::string_view prompt, std::string_view title) override {
        prompts.emplace_back(prompt);
        EXPECT_EQ(title, text::kRenameTitle.gbk);
        if (answers.empty()) {
            ADD_FAILURE() << "no answer scripted for an input box";
            return std::nullopt;
        }
        std::optional<std::string> answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<ShownMessage> messages;
    std::vector<std::string> prompts;
    std::deque<std::optional<std::string>> answers; // nullopt: Cancel
};

// One QApplication for the whole test program, gone before the statics are destroyed.
class QtEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { m_app = std::make_unique<QApplication>(m_argc, m_argv); }
    void TearDown() override { m_app.reset(); }

  private:
    int m_argc = 1;
    char m_name[16] = "catalogue_test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

inline ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment); // gtest owns it

class CatalogueTest : public ::testing::Test {
  protected:
    CatalogueTest() {
        static std::atomic<int> serial{0};
        m_dir =
            std::filesystem::temp_directory_path() /
            ("quorvel-catalogue-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        data::CreateShippedTables(m_dir);
        tables = std::make_unique<data::Tables>(m_dir);
        buildWindow();
        catalogue = new Catalogue(widgets, *tables, dialogs, window.get());
        catalogue->ShowNameHint();
        catalogue->ShowCardHint();
        catalogue->SetUpDeliveredGrid();
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    ~CatalogueTest() override {
        window.reset();
        tables.reset();
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    const std::filesystem::path& dir() const { return m_dir; }

    // Focus moves to a box that belongs to no page, as when the seller clicks elsewhere.
    void leaveBox() {
        elsewhere->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
    }

    void focus(QWidget* box) {
        box->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
    }

    void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    // Clicks row `row` of a list view, as the seller does to select it.
    void clickRow(QAbstractItemView* view, int row, Qt::KeyboardModifiers modifiers = {}) {
        const QRect rect = view->visualRect(view->model()->index(row, 0));
        ASSERT_TRUE(rect.isValid()) << "row " << row << " not shown";
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, rect.center());
    }

    void tick(int row) {
        QAbstractItemModel* model = widgets.watchList->model();
        ASSERT_TRUE(model->setData(model->index(row, 0), Qt::Checked, Qt::CheckStateRole));
    }

    std::string cell(QAbstractItemView* view, int row, int column) const {
        return ui::ToGbk(view->model()->index(row, column).data().toString());
    }

    void addWatched(const std::string& name, bool needsCards = true) {
        ASSERT_TRUE(tables->AddWatchedItem({name, "", 0, needsCards}));
    }

    void addCards(const std::string& item, const std::vector<std::string>& numbers) {
        std::vector<data::StockCard> cards;
        for (const std::string& number : numbers) {
            cards.push_back({item, number, "p" + number});
        }
        ASSERT_TRUE(tables->AddStockCards(cards));
    }

    std::vector<std::string> cardNumbers(const std::string& item) const {
        std::vector<std::string> numbers;
        for (const data::StockCard& card : tables->ReadStockCards(item)) {
            numbers.push_back(card.cardNumber);
        }
        return numbers;
    }

    ScriptedDialogs dialogs;
    std::unique_ptr<data::Tables> tables;
    std::unique_ptr<QWidget> window;
    CatalogueWidgets widgets;
    QLineEdit* elsewhere = nullptr;
    Catalogue* catalogue = nullptr; // child of window

  private:
    template <typename W> W* add(QVBoxLayout* layout, const char* name) {
        auto* widget = new W(window.get());
        widget->setObjectName(QString::fromUtf8(name));
        layout->addWidget(widget);
        return widget;
    }

    void buildWindow() {
        window = std::make_unique<QWidget>();
        window->resize(900, 1400);
        auto* layout = new QVBoxLayout(window.get());
        widgets.watchList = add<QTreeView>(layout, "超级列表框1");
        widgets.nameEntry = add<QLineEdit>(layout, "编辑框1");
        widgets.addButton = add<QPushButton>(layout, "超级按钮1");
        widgets.renameButton = add<QPushButton>(layout, "超级按钮2");
        widgets.deleteButton = add<QPushButton>(layout, "超级按钮3");
        widgets.noteEdit = add<QLineEdit>(layout, "宝贝备注");
        widgets.limitEdit = add<QLineEdit>(layout, "限拍数量");
        widgets.needsCardsCheck = add<QCheckBox>(layout, "选择框1");
        widgets.needsCardsCheck->setFixedSize(16, 13); // a click at its centre hits the box
        widgets.itemChooser = add<QComboBox>(layout, "组合框1");
        widgets.cardEntry = add<QPlainTextEdit>(layout, "编辑框3");
        widgets.addStockButton = add<QPushButton>(layout, "超级按钮8");
        widgets.stockList = add<QTreeView>(layout, "超级列表框2");
        widgets.deleteStockButton = add<QPushButton>(layout, "超级按钮9");
        widgets.deliveredGrid = add<QTableView>(layout, "高级表格1");
        elsewhere = add<QLineEdit>(layout, "elsewhere");
    }

    std::filesystem::path m_dir;
};

} // namespace quorvel::catalogue::test
