// standin-im's command line as the chat command line meets it: a stale socket, two launches at
// once with no service running, and arguments it must refuse.
#include "StandinIm.h"
#include "platform/posix/ImWindowProtocol.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quorvel {
namespace {

using namespace std::chrono_literals;

class StandinCommandLine : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = "/tmp/qimcli-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        ::setenv("QUORVEL_REGISTRY", (m_dir / "registry").c_str(), 1);
        ::setenv("QUORVEL_IM_SOCKET", socket().c_str(), 1);
        ::setenv("QUORVEL_IM_DIR", (m_dir / "im").c_str(), 1);
        ::setenv("QUORVEL_IM_IDLE_SECONDS", "60", 1);
    }
    void TearDown() override {
        EXPECT_EQ(run({"stop"}), 0);
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    std::filesystem::path socket() const { return m_dir / "im.sock"; }

    static pid_t start(const std::vector<std::string>& args) {
        std::vector<std::string> all = {QUORVEL_STANDIN_IM_BINARY};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& arg : all) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        pid_t pid = -1;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        return rc == 0 ? pid : -1;
    }
    static int wait(pid_t pid) {
        int status = 0;
        if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
            return -1;
        }
        return WEXITSTATUS(status);
    }
    static int run(const std::vector<std::string>& args) { return wait(start(args)); }

    std::vector<std::string> windows() const {
        const auto answer = platform::posix::ImRequest(socket(), {"WINDOWS"}, 5s);
        return answer ? std::vector<std::string>(answer->begin() + 1, answer->end())
                      : std::vector<std::string>{"no service"};
    }

    std::filesystem::path m_dir;
};

const std::string kUrl = "aliim:sendmsg?uid=cntaobaoshop&touid=cntaobaobuyer";

TEST_F(StandinCommandLine, AStaleSocketFromADeadServiceIsTakenOver) {
    std::ofstream(socket()) << "left behind";
    EXPECT_EQ(run({kUrl}), 0);
    const auto open = windows();
    ASSERT_EQ(open.size(), 3u);
    EXPECT_EQ(open[1] + "|" + open[2], "StandardFrame|buyer - shop");
}

TEST_F(StandinCommandLine, TwoLaunchesAtOnceShareOneServiceAndOneWindow) {
    const pid_t first = start({kUrl});
    const pid_t second = start({kUrl});
    EXPECT_EQ(wait(first), 0);
    EXPECT_EQ(wait(second), 0);
    EXPECT_EQ(windows().size(), 3u);
    // A second service is refused while one serves.
    EXPECT_EQ(run({"serve"}), 1);
}

TEST_F(StandinCommandLine, WhatIsNoChatUrlIsRefused) {
    EXPECT_EQ(run({"aliim:sendmsg?uid=cntaobaoshop"}), 2);
    EXPECT_EQ(run({"%1"}), 2);
    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(windows(), std::vector<std::string>{"no service"});
}

TEST_F(StandinCommandLine, InstallRegistersTheQuotedProgramAndPercentOne) {
    ASSERT_EQ(run({"install"}), 0);
    std::ifstream in(m_dir / "registry");
    std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string self = std::filesystem::canonical(QUORVEL_STANDIN_IM_BINARY).string();
    EXPECT_NE(content.find("aliim\\Shell\\Open\\Command\tstring\t\"" + self + "\" \"%1\"\n"),
              std::string::npos)
        << content;
}

TEST(StandinTranscripts, FileNamesLeadBackToTheirBuyer) {
    const std::filesystem::path dir = "/tmp/inbox";
    for (const std::string buyer : {"buyer", "\xC2\xF2\xBC\xD2 \"j\"&1", "..", "a%41", "/x", ""}) {
        const auto file = standin::TranscriptFile(dir, buyer);
        EXPECT_EQ(file.parent_path(), dir) << buyer;
        EXPECT_EQ(standin::BuyerOfTranscript(file), buyer);
    }
    for (const char* foreign : {"standin-im.log", "a%4.txt", "a%41.txt", "a b.txt", "x%2f.txt"}) {
        EXPECT_FALSE(standin::BuyerOfTranscript(dir / foreign)) << foreign;
    }
}

} // namespace
} // namespace quorvel
