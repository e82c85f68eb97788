// Page "卡密管理": the item chooser, the card key entry with "增加入库", and the stock list of
// the chosen item with "删除库存". "修改卡号" and "修改卡密" have no handler.
#pragma once

#include "catalogue/CatalogueWidgets.h"

#include <QObject>

#include <string>
#include <vector>

namespace quorvel::data {
class Tables;
}

namespace quorvel::catalogue {

class EditHint;
class StockModel;

class StockPage : public QObject {
    Q_OBJECT
  public:
    StockPage(const CatalogueWidgets& widgets, data::Tables& tables, QObject* parent);

    // The names of all watched items, none chosen.
    void LoadItemChooser();
    // The cards of the chosen item (of the empty name when none is chosen).
    void LoadStockList();
    void ShowCardHint();
    // Stops reacting to the controls: the window has begun to destroy them.
    void Detach();

  private:
    std::string chosenItem() const;
    void addCards();
    void deleteSelectedCards();

    CatalogueWidgets m_widgets;
    data::Tables& m_tables;
    StockModel* m_model;
    EditHint* m_hint;
    std::vector<std::string> m_names; // the chooser's entries as stored, byte for byte
};

} // namespace quorvel::catalogue
