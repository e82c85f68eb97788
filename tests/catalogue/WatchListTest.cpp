#include "CatalogueFixture.h"

#include "data/TableLock.h"
#include "text/Texts.h"

#include <QHeaderView>
#include <QPalette>

#include <chrono>
#include <future>
#include <mutex>
#include <thread>

namespace quorvel::catalogue::test {
namespace {

using platform::DialogIcon;

const QColor kGrey(192, 192, 192);
const QColor kBlack(0, 0, 0);

class WatchListTest : public CatalogueTest {
  protected:
    QColor nameColour() const { return widgets.nameEntry->palette().color(QPalette::Text); }

    void typeName(const QString& name) {
        focus(widgets.nameEntry);
        for (const QChar c : name) {
            if (c.unicode() < 0x80) {
                QTest::keyClick(widgets.nameEntry, static_cast<char>(c.unicode()));
            } else {
                widgets.nameEntry->insert(c); // what an input method delivers
            }
        }
    }

    std::vector<std::string> storedNames() const { return tables->ReadItemNames(); }
    int rows() const { return widgets.watchList->model()->rowCount(); }
};

TEST_F(WatchListTest, NameHintGoesOnFocusAndComesBackForSpacesOnly) {
    EXPECT_EQ(widgets.nameEntry->text(), ui::Tr(text::kNameHint));
    EXPECT_EQ(nameColour(), kGrey);

    focus(widgets.nameEntry);
    EXPECT_EQ(widgets.nameEntry->text(), QString());
    EXPECT_EQ(nameColour(), kBlack);

    // Half- and full-width spaces alone count as empty.
    QTest::keyClicks(widgets.nameEntry, QStringLiteral("  "));
    widgets.nameEntry->insert(QStringLiteral("\u3000")); // typed through an input method
    leaveBox();
    EXPECT_EQ(widgets.nameEntry->text(), ui::Tr(text::kNameHint));
    EXPECT_EQ(nameColour(), kGrey);

    typeName(QStringLiteral(" x "));
    leaveBox();
    EXPECT_EQ(widgets.nameEntry->text(), QStringLiteral(" x "));
    EXPECT_EQ(nameColour(), kBlack);
}

TEST_F(WatchListTest, AddWhileHintShowsDoesNothing) {
    click(widgets.addButton);
    EXPECT_TRUE(storedNames().empty());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(widgets.nameEntry->text(), ui::Tr(text::kNameHint));
}

TEST_F(WatchListTest, AddStoresTheNameAsTypedAndRefreshes) {
    addWatched("first");
    catalogue->RefreshLists();

    typeName(QStringLiteral("Card \u5B9D\u8D1D ")); // trailing space kept
    click(widgets.addButton);

    const std::string expected = "Card \xB1\xA6\xB1\xB4 ";
    EXPECT_EQ(storedNames(), (std::vector<std::string>{"first", expected}));
    const std::optional<data::WatchedItem> item = tables->ReadWatchedItem(2);
    ASSERT_TRUE(item);
    EXPECT_EQ(*item, (data::WatchedItem{expected, "", 0, true}));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(widgets.nameEntry->text(), QString());
    // The new row is last, with the chooser refreshed as well.
    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(cell(widgets.watchList, 1, 0), expected);
    EXPECT_EQ(cell(widgets.watchList, 1, 1), text::kWithCards.gbk);
    ASSERT_EQ(widgets.itemChooser->count(), 2);
    EXPECT_EQ(ui::ToGbk(widgets.itemChooser->itemText(1)), expected);
    EXPECT_EQ(widgets.itemChooser->currentIndex(), -1);
}

TEST_F(WatchListTest, AddOfAWatchedNameShowsFailureAndKeepsTheText) {
    addWatched("dup");
    catalogue->RefreshLists();
    typeName(QStringLiteral("dup"));
    click(widgets.addButton);

    EXPECT_EQ(dialogs.messages, (std::vector<ShownMessage>{
                                    {std::string(text::kDuplicateItemText.gbk),
                                     std::string(text::kFailedTitle.gbk), DialogIcon::Error}}));
    EXPECT_EQ(storedNames(), std::vector<std::string>{"dup"});
    EXPECT_EQ(widgets.nameEntry->text(), QStringLiteral("dup"));

    // Byte equality: a trailing space makes another name.
    typeName(QStringLiteral(" "));
    click(widgets.addButton);
    EXPECT_EQ(storedNames(), (std::vector<std::string>{"dup", "dup "}));
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(WatchListTest, AddWithoutTheTableEmptiesTheBoxSilently) {
    std::filesystem::remove(data::TableFile(dir(), data::TableId::Watched));
    typeName(QStringLiteral("lost"));
    click(widgets.addButton);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(widgets.nameEntry->text(), QString());
    EXPECT_EQ(rows(), 0);
}

TEST_F(WatchListTest, RenameAsksPerTickedRowTopDownAndMovesTheStock) {
    for (const char* name : {"a", "b", "c"}) {
        addWatched(name);
    }
    addCards("a", {"a1"});
    addCards("b", {"b1", "b2"});
    addCards("c", {"c1"});
    ASSERT_TRUE(tables->AppendDeliveredRecord({"b", "o1", "buyer", "1", "b0", "p", "", "t"}));
    catalogue->RefreshLists();

    tick(2);
    tick(1);
    dialogs.answers = {std::nullopt, std::string("b2nd")}; // cancel the upper row
    click(widgets.renameButton);

    const std::string tail(text::kRenamePromptTail.gbk);
    EXPECT_EQ(dialogs.prompts, (std::vector<std::string>{"b" + tail, "c" + tail}));
    EXPECT_EQ(storedNames(), (std::vector<std::string>{"a", "b", "b2nd"}));
    EXPECT_EQ(cardNumbers("b"), (std::vector<std::string>{"b1", "b2"}));
    EXPECT_EQ(cardNumbers("b2nd"), std::vector<std::string>{"c1"});
    EXPECT_TRUE(cardNumbers("c").empty());
    EXPECT_EQ(tables->ReadDeliveredRecordsOf("o1").at(0).itemName, "b");
    EXPECT_TRUE(dialogs.messages.empty());
    // Refreshed: the new name shows and no row is ticked any more.
    EXPECT_EQ(cell(widgets.watchList, 2, 0), "b2nd");
    EXPECT_EQ(widgets.watchList->model()->index(2, 0).data(Qt::CheckStateRole).toInt(),
              Qt::Unchecked);
}

TEST_F(WatchListTest, RenameToEmptyOrExistingNameIsStoredAsTyped) {
    addWatched("a");
    addWatched("b");
    catalogue->RefreshLists();
    tick(0);
    tick(1);
    dialogs.answers = {std::string(""), std::string("")};
    click(widgets.renameButton);
    EXPECT_EQ(storedNames(), (std::vector<std::string>{"", ""}));
}

TEST_F(WatchListTest, RenameThatCannotBeWrittenIsReported) {
    addWatched("a");
    addCards("a", {"a1"});
    catalogue->RefreshLists();
    tick(0);
    std::filesystem::remove(data::TableFile(dir(), data::TableId::Watched));
    dialogs.answers = {std::string("z")};
    click(widgets.renameButton);
    EXPECT_EQ(dialogs.messages,
              (std::vector<ShownMessage>{{std::string(text::kRenameFailedText.gbk),
                                          std::string(text::kErrorTitle.gbk), DialogIcon::Error}}));
    EXPECT_EQ(cardNumbers("a"), std::vector<std::string>{"a1"}); // the stock did not move
    EXPECT_EQ(rows(), 0);                                        // refreshed from no table
}

TEST_F(WatchListTest, DeleteRemovesTickedItemsWithTheirCardsOnly) {
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        addWatched(name);
        addCards(name, {std::string(name) + "1", std::string(name) + "2"});
    }
    catalogue->RefreshLists();
    clickRow(widgets.watchList, 2); // selected but not ticked: stays
    tick(0);
    tick(1);
    click(widgets.deleteButton);

    EXPECT_EQ(storedNames(), (std::vector<std::string>{"c", "d", "e"}));
    EXPECT_TRUE(cardNumbers("a").empty());
    EXPECT_TRUE(cardNumbers("b").empty());
    EXPECT_EQ(cardNumbers("c"), (std::vector<std::string>{"c1", "c2"}));
    EXPECT_EQ(cardNumbers("e"), (std::vector<std::string>{"e1", "e2"}));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.prompts.empty());
    EXPECT_EQ(rows(), 3);
}

TEST_F(WatchListTest, NothingTickedOnlyRefreshes) {
    addWatched("a");
    catalogue->RefreshLists();
    addWatched("b"); // appears through the refresh
    click(widgets.renameButton);
    EXPECT_EQ(rows(), 2);
    addWatched("c");
    click(widgets.deleteButton);
    EXPECT_EQ(storedNames(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(rows(), 3);
}

TEST_F(WatchListTest, SelectionShowsTheSettingsAndLostFocusSavesThem) {
    addWatched("a");
    addWatched("b");
    addWatched("c");
    ASSERT_TRUE(tables->WriteWatchedItem(2, {"b", "note b", 7, false}));
    catalogue->RefreshLists();
    EXPECT_EQ(cell(widgets.watchList, 1, 1), text::kWithoutCards.gbk);

    clickRow(widgets.watchList, 1);
    EXPECT_EQ(widgets.noteEdit->text(), QStringLiteral("note b"));
    EXPECT_EQ(widgets.limitEdit->text(), QStringLiteral("7"));
    EXPECT_FALSE(widgets.needsCardsCheck->isChecked());

    // A letter-only limit reads as 0.
    focus(widgets.limitEdit);
    widgets.limitEdit->selectAll();
    QTest::keyClicks(widgets.limitEdit, QStringLiteral("abc"));
    leaveBox();
    EXPECT_EQ(tables->ReadWatchedItem(2), (data::WatchedItem{"b", "note b", 0, false}));
    // After the refresh no row is selected and the panel is empty.
    EXPECT_TRUE(widgets.watchList->selectionModel()->selectedRows().isEmpty());
    EXPECT_EQ(widgets.limitEdit->text(), QString());

    clickRow(widgets.watchList, 1);
    focus(widgets.limitEdit);
    widgets.limitEdit->selectAll();
    QTest::keyClicks(widgets.limitEdit, QStringLiteral("5"));
    leaveBox();
    EXPECT_EQ(tables->ReadWatchedItem(2)->purchaseLimit, 5);

    clickRow(widgets.watchList, 2);
    EXPECT_EQ(widgets.noteEdit->text(), QString());
    EXPECT_EQ(widgets.limitEdit->text(), QStringLiteral("0"));
    EXPECT_TRUE(widgets.needsCardsCheck->isChecked());
    focus(widgets.noteEdit);
    QTest::keyClicks(widgets.noteEdit, QStringLiteral("third"));
    leaveBox();
    EXPECT_EQ(tables->ReadWatchedItems(),
              (std::vector<data::WatchedItem>{
                  {"a", "", 0, true}, {"b", "note b", 5, false}, {"c", "third", 0, true}}));

    clickRow(widgets.watchList, 2);
    click(widgets.needsCardsCheck);
    EXPECT_FALSE(tables->ReadWatchedItem(3)->needsCards);
    EXPECT_EQ(cell(widgets.watchList, 2, 1), text::kWithoutCards.gbk);
}

TEST_F(WatchListTest, PanelEventsWithoutSelectionSaveNothing) {
    addWatched("a");
    catalogue->RefreshLists();
    focus(widgets.noteEdit);
    QTest::keyClicks(widgets.noteEdit, QStringLiteral("stray"));
    leaveBox();
    click(widgets.needsCardsCheck);
    EXPECT_EQ(tables->ReadWatchedItems(), (std::vector<data::WatchedItem>{{"a", "", 0, true}}));
}

TEST_F(WatchListTest, ListShowsRecordsInOrderWithFormWidths) {
    addWatched("x", false);
    addWatched("y", true);
    catalogue->LoadWatchList();
    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(cell(widgets.watchList, 0, 0), "x");
    EXPECT_EQ(cell(widgets.watchList, 0, 1), text::kWithoutCards.gbk);
    EXPECT_EQ(cell(widgets.watchList, 1, 1), text::kWithCards.gbk);
    QAbstractItemModel* model = widgets.watchList->model();
    EXPECT_EQ(ui::ToGbk(model->headerData(0, Qt::Horizontal).toString()),
              text::kWatchColumnName.gbk);
    EXPECT_EQ(widgets.watchList->header()->sectionSize(0), 435);
    EXPECT_EQ(widgets.watchList->header()->sectionSize(1), 90);
}

TEST_F(WatchListTest, ClosingTheWindowSavesTheNoteBeingTyped) {
    addWatched("a");
    catalogue->RefreshLists();
    clickRow(widgets.watchList, 0);
    focus(widgets.noteEdit);
    QTest::keyClicks(widgets.noteEdit, QStringLiteral("typed"));
    window.reset();
    EXPECT_EQ(tables->ReadWatchedItem(1)->note, "typed");
}

// The window may destroy its controls in any order; the pages must not reach a dead one.
TEST_F(WatchListTest, ControlsDestroyedFirstRunNoHandler) {
    addWatched("a");
    catalogue->RefreshLists();
    clickRow(widgets.watchList, 0);
    focus(widgets.noteEdit);
    QTest::keyClicks(widgets.noteEdit, QStringLiteral("typed"));
    delete widgets.noteEdit; // loses focus inside its own destructor
    focus(widgets.limitEdit);
    QTest::keyClicks(widgets.limitEdit, QStringLiteral("9"));
    delete widgets.watchList;
    leaveBox();
    EXPECT_EQ(tables->ReadWatchedItem(1), (data::WatchedItem{"a", "", 0, true}));
}

// A delivery pass inside the tables makes the delete wait, not fail: afterwards the list and
// the tables agree.
TEST_F(WatchListTest, DeleteDuringAPassWaitsForIt) {
    addWatched("a");
    addWatched("b");
    addCards("a", {"a1", "a2"});
    catalogue->RefreshLists();
    tick(0);
    std::promise<void> inside;
    std::thread pass([&inside] {
        std::lock_guard lock(data::TableLock());
        inside.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    });
    inside.get_future().wait();
    click(widgets.deleteButton);
    pass.join();
    EXPECT_EQ(storedNames(), std::vector<std::string>{"b"});
    EXPECT_TRUE(cardNumbers("a").empty());
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(cell(widgets.watchList, 0, 0), "b");
}

} // namespace
} // namespace quorvel::catalogue::test
