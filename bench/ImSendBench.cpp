// What one chat message costs through the stand-in IM client: the window protocol alone (the
// service in-process, no launch), and the whole road with the chat command line started as a
// process each time.
#include "StandinIm.h"
#include "delivery/ChatSender.h"
#include "platform/posix/ImWindowClient.h"
#include "platform/posix/ImWindowProtocol.h"
#include "platform/posix/PosixProcessLauncher.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <thread>

namespace {

using namespace quorvel;
using namespace std::chrono_literals;

struct FixedPath : data::ImClientPathStore {
    std::string path;
    std::string ReadImClientPath() override { return path; }
    bool WriteImClientPath(std::string_view) override { return false; }
};

struct TempDir {
    std::filesystem::path path;
    TempDir() {
        std::string pattern = "/tmp/qimbench-XXXXXX";
        path = ::mkdtemp(pattern.data()) != nullptr ? pattern : "/tmp";
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

// Hands the chat URL straight to the service, as the client's command line would.
struct DirectHandOver : platform::ProcessLauncher {
    std::filesystem::path socket;
    bool RunAndWait(std::string_view line, std::chrono::milliseconds) override {
        const std::size_t url = line.find("\"aliim:");
        const std::string arg(line.substr(url + 1, line.size() - url - 2));
        return platform::posix::ImRequest(socket, {"CHAT", arg}, 5s).has_value();
    }
};

void BM_SendWindowProtocolOnly(benchmark::State& state) {
    TempDir dir;
    standin::ImService service({dir.path / "s", dir.path / "im", dir.path / "log", 0s});
    std::string whyNot;
    if (!service.Listen(&whyNot)) {
        state.SkipWithError(whyNot.c_str());
        return;
    }
    std::thread serving([&] { service.Run(); });
    FixedPath path;
    DirectHandOver launcher;
    launcher.socket = dir.path / "s";
    platform::posix::ImWindowClient windows(dir.path / "s");
    delivery::ChatSender sender(path, launcher, windows, {5s, 5s, 1ms});
    const std::string message(static_cast<std::size_t>(state.range(0)), 'k');
    for (auto _ : state) {
        benchmark::DoNotOptimize(sender.Send("seller", "buyer", message));
    }
    service.Stop();
    serving.join();
}
BENCHMARK(BM_SendWindowProtocolOnly)->Arg(200)->Arg(64 * 1024)->Unit(benchmark::kMicrosecond);

void BM_SendThroughStandinProcess(benchmark::State& state) {
    TempDir dir;
    ::setenv("QUORVEL_IM_SOCKET", (dir.path / "s").c_str(), 1);
    ::setenv("QUORVEL_IM_DIR", (dir.path / "im").c_str(), 1);
    ::setenv("QUORVEL_IM_IDLE_SECONDS", "60", 1);
    FixedPath path;
    path.path = QUORVEL_STANDIN_IM_BINARY;
    platform::posix::PosixProcessLauncher launcher;
    platform::posix::ImWindowClient windows(dir.path / "s");
    delivery::ChatSender sender(path, launcher, windows, {10s, 10s, 10ms});
    sender.Send("seller", "buyer", "warm-up: starts the service");
    for (auto _ : state) {
        benchmark::DoNotOptimize(sender.Send("seller", "buyer", "card K1 P1"));
    }
    platform::posix::ImRequest(dir.path / "s", {"STOP"}, 5s);
}
BENCHMARK(BM_SendThroughStandinProcess)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
