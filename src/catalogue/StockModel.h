// The rows of the stock list: the cards of one item as last loaded. The cells are converted to
// QString only when the view asks for them, so a list of 100,000 cards holds no widget or item
// per cell.
#pragma once

#include "data/Records.h"

#include <QAbstractTableModel>

#include <vector>

namespace quorvel::catalogue {

class StockModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { NumberColumn = 0, PasswordColumn = 1, IdColumn = 2, ColumnCount = 3 };

    using QAbstractTableModel::QAbstractTableModel;

    void Reset(std::vector<data::StockCard> cards);
    const data::StockCard& CardAt(int row) const { return m_cards[static_cast<size_t>(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    std::vector<data::StockCard> m_cards;
};

} // namespace quorvel::catalogue
