#include "catalogue/Catalogue.h"

#include "catalogue/DeliveredGrid.h"
#include "catalogue/StockPage.h"
#include "catalogue/WatchListPage.h"

namespace quorvel::catalogue {

Catalogue::Catalogue(const CatalogueWidgets& widgets, data::Tables& tables,
                     platform::Dialogs& dialogs, QObject* parent)
    : QObject(parent), m_watchList(new WatchListPage(
                           widgets, tables, dialogs, [this] { RefreshLists(); }, this)),
      m_stock(new StockPage(widgets, tables, this)),
      m_grid(new DeliveredGrid(widgets.deliveredGrid, tables, this)) {}

Catalogue::~Catalogue() = default;

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
