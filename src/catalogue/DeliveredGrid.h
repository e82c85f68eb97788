// Page "已发卡密": the grid of every delivered card key. Nothing done in the grid is written back.
#pragma once

#include <QObject>

class QTableView;

namespace quorvel::data {
class Tables;
}

namespace quorvel::catalogue {

class DeliveredModel;

class DeliveredGrid : public QObject {
    Q_OBJECT
  public:
    DeliveredGrid(QTableView* grid, data::Tables& tables, QObject* parent);

    // The header row of the eight field names and the column widths.
    void SetUpDeliveredGrid();
    // Rebuilds the rows from 已发卡密; a table that cannot be opened leaves the grid as it was.
    void LoadDeliveredGrid();

  private:
    QTableView* m_grid;
    data::Tables& m_tables;
    DeliveredModel* m_model;
};

} // namespace quorvel::catalogue
