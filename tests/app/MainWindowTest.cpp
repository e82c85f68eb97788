// The window as the form gives it: every named control with its kind, parent, place, size and
// text; the hidden status block; the layout rule at two sizes.
#include "app/AppTestSupport.h"

#include "app/MainWindow.h"
#include "app/TabControl.h"
#include "text/Texts.h"
#include "ui/QtText.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

namespace quorvel::app {
namespace {

namespace t = quorvel::text;
using ui::Tr;

struct ControlCase {
    const char* name;
    const char* parent;
    const char* kind;
    QRect place;
    QString text;
};

QString TextOf(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return edit->text();
    }
    if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        return group->title();
    }
    return {};
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::TestApplication();
        window = std::make_unique<MainWindow>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    QWidget* control(const char* name) const {
        return window->findChild<QWidget*>(QString::fromUtf8(name));
    }
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, EveryControlHasItsKindPlaceAndText) {
    const ControlCase cases[] = {
        {"图片框1", "MainWindow", "QFrame", {0, 0, 794, 104}, {}},
        {"标签12", "图片框1", "QLabel", {32, 16, 272, 56}, Tr(t::kProductTitle)},
        {"透明标签1", "图片框1", "QLabel", {648, 24, 64, 24}, Tr(t::kStatusRunTime)},
        {"透明标签2", "图片框1", "QLabel", {712, 24, 64, 24}, Tr(t::kStatusRunTimeValue)},
        {"透明标签3", "图片框1", "QLabel", {648, 48, 64, 24}, Tr(t::kStatusDelivered)},
        {"透明标签4", "图片框1", "QLabel", {712, 48, 64, 24}, Tr(t::kStatusDeliveredValue)},
        {"透明标签5", "图片框1", "QLabel", {648, 72, 64, 24}, Tr(t::kStatusTurnover)},
        {"透明标签6", "图片框1", "QLabel", {712, 72, 64, 24}, Tr(t::kStatusTurnoverValue)},
        {"高级选择夹1", "MainWindow", "quorvel::app::TabControl", {0, 104, 794, 414}, {}},
        {"标签2", "page0", "QLabel", {8, 34, 551, 22}, Tr(t::kNameNotice)},
        {"外形框6", "page0", "QFrame", {8, 61, 74, 22}, {}},
        {"标签3", "外形框6", "QLabel", {1, 1, 72, 20}, Tr(t::kNameLabel)},
        {"外形框5", "page0", "QFrame", {81, 61, 392, 22}, {}},
        {"编辑框1", "外形框5", "QLineEdit", {1, 1, 390, 20}, Tr(t::kNameHint)},
        {"外形框4", "page0", "QFrame", {478, 61, 81, 22}, {}},
        {"超级按钮1", "外形框4", "QPushButton", {1, 1, 79, 20}, Tr(t::kAddToListButton)},
        {"外形框2", "page0", "QFrame", {8, 88, 551, 287}, {}},
        {"超级列表框1", "外形框2", "QTreeView", {1, 1, 549, 285}, {}},
        {"外形框7", "page0", "QFrame", {388, 380, 82, 22}, {}},
        {"超级按钮2", "外形框7", "QPushButton", {2, 1, 79, 20}, Tr(t::kRenameButton)},
        {"外形框8", "page0", "QFrame", {477, 380, 82, 22}, {}},
        {"超级按钮3", "外形框8", "QPushButton", {1, 1, 79, 20}, Tr(t::kDeleteItemButton)},
        {"标签1", "page0", "QLabel", {1, 381, 383, 22}, Tr(t::kWelcomeLabel)},
        {"外形框3", "page0", "QFrame", {564, 61, 223, 155}, {}},
        {"外形框9", "外形框3", "QFrame", {0, 0, 223, 22}, {}},
        {"标签6", "外形框9", "QLabel", {0, 0, 223, 22}, Tr(t::kItemPanelHeader)},
        {"标签5", "外形框3", "QLabel", {10, 39, 60, 92}, Tr(t::kItemPanelLabels)},
        {"宝贝备注", "外形框3", "QLineEdit", {72, 37, 148, 20}, {}},
        {"限拍数量", "外形框3", "QLineEdit", {72, 73, 36, 20}, {}},
        {"选择框1", "外形框3", "QCheckBox", {74, 111, 16, 13}, {}},
        {"外形框10", "page0", "QFrame", {564, 221, 223, 181}, {}},
        {"外形框11", "外形框10", "QFrame", {0, 0, 223, 22}, {}},
        {"标签4", "外形框11", "QLabel", {0, 0, 223, 22}, Tr(t::kDeliveryPanelHeader)},
        {"标签7", "外形框10", "QLabel", {10, 28, 104, 24}, Tr(t::kIntervalLabel)},
        {"编辑框2", "外形框10", "QLineEdit", {116, 30, 48, 20}, {}},
        {"选择框2", "外形框10", "QCheckBox", {10, 63, 146, 24}, Tr(t::kAutoDeliveryCheck)},
        {"分组框1", "外形框10", "QGroupBox", {4, 90, 216, 56}, Tr(t::kStatusGroup)},
        {"标签8", "分组框1", "QLabel", {11, 20, 197, 24}, Tr(t::kDeliveryOff)},
        {"外形框12", "外形框10", "QFrame", {136, 152, 82, 22}, {}},
        {"超级按钮4", "外形框12", "QPushButton", {2, 1, 79, 20}, Tr(t::kApplyButton)},
        {"图片框2", "page0", "QWidget", {1, 27, 792, 386}, {}},
        {"互联网浏览器1", "图片框2", "QWebEngineView", {-64, -64, 1008, 904}, {}},
        {"外形框1", "page1", "QFrame", {1, 27, 792, 388}, {}},
        {"高级表格1", "外形框1", "QTableView", {1, 1, 790, 385}, {}},
        {"标签9", "page2", "QLabel", {9, 35, 56, 24}, Tr(t::kChooserLabel)},
        {"组合框1", "page2", "QComboBox", {65, 38, 369, 20}, {}},
        {"外形框17", "page2", "QFrame", {5, 67, 429, 341}, {}},
        {"外形框19", "外形框17", "QFrame", {0, 0, 429, 22}, {}},
        {"标签11", "外形框19", "QLabel", {0, 0, 429, 22}, Tr(t::kEntryPanelHeader)},
        {"编辑框3", "外形框17", "QPlainTextEdit", {1, 23, 426, 287}, {}},
        {"外形框21", "外形框17", "QFrame", {340, 313, 82, 22}, {}},
        {"超级按钮8", "外形框21", "QPushButton", {2, 1, 79, 20}, Tr(t::kAddStockButton)},
        {"外形框13", "page2", "QFrame", {439, 34, 353, 374}, {}},
        {"外形框20", "外形框13", "QFrame", {0, 0, 353, 22}, {}},
        {"标签10", "外形框20", "QLabel", {0, 0, 353, 22}, Tr(t::kStockPanelHeader)},
        {"超级列表框2", "外形框13", "QTreeView", {1, 22, 351, 320}, {}},
        {"外形框18", "外形框13", "QFrame", {52, 346, 82, 22}, {}},
        {"超级按钮9", "外形框18", "QPushButton", {2, 1, 79, 20}, Tr(t::kDeleteStockButton)},
        {"外形框15", "外形框13", "QFrame", {141, 347, 82, 22}, {}},
        {"超级按钮6", "外形框15", "QPushButton", {2, 1, 79, 20}, Tr(t::kEditNumberButton)},
        {"外形框16", "外形框13", "QFrame", {230, 347, 82, 22}, {}},
        {"超级按钮7", "外形框16", "QPushButton", {2, 1, 79, 20}, Tr(t::kEditPasswordButton)},
    };
    for (const ControlCase& expected : cases) {
        SCOPED_TRACE(expected.name);
        QWidget* widget = control(expected.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(widget->inherits(expected.kind)) << widget->metaObject()->className();
        ASSERT_NE(widget->parentWidget(), nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromUtf8(expected.parent));
        EXPECT_EQ(widget->geometry(), expected.place);
        EXPECT_EQ(TextOf(widget), expected.text);
    }
}

TEST_F(MainWindowTest, WindowPagesAndInitialState) {
    EXPECT_EQ(window->windowTitle(), Tr(t::kProductTitle));
    EXPECT_EQ(window->pos(), QPoint(50, 50));
    EXPECT_EQ(window->size(), QSize(794, 518));

    auto* tabs = window->findChild<TabControl*>(QStringLiteral("高级选择夹1"));
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 4);
    const QString pages[] = {Tr(t::kTabLogin), Tr(t::kTabDelivered), Tr(t::kTabStock),
                             Tr(t::kTabHelp)};
    for (int index = 0; index < 4; ++index) {
        EXPECT_EQ(tabs->pageText(index), pages[index]);
        // Each page covers the whole control, so the form's places are places in the control.
        EXPECT_EQ(tabs->page(index)->mapTo(tabs, QPoint(0, 0)), QPoint(0, 0));
    }
    EXPECT_TRUE(tabs->page(3)->findChildren<QWidget*>().isEmpty());

    for (int index = 1; index <= 6; ++index) {
        QWidget* status = control(QStringLiteral("透明标签%1").arg(index).toUtf8().constData());
        ASSERT_NE(status, nullptr);
        EXPECT_FALSE(status->isVisible());
    }
    EXPECT_FALSE(control("编辑框2")->isEnabled());
    EXPECT_FALSE(qobject_cast<QCheckBox*>(control("选择框2"))->isChecked());

    auto* delivery = window->findChild<QTimer*>(QStringLiteral("自动发货时钟"));
    auto* keepAlive = window->findChild<QTimer*>(QStringLiteral("更新Cookie"));
    ASSERT_NE(delivery, nullptr);
    ASSERT_NE(keepAlive, nullptr);
    EXPECT_FALSE(delivery->isActive());
    EXPECT_TRUE(keepAlive->isActive());
    EXPECT_EQ(keepAlive->interval(), 600000);
    EXPECT_EQ(delivery->parent()->objectName(), QStringLiteral("外形框2"));

    auto* watch = qobject_cast<QTreeView*>(control("超级列表框1"));
    ASSERT_EQ(watch->model()->columnCount(), 2);
    EXPECT_EQ(watch->model()->headerData(0, Qt::Horizontal).toString(), Tr(t::kWatchColumnName));
    EXPECT_EQ(watch->model()->headerData(1, Qt::Horizontal).toString(), Tr(t::kWatchColumnState));
    EXPECT_EQ(watch->columnWidth(0), 435);
    EXPECT_EQ(watch->columnWidth(1), 90);
    auto* stock = qobject_cast<QTreeView*>(control("超级列表框2"));
    ASSERT_EQ(stock->model()->columnCount(), 3);
    EXPECT_EQ(stock->columnWidth(0), 200);
    EXPECT_EQ(stock->columnWidth(1), 120);
    EXPECT_EQ(stock->columnWidth(2), 0);
}

