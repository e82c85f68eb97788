// The login road end to end in the real browser: the simulated marketplace's HTTPS login page
// (its own self-signed certificate, trusted through QUORVEL_TRUSTED_CERT), the login that
// uncovers page 0 and fills the lists once, and a request of the system's own that carries the
// session cookie the browser received.
#include "app/AppContext.h"
#include "app/BrowserFlags.h"
#include "app/MainWindow.h"
#include "app/TabControl.h"
#include "app/WindowShell.h"
#include "data/ShippedTables.h"
#include "text/Texts.h"
#include "ui/QtText.h"
#include "web/CookieStore.h"
#include "web/Endpoints.h"
#include "web/HttpFetch.h"
#include "web/browser/LoginBrowser.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quorvel::app {
namespace {

namespace t = quorvel::text;

// The simulated marketplace, one process for the whole test program.
struct Market {
    pid_t pid = -1;
    int httpPort = 0;
    int httpsPort = 0;
    std::string certificate;
    std::string directory;
};
Market g_market;

bool StartMarket(const std::string& directory) {
    const std::string state = directory + "/state";
    std::ofstream(state) << "seller \xE6\x8E\x8C\xE6\x9F\x9C\n"
                         << "login demo demo\n"
                         << "order 1001\t9001\tMonthly card\t12.50\t1\tbuyer\n";
    const std::string program =
        std::string(std::getenv("QUORVEL_BINARY_DIR")) + "/tools/quorvel-market/quorvel-market";
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    std::vector<std::string> args = {program,   "--port", "0",     "--tls-port", "0",
                                     "--state", state,    "--dir", directory,    "--print-ports"};
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const int spawned =
        posix_spawn(&g_market.pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        return false;
    }
    std::string line;
    char c = 0;
    while (read(pipeEnds[0], &c, 1) == 1 && c != '\n') {
        line += c;
    }
    close(pipeEnds[0]);
    char cert[512] = {};
    if (std::sscanf(line.c_str(), "http=%d https=%d cert=%511s", &g_market.httpPort,
                    &g_market.httpsPort, cert) != 3) {
        return false;
    }
    g_market.certificate = cert;
    return true;
}

void StopMarket() {
    if (g_market.pid > 0) {
        kill(g_market.pid, SIGTERM);
        waitpid(g_market.pid, nullptr, 0);
    }
}

class LoginFlowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(directory.isValid());
        ASSERT_TRUE(data::CreateShippedTables(directory.path().toStdString()));
        context = std::make_unique<AppContext>(directory.path().toStdString());
        data::WatchedItem item;
        item.name = "Monthly card";
        ASSERT_TRUE(context->tables.AddWatchedItem(item));
        window = std::make_unique<MainWindow>();
        shell = std::make_unique<WindowShell>(*window, *context, dialogs, [] { return false; });
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        web::CookieStore::Instance().Clear();
    }
    void TearDown() override {
        shell.reset();
        window.reset();
    }
    web::LoginBrowser* browser() const { return window->controls().browser; }
    // Loads the address and waits for the navigation to complete; the load's success.
    bool load(const QString& address) {
        QSignalSpy finished(browser(), &QWebEngineView::loadFinished);
        browser()->setUrl(QUrl(address));
        if (!finished.wait(30000)) {
            return false;
        }
        return finished.takeFirst().at(0).toBool();
    }
    int watchRows() const { return window->controls().catalogue.watchList->model()->rowCount(); }

    struct NoDialogs : platform::Dialogs {
        void ShowMessage(std::string_view, std::string_view, platform::DialogIcon) override {}
        bool AskOkCancel(std::string_view, std::string_view) override { return false; }
        std::optional<std::string> AskText(std::string_view, std::string_view) override {
            return std::nullopt;
        }
    } dialogs;
    QTemporaryDir directory;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<WindowShell> shell;
};

