#include "delivery/OrderListReader.h"

#include "text/Gbk.h"
#include "text/Texts.h"
#include "web/Endpoints.h"

#include <boost/regex.hpp>

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>

namespace quorvel::delivery {

namespace {

using Iterator = std::string_view::const_iterator;

constexpr std::array<std::string_view, kPatternCount> kPatternTexts = {
    text::kTitlePattern.gbk,     text::kUnitPricePattern.gbk,   text::kTradeStatusPattern.gbk,
    text::kBuyerNickPattern.gbk, text::kOrderNumberPattern.gbk, text::kQuantityPattern.gbk,
    text::kOrderIdPattern.gbk,
};

// The pattern as literal pieces joined by lazy "any byte" gaps, when it has that shape: every
// pattern of the list does. nullopt for any other shape.
std::optional<std::vector<std::string>> literalPieces(std::string_view pattern) {
    constexpr std::string_view kGroupGap = "(.*?)";
    constexpr std::string_view kGap = ".*?";
    constexpr std::string_view kMeta = ".[]{}()\\*+?|^$";
    std::vector<std::string> pieces(1);
    std::size_t i = 0;
    while (i < pattern.size()) {
        const std::string_view rest = pattern.substr(i);
        const std::size_t gap = rest.starts_with(kGroupGap) ? kGroupGap.size()
                                : rest.starts_with(kGap)    ? kGap.size()
                                                            : 0;
        if (gap != 0) {
            if (pieces.back().empty())
                return std::nullopt; // a leading gap or two gaps in a row
            pieces.emplace_back();
            i += gap;
            continue;
        }
        if (kMeta.find(pattern[i]) != std::string_view::npos)
            return std::nullopt;
        pieces.back().push_back(pattern[i]);
        ++i;
    }
    if (pieces.back().empty())
        pieces.pop_back(); // a trailing gap matches empty: the pieces before it decide
    return pieces;
}

// The last position at which a match can start: the latest L0 of a chain L0 gap L1 gap ... Ln
// in the page. A lazy gap takes the nearest next piece, so a match starting at any earlier L0
// exists (it can use this chain) and none starts later. npos when the page holds no chain.
std::size_t latestStart(const std::vector<std::string>& pieces, std::string_view page) {
    std::size_t end = page.size();
    for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece) {
        if (end < piece->size())
            return text::npos;
        const std::size_t at = page.rfind(*piece, end - piece->size());
        if (at == std::string_view::npos)
            return text::npos;
        end = at;
    }
    return end;
}

} // namespace

struct CompiledPatterns::Impl {
    struct Pattern {
        boost::regex regex;
        std::optional<std::vector<std::string>> pieces;
    };
    std::array<Pattern, kPatternCount> patterns;
};

CompiledPatterns::CompiledPatterns() : m_impl(std::make_unique<Impl>()) {
    for (std::size_t i = 0; i < kPatternCount; ++i) {
        const std::string_view source = kPatternTexts[i];
        m_impl->patterns[i].regex =
            boost::regex(source.begin(), source.end(), boost::regex::perl | boost::regex::mod_s);
        m_impl->patterns[i].pieces = literalPieces(source);
    }
}

CompiledPatterns::~CompiledPatterns() = default;

// Repeated searches, each from the end of the previous match, exactly as boost::regex_iterator
// steps (including its rule for empty matches). Searching stops once no match can start any
// more: without that, each near-miss after the last match would rescan the rest of the page,
// which is quadratic in the page size.
std::vector<std::string> CompiledPatterns::FindAll(PatternId id, std::string_view page) const {
    std::vector<std::string> texts;
    for (Match& m : FindAllAt(id, page))
        texts.push_back(std::move(m.text));
    return texts;
}

std::vector<CompiledPatterns::Match> CompiledPatterns::FindAllAt(PatternId id,
                                                                 std::string_view page) const {
    const Impl::Pattern& pattern = m_impl->patterns[static_cast<std::size_t>(id)];
    const std::size_t lastStart = pattern.pieces ? latestStart(*pattern.pieces, page) : page.size();
    std::vector<Match> found;
    if (lastStart == text::npos)
        return found;
    const Iterator begin = page.begin();
    const Iterator end = page.end();
    Iterator from = begin;
    boost::match_flag_type flags = boost::match_default;
    boost::match_results<Iterator> match;
    try {
        while (static_cast<std::size_t>(from - begin) <= lastStart &&
               boost::regex_search(from, end, match, pattern.regex, flags, begin)) {
            found.push_back({static_cast<std::size_t>(match[0].first - begin),
                             match[1].matched ? match.str(1) : std::string()});
            flags = boost::match_default | boost::match_prev_avail | boost::match_not_bob;
            if (match.length(0) == 0)
                flags |= boost::regex_constants::match_not_initial_null;
            from = match[0].second;
        }
    } catch (const std::exception&) {
        found.clear(); // the engine gave up: a partial list must not be paired
    }
    return found;
}

