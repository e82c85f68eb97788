// What the reliability tests run a real delivery road against: real table files in a fresh
// directory, a marketplace at the fetch port that can turn hostile, and a notifier that records
// each message and can fail the ways an IM client does. Every piece keeps the ledger the
// invariant check needs.
#pragma once

#include "InvariantCheck.h"
#include "delivery/DeliveryCycle.h"
#include "delivery/OrderPageFixture.h"

#include "data/ShippedTables.h"
#include "data/Tables.h"
#include "web/Endpoints.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace quorvel::reliability {

namespace fs = std::filesystem;

class DataDir {
  public:
    DataDir() {
        std::random_device seed;
        m_dir = fs::temp_directory_path() /
                ("quorvel-reliability-" + std::to_string(seed()) + std::to_string(seed()));
        fs::create_directories(m_dir);
        std::string why;
        if (!data::CreateShippedTables(m_dir, &why))
            ADD_FAILURE() << "cannot create tables: " << why;
    }
    ~DataDir() {
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(m_dir, ignored))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(m_dir, ignored);
    }
    DataDir(const DataDir&) = delete;
    DataDir& operator=(const DataDir&) = delete;
    const fs::path& path() const { return m_dir; }
    fs::path file(data::TableId id) const { return data::TableFile(m_dir, id); }

  private:
    fs::path m_dir;
};

// How the marketplace answers.
enum class MarketMood {
    Normal,
    Garbage,       // bytes that are no page
    LoginPage,     // the session expired: every page is the login form
    Empty,         // empty body, as a failed or timed-out request gives
    ChangedLayout, // the page's markup changed: the patterns find nothing
    DeadAfterList, // serves the order list, then answers nothing (died mid-pass)
};

// The marketplace at the fetch port: the to-ship list in the page markup, the consignment form.
// Thread-safe.
class FakeMarket {
  public:
    void add(const crashtest::KnownOrder& order) {
        std::lock_guard lock(m_mutex);
        m_waiting.push_back(order);
    }
    void setMood(MarketMood mood) {
        std::lock_guard lock(m_mutex);
        m_mood = mood;
        m_listServed = false;
    }
    void setDelay(std::chrono::milliseconds delay) { m_delay = delay; }
    std::vector<crashtest::Consignment> consignments() const {
        std::lock_guard lock(m_mutex);
        return m_consignments;
    }
    std::size_t waiting() const {
        std::lock_guard lock(m_mutex);
        return m_waiting.size();
    }

    delivery::Fetch fetch() {
        return [this](const web::HttpFetchRequest& r) { return answer(r); };
    }

  private:
    web::HttpFetchResult answer(const web::HttpFetchRequest& r) {
        std::this_thread::sleep_for(m_delay.load());
        std::lock_guard lock(m_mutex);
        web::HttpFetchResult result;
        const bool list = r.url == web::OrderListUrl();
        switch (m_mood) {
        case MarketMood::Garbage:
            result.body = garbage();
            return result;
        case MarketMood::LoginPage:
            result.body = "<html><form action=\"/member/login.jhtml\"><input name=\"TPL_username\">"
                          "</form></html>";
            return result;
        case MarketMood::Empty:
            return result;
        case MarketMood::ChangedLayout:
            if (list) {
                result.body = page();
                for (std::size_t at;
                     (at = result.body.find("line-height:16px")) != std::string::npos;)
                    result.body.replace(at, 16, "line-height:18px");
            }
            return result;
        case MarketMood::DeadAfterList:
            if (m_listServed)
                return result;
            m_listServed = list;
            break;
        case MarketMood::Normal:
            break;
        }
        if (list) {
            result.body = page();
        } else if (r.url.find("trade_id=") != std::string::npos) {
            consign(r.url);
            result.body = "ok";
            result.responseHeaders = "HTTP/1.1 200 OK\r\n\r\n";
        }
        return result;
    }

    std::string page() const {
        std::string body;
        for (const auto& o : m_waiting) {
            testing::PageOrder p;
            p.title = o.item;
            p.nick = o.buyer;
            p.number = o.number;
            p.id = o.id;
            p.quantity = std::to_string(o.quantity);
            body += testing::OrderMarkup(p);
        }
        return testing::Page(body);
    }

    std::string garbage() {
        std::string bytes(4096, '\0');
        for (auto& c : bytes)
            c = static_cast<char>(m_random());
        return bytes;
    }

    void consign(const std::string& url) {
        const auto at = url.find("trade_id=") + 9;
        const std::string trade = url.substr(at, url.find('&', at) - at);
        crashtest::Consignment c{trade, false};
        for (auto it = m_waiting.begin(); it != m_waiting.end(); ++it) {
            if (it->number == trade) {
                m_waiting.erase(it);
                c.tookOrder = true;
                break;
            }
        }
        m_consignments.push_back(c);
    }

