// Builds to-ship pages in the marketplace's markup (GBK), one order at a time, with knobs for
// the variants the reader must reject.
#pragma once

#include "delivery/OrderListReader.h"

#include <string>

namespace quorvel::testing {

// The seven patterns, compiled once for the whole test program.
inline const delivery::CompiledPatterns& SharedPatterns() {
    static const delivery::CompiledPatterns patterns;
    return patterns;
}

// What the reader makes of a page text, as a pass would see it.
inline delivery::PageReading ReadPageText(const std::string& pageText) {
    return delivery::ReadOrderPage(SharedPatterns(), delivery::CleanOrderPage(pageText));
}

inline constexpr const char* kTimes = "\xA1\xC1"; // ×
inline const std::string kFrameOpen = "\r\n                \t\t\t\t    \t";
inline const std::string kFrameClose = "\r\n                \t\t\t\t    </li>";

struct PageOrder {
    std::string title = "Monthly card";
    std::string price = "12.50";
    std::string quantity = "1";
    std::string nick = "buyer";
    std::string number = "1001";
    std::string id = "9001";
    std::string frameOpen = kFrameOpen;
    std::string frameClose = kFrameClose;
    bool withNick = true;
};

inline std::string TitleLink(const std::string& title) {
    return "<a style=\"line-height:16px;\" target=\"_blank\" title=\"" + title +
           "\" href=\"http://item.taobao.com/item.htm?id=1\">" + title + "</a>\r\n";
}

inline std::string TotalBlock(const PageOrder& o) {
    return "<li class=\"total\">" + o.frameOpen + o.price + kTimes + " " + o.quantity +
           o.frameClose + "\r\n";
}

inline std::string OrderMarkup(const PageOrder& o) {
    std::string out = "<div class=\"order\">\r\n";
    out += "<span class=\"order-number\">\xB6\xA9\xB5\xA5\xB1\xE0\xBA\xC5\xA3\xBA" + o.number +
           "</span>\r\n";
    if (o.withNick)
        out += "<span class=\"ww ww:token\" ww:params=\"nick=" + o.nick +
               "&amp;display=inline\"></span>\r\n";
    out += TitleLink(o.title);
    out += "<ul>" + TotalBlock(o) + "</ul>\r\n";
    out +=
        "<strong class=\"J_TradeStatus status wait\">\xB5\xC8\xB4\xFD\xB7\xA2\xBB\xF5</strong>\r\n";
    out += "<a href=\"/user/consign.htm?trade_id=" + o.number + "&order_id=" + o.id +
           "&x=1\">\xB7\xA2\xBB\xF5</a>\r\n</div>\r\n";
    return out;
}

inline std::string Page(const std::string& body) {
    return "<html><head><meta charset=\"gbk\"></head><body>\r\n" + body + "</body></html>\r\n";
}

} // namespace quorvel::testing