// Every text fits its control at the form's sizes: nothing is cut off.
TEST_F(MainWindowTest, TextsFitTheirControls) {
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        const QString text = TextOf(widget);
        if (text.isEmpty() || qobject_cast<QLineEdit*>(widget) != nullptr ||
            qobject_cast<QGroupBox*>(widget) != nullptr || widget->objectName() == "标签5") {
            continue;
        }
        SCOPED_TRACE(widget->objectName().toStdString());
        const QFontMetrics metrics(widget->font());
        int room = widget->width();
        if (qobject_cast<QCheckBox*>(widget) != nullptr) {
            room -= 18;
        }
        EXPECT_LE(metrics.horizontalAdvance(text), room);
        EXPECT_LE(metrics.height(), widget->height() + 2);
    }
}

TEST_F(MainWindowTest, LayoutRuleFollowsTheWindowSize) {
    const QRect unmoved[] = {control("外形框2")->geometry(), control("外形框10")->geometry(),
                             control("外形框13")->geometry(), control("外形框1")->geometry()};
    for (const QSize size : {QSize(1000, 700), QSize(640, 400)}) {
        SCOPED_TRACE(size.width());
        window->resize(size);
        QCoreApplication::processEvents();
        EXPECT_EQ(control("图片框1")->geometry(), QRect(0, 0, size.width(), 104));
        EXPECT_EQ(control("高级选择夹1")->geometry(),
                  QRect(0, 104, size.width(), size.height() - 104));
        EXPECT_EQ(control("图片框2")->geometry(),
                  QRect(1, 27, size.width() - 2, size.height() - 104 - 28));
        EXPECT_EQ(control("互联网浏览器1")->geometry(), QRect(-64, -64, 1008, 904));
        EXPECT_EQ(control("外形框2")->geometry(), unmoved[0]);
        EXPECT_EQ(control("外形框10")->geometry(), unmoved[1]);
        EXPECT_EQ(control("外形框13")->geometry(), unmoved[2]);
        EXPECT_EQ(control("外形框1")->geometry(), unmoved[3]);
    }
}

TEST_F(MainWindowTest, ClosingIsAlwaysAllowed) {
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
}

} // namespace
} // namespace quorvel::app
