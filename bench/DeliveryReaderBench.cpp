// Reading to-ship pages: a realistic list of 200 orders, and pages full of near-misses whose
// cost must grow linearly with their size.
#include "delivery/OrderListReader.h"
#include "delivery/OrderPageFixture.h"
#include "text/Texts.h"

#include <benchmark/benchmark.h>
#include <boost/regex.hpp>

namespace {

using quorvel::delivery::CompiledPatterns;

std::string realisticPage(int orders) {
    // Markup between the parts the patterns read, as a real list carries it.
    const std::string filler =
        "<div class=\"item-mod\"><p class=\"desc\">" + std::string(850, 'x') +
        "</p><a href=\"http://trade.taobao.com/trade/detail/trade_item_detail.htm\">detail</a>"
        "</div>\r\n";
    std::string body;
    for (int i = 0; i < orders; ++i) {
        quorvel::testing::PageOrder o;
        o.number = std::to_string(100000000 + i);
        o.id = std::to_string(900000000 + i);
        o.title = "Card &mdash; item " + std::to_string(i % 7);
        o.nick = "buyer" + std::to_string(i);
        o.quantity = std::to_string(1 + i % 3);
        body += quorvel::testing::OrderMarkup(o) + filler;
    }
    return quorvel::testing::Page(body);
}

// Total blocks whose frame never closes, and parts of the other patterns that never end.
std::string nearMissPage(std::size_t bytes) {
    const std::string unit =
        "<li class=\"total\">" + quorvel::testing::kFrameOpen +
        "12.50\xA1\xC1 3\r\n\t</li>\r\n"
        "<span class=\"order-number\">\xB6\xA9\xB5\xA5\xB1\xE0\xBA\xC5\xA3\xBA"
        "1001 </div>\r\n"
        "<strong class=\"J_TradeStatus status wait>x</b>\r\n"
        "<span class=\"ww ww:token\" ww:params=\"nick=buyer;display\r\n"
        "order_id=9001; <a style=\"line-height:16px;\" target=\"_blank\" title=\"half\r\n";
    std::string page;
    while (page.size() < bytes)
        page += unit;
    return page;
}

const CompiledPatterns& patterns() {
    static const CompiledPatterns compiled;
    return compiled;
}

void BM_ReadRealisticPage(benchmark::State& state) {
    const std::string body = realisticPage(200);
    for (auto _ : state) {
        auto reading =
            quorvel::delivery::ReadOrderPage(patterns(), quorvel::delivery::CleanOrderPage(body));
        if (reading.orders.size() != 200)
            state.SkipWithError("page did not yield 200 orders");
        benchmark::DoNotOptimize(reading);
    }
    state.counters["page_KB"] = static_cast<double>(body.size()) / 1024.0;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_ReadRealisticPage)->Unit(benchmark::kMillisecond);

void BM_ReadNearMisses(benchmark::State& state) {
    const std::string page = nearMissPage(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        auto reading = quorvel::delivery::ReadOrderPage(patterns(), page);
        benchmark::DoNotOptimize(reading);
    }
    state.counters["page_KB"] = static_cast<double>(page.size()) / 1024.0;
}
BENCHMARK(BM_ReadNearMisses)->Arg(100 * 1024)->Arg(1024 * 1024)->Unit(benchmark::kMillisecond);

// The same page with a plain regex_iterator, without the stop once no match can start: shows
// the cost the reader avoids.
void BM_PlainIteratorNearMisses(benchmark::State& state) {
    const std::string page = nearMissPage(static_cast<std::size_t>(state.range(0)));
    const std::string_view source = quorvel::text::kUnitPricePattern.gbk;
    const boost::regex re(source.begin(), source.end(), boost::regex::perl | boost::regex::mod_s);
    for (auto _ : state) {
        std::size_t n = 0;
        try {
            for (boost::sregex_iterator it(page.begin(), page.end(), re), end; it != end; ++it)
                ++n;
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
            break;
        }
        benchmark::DoNotOptimize(n);
    }
    state.counters["page_KB"] = static_cast<double>(page.size()) / 1024.0;
}
BENCHMARK(BM_PlainIteratorNearMisses)
    ->Arg(25 * 1024)
    ->Arg(50 * 1024)
    ->Arg(100 * 1024)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
