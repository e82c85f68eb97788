// Reads the marketplace's to-ship list into OrderEntry records: seven byte patterns over the
// page, their group-1 texts paired by position.
#pragma once

#include "delivery/FetchPort.h"
#include "delivery/OrderEntry.h"

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::delivery {

// The patterns, in the order their match lists are kept.
enum class PatternId : std::size_t {
    Title,
    UnitPrice,
    TradeStatus,
    BuyerNick,
    OrderNumber,
    Quantity,
    OrderId,
};
inline constexpr std::size_t kPatternCount = 7;

// Readable name of a pattern's list, for diagnostics ("title", "unit price", ...).
std::string_view PatternName(PatternId id);

// The seven compiled patterns. Built once at start-up; read-only afterwards, so one object may
// be shared by every thread.
class CompiledPatterns {
  public:
    CompiledPatterns();
    ~CompiledPatterns();
    CompiledPatterns(const CompiledPatterns&) = delete;
    CompiledPatterns& operator=(const CompiledPatterns&) = delete;

    // Group 1 of every non-overlapping match of one pattern over `page`, in page order; a group
    // that took no part gives "". An engine failure (a bound exceeded) gives no matches.
    std::vector<std::string> FindAll(PatternId id, std::string_view page) const;

    // As FindAll, with the offset in `page` at which each whole match starts.
    struct Match {
        std::size_t at = 0;
        std::string text;
    };
    std::vector<Match> FindAllAt(PatternId id, std::string_view page) const;

    struct Impl;

  private:
    std::unique_ptr<Impl> m_impl;
};

using MatchLists = std::array<std::vector<std::string>, kPatternCount>;

// What one page yields, with the lists it was paired from.
struct PageReading {
    MatchLists matches;
    std::vector<OrderEntry> orders;
    // The used lists that hold fewer matches than the title list. Pairing such a page by
    // position could give one buyer another's keys, so it yields no orders at all.
    std::vector<PatternId> shortLists;
    // Some i-th match of a used list stands before an (i-1)-th one: an order lacks a field that
    // appears further down (a changed page), so pairing by position would hand one order's keys
    // to the next order's buyer. Such a page yields no orders either.
    bool outOfOrder = false;
};

// The fetched body as page text: its bytes up to the first zero byte, "&mdash;" (any case of
// the letters, never across a double-byte character) replaced by the GBK em dash.
std::string CleanOrderPage(std::string_view body);

// Runs the patterns over an already cleaned page and pairs the matches. No network.
PageReading ReadOrderPage(const CompiledPatterns& patterns, std::string_view pageText);

// The number rules of the list: quantity by the text-to-integer rule; amount is the unit
// price (read as a float) times the quantity, computed in double and rounded to float.
std::int32_t QuantityFromText(std::string_view text);
float AmountFromTexts(std::string_view unitPriceText, std::int32_t quantity);

// Fetches the to-ship list as the logged-in seller and reads it. Keeps the last page and its
// match lists until the next read. One reader per pass thread; not thread-safe itself.
class OrderListReader {
  public:
    OrderListReader(const CompiledPatterns& patterns, Fetch fetch);

    // Empties `orders` and appends one record per order found; empty on any failure.
    void Read(std::vector<OrderEntry>& orders);

    const std::string& PageText() const { return m_pageText; }
    const PageReading& LastReading() const { return m_reading; }

  private:
    const CompiledPatterns& m_patterns;
    Fetch m_fetch;
    std::string m_pageText;
    PageReading m_reading;
};

} // namespace quorvel::delivery
