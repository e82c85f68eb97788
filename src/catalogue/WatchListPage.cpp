#include "catalogue/WatchListPage.h"

#include "catalogue/EditHint.h"
#include "data/Tables.h"
#include "platform/Ports.h"
#include "text/Gbk.h"
#include "text/Texts.h"
#include "ui/QtText.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QList>
#include <QPushButton>
#include <QStandardItem>
#include <QStandardItemModel>
#include <QTreeView>

#include <algorithm>
#include <string>
#include <utility>

namespace quorvel::catalogue {
namespace {

QList<QStandardItem*> rowFor(const data::WatchedItem& item) {
    auto* name = new QStandardItem(ui::FromGbk(item.name));
    name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    name->setCheckState(Qt::Unchecked);
    auto* state =
        new QStandardItem(ui::Tr(item.needsCards ? text::kWithCards : text::kWithoutCards));
    state->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return {name, state};
}

bool isLostFocus(QEvent* event) {
    // A context menu of the box itself is no loss of focus for the seller.
    return event->type() == QEvent::FocusOut &&
           static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason;
}

} // namespace

WatchListPage::WatchListPage(const CatalogueWidgets& widgets, data::Tables& tables,
                             platform::Dialogs& dialogs, std::function<void()> refreshLists,
                             QObject* parent)
    : QObject(parent), m_widgets(widgets), m_tables(tables), m_dialogs(dialogs),
      m_refreshLists(std::move(refreshLists)), m_model(new QStandardItemModel(0, 2, this)),
      m_hint(new EditHint(widgets.nameEntry, ui::Tr(text::kNameHint), this)),
      m_noteClass(widgets.noteEdit->metaObject()), m_limitClass(widgets.limitEdit->metaObject()) {
    m_model->setHorizontalHeaderLabels(
        {ui::Tr(text::kWatchColumnName), ui::Tr(text::kWatchColumnState)});
    QTreeView* list = m_widgets.watchList;
    list->setModel(m_model);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->header()->setStretchLastSection(false);
    list->header()->resizeSection(0, 435);
    list->header()->resizeSection(1, 90);

    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { showSelected(); });
    connect(m_widgets.addButton, &QPushButton::clicked, this, [this] { addItem(); });
    connect(m_widgets.renameButton, &QPushButton::clicked, this, [this] { renameTicked(); });
    connect(m_widgets.deleteButton, &QPushButton::clicked, this, [this] { deleteTicked(); });
    connect(m_widgets.needsCardsCheck, &QCheckBox::clicked, this, [this](bool checked) {
        saveSelected([checked](data::WatchedItem& item) { item.needsCards = checked; });
    });
    m_widgets.noteEdit->installEventFilter(this);
    m_widgets.limitEdit->installEventFilter(this);
}

void WatchListPage::LoadWatchList() {
    m_items = m_tables.ReadWatchedItems();
    m_model->setRowCount(0);
    for (const data::WatchedItem& item : m_items) {
        m_model->appendRow(rowFor(item));
    }
    // No row is selected after a load; the panel shows nothing rather than a stale item.
    showSelected();
}

void WatchListPage::ShowNameHint() {
    m_hint->Show();
}

void WatchListPage::Detach() {
    m_detached = true;
    m_hint->Detach();
}

bool WatchListPage::eventFilter(QObject* watched, QEvent* event) {
    if (m_detached) {
        return QObject::eventFilter(watched, event);
    }
    // A box that loses focus in its own destructor no longer has its class: no save then.
    if (watched == m_widgets.noteEdit && watched->metaObject() == m_noteClass &&
        isLostFocus(event)) {
        const std::string note = ui::ToGbk(m_widgets.noteEdit->text());
        saveSelected([&note](data::WatchedItem& item) { item.note = note; });
    } else if (watched == m_widgets.limitEdit && watched->metaObject() == m_limitClass &&
               isLostFocus(event)) {
        const std::int32_t limit = text::TextToInt(ui::ToGbk(m_widgets.limitEdit->text()));
        saveSelected([limit](data::WatchedItem& item) { item.purchaseLimit = limit; });
    }
    return QObject::eventFilter(watched, event);
}