    mutable std::mutex m_mutex;
    std::vector<crashtest::KnownOrder> m_waiting;
    std::vector<crashtest::Consignment> m_consignments;
    MarketMood m_mood = MarketMood::Normal;
    bool m_listServed = false;
    std::atomic<std::chrono::milliseconds> m_delay{std::chrono::milliseconds(0)};
    std::mt19937 m_random{7};
};

// How the IM client behaves.
enum class ImMood { Normal, Missing, Hangs, ClosesEarly };

// Records every message handed over. Thread-safe.
class RecordingNotifier : public delivery::NotifierPort {
  public:
    void setMood(ImMood mood) { m_mood = mood; }
    void setSellerNick(std::string nick) {
        std::lock_guard lock(m_mutex);
        m_nick = std::move(nick);
    }
    std::vector<crashtest::SentMessage> messages() const {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }
    std::string FetchSellerNick() override {
        std::lock_guard lock(m_mutex);
        return m_nick;
    }
    bool SendChatMessage(std::string_view, std::string_view buyer, std::string_view text) override {
        switch (m_mood.load()) {
        case ImMood::Missing:
        case ImMood::ClosesEarly:
            return false;
        case ImMood::Hangs:
            std::this_thread::sleep_for(std::chrono::milliseconds(300)); // up to its bound
            return false;
        case ImMood::Normal:
            break;
        }
        std::lock_guard lock(m_mutex);
        m_messages.push_back({std::string(buyer), std::string(text)});
        return true;
    }

  private:
    mutable std::mutex m_mutex;
    std::string m_nick = "seller";
    std::vector<crashtest::SentMessage> m_messages;
    std::atomic<ImMood> m_mood{ImMood::Normal};
};

// A whole road: tables, market, notifier, the ledger of what entered and what was ordered.
class Road {
  public:
    Road() : m_tables(m_dir.path()) {}

    data::Tables& tables() { return m_tables; }
    DataDir& dir() { return m_dir; }
    FakeMarket& market() { return m_market; }
    RecordingNotifier& notifier() { return m_notifier; }
    crashtest::Ledger& ledger() { return m_ledger; }

    void watch(const std::string& item) {
        ASSERT_TRUE(m_tables.AddWatchedItem({item, "", 0, true}));
    }
    // Cards enter the ledger only when the add answered yes.
    bool stock(const std::string& item, int count) {
        std::vector<data::StockCard> cards;
        for (int i = 0; i < count; ++i) {
            char number[16], password[16];
            std::snprintf(number, sizeof number, "K%07d", m_nextCard);
            std::snprintf(password, sizeof password, "P%07d", m_nextCard++);
            cards.push_back({item, number, password, 0, 0});
        }
        if (!m_tables.AddStockCards(cards))
            return false;
        std::lock_guard lock(m_ledgerMutex);
        for (const auto& c : cards)
            m_ledger.cards[c.cardNumber] = {c.itemName, c.cardNumber, c.cardPassword};
        return true;
    }
    void order(const std::string& item, const std::string& buyer, int quantity,
               bool deliverable = true) {
        crashtest::KnownOrder o;
        o.number = std::to_string(500000 + m_nextOrder);
        o.id = std::to_string(900000 + m_nextOrder++);
        o.item = item;
        o.buyer = buyer;
        o.quantity = quantity;
        o.deliverable = deliverable;
        {
            std::lock_guard lock(m_ledgerMutex);
            m_ledger.orders[o.number] = o;
        }
        m_market.add(o);
    }
    void deleted(const std::string& cardNumber) {
        std::lock_guard lock(m_ledgerMutex);
        m_ledger.deletedBySeller.insert(cardNumber);
    }

    delivery::PassReport pass() {
        delivery::DeliveryPorts ports =
            delivery::StandardDeliveryPorts(m_patterns, m_tables, m_notifier, m_market.fetch());
        return delivery::RunDeliveryPass(ports);
    }

    crashtest::CheckResult check() {
        std::lock_guard lock(m_ledgerMutex);
        return crashtest::CheckInvariants(m_dir.path(), m_ledger, m_market.consignments(),
                                          m_notifier.messages());
    }

  private:
    DataDir m_dir;
    data::Tables m_tables;
    const delivery::CompiledPatterns m_patterns;
    FakeMarket m_market;
    RecordingNotifier m_notifier;
    std::mutex m_ledgerMutex;
    crashtest::Ledger m_ledger;
    int m_nextCard = 0;
    int m_nextOrder = 0;
};

inline std::string Violations(const crashtest::CheckResult& r) {
    std::string out;
    for (const auto& v : r.violations)
        out += "\n  " + v;
    return out;
}

} // namespace quorvel::reliability
