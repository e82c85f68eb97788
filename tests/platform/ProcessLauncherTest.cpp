// posix_spawn by the Windows rules: the child gets exactly the arguments the line holds, none
// of our descriptors, and is killed and reaped when the bound runs out.
#include "platform/posix/PosixProcessLauncher.h"

#include "platform/PlatformTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvel::platform::posix {
namespace {

using namespace std::chrono_literals;

std::string Reported(const std::vector<std::string>& args) {
    std::string out;
    for (const auto& arg : args) {
        out += std::to_string(arg.size()) + ":" + arg + "\n";
    }
    return out + "fds\n";
}

TEST(PosixProcessLauncher, ProgramPathWithSpacesAndArgumentsArriveWhole) {
    test::TempDir dir;
    std::filesystem::create_directory(dir / "Program Files");
    const auto program = dir / "Program Files" / "AliIM probe";
    std::filesystem::copy_file(QUORVEL_ARGV_PROBE, program);
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    const auto out = dir / "out";
    // A descriptor of ours without close-on-exec: the child must not get it.
    const int leaked = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(leaked, 3);

    PosixProcessLauncher launcher;
    const std::string line =
        "\"" + program.string() + "\" " + out.string() +
        " \"aliim:sendmsg?uid=cntaobao a&b&touid=cntaobao \\\"q\\\" c\" ; $(x) |y";
    EXPECT_TRUE(launcher.RunAndWait(line, 10s));
    ::close(leaked);
    EXPECT_EQ(
        test::ReadBytes(out),
        Reported({"aliim:sendmsg?uid=cntaobao a&b&touid=cntaobao \"q\" c", ";", "$(x)", "|y"}));
}

TEST(PosixProcessLauncher, BareNameIsLookedUpOnThePath) {
    PosixProcessLauncher launcher;
    EXPECT_TRUE(launcher.RunAndWait("true", 10s));
}

TEST(PosixProcessLauncher, NothingToStartFailsAtOnce) {
    PosixProcessLauncher launcher;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(launcher.RunAndWait("", 10s));
    EXPECT_FALSE(launcher.RunAndWait("\"\" aliim:sendmsg", 10s));
    EXPECT_FALSE(launcher.RunAndWait("/no/such/program arg", 10s));
    EXPECT_FALSE(launcher.RunAndWait("\"/tmp\" arg", 10s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST(PosixProcessLauncher, ChildStillRunningAtTheBoundIsKilledAndReaped) {
    PosixProcessLauncher launcher;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(launcher.RunAndWait(std::string("\"") + QUORVEL_ARGV_PROBE + "\" --sleep", 200ms));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    // No child of ours is left, not even a zombie.
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

} // namespace
} // namespace quorvel::platform::posix