void WatchListPage::addItem() {
    if (m_hint->Showing()) {
        return;
    }
    const std::string name = ui::ToGbk(m_widgets.nameEntry->text());
    // A table that cannot be opened counts as not watched; the add then stores nothing.
    if (m_tables.IsItemWatched(name).value_or(false)) {
        m_dialogs.ShowMessage(text::kDuplicateItemText.gbk, text::kFailedTitle.gbk,
                              platform::DialogIcon::Error);
        return;
    }
    m_tables.AddWatchedItem(data::WatchedItem{name, std::string(), 0, true});
    m_widgets.nameEntry->setText(QString());
    m_refreshLists();
}

void WatchListPage::renameTicked() {
    // The walk keeps the rows as loaded: the old names come from the load, not the table.
    const std::vector<data::WatchedItem> loaded = m_items;
    for (const int row : tickedRows()) {
        const std::string& oldName = loaded[static_cast<size_t>(row)].name;
        const std::string prompt = oldName + std::string(text::kRenamePromptTail.gbk);
        const std::optional<std::string> newName =
            m_dialogs.AskText(prompt, text::kRenameTitle.gbk);
        if (!newName) {
            continue;
        }
        std::optional<data::WatchedItem> item = m_tables.ReadWatchedItem(row + 1);
        bool written = false;
        if (item) {
            item->name = *newName;
            written = m_tables.WriteWatchedItem(row + 1, *item);
        }
        if (written) {
            m_tables.RenameItemStock(oldName, *newName);
        } else {
            m_dialogs.ShowMessage(text::kRenameFailedText.gbk, text::kErrorTitle.gbk,
                                  platform::DialogIcon::Error);
        }
    }
    m_refreshLists();
}

void WatchListPage::deleteTicked() {
    // Mark everything first and purge once: the record numbers hold until the purge.
    for (const int row : tickedRows()) {
        m_tables.MarkWatchedItem(row + 1);
        m_tables.MarkItemStock(m_items[static_cast<size_t>(row)].name);
    }
    m_tables.PurgeWatchedItems();
    m_tables.PurgeStock();
    m_refreshLists();
}

void WatchListPage::showSelected() {
    const std::optional<int> row = selectedRow();
    const std::optional<data::WatchedItem> item =
        row ? m_tables.ReadWatchedItem(*row + 1) : std::nullopt;
    m_widgets.noteEdit->setText(item ? ui::FromGbk(item->note) : QString());
    m_widgets.limitEdit->setText(item ? ui::FromGbk(text::IntToText(item->purchaseLimit))
                                      : QString());
    m_widgets.needsCardsCheck->setChecked(item && item->needsCards);
}

void WatchListPage::saveSelected(const std::function<void(data::WatchedItem&)>& change) {
    const std::optional<int> row = selectedRow();
    if (!row) {
        return;
    }
    std::optional<data::WatchedItem> item = m_tables.ReadWatchedItem(*row + 1);
    if (item) {
        change(*item);
        m_tables.WriteWatchedItem(*row + 1, *item);
    }
    m_refreshLists();
}

std::optional<int> WatchListPage::selectedRow() const {
    const QModelIndexList rows = m_widgets.watchList->selectionModel()->selectedRows();
    if (rows.isEmpty() || rows.front().row() >= static_cast<int>(m_items.size())) {
        return std::nullopt;
    }
    return rows.front().row();
}

std::vector<int> WatchListPage::tickedRows() const {
    std::vector<int> rows;
    const int count = std::min(m_model->rowCount(), static_cast<int>(m_items.size()));
    for (int row = 0; row < count; ++row) {
        if (m_model->item(row, 0)->checkState() == Qt::Checked) {
            rows.push_back(row);
        }
    }
    return rows;
}

} // namespace quorvel::catalogue
