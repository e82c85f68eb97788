#include "platform/posix/ImWindowProtocol.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace quorvel::platform::posix {

std::filesystem::path DefaultImSocket() {
    if (const char* place = std::getenv("QUORVEL_IM_SOCKET"); place != nullptr && *place != '\0') {
        return place;
    }
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run != nullptr && *run != '\0') {
        return std::filesystem::path(run) / "quorvel-standin-im.sock";
    }
    return "/tmp/quorvel-standin-im-" + std::to_string(::getuid()) + ".sock";
}

std::string EncodeLine(const std::vector<std::string>& fields) {
    std::string out;
    for (std::size_t f = 0; f < fields.size(); ++f) {
        if (f > 0) {
            out.push_back('\t');
        }
        for (const char c : fields[f]) {
            switch (c) {
            case '\\':
                out.append("\\\\");
                break;
            case '\t':
                out.append("\\t");
                break;
            case '\n':
                out.append("\\n");
                break;
            case '\r':
                out.append("\\r");
                break;
            case '\0':
                out.append("\\0");
                break;
            default:
                out.push_back(c);
            }
        }
    }
    out.push_back('\n');
    return out;
}

std::optional<std::vector<std::string>> DecodeLine(std::string_view line) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') {
            fields.emplace_back();
        } else if (c != '\\') {
            fields.back().push_back(c);
        } else if (++i >= line.size()) {
            return std::nullopt;
        } else {
            switch (line[i]) {
            case '\\':
                fields.back().push_back('\\');
                break;
            case 't':
                fields.back().push_back('\t');
                break;
            case 'n':
                fields.back().push_back('\n');
                break;
            case 'r':
                fields.back().push_back('\r');
                break;
            case '0':
                fields.back().push_back('\0');
                break;
            default:
                return std::nullopt;
            }
        }
    }
    return fields;
}

void UniqueFd::reset(int fd) {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = fd;
}

void SetSocketTimeout(int fd, std::chrono::milliseconds timeout) {
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::optional<std::string> ReadLine(int fd, std::size_t maxBytes) {
    std::string line;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return std::nullopt;
        }
        const std::string_view chunk(buffer, static_cast<std::size_t>(n));
        const std::size_t end = chunk.find('\n');
        line.append(chunk.substr(0, end));
        if (line.size() > maxBytes) {
            return std::nullopt;
        }
        if (end != std::string_view::npos) {
            return line;
        }
    }
}

std::optional<std::vector<std::string>> ImRequest(const std::filesystem::path& socket,
                                                  const std::vector<std::string>& fields,
                                                  std::chrono::milliseconds timeout) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string name = socket.string();
    if (name.empty() || name.size() >= sizeof address.sun_path) {
        return std::nullopt;
    }
    std::memcpy(address.sun_path, name.c_str(), name.size() + 1);
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.valid()) {
        return std::nullopt;
    }
    SetSocketTimeout(fd.get(), timeout);
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        !WriteAll(fd.get(), EncodeLine(fields))) {
        return std::nullopt;
    }
    const std::optional<std::string> answer = ReadLine(fd.get(), kMaxLineBytes);
    if (!answer) {
        return std::nullopt;
    }
    return DecodeLine(*answer);
}

} // namespace quorvel::platform::posix
