#include "catalogue/DeliveredGrid.h"

#include "catalogue/DeliveredModel.h"
#include "data/Tables.h"
#include "text/Texts.h"
#include "ui/QtText.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QTableView>

#include <array>

namespace quorvel::catalogue {
namespace {

constexpr std::array<int, DeliveredModel::kColumnCount> kWidths{140, 200, 90,  90,
                                                                200, 200, 200, 200};

} // namespace

DeliveredGrid::DeliveredGrid(QTableView* grid, data::Tables& tables, QObject* parent)
    : QObject(parent), m_grid(grid), m_tables(tables), m_model(new DeliveredModel(this)) {
    m_grid->setModel(m_model);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSortingEnabled(false);
    // Fixed row heights: the view never measures rows, however many records there are.
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Row 0 of the grid is its header row; rows carry no numbers of their own.
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setStretchLastSection(false);
}

void DeliveredGrid::SetUpDeliveredGrid() {
    m_model->SetHeader({ui::Tr(text::kFieldItemName), ui::Tr(text::kFieldOrderNumber),
                        ui::Tr(text::kFieldBuyerNick), ui::Tr(text::kFieldQuantity),
                        ui::Tr(text::kFieldSentCardNumber), ui::Tr(text::kFieldSentCardPassword),
                        ui::Tr(text::kFieldSentRemark), ui::Tr(text::kFieldDeliveredAt)});
    for (int column = 0; column < DeliveredModel::kColumnCount; ++column) {
        m_grid->setColumnWidth(column, kWidths[static_cast<size_t>(column)]);
    }
}

void DeliveredGrid::LoadDeliveredGrid() {
    std::optional<std::vector<data::DeliveredRecord>> records = m_tables.ReadDeliveredRecords();
    if (!records) {
        return;
    }
    m_model->Reset(std::move(*records));
}

} // namespace quorvel::catalogue
