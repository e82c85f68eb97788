#include "MarketPages.h"

#include "GbkConvert.h"

namespace quorvel::market {

namespace {

const std::string kFrameOpen = "\r\n                \t\t\t\t    \t";
const std::string kFrameClose = "\r\n                \t\t\t\t    </li>";

// Quorvel's login browser shows pages shifted 64 pixels up and left: keep content clear of that.
const std::string kStyle =
    "<style>body{margin:88px 24px 24px 88px;font-family:sans-serif;font-size:15px}"
    "h1{font-size:20px;color:#f40}label{display:flex;justify-content:space-between;align-items:center;width:330px;margin:10px 0}"
    "input{margin-left:8px;padding:4px;width:220px}button{padding:6px 28px;margin-top:6px}"
    ".demo{color:#666;margin-top:18px}.error{color:#c00}</style>";

std::string page(const std::string& title, const std::string& bodyUtf8) {
    return tools::Utf8ToGbk("<!DOCTYPE html>\r\n<html><head><meta charset=\"gbk\"><title>" + title +
                            "</title>" + kStyle + "</head>\r\n<body>\r\n" + bodyUtf8 + "</body></html>\r\n");
}

std::string orderMarkup(const MarketOrder& o) {
    std::string out = "<div class=\"trade-item\">\r\n";
    out += "<span class=\"order-number\">订单编号：" + o.number + "</span>\r\n";
    out += "<span class=\"ww ww:token\" ww:params=\"nick=" + o.buyer +
           "&amp;display=inline\"></span>\r\n";
    out += "<a style=\"line-height:16px;\" target=\"_blank\" title=\"" + o.title +
           "\" href=\"http://item.taobao.com/item.htm\">" + o.title + "</a>\r\n";
    out += "<ul class=\"trade-total\"><li class=\"total\">" + kFrameOpen + o.price + "× " +
           o.quantity + kFrameClose + "\r\n</ul>\r\n";
    out += "<strong class=\"J_TradeStatus status wait\">买家已付款，等待卖家发货</strong>\r\n";
    out += "<a class=\"consign\" href=\"/user/consign.htm?trade_id=" + o.number +
           "&order_id=" + o.id + "&from=list\">发货</a>\r\n</div>\r\n";
    return out;
}

} // namespace

std::string OrderListPage(const std::vector<MarketOrder>& orders) {
    std::string body = "<h1>等待发货的订单</h1>\r\n";
    for (const MarketOrder& o : orders)
        body += orderMarkup(o);
    if (orders.empty())
        body += "<p>没有等待发货的订单。</p>\r\n";
    return page("已卖出的宝贝", body);
}

std::string VisitorLoginPage() {
    return page("登录", "<p>请先登录。<a href=\"https://login.taobao.com/\">登录</a></p>\r\n");
}

std::string LoginFormPage(const Settings& settings, bool failed) {
    std::string body = "<h1>卖家登录</h1>\r\n";
    if (failed)
        body += "<p class=\"error\">账户名或密码错误。</p>\r\n";
    body += "<form method=\"post\" action=\"/member/login.jhtml\">\r\n"
            "<label>账户名 <input name=\"TPL_username\" id=\"TPL_username\"></label>\r\n"
            "<label>密码 <input type=\"password\" name=\"TPL_password\" "
            "id=\"TPL_password\"></label>\r\n"
            "<button type=\"submit\" id=\"J_SubmitStatic\">登录</button>\r\n</form>\r\n";
    body += "<p class=\"demo\">演示账户 demo login: " + settings.loginUser + " / " +
            settings.loginPassword + "</p>\r\n";
    return page("淘宝网 - 登录", body);
}

std::string MyTaobaoPage(const Settings& settings) {
    return page("我的淘宝", "<p>亲爱的<b>" + settings.sellerNick + "</b>，欢迎回来。</p>\r\n");
}

std::string BaseInfoPage(const Settings& settings) {
    return page("个人资料", "<div class=\"base-info\">亲爱的<b>" + settings.sellerNick +
                                "</b>，您好！</div>\r\n");
}

std::string ConsignedPage(bool matched) {
    return page("发货", matched ? "<p>发货成功。</p>\r\n" : "<p>订单不存在或已发货。</p>\r\n");
}

} // namespace quorvel::market
