// What the delivery pass needs of the buyer notification. The real implementation drives the
// IM client (BuyerNotifier); tests use a recording one.
#pragma once

#include <string>
#include <string_view>

namespace quorvel::delivery {

class NotifierPort {
  public:
    virtual ~NotifierPort() = default;
    // The seller's own nickname; empty when the page could not be read.
    virtual std::string FetchSellerNick() = 0;
    // True only when the message was handed to the chat window's input control.
    virtual bool SendChatMessage(std::string_view sellerNick, std::string_view buyerNick,
                                 std::string_view message) = 0;
};

} // namespace quorvel::delivery
