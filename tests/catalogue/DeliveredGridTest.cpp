#include "CatalogueFixture.h"

#include "text/Gbk.h"
#include "text/Texts.h"

#include <QHeaderView>

#include <thread>

namespace quorvel::catalogue::test {
namespace {

class DeliveredGridTest : public CatalogueTest {
  protected:
    int rows() const { return widgets.deliveredGrid->model()->rowCount(); }

    std::vector<std::string> row(int r) const {
        std::vector<std::string> cells;
        for (int column = 0; column < 8; ++column) {
            cells.push_back(cell(widgets.deliveredGrid, r, column));
        }
        return cells;
    }

    static std::vector<std::string> fields(const data::DeliveredRecord& r) {
        return {r.itemName,   r.orderNumber,  r.buyerNick, r.quantity,
                r.cardNumber, r.cardPassword, r.remark,    r.deliveredAt};
    }
};

TEST_F(DeliveredGridTest, HeaderRowAndWidths) {
    QHeaderView* header = widgets.deliveredGrid->horizontalHeader();
    const std::vector<text::FixedText> names = {
        text::kFieldItemName,   text::kFieldOrderNumber,    text::kFieldBuyerNick,
        text::kFieldQuantity,   text::kFieldSentCardNumber, text::kFieldSentCardPassword,
        text::kFieldSentRemark, text::kFieldDeliveredAt};
    const std::vector<int> widths = {140, 200, 90, 90, 200, 200, 200, 200};
    ASSERT_EQ(widgets.deliveredGrid->model()->columnCount(), 8);
    for (int column = 0; column < 8; ++column) {
        SCOPED_TRACE(column);
        EXPECT_EQ(ui::ToGbk(header->model()->headerData(column, Qt::Horizontal).toString()),
                  names[static_cast<size_t>(column)].gbk);
        EXPECT_EQ(header->sectionSize(column), widths[static_cast<size_t>(column)]);
    }
    EXPECT_EQ(rows(), 0);
    catalogue->LoadDeliveredGrid();
    EXPECT_EQ(rows(), 0); // an empty table: the header row alone
}

TEST_F(DeliveredGridTest, OneRowPerRecordExactlyAsStored) {
    const std::string midnight = text::DeliveryTimeText(2013, 1, 5, 0, 0, 0);
    const std::vector<data::DeliveredRecord> records = {
        {"\xB1\xA6\xB1\xB4 A", "1001", "buyer", "3", "k1", "p1", "", "2013\xC4\xEA"},
        {"\xB1\xA6\xB1\xB4 A", "1001", "buyer", "3", "k2", "p2", "", "2013\xC4\xEA"},
        {"\xB1\xA6\xB1\xB4 A", "1001", "buyer", "3", "k3", "0", "", "2013\xC4\xEA"},
        {"item B ", "1002", "other", "1", "k4", "p4", "remark", midnight},
    };
    for (const data::DeliveredRecord& record : records) {
        ASSERT_TRUE(tables->AppendDeliveredRecord(record));
    }
    catalogue->LoadDeliveredGrid();
    ASSERT_EQ(rows(), 4);
    for (int r = 0; r < 4; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(row(r), fields(records[static_cast<size_t>(r)]));
    }
    EXPECT_EQ(cell(widgets.deliveredGrid, 3, 7), "2013\xC4\xEA"
                                                 "1\xD4\xC2"
                                                 "5\xC8\xD5");
    // Read-only: nothing typed into the grid reaches the model.
    QAbstractItemModel* model = widgets.deliveredGrid->model();
    EXPECT_FALSE(model->flags(model->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model->setData(model->index(0, 0), QStringLiteral("x")));
}

TEST_F(DeliveredGridTest, RefillRebuildsAndAMissingTableKeepsTheGrid) {
    ASSERT_TRUE(tables->AppendDeliveredRecord({"a", "1", "b", "1", "k", "p", "", "t"}));
    catalogue->LoadDeliveredGrid();
    ASSERT_TRUE(tables->AppendDeliveredRecord({"a", "2", "b", "1", "k2", "p2", "", "t"}));
    catalogue->RefreshLists();
    ASSERT_EQ(rows(), 2);

    std::filesystem::remove(data::TableFile(dir(), data::TableId::Delivered));
    catalogue->LoadDeliveredGrid();
    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(cell(widgets.deliveredGrid, 1, 1), "2");
    EXPECT_EQ(ui::ToGbk(widgets.deliveredGrid->model()->headerData(0, Qt::Horizontal).toString()),
              text::kFieldItemName.gbk);
}

TEST_F(DeliveredGridTest, RefreshFromTheWorkerRunsOnTheUiThread) {
    ASSERT_TRUE(tables->AppendDeliveredRecord({"a", "1", "b", "1", "k", "p", "", "t"}));
    addWatched("w");
    std::thread worker([this] { catalogue->RefreshLists(); });
    worker.join();
    EXPECT_EQ(rows(), 0); // nothing touched from the worker
    QApplication::processEvents();
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(widgets.watchList->model()->rowCount(), 1);
    EXPECT_EQ(widgets.itemChooser->count(), 1);
}

} // namespace
} // namespace quorvel::catalogue::test
