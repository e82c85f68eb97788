#include "delivery/ChatSender.h"

#include "text/Gbk.h"
#include "text/Texts.h"

#include <algorithm>
#include <thread>

namespace quorvel::delivery {
namespace {

using Clock = std::chrono::steady_clock;

} // namespace

std::string ChatUrl(std::string_view sellerNick, std::string_view buyerNick) {
    // The fixed head carries the blank that separates it from the program on the line.
    std::string url(text::kChatUrlHead.gbk.substr(1));
    url.append(sellerNick).append(text::kChatUrlTo.gbk).append(buyerNick);
    return url;
}

std::string QuoteArgument(std::string_view argument) {
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (std::size_t i = 0; i < argument.size(); ++i) {
        if (text::IsStrictDoubleByte(argument, i)) {
            out.append(argument.substr(i, 2));
            ++i;
            backslashes = 0;
        } else if (argument[i] == '\\') {
            out.push_back('\\');
            ++backslashes;
        } else if (argument[i] == '"') {
            // The backslashes before a quote are doubled, then the quote itself escaped.
            out.append(backslashes + 1, '\\').push_back('"');
            backslashes = 0;
        } else {
            out.push_back(argument[i]);
            backslashes = 0;
        }
    }
    // Backslashes before the closing quote would escape it.
    out.append(backslashes, '\\').push_back('"');
    return out;
}

std::string ChatCommandLine(std::string_view programPath, std::string_view sellerNick,
                            std::string_view buyerNick) {
    // A program name cannot hold a quote, and the loader reads it without escapes.
    std::string line = "\"";
    line.append(programPath).append("\" ").append(QuoteArgument(ChatUrl(sellerNick, buyerNick)));
    return line;
}

std::string ChatWindowTitle(std::string_view sellerNick, std::string_view buyerNick) {
    std::string title(buyerNick);
    title.append(text::kChatTitleJoin.gbk).append(sellerNick);
    return title;
}

platform::WindowHandle WalkToChatInput(platform::WindowSystem& windows,
                                       platform::WindowHandle chatWindow) {
    enum class Step { Child, Sibling };
    static constexpr Step kWalk[] = {Step::Child,   Step::Sibling, Step::Sibling, Step::Sibling,
                                     Step::Sibling, Step::Sibling, Step::Sibling, Step::Child,
                                     Step::Sibling, Step::Child,   Step::Sibling, Step::Sibling};
    platform::WindowHandle at = chatWindow;
    for (const Step step : kWalk) {
        if (at == 0) {
            return 0;
        }
        at = step == Step::Child ? windows.FirstChild(at) : windows.NextSibling(at);
    }
    return at;
}

ChatSender::ChatSender(data::ImClientPathStore& paths, platform::ProcessLauncher& launcher,
                       platform::WindowSystem& windows, ChatBounds bounds)
    : m_paths(paths), m_launcher(launcher), m_windows(windows), m_bounds(bounds) {}

platform::WindowHandle ChatSender::findInput(std::string_view title) {
    const auto deadline = Clock::now() + m_bounds.windowSearch;
    for (;;) {
        // The window is searched afresh each time: it may appear, or be replaced, meanwhile.
        const platform::WindowHandle chat =
            m_windows.FindTopLevel(text::kChatWindowClass.gbk, title);
        if (const platform::WindowHandle input = WalkToChatInput(m_windows, chat); input != 0) {
            return input;
        }
        const auto now = Clock::now();
        if (now >= deadline) {
            return 0;
        }
        std::this_thread::sleep_for(
            std::min<Clock::duration>(m_bounds.searchPause, deadline - now));
    }
}

bool ChatSender::Send(std::string_view sellerNick, std::string_view buyerNick,
                      std::string_view message) {
    const std::string line = ChatCommandLine(m_paths.ReadImClientPath(), sellerNick, buyerNick);
    const auto started = Clock::now();
    // A failed start goes on to the search (an open chat window serves as well); a client
    // still busy at the bound means the message is given up (the Linux launcher then ends the
    // client, the Windows one leaves it running).
    if (!m_launcher.RunAndWait(line, m_bounds.processWait) &&
        Clock::now() - started >= m_bounds.processWait) {
        return false;
    }
    const std::string title = ChatWindowTitle(sellerNick, buyerNick);
    const platform::WindowHandle input = findInput(title);
    if (input == 0) {
        return false;
    }
    const bool delivered = m_windows.SetText(input, message) &&
                           m_windows.KeyDown(input, platform::kVkReturn) &&
                           m_windows.KeyUp(input, platform::kVkReturn);
    if (const platform::WindowHandle chat =
            m_windows.FindTopLevel(text::kChatWindowClass.gbk, title);
        chat != 0) {
        m_windows.Close(chat);
    }
    return delivered;
}

} // namespace quorvel::delivery
