#include "catalogue/DeliveredModel.h"

#include "ui/QtText.h"

#include <string>
#include <utility>

namespace quorvel::catalogue {
namespace {

const std::string& field(const data::DeliveredRecord& record, int column) {
    switch (column) {
    case 0:
        return record.itemName;
    case 1:
        return record.orderNumber;
    case 2:
        return record.buyerNick;
    case 3:
        return record.quantity;
    case 4:
        return record.cardNumber;
    case 5:
        return record.cardPassword;
    case 6:
        return record.remark;
    default:
        return record.deliveredAt;
    }
}

} // namespace

void DeliveredModel::SetHeader(QStringList header) {
    m_header = std::move(header);
    emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
}

void DeliveredModel::Reset(std::vector<data::DeliveredRecord> records) {
    beginResetModel();
    m_records = std::move(records);
    endResetModel();
}

int DeliveredModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_records.size());
}

int DeliveredModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant DeliveredModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount() ||
        index.column() >= kColumnCount) {
        return {};
    }
    return ui::FromGbk(field(m_records[static_cast<size_t>(index.row())], index.column()));
}

QVariant DeliveredModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Vertical) {
        return section + 1; // row i shows record i
    }
    return section >= 0 && section < m_header.size() ? QVariant(m_header[section]) : QVariant();
}

Qt::ItemFlags DeliveredModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace quorvel::catalogue
