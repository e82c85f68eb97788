// The alternating row colours of a list view, read back from a rendering of the view.
#include "ui/RowColouring.h"

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

namespace quorvel::ui {
namespace {

class RowColouringTest : public ::testing::Test {
  protected:
    void SetUp() override {
        model = new QStandardItemModel(0, 2, &view);
        for (int row = 0; row < 4; ++row) {
            auto* name = new QStandardItem(QStringLiteral("item %1").arg(row));
            name->setCheckable(true);
            // A cell colour of its own, which the row's colour must win over.
            name->setBackground(QColor(255, 0, 0));
            name->setForeground(QColor(0, 200, 0));
            model->appendRow({name, new QStandardItem(QStringLiteral("x"))});
        }
        view.setModel(model);
        view.setRootIsDecorated(false);
        // No current-row frame over the colours being sampled.
        view.setFocusPolicy(Qt::NoFocus);
        view.setMouseTracking(false);
        view.resize(300, 200);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    QImage render() { return view.viewport()->grab().toImage(); }
    // A pixel of the row's cell that no text or check box covers.
    std::string sample(const QImage& image, int row, int column) {
        const QRect cell = view.visualRect(model->index(row, column));
        return image.pixelColor(cell.right() - 3, cell.center().y()).name().toStdString();
    }
    static std::string name(const QColor& colour) { return colour.name().toStdString(); }

    QTreeView view;
    QStandardItemModel* model = nullptr;
};

TEST_F(RowColouringTest, RowsAlternateAndEveryCellSharesItsRowColour) {
    RowColouringRegistry registry;
    RegisterRowColouring(registry, &view, kEvenRowColour, kOddRowColour);
    const QImage image = render();
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        const QColor expected = row % 2 == 0 ? QColor(234, 240, 247) : QColor(222, 232, 241);
        EXPECT_EQ(sample(image, row, 0), name(expected));
        EXPECT_EQ(sample(image, row, 1), name(expected));
    }
}

TEST_F(RowColouringTest, TextTakesTheViewsColourAtRegistration) {
    QPalette palette = view.palette();
    palette.setColor(QPalette::Text, QColor(10, 20, 30));
    view.setPalette(palette);
    RowColouringRegistry registry;
    RegisterRowColouring(registry, &view, kEvenRowColour, kOddRowColour);
    palette.setColor(QPalette::Text, QColor(200, 0, 200)); // later changes do not count
    view.setPalette(palette);
    auto* delegate = qobject_cast<RowColouringDelegate*>(view.itemDelegate());
    ASSERT_NE(delegate, nullptr);
    EXPECT_EQ(name(delegate->textColour()), "#0a141e");

    QStyleOptionViewItem option;
    option.initFrom(&view);
    const QModelIndex first = model->index(0, 0);
    delegate->initStyleOption(&option, first);
    EXPECT_EQ(name(option.palette.color(QPalette::Text)), "#0a141e");
}

TEST_F(RowColouringTest, RegisteringTwiceKeepsOneEntryAndOneDelegate) {
    RowColouringRegistry registry;
    QTreeView other;
    RegisterRowColouring(registry, &view, kEvenRowColour, kOddRowColour);
    QAbstractItemDelegate* first = view.itemDelegate();
    RegisterRowColouring(registry, &other, kEvenRowColour, kOddRowColour);
    RegisterRowColouring(registry, &view, QColor(1, 2, 3), QColor(4, 5, 6));
    ASSERT_EQ(registry.entries().size(), 2U);
    EXPECT_EQ(registry.entries()[0].view, &view);
    EXPECT_EQ(registry.entries()[1].view, &other);
    EXPECT_EQ(view.itemDelegate(), first);
    EXPECT_EQ(sample(render(), 1, 1), name(QColor(4, 5, 6)));
}

TEST_F(RowColouringTest, CheckBoxesStillToggle) {
    RowColouringRegistry registry;
    RegisterRowColouring(registry, &view, kEvenRowColour, kOddRowColour);
    const QModelIndex cell = model->index(1, 0);
    const QRect rect = view.visualRect(cell);
    // The check box sits at the cell's left; a click there toggles it.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                      QPoint(rect.left() + 10, rect.center().y()));
    EXPECT_EQ(model->item(1, 0)->checkState(), Qt::Checked);
}

} // namespace
} // namespace quorvel::ui

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
