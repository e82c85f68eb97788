#include "MarketRoutes.h"

#include "GbkConvert.h"
#include "MarketPages.h"
#include "web/Endpoints.h"

#include <chrono>
#include <ctime>

namespace quorvel::market {

namespace {

const char* kHtml = "text/html; charset=GBK";
const char* kUtf8Text = "text/plain; charset=UTF-8";

std::string hostOf(const httplib::Request& request) {
    std::string host = request.get_header_value("Host");
    if (const std::size_t colon = host.rfind(':');
        colon != std::string::npos && host.find(']') == std::string::npos)
        host.resize(colon);
    for (char& c : host)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return host;
}

std::string rawQuery(const httplib::Request& request) {
    const std::size_t mark = request.target.find('?');
    return mark == std::string::npos ? std::string() : request.target.substr(mark + 1);
}

bool hasSession(const MarketState& state, const httplib::Request& request) {
    const std::string cookies = request.get_header_value("Cookie");
    std::size_t start = 0;
    while (start < cookies.size()) {
        std::size_t end = cookies.find(';', start);
        if (end == std::string::npos)
            end = cookies.size();
        std::string_view pair(cookies.data() + start, end - start);
        while (!pair.empty() && pair.front() == ' ')
            pair.remove_prefix(1);
        const std::size_t eq = pair.find('=');
        if (eq != std::string_view::npos && pair.substr(0, eq) == kSessionCookie &&
            state.IsSession(pair.substr(eq + 1)))
            return true;
        start = end + 1;
    }
    return false;
}

std::string hex(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out.push_back(kHex[c >> 4]);
        out.push_back(kHex[c & 0xF]);
    }
    return out;
}

std::string timestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return buffer;
}

void joinLines(const std::vector<std::string>& lines, httplib::Response& response) {
    std::string out;
    for (const std::string& line : lines)
        out += line + "\n";
    response.set_content(out, kUtf8Text);
}

void admin(MarketState& state, const httplib::Request& request, httplib::Response& response) {
    const bool post = request.method == "POST";
    if (request.path == "/admin/orders" && post) {
        std::string whyNot;
        const int added = state.AddOrders(request.body, &whyNot);
        if (added < 0) {
            response.status = 400;
            response.set_content(whyNot + "\n", kUtf8Text);
            return;
        }
        response.set_content("added " + std::to_string(added) + "\n", kUtf8Text);
    } else if (request.path == "/admin/orders") {
        std::vector<std::string> lines;
        for (const MarketOrder& o : state.Orders())
            lines.push_back(OrderLine(o));
        joinLines(lines, response);
    } else if (request.path == "/admin/consignments") {
        std::vector<std::string> lines;
        for (const Consignment& c : state.Consignments())
            lines.push_back(c.query + "\t" + hex(c.body) + "\t" + (c.matchedOrder ? "1" : "0"));
        joinLines(lines, response);
    } else if (request.path == "/admin/requests") {
        joinLines(state.Requests(), response);
    } else if (request.path == "/admin/seller" && post) {
        state.SetSellerNick(request.body);
        response.set_content("ok\n", kUtf8Text);
    } else if (request.path == "/admin/session" && post) {
        response.set_content(state.NewSession() + "\n", kUtf8Text);
    } else {
        response.status = 404;
        response.set_content("unknown admin request\n", kUtf8Text);
    }
}

void login(MarketState& state, const httplib::Request& request, httplib::Response& response) {
    const Settings settings = state.CurrentSettings();
    if (request.path == "/member/login.jhtml" && request.method == "POST") {
        if (!state.CheckLogin(request.get_param_value("TPL_username"),
                              request.get_param_value("TPL_password"))) {
            response.set_content(LoginFormPage(settings, true), kHtml);
            return;
        }
        response.set_header("Set-Cookie", std::string(kSessionCookie) + "=" + state.NewSession() +
                                              "; Domain=.taobao.com; Path=/");
        response.set_redirect("/member/my_taobao.htm");
    } else if (request.path == "/member/my_taobao.htm") {
        if (hasSession(state, request))
            response.set_content(MyTaobaoPage(settings), kHtml);
        else
            response.set_redirect("/");
    } else if (request.path == "/" || request.path == "/member/login.jhtml") {
        response.set_content(LoginFormPage(settings, false), kHtml);
    } else {
        response.status = 404;
    }
}

void logistics(MarketState& state, const httplib::Request& request, httplib::Response& response) {
    const bool session = hasSession(state, request);
    if (request.path == "/user/order_list_new.htm") {
        response.set_content(session ? OrderListPage(state.Orders()) : VisitorLoginPage(), kHtml);
    } else if (request.path == "/user/consign_dummy.htm" && request.method == "POST") {
        if (!session) {
            response.set_content(VisitorLoginPage(), kHtml);
            return;
        }
        const std::string tradeId = request.get_param_value("trade_id");
        const std::size_t before = state.Orders().size();
        state.Consign(rawQuery(request), request.body, tradeId);
        response.set_content(ConsignedPage(state.Orders().size() < before), kHtml);
    } else {
        response.status = 404;
    }
}

void update(const MarketState& state, const httplib::Request& request,
            httplib::Response& response) {
    const Settings s = state.CurrentSettings();
    const std::string* text = request.path == "/svn/trunk/tip.txt"         ? &s.tip
                              : request.path == "/svn/trunk/version.txt"   ? &s.version
                              : request.path == "/svn/trunk/updatetip.txt" ? &s.updateTip
                              : request.path == "/svn/trunk/upaddr.txt"    ? &s.upAddress
                                                                           : nullptr;
    if (!text) {
        response.status = 404;
        return;
    }
    response.set_content(tools::Utf8ToGbk(*text), "text/plain; charset=GBK");
}

} // namespace

void HandleRequest(MarketState& state, bool tls, const httplib::Request& request,
                   httplib::Response& response) {
    const std::string host = hostOf(request);
    state.LogRequest(timestamp() + " " + (tls ? "https" : "http") + " " + request.method + " " +
                     host + " " + request.target +
                     " cookie=" + (request.has_header("Cookie") ? "yes" : "no") +
                     " session=" + (hasSession(state, request) ? "yes" : "no") +
                     " body=" + std::to_string(request.body.size()));
    const web::MarketHosts& hosts = web::Hosts();
    try {
        if (request.path.rfind("/admin/", 0) == 0)
            admin(state, request, response);
        else if (host == hosts.login)
            login(state, request, response);
        else if (host == hosts.logistics)
            logistics(state, request, response);
        else if (host == hosts.member && request.path != "/user/baseInfoSet.htm")
            response.status = 404;
        else if (host == hosts.member)
            response.set_content(hasSession(state, request) ? BaseInfoPage(state.CurrentSettings())
                                                            : VisitorLoginPage(),
                                 kHtml);
        else if (host == hosts.update)
            update(state, request, response);
        else {
            response.status = 404;
            response.set_content("no such host here: " + host + "\n", kUtf8Text);
        }
    } catch (const std::exception& e) {
        response.status = 500;
        response.set_content(std::string(e.what()) + "\n", kUtf8Text);
    }
}

} // namespace quorvel::market
