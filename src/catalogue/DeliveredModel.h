// The rows of the delivered grid: every record of 已发卡密 as last loaded, each value shown
// exactly as stored. Cells become QString only when the view asks, so years of records cost
// one vector and no object per cell. Read-only.
#pragma once

#include "data/Records.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

namespace quorvel::catalogue {

class DeliveredModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    static constexpr int kColumnCount = 8;

    using QAbstractTableModel::QAbstractTableModel;

    void SetHeader(QStringList header);
    void Reset(std::vector<data::DeliveredRecord> records);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    QStringList m_header;
    std::vector<data::DeliveredRecord> m_records;
};

} // namespace quorvel::catalogue
