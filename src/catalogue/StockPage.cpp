#include "catalogue/StockPage.h"

#include "catalogue/CardEntry.h"
#include "catalogue/EditHint.h"
#include "catalogue/StockModel.h"
#include "data/Tables.h"
#include "text/Texts.h"
#include "ui/QtText.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>

#include <algorithm>
#include <cstdint>

namespace quorvel::catalogue {

StockPage::StockPage(const CatalogueWidgets& widgets, data::Tables& tables, QObject* parent)
    : QObject(parent), m_widgets(widgets), m_tables(tables), m_model(new StockModel(this)),
      m_hint(new EditHint(widgets.cardEntry, ui::Tr(text::kCardHint), this)) {
    QTreeView* list = m_widgets.stockList;
    list->setModel(m_model);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true); // the view never measures rows one by one
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QHeaderView* header = list->header();
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(0);
    header->resizeSection(StockModel::NumberColumn, 200);
    header->resizeSection(StockModel::PasswordColumn, 120);
    header->resizeSection(StockModel::IdColumn, 0);

    connect(m_widgets.itemChooser, &QComboBox::activated, this, [this] { LoadStockList(); });
    connect(m_widgets.addStockButton, &QPushButton::clicked, this, [this] { addCards(); });
    connect(m_widgets.deleteStockButton, &QPushButton::clicked, this,
            [this] { deleteSelectedCards(); });
}

void StockPage::LoadItemChooser() {
    m_names = m_tables.ReadItemNames();
    QComboBox* chooser = m_widgets.itemChooser;
    chooser->clear();
    for (const std::string& name : m_names) {
        chooser->addItem(ui::FromGbk(name));
    }
    chooser->setCurrentIndex(-1);
}

void StockPage::LoadStockList() {
    m_model->Reset(m_tables.ReadStockCards(chosenItem()));
}

void StockPage::ShowCardHint() {
    m_hint->Show();
}

void StockPage::Detach() {
    m_hint->Detach();
}

std::string StockPage::chosenItem() const {
    const int index = m_widgets.itemChooser->currentIndex();
    return index >= 0 && index < static_cast<int>(m_names.size())
               ? m_names[static_cast<size_t>(index)]
               : std::string();
}

void StockPage::addCards() {
    if (m_hint->Showing()) {
        return;
    }
    // One transaction for the whole entry: ten thousand lines are stored at once, or not at all.
    const std::vector<data::StockCard> cards =
        CardsFromEntry(ui::ToGbk(m_hint->Text()), chosenItem());
    if (!cards.empty()) {
        m_tables.AddStockCards(cards);
    }
    LoadStockList();
    m_hint->SetText(QString());
    m_hint->ShowIfEmpty();
}

void StockPage::deleteSelectedCards() {
    QModelIndexList rows = m_widgets.stockList->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<std::int64_t> ids;
    ids.reserve(static_cast<size_t>(rows.size()));
    for (const QModelIndex& row : rows) {
        ids.push_back(m_model->CardAt(row.row()).id);
    }
    // By stable id: the delivery worker may have taken cards since the list was loaded, which
    // moves the record numbers but never the ids.
    if (!ids.empty()) {
        m_tables.MarkStockCardsById(ids);
    }
    m_tables.PurgeStock();
    LoadStockList();
}

} // namespace quorvel::catalogue
