// The buyer notification the delivery pass calls: the seller's nickname from the member
// base-info page, and the chat message through the IM client.
#pragma once

#include "delivery/ChatSender.h"
#include "delivery/NotifierPort.h"

namespace quorvel::delivery {

class BuyerNotifier : public NotifierPort {
  public:
    // REQUIRES: the references outlive the notifier.
    BuyerNotifier(data::ImClientPathStore& paths, platform::ProcessLauncher& launcher,
                  platform::WindowSystem& windows, ChatBounds bounds = {});

    std::string FetchSellerNick() override;
    bool SendChatMessage(std::string_view sellerNick, std::string_view buyerNick,
                         std::string_view message) override;

  private:
    ChatSender m_sender;
};

// The nickname in a base-info page: between "亲爱的<b>" and the next "</b>", on the bytes up to
// the first zero byte; empty when the markers are not there.
std::string SellerNickOfPage(std::string_view body);

} // namespace quorvel::delivery
