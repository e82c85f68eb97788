// The card key entry splitting on arbitrary text: one card per non-empty line, each line's
// first piece the number and its second the password ("0" when there is none), nothing of a
// card taken from another line.
#include "FuzzCheck.h"

#include "catalogue/CardEntry.h"
#include "text/Gbk.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

namespace {

using namespace quorvel;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string item = in.ConsumeRandomLengthString(16);
    const std::string entry = in.ConsumeRemainingBytesAsString();
    const auto cards = catalogue::CardsFromEntry(entry, item);

    std::vector<std::string> lines;
    for (const auto& line : text::Split(entry, "\r\n")) {
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    FUZZ_CHECK(cards.size() == lines.size());
    for (std::size_t i = 0; i < cards.size(); ++i) {
        const auto& card = cards[i];
        const std::string& line = lines[i];
        FUZZ_CHECK(card.itemName == item);
        FUZZ_CHECK(card.id == 0);
        FUZZ_CHECK(text::Find(card.cardNumber, "\r\n") == text::npos);
        FUZZ_CHECK(text::Find(card.cardNumber, " ") == text::npos);
        FUZZ_CHECK(fuzz::IsPrefix(line, card.cardNumber));
        if (line.size() > card.cardNumber.size()) {
            // A separator follows the number; the password is the next piece.
            FUZZ_CHECK(line[card.cardNumber.size()] == ' ');
            const std::string rest = line.substr(card.cardNumber.size() + 1);
            FUZZ_CHECK(fuzz::IsPrefix(rest, card.cardPassword) || card.cardPassword == "0");
        } else {
            FUZZ_CHECK(card.cardPassword == "0");
        }
    }
    return 0;
}
