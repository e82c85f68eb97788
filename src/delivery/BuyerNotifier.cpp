#include "delivery/BuyerNotifier.h"

#include "text/Gbk.h"
#include "text/Texts.h"
#include "web/Endpoints.h"
#include "web/HttpFetch.h"

namespace quorvel::delivery {

std::string SellerNickOfPage(std::string_view body) {
    return web::TextBetween(text::UpToNul(body), text::kSellerNickStart.gbk,
                            text::kSellerNickEnd.gbk);
}

BuyerNotifier::BuyerNotifier(data::ImClientPathStore& paths, platform::ProcessLauncher& launcher,
                             platform::WindowSystem& windows, ChatBounds bounds)
    : m_sender(paths, launcher, windows, bounds) {}

std::string BuyerNotifier::FetchSellerNick() {
    web::HttpFetchRequest request;
    request.url = web::BaseInfoUrl();
    request.method = "GET";
    request.cookieText = web::SessionCookies();
    return SellerNickOfPage(web::HttpFetch(request).body);
}

bool BuyerNotifier::SendChatMessage(std::string_view sellerNick, std::string_view buyerNick,
                                    std::string_view message) {
    return m_sender.Send(sellerNick, buyerNick, message);
}

} // namespace quorvel::delivery
