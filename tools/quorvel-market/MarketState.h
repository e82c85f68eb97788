// What the simulated marketplace knows: the seller, the to-ship list, the update texts, the
// sessions it issued, the consignments and requests it received. Texts are UTF-8 here and
// become GBK only when a page is served.
//
// Thread-safe: every member locks.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::market {

struct MarketOrder {
    std::string number; // trade id, 订单编号
    std::string id;     // order_id of the consignment link
    std::string title;  // item title as HTML text (entities allowed)
    std::string price;  // unit price text, "12.50"
    std::string quantity;
    std::string buyer;
};

struct Consignment {
    std::string query; // the raw query after '?'
    std::string body;  // the raw POST body
    bool matchedOrder = false;
};

struct Settings {
    std::string sellerNick = "demo_seller";
    std::string loginUser = "demo";
    std::string loginPassword = "demo";
    // Titles the demo's new orders take in turn; each demoitem line of the state adds one.
    std::vector<std::string> demoItems;
    std::string tip;       // /svn/trunk/tip.txt
    std::string version;   // /svn/trunk/version.txt
    std::string updateTip; // /svn/trunk/updatetip.txt
    std::string upAddress; // /svn/trunk/upaddr.txt
};

// One order line: number TAB id TAB title TAB price TAB quantity TAB buyer.
bool ParseOrderLine(std::string_view line, MarketOrder& order, std::string* whyNot);
std::string OrderLine(const MarketOrder& order);

class MarketState {
  public:
    // Reads the state file (see README.md); throws std::runtime_error with the line on error.
    void LoadFile(const std::filesystem::path& file);
    // Adds the order lines of `text`; answers how many, or -1 (nothing added) on a bad line.
    int AddOrders(std::string_view text, std::string* whyNot);
    void SetSellerNick(std::string nick);

    Settings CurrentSettings() const;
    std::vector<MarketOrder> Orders() const;
    std::vector<Consignment> Consignments() const;
    std::vector<std::string> Requests() const;

    bool CheckLogin(std::string_view user, std::string_view password) const;
    std::string NewSession();
    bool IsSession(std::string_view token) const;

    // Records the consignment and takes the order with this trade id off the list.
    void Consign(std::string query, std::string body, std::string_view tradeId);
    // Adds one order of the demo item with fresh numbers.
    MarketOrder AddDemoOrder();

    void OpenRequestLog(const std::filesystem::path& file);
    void LogRequest(const std::string& line);

  private:
    mutable std::mutex m_mutex;
    Settings m_settings;
    std::vector<MarketOrder> m_orders;
    std::vector<Consignment> m_consignments;
    std::vector<std::string> m_requests;
    std::set<std::string> m_sessions;
    std::ofstream m_log;
    std::uint64_t m_demoCounter = 0;
};

} // namespace quorvel::market
