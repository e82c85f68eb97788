#include "CatalogueFixture.h"

#include "text/Texts.h"

#include <QHeaderView>
#include <QPalette>

namespace quorvel::catalogue::test {
namespace {

const QColor kGrey(192, 192, 192);

struct Card {
    std::string number;
    std::string password;
    bool operator==(const Card&) const = default;
};

void PrintTo(const Card& card, std::ostream* os) {
    *os << "{" << card.number << "|" << card.password << "}";
}

class StockPageTest : public CatalogueTest {
  protected:
    // Chooses the item from the chooser as the seller does.
    void choose(const std::string& item) {
        const int index = widgets.itemChooser->findText(ui::FromGbk(item));
        ASSERT_GE(index, 0) << item;
        widgets.itemChooser->setCurrentIndex(index);
        emit widgets.itemChooser->activated(index);
    }

    void enter(const QString& entry) {
        focus(widgets.cardEntry);
        widgets.cardEntry->setPlainText(entry); // what a paste leaves in the box
        click(widgets.addStockButton);
    }

    std::vector<Card> stored(const std::string& item) const {
        std::vector<Card> cards;
        for (const data::StockCard& card : tables->ReadStockCards(item)) {
            cards.push_back({card.cardNumber, card.cardPassword});
        }
        return cards;
    }

    std::vector<Card> listed() const {
        std::vector<Card> cards;
        for (int row = 0; row < widgets.stockList->model()->rowCount(); ++row) {
            cards.push_back({cell(widgets.stockList, row, 0), cell(widgets.stockList, row, 1)});
        }
        return cards;
    }

    std::vector<std::string> listedNumbers() const {
        std::vector<std::string> numbers;
        for (const Card& card : listed()) {
            numbers.push_back(card.number);
        }
        return numbers;
    }

