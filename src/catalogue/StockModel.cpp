#include "catalogue/StockModel.h"

#include "text/Gbk.h"
#include "text/Texts.h"
#include "ui/QtText.h"

#include <utility>

namespace quorvel::catalogue {

void StockModel::Reset(std::vector<data::StockCard> cards) {
    beginResetModel();
    m_cards = std::move(cards);
    endResetModel();
}

int StockModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_cards.size());
}

int StockModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant StockModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const data::StockCard& card = CardAt(index.row());
    switch (index.column()) {
    case NumberColumn:
        return ui::FromGbk(card.cardNumber);
    case PasswordColumn:
        return ui::FromGbk(card.cardPassword);
    case IdColumn:
        // The stable id, not the record number: it still names this card after the delivery
        // worker has taken cards ahead of it.
        return ui::FromGbk(text::IntToText(card.id));
    default:
        return {};
    }
}

QVariant StockModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case NumberColumn:
        return ui::Tr(text::kStockColumnNumber);
    case PasswordColumn:
        return ui::Tr(text::kStockColumnPassword);
    case IdColumn:
        return ui::Tr(text::kStockColumnId);
    default:
        return {};
    }
}

Qt::ItemFlags StockModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace quorvel::catalogue
