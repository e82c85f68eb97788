#include "delivery/ShipmentConfirmation.h"

#include "text/Texts.h"
#include "web/Endpoints.h"

namespace quorvel::delivery {

bool ShipmentConfirmation(const OrderEntry& order, const Fetch& fetch) {
    web::HttpFetchRequest request;
    request.url = web::ConsignUrl(order.orderNumber, order.orderId);
    request.method = "POST";
    request.postData = std::string(text::kConsignBody.gbk);
    request.cookieText = web::SessionCookies();
    request.wantHeaders = true; // only to tell an answer from no answer
    const web::HttpFetchResult result = fetch(request);
    return !result.responseHeaders.empty() || !result.body.empty();
}

} // namespace quorvel::delivery