TEST_F(LoginFlowTest, LoginUncoversThePageAndTheSessionReachesOurRequests) {
    const QString login = QString::fromStdString(web::LoginPageUrl());
    ASSERT_TRUE(load(login));
    EXPECT_TRUE(window->controls().browserBox->isVisible());
    EXPECT_EQ(window->controls().tabs->pageText(0), ui::Tr(t::kTabLogin));
    EXPECT_EQ(watchRows(), 0);

    // Before the login our own request is a visitor's.
    web::HttpFetchRequest orders;
    orders.url = web::OrderListUrl();
    EXPECT_EQ(web::HttpFetch(orders).body.find("order-number"), std::string::npos);

    QSignalSpy finished(browser(), &QWebEngineView::loadFinished);
    browser()->page()->runJavaScript("document.getElementById('TPL_username').value = 'demo';"
                                     "document.getElementById('TPL_password').value = 'demo';"
                                     "document.forms[0].submit();");
    QTRY_VERIFY_WITH_TIMEOUT(context->loginListsLoaded, 30000);
    EXPECT_TRUE(browser()->currentAddress().contains("my_taobao"));
    EXPECT_FALSE(window->controls().browserBox->isVisible());
    EXPECT_EQ(window->controls().tabs->pageText(0), ui::Tr(t::kTabLoggedIn));
    EXPECT_TRUE(window->controls().tabs->isPageEnabled(1));
    EXPECT_EQ(watchRows(), 1);

    bool sessionCookie = false;
    for (const web::Cookie& cookie : web::CookieStore::Instance().All()) {
        sessionCookie = sessionCookie || cookie.name == "_quorvel_session";
    }
    EXPECT_TRUE(sessionCookie);
    // The to-ship list now comes with the seller's orders: the cookie went through the bridge.
    EXPECT_NE(web::HttpFetch(orders).body.find("order-number"), std::string::npos);
    EXPECT_TRUE(web::SessionCookies().empty());

    // A later navigation with the marker loads nothing again.
    data::WatchedItem second;
    second.name = "Week card";
    ASSERT_TRUE(context->tables.AddWatchedItem(second));
    window->controls().browserBox->show();
    finished.clear();
    // The keep-alive timer reloads the page; a short period stands in for its ten minutes.
    window->controls().keepAliveTimer->start(50);
    ASSERT_TRUE(finished.wait(30000));
    window->controls().keepAliveTimer->start(600000);
    EXPECT_FALSE(window->controls().browserBox->isVisible());
    EXPECT_EQ(watchRows(), 1);
}

TEST_F(LoginFlowTest, NewWindowsAreRefused) {
    ASSERT_TRUE(load(QString::fromStdString(web::LoginPageUrl())));
    browser()->page()->runJavaScript(
        "var a = document.createElement('a'); a.href = '/'; a.target = '_blank';"
        "document.body.appendChild(a); a.click(); window.open('/');");
    QTRY_VERIFY_WITH_TIMEOUT(browser()->loginPage()->refusedWindows() >= 1, 10000);
    EXPECT_EQ(QApplication::topLevelWidgets().count(window.get()), 1);
}

TEST_F(LoginFlowTest, OnlyTheTrustedCertificateIsAccepted) {
    // A browser that trusts nothing extra refuses the market's self-signed certificate.
    web::LoginBrowser untrusting(nullptr, std::nullopt);
    QSignalSpy finished(&untrusting, &QWebEngineView::loadFinished);
    untrusting.setUrl(QUrl(QString::fromStdString(web::LoginPageUrl())));
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_FALSE(finished.takeFirst().at(0).toBool());
}

TEST_F(LoginFlowTest, MarkersMatchOnlyInTheirExactCase) {
    struct Case {
        const char* address;
        bool loggedIn;
    };
    const Case cases[] = {{"https://login.taobao.com/", false},
                          {"https://i.taobao.com/my_taobao.htm", true},
                          {"https://i.taobao.com/MY_TAOBAO.htm", false},
                          {"https://login.taobao.com/member/quicklogin?x=1", true},
                          {"https://login.taobao.com/QuickLogin", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        EXPECT_EQ(web::ShowsLoggedInSeller(QString::fromLatin1(c.address)), c.loggedIn);
    }
    shell->OnBrowserNavigated("https://i.taobao.com/MY_TAOBAO.htm");
    EXPECT_TRUE(window->controls().browserBox->isVisible());
    EXPECT_FALSE(context->loginListsLoaded);
}

} // namespace
} // namespace quorvel::app

int main(int argc, char** argv) {
    QTemporaryDir marketDirectory;
    if (!quorvel::app::StartMarket(marketDirectory.path().toStdString())) {
        std::fprintf(stderr, "quorvel-market did not start\n");
        return 1;
    }
    const std::string map =
        "login.taobao.com=127.0.0.1:" + std::to_string(quorvel::app::g_market.httpsPort) +
        ",wuliu.taobao.com=127.0.0.1:" + std::to_string(quorvel::app::g_market.httpPort) +
        ",member1.taobao.com=127.0.0.1:" + std::to_string(quorvel::app::g_market.httpPort) +
        ",update.quorvel.net=127.0.0.1:" + std::to_string(quorvel::app::g_market.httpPort);
    ::setenv("QUORVEL_HOST_MAP", map.c_str(), 1);
    ::setenv("QUORVEL_TRUSTED_CERT", quorvel::app::g_market.certificate.c_str(), 1);
    // What the program itself does before its application exists.
    quorvel::app::ApplyHostMapToBrowser();
    int result = 1;
    {
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        QApplication application(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    quorvel::app::StopMarket();
    return result;
}