std::string_view PatternName(PatternId id) {
    constexpr std::array<std::string_view, kPatternCount> kNames = {
        "title",        "unit price", "trade status", "buyer nick",
        "order number", "quantity",   "order id"};
    return kNames[static_cast<std::size_t>(id)];
}

std::string CleanOrderPage(std::string_view body) {
    return text::ReplaceAllNoCase(text::UpToNul(body), text::kMdashEntity.gbk, text::kEmDash.gbk);
}

std::int32_t QuantityFromText(std::string_view text) {
    return text::TextToInt(text);
}

float AmountFromTexts(std::string_view unitPriceText, std::int32_t quantity) {
    const auto unitPrice = static_cast<float>(text::TextToDouble(unitPriceText));
    return static_cast<float>(static_cast<double>(unitPrice) * static_cast<double>(quantity));
}

namespace {

// The lists paired into orders.
constexpr PatternId kUsedLists[] = {PatternId::Title,     PatternId::UnitPrice,
                                    PatternId::BuyerNick, PatternId::OrderNumber,
                                    PatternId::Quantity,  PatternId::OrderId};

// Whether every match of order i of every used list stands after every match of order i - 1:
// true for any page whose orders follow one another, whatever the order of fields inside one.
bool pairsInPageOrder(const std::array<std::vector<CompiledPatterns::Match>, kPatternCount>& found,
                      std::size_t count) {
    std::size_t previousLast = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t first = text::npos;
        std::size_t last = 0;
        for (const PatternId id : kUsedLists) {
            const std::size_t at = found[static_cast<std::size_t>(id)][i].at;
            first = std::min(first, at);
            last = std::max(last, at);
        }
        if (i > 0 && first <= previousLast)
            return false;
        previousLast = last;
    }
    return true;
}

} // namespace

PageReading ReadOrderPage(const CompiledPatterns& patterns, std::string_view pageText) {
    PageReading reading;
    std::array<std::vector<CompiledPatterns::Match>, kPatternCount> found;
    for (std::size_t i = 0; i < kPatternCount; ++i) {
        found[i] = patterns.FindAllAt(static_cast<PatternId>(i), pageText);
        for (const auto& m : found[i])
            reading.matches[i].push_back(m.text);
    }

    const auto& lists = reading.matches;
    const auto list = [&lists](PatternId id) -> const std::vector<std::string>& {
        return lists[static_cast<std::size_t>(id)];
    };
    const std::size_t count = list(PatternId::Title).size();
    for (PatternId used : {PatternId::UnitPrice, PatternId::BuyerNick, PatternId::OrderNumber,
                           PatternId::Quantity, PatternId::OrderId}) {
        if (list(used).size() < count)
            reading.shortLists.push_back(used);
    }
    if (!reading.shortLists.empty())
        return reading;
    reading.outOfOrder = !pairsInPageOrder(found, count);
    if (reading.outOfOrder)
        return reading;

    reading.orders.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        OrderEntry entry;
        entry.itemTitle = list(PatternId::Title)[i];
        entry.status = 2;
        entry.buyerNick = list(PatternId::BuyerNick)[i];
        entry.orderNumber = list(PatternId::OrderNumber)[i];
        entry.quantity = QuantityFromText(list(PatternId::Quantity)[i]);
        entry.amount = AmountFromTexts(list(PatternId::UnitPrice)[i], entry.quantity);
        entry.orderId = list(PatternId::OrderId)[i];
        reading.orders.push_back(std::move(entry));
    }
    return reading;
}

OrderListReader::OrderListReader(const CompiledPatterns& patterns, Fetch fetch)
    : m_patterns(patterns), m_fetch(std::move(fetch)) {}

void OrderListReader::Read(std::vector<OrderEntry>& orders) {
    orders.clear();
    web::HttpFetchRequest request;
    request.url = web::OrderListUrl();
    request.method = "GET";
    request.cookieText = web::SessionCookies();
    const web::HttpFetchResult result = m_fetch(request);
    m_pageText = CleanOrderPage(result.body);
    m_reading = ReadOrderPage(m_patterns, m_pageText);
    orders = m_reading.orders;
}

Fetch DefaultFetch() {
    return [](const web::HttpFetchRequest& r) { return web::HttpFetch(r); };
}

} // namespace quorvel::delivery
