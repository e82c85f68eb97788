#include "MarketState.h"

#include "GbkConvert.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <sstream>
#include <stdexcept>

namespace quorvel::market {

namespace {

std::vector<std::string> splitTabs(std::string_view line) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        parts.emplace_back(line.substr(start, tab - start));
        if (tab == std::string_view::npos)
            return parts;
        start = tab + 1;
    }
}

// "\n", "\r", "\t" and "\\" in a value of the state file.
std::string unescape(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out.push_back(value[i]);
            continue;
        }
        const char next = value[++i];
        out.push_back(next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next);
    }
    return out;
}

std::string_view stripCr(std::string_view line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

std::string randomHex(std::size_t bytes) {
    static thread_local std::mt19937_64 rng(std::random_device{}());
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < bytes; ++i) {
        const auto b = static_cast<unsigned>(rng() & 0xFF);
        out.push_back(kHex[b >> 4]);
        out.push_back(kHex[b & 0xF]);
    }
    return out;
}

} // namespace

bool ParseOrderLine(std::string_view line, MarketOrder& order, std::string* whyNot) {
    const std::vector<std::string> parts = splitTabs(stripCr(line));
    if (parts.size() != 6) {
        if (whyNot)
            *whyNot = "an order needs 6 tab-separated fields (number, id, title, price, "
                      "quantity, buyer), got " +
                      std::to_string(parts.size());
        return false;
    }
    if (parts[0].empty()) {
        if (whyNot)
            *whyNot = "an order needs a number";
        return false;
    }
    for (const std::string& part : parts) {
        try {
            (void)tools::Utf8ToGbk(part);
        } catch (const std::exception& e) {
            if (whyNot)
                *whyNot = std::string("a field has no GBK form: ") + e.what();
            return false;
        }
    }
    order = MarketOrder{parts[0], parts[1], parts[2], parts[3], parts[4], parts[5]};
    return true;
}

std::string OrderLine(const MarketOrder& o) {
    return o.number + '\t' + o.id + '\t' + o.title + '\t' + o.price + '\t' + o.quantity + '\t' +
           o.buyer;
}

void MarketState::LoadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read state file " + file.string());
    std::string line;
    int number = 0;
    std::lock_guard lock(m_mutex);
    while (std::getline(in, line)) {
        ++number;
        const std::string_view text = stripCr(line);
        if (text.empty() || text.front() == '#')
            continue;
        const std::size_t blank = text.find(' ');
        const std::string_view key = text.substr(0, blank);
        const std::string value =
            blank == std::string_view::npos ? std::string() : unescape(text.substr(blank + 1));
        std::string whyNot;
        MarketOrder order;
        if (key == "seller")
            m_settings.sellerNick = value;
        else if (key == "login") {
            const std::size_t split = value.find(' ');
            m_settings.loginUser = value.substr(0, split);
            m_settings.loginPassword = split == std::string::npos ? "" : value.substr(split + 1);
        } else if (key == "demoitem")
            m_settings.demoItems.push_back(value);
        else if (key == "tip")
            m_settings.tip = value;
        else if (key == "version")
            m_settings.version = value;
        else if (key == "updatetip")
            m_settings.updateTip = value;
        else if (key == "upaddr")
            m_settings.upAddress = value;
        else if (key == "order" && ParseOrderLine(text.substr(blank + 1), order, &whyNot))
            m_orders.push_back(order);
        else
            throw std::runtime_error(file.string() + ":" + std::to_string(number) + ": " +
                                     (whyNot.empty() ? "unknown key" : whyNot));
    }
}

int MarketState::AddOrders(std::string_view text, std::string* whyNot) {
    std::vector<MarketOrder> added;
    std::istringstream in{std::string(text)};
    std::string line;
    while (std::getline(in, line)) {
        if (stripCr(line).empty())
            continue;
        MarketOrder order;
        if (!ParseOrderLine(line, order, whyNot))
            return -1;
        added.push_back(order);
    }
    std::lock_guard lock(m_mutex);
    m_orders.insert(m_orders.end(), added.begin(), added.end());
    return static_cast<int>(added.size());
}

void MarketState::SetSellerNick(std::string nick) {
    std::lock_guard lock(m_mutex);
    m_settings.sellerNick = std::move(nick);
}

Settings MarketState::CurrentSettings() const {
    std::lock_guard lock(m_mutex);
    return m_settings;
}

std::vector<MarketOrder> MarketState::Orders() const {
    std::lock_guard lock(m_mutex);
    return m_orders;
}

std::vector<Consignment> MarketState::Consignments() const {
    std::lock_guard lock(m_mutex);
    return m_consignments;
}

std::vector<std::string> MarketState::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

bool MarketState::CheckLogin(std::string_view user, std::string_view password) const {
    std::lock_guard lock(m_mutex);
    return user == m_settings.loginUser && password == m_settings.loginPassword;
}

std::string MarketState::NewSession() {
    std::string token = randomHex(16);
    std::lock_guard lock(m_mutex);
    m_sessions.insert(token);
    return token;
}

bool MarketState::IsSession(std::string_view token) const {
    std::lock_guard lock(m_mutex);
    return m_sessions.count(std::string(token)) != 0;
}

void MarketState::Consign(std::string query, std::string body, std::string_view tradeId) {
    std::lock_guard lock(m_mutex);
    const auto it = std::find_if(m_orders.begin(), m_orders.end(),
                                 [&](const MarketOrder& o) { return o.number == tradeId; });
    const bool matched = it != m_orders.end();
    if (matched)
        m_orders.erase(it);
    m_consignments.push_back({std::move(query), std::move(body), matched});
}

MarketOrder MarketState::AddDemoOrder() {
    std::lock_guard lock(m_mutex);
    const auto stamp = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
    const std::uint64_t n = ++m_demoCounter;
    MarketOrder order;
    order.number = std::to_string(stamp) + std::to_string(n);
    order.id = std::to_string(900000 + n);
    const auto& items = m_settings.demoItems;
    order.title = items.empty() ? std::string("Demo monthly card") : items[(n - 1) % items.size()];
    order.price = "10.00";
    order.quantity = std::to_string(1 + n % 3);
    order.buyer = std::string("demo_buyer_").append(std::to_string(n));
    m_orders.push_back(order);
    return order;
}

void MarketState::OpenRequestLog(const std::filesystem::path& file) {
    std::lock_guard lock(m_mutex);
    m_log.open(file, std::ios::app | std::ios::binary);
    if (!m_log)
        throw std::runtime_error("cannot write request log " + file.string());
}

void MarketState::LogRequest(const std::string& line) {
    std::lock_guard lock(m_mutex);
    m_requests.push_back(line);
    if (m_log.is_open())
        m_log << line << '\n' << std::flush;
}

} // namespace quorvel::market
