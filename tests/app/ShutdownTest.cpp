// Closing the window while a delivery pass runs: the process ends at once with the loop's exit
// code, without waiting for the pass and without a crash. The window runs in a child process
// (this program started again with --child), so its end can be watched from outside.
#include "app/AppContext.h"
#include "app/DeliveryPanel.h"
#include "app/MainWindow.h"
#include "app/ProcessEnd.h"
#include "app/WindowShell.h"
#include "data/ShippedTables.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace quorvel::app {
namespace {

std::string g_self;

struct NoDialogs : platform::Dialogs {
    void ShowMessage(std::string_view, std::string_view, platform::DialogIcon) override {}
    bool AskOkCancel(std::string_view, std::string_view) override { return false; }
    std::optional<std::string> AskText(std::string_view, std::string_view) override {
        return std::nullopt;
    }
};

// The child: arms a one-second interval with a pass that outlasts the test by far, and closes
// the window once the pass runs.
int RunChild(int argc, char** argv, bool passRuns) {
    QApplication application(argc, argv);
    QTemporaryDir directory;
    data::CreateShippedTables(directory.path().toStdString());
    AppContext context(directory.path().toStdString());
    NoDialogs dialogs;
    MainWindow window;
    WindowShell shell(window, context, dialogs, [] {
        std::this_thread::sleep_for(std::chrono::minutes(5));
        return true;
    });
    window.show();
    if (passRuns) {
        window.controls().autoDeliveryCheck->click();
        window.controls().intervalEdit->setText(QStringLiteral("1"));
        window.controls().applyButton->click();
    }
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (!passRuns || shell.deliveryPanel().passRunning()) {
            window.close();
        }
    });
    closer.start(100);
    return EndOfEventLoop(QApplication::exec(), shell.deliveryPanel());
}

// Starts the child and waits for its end: its wait status and how long it took.
std::pair<int, std::chrono::seconds> RunChildProcess(const char* mode) {
    std::vector<std::string> args = {g_self, "--child", mode};
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, g_self.c_str(), nullptr, nullptr, argv.data(), environ), 0);
    int status = 0;
    waitpid(pid, &status, 0);
    return {status, std::chrono::duration_cast<std::chrono::seconds>(
                        std::chrono::steady_clock::now() - start)};
}

TEST(ShutdownTest, ClosingDuringAPassEndsTheProcessWithoutWaiting) {
    const auto [status, took] = RunChildProcess("pass");
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_LT(took.count(), 60); // the pass would have taken five minutes
}

TEST(ShutdownTest, ClosingWithoutAPassEndsNormally) {
    const auto [status, took] = RunChildProcess("idle");
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
} // namespace quorvel::app

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) {
        const bool passRuns = std::strcmp(argv[2], "pass") == 0;
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        return quorvel::app::RunChild(1, argv, passRuns);
    }
    quorvel::app::g_self = "/proc/self/exe";
    char resolved[4096] = {};
    if (const ssize_t length = readlink("/proc/self/exe", resolved, sizeof resolved - 1);
        length > 0) {
        quorvel::app::g_self.assign(resolved, static_cast<std::size_t>(length));
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
