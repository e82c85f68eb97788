// Hands one message to the buyer through the IM client: launch the chat command line, find the
// chat window, walk to its input control, set the text, press Enter, close the window. Every
// wait is bounded; when a bound runs out the message is given up.
//
// Standard library and platform ports only: the Windows build compiles this unit as it is.
#pragma once

#include "data/ImClientLocator.h"
#include "platform/Ports.h"

#include <chrono>
#include <string>
#include <string_view>

namespace quorvel::delivery {

struct ChatBounds {
    std::chrono::milliseconds processWait{60'000};  // the launched command line's end
    std::chrono::milliseconds windowSearch{30'000}; // the chat window and its input control
    std::chrono::milliseconds searchPause{100};     // between two searches
};

// "aliim:sendmsg?uid=cntaobao<seller>&touid=cntaobao<buyer>", nicknames as they are.
std::string ChatUrl(std::string_view sellerNick, std::string_view buyerNick);
// One argument quoted by the Windows command-line rules, so that the receiving program gets
// exactly these bytes back whatever blanks, quotes or backslashes they hold.
std::string QuoteArgument(std::string_view argument);
// The program path in quotes (it may hold spaces), a space, the quoted chat URL.
std::string ChatCommandLine(std::string_view programPath, std::string_view sellerNick,
                            std::string_view buyerNick);
// buyer " - " seller.
std::string ChatWindowTitle(std::string_view sellerNick, std::string_view buyerNick);
// The fixed walk from the chat window to its input control; 0 when a step finds no window.
platform::WindowHandle WalkToChatInput(platform::WindowSystem& windows,
                                       platform::WindowHandle chatWindow);

class ChatSender {
  public:
    // REQUIRES: the references outlive the sender.
    ChatSender(data::ImClientPathStore& paths, platform::ProcessLauncher& launcher,
               platform::WindowSystem& windows, ChatBounds bounds = {});

    // True only when the text and the Enter reached the input control. The program path is
    // read anew for every message.
    bool Send(std::string_view sellerNick, std::string_view buyerNick, std::string_view message);

  private:
    platform::WindowHandle findInput(std::string_view title);

    data::ImClientPathStore& m_paths;
    platform::ProcessLauncher& m_launcher;
    platform::WindowSystem& m_windows;
    ChatBounds m_bounds;
};

} // namespace quorvel::delivery
