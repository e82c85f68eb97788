// HttpFetch over loopback: a fresh connection per request, as the delivery pass makes them.
#include "web/HttpFetch.h"
#include "web/LoopbackServer.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using quorvel::testing::LoopbackConnection;
using quorvel::testing::LoopbackServer;

constexpr std::size_t kPageBytes = 300 * 1024;

LoopbackServer& pageServer() {
    static const std::string response = [] {
        std::string page;
        page.reserve(kPageBytes);
        while (page.size() < kPageBytes) {
            page.append("<li class=\"order\">\xB6\xA9\xB5\xA5 1234567890</li>\r\n");
        }
        page.resize(kPageBytes);
        return LoopbackServer::Response("HTTP/1.1 200 OK", "Content-Type: text/html\r\n", page);
    }();
    static LoopbackServer server([](LoopbackConnection& c) { c.send(response); });
    return server;
}

quorvel::web::HttpFetchRequest pageRequest() {
    quorvel::web::HttpFetchRequest request;
    request.url = pageServer().url("/user/order_list_new.htm");
    request.timeoutSeconds = 10;
    return request;
}

void BM_GetPage300K(benchmark::State& state) {
    const auto request = pageRequest();
    for (auto _ : state) {
        auto result = quorvel::web::HttpFetch(request);
        if (result.body.size() != kPageBytes) {
            state.SkipWithError("short body");
            break;
        }
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kPageBytes));
}
BENCHMARK(BM_GetPage300K)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_Get100Sequential(benchmark::State& state) {
    const auto request = pageRequest();
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) {
            auto result = quorvel::web::HttpFetch(request);
            if (result.body.size() != kPageBytes) {
                state.SkipWithError("short body");
                return;
            }
            benchmark::DoNotOptimize(result);
        }
    }
}
BENCHMARK(BM_Get100Sequential)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
