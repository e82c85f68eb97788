// The Qt adapters of the dialog port: icon, buttons, title and text of each box, and what the
// user's answer comes back as. A timer plays the user on the modal box.
#include "app/QtPorts.h"
#include "app/BrowserFlags.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace quorvel::app {
namespace {

// Runs `user` on the modal box once it is up.
void WhenModal(std::function<void(QWidget*)> user) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer, user] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            user(modal);
        }
    });
    timer->start(20);
}

const char kTitleGbk[] = "\xCC\xE1\xCA\xBE"; // 提示

TEST(QtDialogsTest, MessageBoxesHaveTheirIconsAndOneOkButton) {
    const std::pair<platform::DialogIcon, QMessageBox::Icon> cases[] = {
        {platform::DialogIcon::Information, QMessageBox::Information},
        {platform::DialogIcon::Error, QMessageBox::Critical},
    };
    for (const auto& [icon, expected] : cases) {
        QtDialogs dialogs;
        QMessageBox::Icon shown = QMessageBox::NoIcon;
        QString title, text;
        QMessageBox::StandardButtons buttons;
        WhenModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            shown = box->icon();
            title = box->windowTitle();
            text = box->text();
            buttons = box->standardButtons();
            box->button(QMessageBox::Ok)->click();
        });
        dialogs.ShowMessage("line one\r\nline two", kTitleGbk, icon);
        EXPECT_EQ(shown, expected);
        EXPECT_EQ(title, QStringLiteral("提示"));
        EXPECT_EQ(text, QStringLiteral("line one\nline two"));
        EXPECT_EQ(buttons, QMessageBox::Ok);
    }
}

TEST(QtDialogsTest, OkCancelAsksWithTheQuestionIconAndClosingIsCancel) {
    struct Case {
        const char* what;
        std::function<void(QMessageBox*)> answer;
        bool expected;
    };
    const Case cases[] = {
        {"OK", [](QMessageBox* box) { box->button(QMessageBox::Ok)->click(); }, true},
        {"Cancel", [](QMessageBox* box) { box->button(QMessageBox::Cancel)->click(); }, false},
        {"Escape", [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QtDialogs dialogs;
        QMessageBox::Icon shown = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        WhenModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            shown = box->icon();
            buttons = box->standardButtons();
            c.answer(box);
        });
        EXPECT_EQ(dialogs.AskOkCancel("update?", kTitleGbk), c.expected);
        EXPECT_EQ(shown, QMessageBox::Question);
        EXPECT_EQ(buttons, QMessageBox::Ok | QMessageBox::Cancel);
    }
}

TEST(QtDialogsTest, InputBoxGivesGbkOrNothingOnCancel) {
    QtDialogs dialogs;
    WhenModal([](QWidget* modal) {
        auto* input = qobject_cast<QInputDialog*>(modal);
        ASSERT_NE(input, nullptr);
        input->setTextValue(QStringLiteral("新名称"));
        input->accept();
    });
    EXPECT_EQ(dialogs.AskText("name", kTitleGbk), std::string("\xD0\xC2\xC3\xFB\xB3\xC6"));
    WhenModal([](QWidget* modal) { qobject_cast<QInputDialog*>(modal)->reject(); });
    EXPECT_EQ(dialogs.AskText("name", kTitleGbk), std::nullopt);
}

// Chromium splits its flags at blanks: the rules go in quotes, after any flags already set.
TEST(BrowserFlagsTest, ResolverRulesAreQuotedAndAppended) {
    EXPECT_EQ(WithHostResolverRules("--disable-gpu", "MAP a 127.0.0.1:1, MAP b 127.0.0.1:2"),
              "--disable-gpu --host-resolver-rules=\"MAP a 127.0.0.1:1, MAP b 127.0.0.1:2\"");
    EXPECT_EQ(WithHostResolverRules("", "MAP a 127.0.0.1:1"),
              "--host-resolver-rules=\"MAP a 127.0.0.1:1\"");
    EXPECT_EQ(WithHostResolverRules("--disable-gpu", ""), "--disable-gpu");
}

} // namespace
} // namespace quorvel::app
