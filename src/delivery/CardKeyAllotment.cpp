#include "delivery/CardKeyAllotment.h"

#include "text/Gbk.h"
#include "text/Texts.h"

#include <utility>

namespace quorvel::delivery {

std::string DeliveryText(std::string_view itemTitle, const std::vector<data::StockCard>& cards) {
    std::string out;
    out.append(text::kDeliveryHead.gbk).append(itemTitle).append(text::kDeliveryHeadTail.gbk);
    for (const data::StockCard& card : cards) {
        out.append(text::kDeliveryCardNumber.gbk).append(card.cardNumber);
        out.append(text::kDeliveryCardPassword.gbk).append(card.cardPassword);
        out.append(text::kLineBreak.gbk);
    }
    return out;
}

std::string DeliveryTimeText(const LocalTime& time) {
    return text::DeliveryTimeText(time.year, time.month, time.day, time.hour, time.minute,
                                  time.second);
}

CardKeyAllotment::CardKeyAllotment(data::Tables& tables, Clock clock)
    : m_tables(tables), m_clock(std::move(clock)) {}

std::optional<std::vector<data::StockCard>>
CardKeyAllotment::take(std::string_view orderNumber, std::string_view itemTitle,
                       std::string_view buyerNick, std::int32_t quantity, std::int32_t count) {
    if (quantity < 1 || count < 1)
        return std::nullopt;
    const std::string quantityText = text::IntToText(quantity);
    const auto recordFor = [&](const data::StockCard& card) {
        data::DeliveredRecord record;
        record.itemName = std::string(itemTitle);
        record.orderNumber = std::string(orderNumber);
        record.buyerNick = std::string(buyerNick);
        record.quantity = quantityText;
        record.cardNumber = card.cardNumber;
        record.cardPassword = card.cardPassword;
        record.deliveredAt = DeliveryTimeText(m_clock()); // read for each record
        return record;
    };
    return m_tables.TakeStockCards(itemTitle, count, recordFor, orderNumber);
}

std::optional<std::string> CardKeyAllotment::ComposeDelivery(std::string_view orderNumber,
                                                             std::string_view itemTitle,
                                                             std::string_view buyerNick,
                                                             std::int32_t quantity) {
    const auto cards = take(orderNumber, itemTitle, buyerNick, quantity, quantity);
    if (!cards)
        return std::nullopt;
    return DeliveryText(itemTitle, *cards);
}

std::optional<data::StockCard> CardKeyAllotment::TakeStockCard(std::string_view orderNumber,
                                                               std::string_view itemTitle,
                                                               std::string_view buyerNick,
                                                               std::int32_t quantity) {
    auto cards = take(orderNumber, itemTitle, buyerNick, quantity, 1);
    if (!cards || cards->empty())
        return std::nullopt;
    return std::move(cards->front());
}

bool CardKeyAllotment::AppendDeliveredRecord(const data::DeliveredRecord& record) {
    return m_tables.AppendDeliveredRecord(record);
}

} // namespace quorvel::delivery
