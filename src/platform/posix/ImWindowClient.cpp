#include "platform/posix/ImWindowClient.h"

#include "platform/posix/ImWindowProtocol.h"

#include <charconv>

namespace quorvel::platform::posix {
namespace {

std::string HandleText(WindowHandle window) {
    return std::to_string(window);
}

} // namespace

ImWindowClient::ImWindowClient(std::filesystem::path socket, std::chrono::milliseconds requestBound)
    : m_socket(std::move(socket)), m_requestBound(requestBound) {}

std::string ImWindowClient::ask(std::vector<std::string> fields) {
    const auto answer = ImRequest(m_socket, fields, m_requestBound);
    if (!answer || answer->size() < 2 || (*answer)[0] != "OK") {
        return {};
    }
    return (*answer)[1];
}

WindowHandle ImWindowClient::askHandle(std::vector<std::string> fields) {
    const std::string text = ask(std::move(fields));
    WindowHandle window = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), window);
    return (ec == std::errc() && end == text.data() + text.size()) ? window : 0;
}

bool ImWindowClient::askFlag(std::vector<std::string> fields) {
    return ask(std::move(fields)) == "1";
}

WindowHandle ImWindowClient::FindTopLevel(std::string_view className, std::string_view title) {
    return askHandle({"FIND", std::string(className), std::string(title)});
}

WindowHandle ImWindowClient::FirstChild(WindowHandle window) {
    return window == 0 ? 0 : askHandle({"FIRST", HandleText(window)});
}

WindowHandle ImWindowClient::NextSibling(WindowHandle window) {
    return window == 0 ? 0 : askHandle({"NEXT", HandleText(window)});
}

bool ImWindowClient::SetText(WindowHandle window, std::string_view text) {
    return window != 0 && askFlag({"SETTEXT", HandleText(window), std::string(text)});
}

bool ImWindowClient::KeyDown(WindowHandle window, unsigned virtualKey) {
    return window != 0 && askFlag({"KEYDOWN", HandleText(window), std::to_string(virtualKey)});
}

bool ImWindowClient::KeyUp(WindowHandle window, unsigned virtualKey) {
    return window != 0 && askFlag({"KEYUP", HandleText(window), std::to_string(virtualKey)});
}

bool ImWindowClient::Close(WindowHandle window) {
    return window != 0 && askFlag({"CLOSE", HandleText(window)});
}

} // namespace quorvel::platform::posix
