// The wire between the window-system client (ImWindowClient) and the stand-in IM client's
// window service (tools/standin-im), over a Unix-domain stream socket.
//
// One request per connection: the client sends one line, the service answers one line and
// closes. A line is fields joined by TAB and ended by LF; inside a field "\\" stands for a
// backslash, "\t" for TAB, "\n" for LF, "\r" for CR and "\0" for a zero byte, every other byte
// as it is (texts are GBK). The first field is the command or, in an answer, "OK" or "ERR".
//
//   PING                         -> OK standin-im
//   FIND <class> <title>         -> OK <handle>        (0: no such top-level window)
//   FIRST <handle>               -> OK <handle>        (its topmost child, or 0)
//   NEXT <handle>                -> OK <handle>        (the sibling below it, or 0)
//   SETTEXT <handle> <text>      -> OK 1 | OK 0        (0: no input control there)
//   KEYDOWN <handle> <vk>        -> OK 1 | OK 0
//   KEYUP <handle> <vk>          -> OK 1 | OK 0
//   CLOSE <handle>               -> OK 1 | OK 0        (0: no such top-level window)
//   CHAT <chat url>              -> OK <handle>        (opens or keeps the chat window)
//   WINDOWS                      -> OK {<handle> <class> <title>}...
//   STOP                         -> OK                 (the service ends)
// Handles are decimal; 0 is no window. A handle is never reused within one service run.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::platform::posix {

// QUORVEL_IM_SOCKET, else $XDG_RUNTIME_DIR/quorvel-standin-im.sock, else
// /tmp/quorvel-standin-im-<uid>.sock.
std::filesystem::path DefaultImSocket();

std::string EncodeLine(const std::vector<std::string>& fields);
// The fields of a line without its LF; nullopt for a malformed escape.
std::optional<std::vector<std::string>> DecodeLine(std::string_view line);

// An owned descriptor.
class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset(int fd = -1);

  private:
    int m_fd = -1;
};

// Both directions of a connected socket end within the timeout.
void SetSocketTimeout(int fd, std::chrono::milliseconds timeout);
bool WriteAll(int fd, std::string_view data);
// Reads up to and without the first LF. nullopt on time-out, error, end before a LF, or a line
// longer than maxBytes.
std::optional<std::string> ReadLine(int fd, std::size_t maxBytes);

// One request: connect, send, read the answer. nullopt when no service answers in time.
std::optional<std::vector<std::string>> ImRequest(const std::filesystem::path& socket,
                                                  const std::vector<std::string>& fields,
                                                  std::chrono::milliseconds timeout);

inline constexpr std::size_t kMaxLineBytes = 16 * 1024 * 1024;

} // namespace quorvel::platform::posix