    void watchAndChoose(const std::string& item) {
        addWatched(item);
        catalogue->RefreshLists();
        choose(item);
    }
};

struct EntryCase {
    const char* name;
    QString entry;
    std::vector<Card> cards;
};

TEST_F(StockPageTest, EntryLinesAndPieces) {
    const std::string missing(text::kMissingPassword.gbk);
    const std::vector<EntryCase> cases = {
        {"two lines", "A1 P1\nA2 P2", {{"A1", "P1"}, {"A2", "P2"}}},
        {"no space", "A3", {{"A3", missing}}},
        {"two spaces", "A4  P4", {{"A4", ""}}},
        {"leading space", " P5", {{"", "P5"}}},
        {"third piece", "A6 P6 extra", {{"A6", "P6"}}},
        {"final line break", "A7 P7\n", {{"A7", "P7"}}},
        {"empty line", "A8 P8\n\nA9 P9", {{"A8", "P8"}, {"A9", "P9"}}},
        {"twice the same", "A1 P1\nA1 P1", {{"A1", "P1"}, {"A1", "P1"}}},
        {"double-byte", QStringLiteral("\u5361 \u5BC6"), {{"\xBF\xA8", "\xC3\xDC"}}},
    };
    watchAndChoose("item");
    addCards("item", {"old"});
    std::vector<Card> expected = {{"old", "pold"}};
    for (const EntryCase& c : cases) {
        SCOPED_TRACE(c.name);
        enter(c.entry);
        expected.insert(expected.end(), c.cards.begin(), c.cards.end());
        EXPECT_EQ(stored("item"), expected);
        EXPECT_EQ(listed(), expected); // the list shows the new cards last
        EXPECT_EQ(widgets.cardEntry->toPlainText(), ui::Tr(text::kCardHint).replace("\r\n", "\n"));
        EXPECT_EQ(widgets.cardEntry->palette().color(QPalette::Text), kGrey);
    }
}

TEST_F(StockPageTest, AddWhileHintShowsDoesNothing) {
    watchAndChoose("item");
    click(widgets.addStockButton);
    EXPECT_TRUE(stored("item").empty());
    EXPECT_TRUE(stored("").empty());
}

TEST_F(StockPageTest, CardHintGoesOnFocusAndComesBackForSpacesOnly) {
    focus(widgets.cardEntry);
    EXPECT_EQ(widgets.cardEntry->toPlainText(), QString());
    QTest::keyClicks(widgets.cardEntry, QStringLiteral("  "));
    leaveBox();
    EXPECT_EQ(widgets.cardEntry->toPlainText(), ui::Tr(text::kCardHint).replace("\r\n", "\n"));
    focus(widgets.cardEntry);
    QTest::keyClicks(widgets.cardEntry, QStringLiteral("K1 S1"));
    leaveBox();
    EXPECT_EQ(widgets.cardEntry->toPlainText(), QStringLiteral("K1 S1"));
}

TEST_F(StockPageTest, WithNoItemChosenCardsGoUnderTheEmptyName) {
    watchAndChoose("item");
    catalogue->RefreshLists(); // clears the choice, keeps the list
    EXPECT_EQ(widgets.itemChooser->currentIndex(), -1);
    enter(QStringLiteral("N1 S1"));
    EXPECT_TRUE(stored("item").empty());
    EXPECT_EQ(stored(""), (std::vector<Card>{{"N1", "S1"}}));
    EXPECT_EQ(listed(), (std::vector<Card>{{"N1", "S1"}}));
}

TEST_F(StockPageTest, DeleteRemovesExactlyTheSelectedCards) {
    watchAndChoose("item");
    addCards("item", {"c1", "c2", "c3", "c4", "c5"});
    addCards("other", {"o1"});
    catalogue->LoadStockList();
    ASSERT_EQ(listedNumbers(), (std::vector<std::string>{"c1", "c2", "c3", "c4", "c5"}));
    clickRow(widgets.stockList, 1);
    clickRow(widgets.stockList, 3, Qt::ControlModifier);
    click(widgets.deleteStockButton);
    EXPECT_EQ(cardNumbers("item"), (std::vector<std::string>{"c1", "c3", "c5"}));
    EXPECT_EQ(listedNumbers(), (std::vector<std::string>{"c1", "c3", "c5"}));
    EXPECT_EQ(cardNumbers("other"), std::vector<std::string>{"o1"});
}

TEST_F(StockPageTest, DeleteAfterTheWorkerTookACardKeepsToTheSelection) {
    watchAndChoose("item");
    addCards("item", {"c1", "c2", "c3", "c4"});
    catalogue->LoadStockList();
    clickRow(widgets.stockList, 2); // c3
    // The delivery worker takes the first card while the list still shows it.
    const auto taken = tables->TakeStockCards("item", 1, [](const data::StockCard& card) {
        return data::DeliveredRecord{card.itemName,     "o", "b", "1", card.cardNumber,
                                     card.cardPassword, "",  "t"};
    });
    ASSERT_TRUE(taken);
    click(widgets.deleteStockButton);
    EXPECT_EQ(cardNumbers("item"), (std::vector<std::string>{"c2", "c4"}));
    EXPECT_EQ(listedNumbers(), (std::vector<std::string>{"c2", "c4"}));
}

TEST_F(StockPageTest, ChooserAndListShowTheTablesWithFormWidths) {
    addWatched("b");
    addWatched("a");
    addCards("a", {"a1", "a2"});
    addCards("b", {"b1"});
    catalogue->LoadItemChooser();
    ASSERT_EQ(widgets.itemChooser->count(), 2);
    EXPECT_EQ(ui::ToGbk(widgets.itemChooser->itemText(0)), "b");
    EXPECT_EQ(widgets.itemChooser->currentIndex(), -1);
    choose("a");
    EXPECT_EQ(listed(), (std::vector<Card>{{"a1", "pa1"}, {"a2", "pa2"}}));
    // The hidden column names each card by its stable id.
    const std::vector<data::StockCard> cards = tables->ReadStockCards("a");
    EXPECT_EQ(cell(widgets.stockList, 1, 2), std::to_string(cards.at(1).id));
    QHeaderView* header = widgets.stockList->header();
    EXPECT_EQ(header->sectionSize(0), 200);
    EXPECT_EQ(header->sectionSize(1), 120);
    EXPECT_EQ(header->sectionSize(2), 0);
    EXPECT_EQ(ui::ToGbk(header->model()->headerData(0, Qt::Horizontal).toString()),
              text::kStockColumnNumber.gbk);
}

} // namespace
} // namespace quorvel::catalogue::test
