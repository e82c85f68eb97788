// The card key entry format: one card per line, the card number, one space, the password.
#pragma once

#include "data/Records.h"

#include <string_view>
#include <vector>

namespace quorvel::catalogue {

// The cards of an entry text (GBK, "\r\n" line breaks), in line order, under `itemName`.
// A line without a space is a card number whose password is "0"; pieces after the second are
// dropped; nothing is trimmed. An empty line has no card number and gives no card.
std::vector<data::StockCard> CardsFromEntry(std::string_view entry, std::string_view itemName);

} // namespace quorvel::catalogue
