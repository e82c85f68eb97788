#include "standin-im-win32/StandinProtocol.h"

#include "text/Gbk.h"
#include "text/Texts.h"

namespace quorvel::standin {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// The pairing the sender's quoting uses: a trail byte of a double-byte character is never
// taken for a backslash or a quote.
bool isDoubleByte(std::string_view s, std::size_t i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x81 || lead == 0xFF || i + 1 >= s.size()) {
        return false;
    }
    const auto trail = static_cast<unsigned char>(s[i + 1]);
    return trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
}

// One argument by the Windows rules: 2n backslashes before a quote give n and the quote
// toggles quoting, 2n+1 give n and a literal quote; other backslashes are literal. nullopt
// when more follows the argument than blanks.
std::optional<std::string> unquoteOne(std::string_view s) {
    std::string out;
    bool quoted = false;
    std::size_t i = 0;
    while (i < s.size()) {
        if (isDoubleByte(s, i)) {
            out.append(s.substr(i, 2));
            i += 2;
            continue;
        }
        if (s[i] == '\\') {
            std::size_t run = 0;
            while (i < s.size() && s[i] == '\\') {
                ++run;
                ++i;
            }
            if (i < s.size() && s[i] == '"') {
                out.append(run / 2, '\\');
                if (run % 2 == 1) {
                    out.push_back('"');
                    ++i;
                }
            } else {
                out.append(run, '\\');
            }
            continue;
        }
        if (s[i] == '"') {
            quoted = !quoted;
            ++i;
            continue;
        }
        if (!quoted && isBlank(s[i])) {
            break;
        }
        out.push_back(s[i]);
        ++i;
    }
    while (i < s.size() && isBlank(s[i])) {
        ++i;
    }
    if (i != s.size()) {
        return std::nullopt;
    }
    return out;
}

} // namespace

std::string ArgumentsOf(std::string_view commandLine) {
    std::size_t i = 0;
    if (!commandLine.empty() && commandLine.front() == '"') {
        const auto close = commandLine.find('"', 1);
        i = close == std::string_view::npos ? commandLine.size() : close + 1;
    }
    while (i < commandLine.size() && !isBlank(commandLine[i])) {
        ++i;
    }
    while (i < commandLine.size() && isBlank(commandLine[i])) {
        ++i;
    }
    return std::string(commandLine.substr(i));
}

std::optional<ChatRequest> ParseChatArguments(std::string_view arguments) {
    std::string url;
    if (!arguments.empty() && arguments.front() == '"') {
        auto one = unquoteOne(arguments);
        if (!one) {
            return std::nullopt;
        }
        url = std::move(*one);
    } else {
        url = std::string(arguments);
    }
    // The head's leading blank separates it from the program on the sender's line.
    const std::string_view head = text::kChatUrlHead.gbk.substr(1);
    const std::string_view to = text::kChatUrlTo.gbk;
    if (url.compare(0, head.size(), head) != 0) {
        return std::nullopt;
    }
    const std::string_view rest = std::string_view(url).substr(head.size());
    const std::size_t split = text::Find(rest, to);
    if (split == text::npos) {
        return std::nullopt;
    }
    return ChatRequest{std::string(rest.substr(0, split)),
                       std::string(rest.substr(split + to.size()))};
}

std::string TranscriptFileName(std::string_view buyerNick) {
    static constexpr std::string_view kForbidden = "\\/:*?\"<>|";
    std::string name;
    for (std::size_t i = 0; i < buyerNick.size();) {
        const std::size_t length = text::CharLength(buyerNick, i);
        const char c = buyerNick[i];
        if (length == 1 && (static_cast<unsigned char>(c) < 0x20 ||
                            kForbidden.find(c) != std::string_view::npos)) {
            name.push_back('_');
        } else {
            name.append(buyerNick.substr(i, length));
        }
        i += length;
    }
    if (name.empty() || name.back() == '.' || name.back() == ' ') {
        name.push_back('_'); // Windows drops trailing dots and blanks from a file name
    }
    return name + ".txt";
}

std::string TranscriptEntry(std::string_view message) {
    std::string entry(message);
    entry.append("\r\n").append(kTranscriptSeparator).append("\r\n");
    return entry;
}

} // namespace quorvel::standin
