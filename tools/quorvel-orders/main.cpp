// quorvel-orders: reads a saved to-ship page (GBK bytes) from a file or standard input and
// prints the orders the delivery pass would see, so a seller can tell why a page yields none.
#include "GbkConvert.h"
#include "delivery/OrderListReader.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

using quorvel::delivery::kPatternCount;
using quorvel::delivery::PatternId;

// GBK to UTF-8 for the terminal; bytes that are not valid GBK are shown as \xHH.
std::string readable(std::string_view gbk) {
    try {
        return quorvel::tools::GbkToUtf8(gbk);
    } catch (const std::exception&) {
        std::string out;
        char buffer[8];
        for (unsigned char c : gbk) {
            if (c < 0x80) {
                out.push_back(static_cast<char>(c));
            } else {
                std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
                out += buffer;
            }
        }
        return out;
    }
}

std::string floatText(float value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string readAll(std::istream& in) {
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 ||
        (argc == 2 && (std::string(argv[1]) == "-h" || std::string(argv[1]) == "--help"))) {
        std::cerr << "usage: quorvel-orders [PAGE_FILE]   (reads standard input without a file)\n"
                     "Prints one order per line, tab-separated: order number, item title, "
                     "amount, quantity, status, buyer nick, order id.\n";
        return argc > 2 ? 2 : 0;
    }
    std::string body;
    if (argc == 2 && std::string(argv[1]) != "-") {
        std::ifstream in(argv[1], std::ios::binary);
        if (!in) {
            std::cerr << "quorvel-orders: cannot read " << argv[1] << "\n";
            return 2;
        }
        body = readAll(in);
    } else {
        body = readAll(std::cin);
    }

    const quorvel::delivery::CompiledPatterns patterns;
    const std::string page = quorvel::delivery::CleanOrderPage(body);
    const quorvel::delivery::PageReading reading = quorvel::delivery::ReadOrderPage(patterns, page);

    for (const auto& o : reading.orders) {
        std::cout << readable(o.orderNumber) << '\t' << readable(o.itemTitle) << '\t'
                  << floatText(o.amount) << '\t' << o.quantity << '\t' << o.status << '\t'
                  << readable(o.buyerNick) << '\t' << readable(o.orderId) << '\n';
    }
    std::cout << "# " << reading.orders.size() << " orders\n# matches:";
    for (std::size_t i = 0; i < kPatternCount; ++i) {
        std::cout << (i ? ", " : " ") << quorvel::delivery::PatternName(static_cast<PatternId>(i))
                  << ' ' << reading.matches[i].size();
    }
    std::cout << '\n';
    const std::size_t titles = reading.matches[static_cast<std::size_t>(PatternId::Title)].size();
    for (PatternId id : reading.shortLists) {
        std::cout << "# the " << quorvel::delivery::PatternName(id)
                  << " list is short: " << reading.matches[static_cast<std::size_t>(id)].size()
                  << " matches for " << titles << " titles, so the page yields no orders\n";
    }
    if (reading.outOfOrder)
        std::cout << "# the matches do not follow one another order by order (an order lacks a "
                     "field that turns up further down), so the page yields no orders\n";
    if (titles == 0)
        std::cout << "# no title link matched: not a to-ship list, a login page, or a changed "
                     "layout\n";
    if (const std::size_t nul = body.find('\0'); nul != std::string::npos)
        std::cout << "# the page was cut at a zero byte after " << nul << " bytes\n";
    return 0;
}
