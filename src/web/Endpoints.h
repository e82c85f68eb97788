// The marketplace pages the system uses, on hosts named by role, and the update host.
#pragma once

#include <string>
#include <string_view>

namespace quorvel::web {

struct MarketHosts {
    std::string login = "login.taobao.com";     // HTTPS, shown in the login browser
    std::string logistics = "wuliu.taobao.com"; // to-ship list, consignment
    std::string member = "member1.taobao.com";  // base-info page with the seller's nickname
    std::string update = "update.quorvel.net";  // the four update text files
};

const MarketHosts& Hosts();

std::string LoginPageUrl();                 // https://login/
std::string OrderListUrl();                 // http://logistics/user/order_list_new.htm
std::string BaseInfoUrl();                  // http://member/user/baseInfoSet.htm
std::string ConsignUrl(std::string_view orderNumber, std::string_view orderId);
std::string UpdateFileUrl(std::string_view path); // http://update + path

// The explicit cookie text requests carry: always empty, the session travels in CookieStore.
std::string SessionCookies();

} // namespace quorvel::web
