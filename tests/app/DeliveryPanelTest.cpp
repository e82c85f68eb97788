// The automatic delivery panel: the check box enabling the interval box, "设置" arming the
// window's timer, and a pass on its worker handing its end back to the window.
#include "app/AppTestSupport.h"

#include "app/AppContext.h"
#include "app/DeliveryPanel.h"
#include "app/MainWindow.h"
#include "app/WindowShell.h"
#include "data/ShippedTables.h"
#include "text/Texts.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <atomic>
#include <future>

namespace quorvel::app {
namespace {

namespace t = quorvel::text;
using ui::Tr;

class DeliveryPanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(directory.isValid());
        ASSERT_TRUE(data::CreateShippedTables(directory.path().toStdString()));
        context = std::make_unique<AppContext>(directory.path().toStdString());
        window = std::make_unique<MainWindow>();
        shell = std::make_unique<WindowShell>(*window, *context, dialogs, [this] {
            ++passes;
            return pass ? pass() : false;
        });
    }
    void TearDown() override {
        shell.reset();
        window.reset();
    }
    const FormControls& c() const { return window->controls(); }
    void apply(bool ticked, const QString& interval) {
        if (c().autoDeliveryCheck->isChecked() != ticked) {
            c().autoDeliveryCheck->click();
        }
        c().intervalEdit->setText(interval);
        c().applyButton->click();
    }

    testing::PortLog log;
    testing::RecordingDialogs dialogs{log};
    QTemporaryDir directory;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<WindowShell> shell;
    std::atomic<int> passes{0};
    std::function<bool()> pass;
};

TEST_F(DeliveryPanelTest, CheckBoxOnlyEnablesTheIntervalBox) {
    apply(true, "30");
    ASSERT_TRUE(c().deliveryTimer->isActive());
    c().autoDeliveryCheck->click();
    EXPECT_FALSE(c().intervalEdit->isEnabled());
    EXPECT_TRUE(c().deliveryTimer->isActive()); // until "设置" is clicked
    c().autoDeliveryCheck->click();
    EXPECT_TRUE(c().intervalEdit->isEnabled());
}

TEST_F(DeliveryPanelTest, ApplyArmsOrStopsTheTimerAndShowsTheTypedText) {
    struct Case {
        bool ticked;
        QString typed;
        int period; // 0: stopped
    };
    const Case cases[] = {
        {true, "30", 30000},
        {true, "0", 0},
        {true, "abc", 0},
        {true, "-5", 0},
        {true, "", 0},
        {true, " 12s", 12000},
        {true, "\uFF13\uFF10", 30000}, // full-width digits fold to 30
        {true, "3000000", 2147483647}, // beyond int32: clamped
        {false, "30", 0},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.typed.toStdString() + (test.ticked ? " ticked" : " unticked"));
        apply(true, "7"); // a period to change from
        apply(test.ticked, test.typed);
        EXPECT_EQ(c().deliveryTimer->isActive(), test.period > 0);
        if (test.period > 0) {
            EXPECT_EQ(c().deliveryTimer->interval(), test.period);
        }
        const QString expected = test.ticked
                                     ? Tr(t::kDeliveryOnHead) + test.typed + Tr(t::kDeliveryOnTail)
                                     : Tr(t::kDeliveryOff);
        EXPECT_EQ(c().deliveryStatus->text(), expected);
    }
}

// One pass at a time; its end reaches the window as a queued call that refreshes the lists
// and re-arms the timer.
TEST_F(DeliveryPanelTest, PassEndRefreshesTheListsAndRestoresThePeriod) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    pass = [this, released] {
        data::WatchedItem item;
        item.name = "delivered meanwhile";
        context->tables.AddWatchedItem(item);
        released.wait();
        return true;
    };
    apply(true, "1");
    QTRY_COMPARE_WITH_TIMEOUT(passes.load(), 1, 5000);
    EXPECT_FALSE(c().deliveryTimer->isActive());
    EXPECT_TRUE(shell->deliveryPanel().passRunning());

    // "设置" during the pass re-arms the timer, but its ticks start no second pass.
    apply(true, "1");
    QTest::qWait(1500);
    EXPECT_EQ(passes.load(), 1);

    release.set_value();
    QTRY_VERIFY_WITH_TIMEOUT(!shell->deliveryPanel().passRunning(), 5000);
    EXPECT_TRUE(c().deliveryTimer->isActive());
    EXPECT_EQ(c().deliveryTimer->interval(), 1000);
    EXPECT_EQ(c().catalogue.watchList->model()->rowCount(), 1);
    apply(false, "");
}

TEST_F(DeliveryPanelTest, PassThatDeliversNothingLeavesTheListsAlone) {
    pass = [this] {
        data::WatchedItem item;
        item.name = "not shown yet";
        context->tables.AddWatchedItem(item);
        return false;
    };
    apply(true, "1");
    QTRY_COMPARE_WITH_TIMEOUT(passes.load(), 1, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(c().deliveryTimer->isActive(), 5000);
    EXPECT_EQ(c().catalogue.watchList->model()->rowCount(), 0);
    apply(false, "");
}

} // namespace
} // namespace quorvel::app
