// The start-up's order as the outside world sees it (pages opened, files fetched, boxes shown,
// where the program ends) and what the window holds at each of its two possible endings.
#include "app/AppTestSupport.h"

#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "app/StartupSequence.h"
#include "app/WindowShell.h"
#include "catalogue/Catalogue.h"
#include "data/ShippedTables.h"
#include "text/Texts.h"
#include "ui/QtText.h"
#include "ui/RowColouring.h"
#include "web/Endpoints.h"
#include "web/browser/LoginBrowser.h"

#include <QAbstractItemModel>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeView>

#include <gtest/gtest.h>

namespace quorvel::app {
namespace {

namespace t = quorvel::text;
using namespace quorvel::testing;

class StartupSequenceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(directory.isValid());
        ASSERT_TRUE(data::CreateShippedTables(directory.path().toStdString()));
        context = std::make_unique<AppContext>(directory.path().toStdString());
        window = std::make_unique<MainWindow>();
        shell = std::make_unique<WindowShell>(*window, *context, dialogs, [] { return false; });
        window->show();
    }
    void TearDown() override {
        shell.reset();
        window.reset();
    }
    // Runs the sequence; the exit code when it ended the program.
    std::optional<int> start() {
        const StartupPorts ports{
            dialogs,  urls, exit, [this](const std::string& path) { return host.fetch(path); },
            registry, files};
        try {
            RunStartupSequence(*window, *context, shell->catalogue(), ports);
        } catch (const ProcessEnded& ended) {
            return ended.exitCode;
        }
        return std::nullopt;
    }
    bool gridHasHeader() const {
        QAbstractItemModel* model = window->controls().catalogue.deliveredGrid->model();
        return model != nullptr && model->columnCount() > 0 &&
               model->headerData(0, Qt::Horizontal).toString() == ui::Tr(t::kFieldItemName);
    }
    QString browserAddress() const { return window->controls().browser->url().toString(); }

    QTemporaryDir directory;
    PortLog log;
    RecordingDialogs dialogs{log};
    RecordingUrlOpener urls{log};
    ThrowingProcessExit exit{log};
    FakeUpdateHost host{log};
    FakeRegistry registry{log};
    FakeFileProbe files;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<WindowShell> shell;
};

const std::string kMaker = "open " + std::string(t::kMakerPageUrl.gbk);
const std::string kImKey = "registry " + std::string(t::kImRegistryKey.gbk);

TEST_F(StartupSequenceTest, MissingImClientEndsAfterEveryOtherStep) {
    host.files[std::string(t::kUpdateTipPath.gbk)] = "tip";
    host.files[std::string(t::kUpdateVersionPath.gbk)] = "1.0.0.1009";
    EXPECT_EQ(start(), 0);
    const std::vector<std::string> expected = {
        kMaker,
        "fetch " + std::string(t::kUpdateTipPath.gbk),
        "message " + std::string(t::kNoticeTitle.gbk) + " information",
        "fetch " + std::string(t::kUpdateVersionPath.gbk),
        "fetch " + std::string(t::kUpdateNotesPath.gbk),
        "fetch " + std::string(t::kUpdateAddressPath.gbk),
        "ask " + std::string(t::kUpdateTitle.gbk),
        "message " + std::string(t::kDeclinedTitle.gbk) + " information",
        kImKey,
        "message " + std::string(t::kErrorTitle.gbk) + " error",
        "open " + std::string(t::kImDownloadUrl.gbk),
        "exit 0",
    };
    EXPECT_EQ(log.entries, expected);
    // Everything before the IM client's lookup has run.
    EXPECT_NE(context->patterns, nullptr);
    EXPECT_EQ(browserAddress(), QString::fromStdString(web::LoginPageUrl()));
    ASSERT_EQ(context->colouring.entries().size(), 2U);
    EXPECT_EQ(context->colouring.entries()[0].view, window->controls().catalogue.watchList);
    EXPECT_EQ(context->colouring.entries()[1].view, window->controls().catalogue.stockList);
    EXPECT_NE(qobject_cast<ui::RowColouringDelegate*>(
                  window->controls().catalogue.stockList->itemDelegate()),
              nullptr);
    EXPECT_EQ(window->controls().catalogue.cardEntry->toPlainText().replace("\n", "\r\n"),
              ui::Tr(t::kCardHint));
    EXPECT_TRUE(gridHasHeader());
    EXPECT_EQ(window->windowTitle(), ui::Tr(t::kProductTitle));
}

TEST_F(StartupSequenceTest, AcceptedUpdateEndsBeforeTheLaterSteps) {
    host.files[std::string(t::kUpdateVersionPath.gbk)] = "2.0";
    host.files[std::string(t::kUpdateAddressPath.gbk)] = "http://get.example/";
    dialogs.okAnswers = {true};
    EXPECT_EQ(start(), 0);
    EXPECT_EQ(log.entries.back(), "exit 0");
    EXPECT_EQ(log.entries[log.entries.size() - 2], "open http://get.example/");
    EXPECT_EQ(context->patterns, nullptr);
    EXPECT_TRUE(browserAddress().isEmpty());
    EXPECT_TRUE(context->colouring.entries().empty());
    EXPECT_FALSE(gridHasHeader());
}

TEST_F(StartupSequenceTest, KnownImClientLetsTheProgramRun) {
    files.existing = {"/opt/im/AliIM.exe"};
    ASSERT_TRUE(context->settings.WriteImClientPath("/opt/im/AliIM.exe"));
    EXPECT_EQ(start(), std::nullopt);
    EXPECT_EQ(log.entries.front(), kMaker);
    EXPECT_EQ(std::count(log.entries.begin(), log.entries.end(), kImKey), 0);
    EXPECT_EQ(log.entries.size(), 5U); // the page and four fetches: nothing to show
    EXPECT_TRUE(gridHasHeader());
    // The lists stay empty until the seller has logged in.
    EXPECT_EQ(window->controls().catalogue.watchList->model()->rowCount(), 0);
    EXPECT_FALSE(context->loginListsLoaded);
}

TEST(CaptionTest, VersionMarkerIsReplacedEverywhereWithExactCase) {
    const QString marker = ui::Tr(t::kCaptionVersionMarker);
    const QString version = ui::Tr(t::kCaptionVersion);
    EXPECT_EQ(CaptionWithVersion("Quorvel"), "Quorvel");
    EXPECT_EQ(CaptionWithVersion("Q " + marker + " / " + marker), "Q " + version + " / " + version);
}

} // namespace
} // namespace quorvel::app
