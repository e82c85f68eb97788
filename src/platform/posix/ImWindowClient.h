// WindowSystem over the stand-in IM client's window service (see ImWindowProtocol.h). Every
// call is one bounded request: a service that is gone or hangs gives "no window" or false,
// never a wait without end.
#pragma once

#include "platform/Ports.h"

#include <filesystem>
#include <string>
#include <vector>

namespace quorvel::platform::posix {

class ImWindowClient : public WindowSystem {
  public:
    explicit ImWindowClient(std::filesystem::path socket,
                            std::chrono::milliseconds requestBound = std::chrono::seconds(5));

    WindowHandle FindTopLevel(std::string_view className, std::string_view title) override;
    WindowHandle FirstChild(WindowHandle window) override;
    WindowHandle NextSibling(WindowHandle window) override;
    bool SetText(WindowHandle window, std::string_view text) override;
    bool KeyDown(WindowHandle window, unsigned virtualKey) override;
    bool KeyUp(WindowHandle window, unsigned virtualKey) override;
    bool Close(WindowHandle window) override;

  private:
    // The second field of an OK answer; empty when there was none.
    std::string ask(std::vector<std::string> fields);
    WindowHandle askHandle(std::vector<std::string> fields);
    bool askFlag(std::vector<std::string> fields);

    std::filesystem::path m_socket;
    std::chrono::milliseconds m_requestBound;
};

} // namespace quorvel::platform::posix
