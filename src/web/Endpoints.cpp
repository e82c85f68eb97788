#include "web/Endpoints.h"

#include "text/Texts.h"

namespace quorvel::web {

const MarketHosts& Hosts() {
    static const MarketHosts hosts;
    return hosts;
}

std::string LoginPageUrl() {
    return "https://" + Hosts().login + "/";
}

std::string OrderListUrl() {
    return "http://" + Hosts().logistics + std::string(text::kOrderListPath.gbk);
}

std::string BaseInfoUrl() {
    return "http://" + Hosts().member + std::string(text::kBaseInfoPath.gbk);
}

// Order number and id go in as they are: the marketplace gives them as plain digits.
std::string ConsignUrl(std::string_view orderNumber, std::string_view orderId) {
    std::string url = "http://" + Hosts().logistics;
    url.append(text::kConsignPathHead.gbk)
        .append(orderNumber)
        .append(text::kConsignOrderId.gbk)
        .append(orderId);
    return url;
}

std::string UpdateFileUrl(std::string_view path) {
    return "http://" + Hosts().update + std::string(path);
}

std::string SessionCookies() {
    return {};
}

} // namespace quorvel::web
