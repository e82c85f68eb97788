// The three catalogue pages of the main window: the watch list with its settings panel, the
// card key stock and the delivered records grid. The controller sets its own models on the
// given views, connects the handlers and filters the focus events of the edit boxes.
//
// UI thread only, except RefreshLists, which a delivery pass may call from its worker.
#pragma once

#include "catalogue/CatalogueWidgets.h"

#include <QObject>

namespace quorvel::data {
class Tables;
}
namespace quorvel::platform {
class Dialogs;
}

namespace quorvel::catalogue {

class WatchListPage;
class StockPage;
class DeliveredGrid;

class Catalogue : public QObject {
    Q_OBJECT
  public:
    // REQUIRES: every member of `widgets` is set; tables and dialogs outlive this object.
    Catalogue(const CatalogueWidgets& widgets, data::Tables& tables, platform::Dialogs& dialogs,
              QObject* parent);
    ~Catalogue() override;

    void LoadWatchList();
    void LoadItemChooser();
    void LoadStockList();
    void SetUpDeliveredGrid();
    void LoadDeliveredGrid();
    // The watch list, the item chooser and the delivered grid, in this order; not the stock list.
    // From another thread it is queued to this object's thread and runs there.
    void RefreshLists();
    // The hint of 编辑框3 in grey (start-up).
    void ShowCardHint();
    // The hint of 编辑框1 in grey (window load).
    void ShowNameHint();

  private:
    void watchForTeardown(const CatalogueWidgets& widgets);

    WatchListPage* m_watchList = nullptr; // children of this object
    StockPage* m_stock = nullptr;
    DeliveredGrid* m_grid = nullptr;
};

} // namespace quorvel::catalogue
