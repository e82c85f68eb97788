#include "catalogue/CardEntry.h"

#include "text/Gbk.h"
#include "text/Texts.h"

#include <string>

namespace quorvel::catalogue {

std::vector<data::StockCard> CardsFromEntry(std::string_view entry, std::string_view itemName) {
    std::vector<data::StockCard> cards;
    for (const std::string& line : text::Split(entry, "\r\n")) {
        if (line.empty()) {
            continue;
        }
        std::vector<std::string> pieces = text::Split(line, " ");
        data::StockCard card;
        card.itemName = std::string(itemName);
        card.cardNumber = pieces.empty() ? std::string() : std::move(pieces[0]);
        card.cardPassword =
            pieces.size() >= 2 ? std::move(pieces[1]) : std::string(text::kMissingPassword.gbk);
        cards.push_back(std::move(card));
    }
    return cards;
}

} // namespace quorvel::catalogue
