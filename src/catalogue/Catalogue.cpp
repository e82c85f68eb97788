#include "catalogue/Catalogue.h"

#include "catalogue/DeliveredGrid.h"
#include "catalogue/StockPage.h"
#include "catalogue/WatchListPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <QTreeView>

namespace quorvel::catalogue {

Catalogue::Catalogue(const CatalogueWidgets& widgets, data::Tables& tables,
                     platform::Dialogs& dialogs, QObject* parent)
    : QObject(parent), m_watchList(new WatchListPage(
                           widgets, tables, dialogs, [this] { RefreshLists(); }, this)),
      m_stock(new StockPage(widgets, tables, this)),
      m_grid(new DeliveredGrid(widgets.deliveredGrid, tables, this)) {
    watchForTeardown(widgets);
}

Catalogue::~Catalogue() = default;

// The window may destroy its controls before this object. Once the first is gone, a focus
// change in the others must not run a handler that reaches the dead one.
void Catalogue::watchForTeardown(const CatalogueWidgets& widgets) {
    const QObject* all[] = {widgets.watchList,         widgets.nameEntry,       widgets.addButton,
                            widgets.renameButton,      widgets.deleteButton,    widgets.noteEdit,
                            widgets.limitEdit,         widgets.needsCardsCheck, widgets.itemChooser,
                            widgets.cardEntry,         widgets.addStockButton,  widgets.stockList,
                            widgets.deleteStockButton, widgets.deliveredGrid};
    for (const QObject* widget : all) {
        connect(widget, &QObject::destroyed, this, [this] {
            m_watchList->Detach();
            m_stock->Detach();
        });
    }
}

void Catalogue::LoadWatchList() {
    m_watchList->LoadWatchList();
}

void Catalogue::LoadItemChooser() {
    m_stock->LoadItemChooser();
}

void Catalogue::LoadStockList() {
    m_stock->LoadStockList();
}

void Catalogue::SetUpDeliveredGrid() {
    m_grid->SetUpDeliveredGrid();
}

void Catalogue::LoadDeliveredGrid() {
    m_grid->LoadDeliveredGrid();
}

void Catalogue::RefreshLists() {
    // Called from the delivery worker by mistake, it is handed to the UI thread rather than
    // touching widgets from the wrong thread.
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this] { RefreshLists(); }, Qt::QueuedConnection);
        return;
    }
    LoadWatchList();
    LoadItemChooser();
    LoadDeliveredGrid();
}

void Catalogue::ShowCardHint() {
    m_stock->ShowCardHint();
}

void Catalogue::ShowNameHint() {
    m_watchList->ShowNameHint();
}

} // namespace quorvel::catalogue
