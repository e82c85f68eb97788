// Real table files in a fresh temporary directory, and a notifier that records what it is
// asked to do.
#pragma once

#include "data/ShippedTables.h"
#include "data/Tables.h"
#include "delivery/NotifierPort.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace quorvel::testing {

class TempTables {
  public:
    TempTables() {
        std::random_device seed;
        m_dir = std::filesystem::temp_directory_path() /
                ("quorvel-delivery-" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(m_dir);
        std::string whyNot;
        if (!data::CreateShippedTables(m_dir, &whyNot))
            ADD_FAILURE() << "cannot create tables: " << whyNot;
        m_tables = std::make_unique<data::Tables>(m_dir);
    }
    ~TempTables() {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    data::Tables& tables() { return *m_tables; }
    const std::filesystem::path& dir() const { return m_dir; }

    void watch(const std::string& title) {
        ASSERT_TRUE(m_tables->AddWatchedItem(data::WatchedItem{title, "", 0, true}));
    }
    void stock(const std::string& item, const std::string& number, const std::string& password) {
        ASSERT_TRUE(m_tables->AddStockCard(data::StockCard{item, number, password, 0, 0}));
    }
    std::vector<std::string> stockNumbers(const std::string& item) const {
        std::vector<std::string> out;
        for (const auto& card : m_tables->ReadStockCards(item))
            out.push_back(card.cardNumber);
        return out;
    }

  private:
    std::filesystem::path m_dir;
    std::unique_ptr<data::Tables> m_tables;
};

class RecordingNotifier : public delivery::NotifierPort {
  public:
    struct Message {
        std::string seller, buyer, text;
    };
    std::string sellerNick = "seller";
    bool handOver = true;
    int nickFetches = 0;
    std::vector<Message> messages;

    std::string FetchSellerNick() override {
        ++nickFetches;
        return sellerNick;
    }
    bool SendChatMessage(std::string_view seller, std::string_view buyer,
                         std::string_view text) override {
        messages.push_back({std::string(seller), std::string(buyer), std::string(text)});
        return handOver;
    }
};

} // namespace quorvel::testing
