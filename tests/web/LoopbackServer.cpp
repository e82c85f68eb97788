#include "web/LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <stdexcept>

namespace quorvel::testing {

namespace {

constexpr std::size_t kRequestLimit = std::size_t{4} * 1024 * 1024;

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

// The first Content-Length value of a header block, 0 when there is none.
std::size_t contentLength(std::string_view head) {
    const std::string low = lower(head);
    const auto at = low.find("\r\ncontent-length:");
    if (at == std::string::npos) {
        return 0;
    }
    return std::strtoul(low.c_str() + at + 17, nullptr, 10);
}

bool readable(int fd, int waitMs) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, waitMs) > 0;
}

// Reads one request (head and Content-Length body) within a few seconds.
std::string readRequest(int fd, const std::atomic<bool>& stopping) {
    std::string data;
    char buf[65536];
    std::size_t need = std::string::npos;
    for (int idle = 0; idle < 100 && !stopping;) {
        if (need != std::string::npos && data.size() >= need) {
            break;
        }
        if (!readable(fd, 50)) {
            ++idle;
            continue;
        }
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) {
            break;
        }
        data.append(buf, static_cast<std::size_t>(n));
        const auto end = data.find("\r\n\r\n");
        if (need == std::string::npos && end != std::string::npos) {
            need = end + 4 + contentLength(std::string_view(data).substr(0, end + 2));
        }
        if (data.size() > kRequestLimit) {
            break;
        }
    }
    return data;
}

} // namespace

LoopbackConnection::LoopbackConnection(int fd, std::string request,
                                       const std::atomic<bool>& stopping)
    : m_fd(fd), m_request(std::move(request)), m_stopping(stopping) {}

bool LoopbackConnection::send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void LoopbackConnection::reset() {
    linger hard{1, 0};
    ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    ::shutdown(m_fd, SHUT_RDWR);
}

void LoopbackConnection::finishSending() {
    ::shutdown(m_fd, SHUT_WR);
}

bool LoopbackConnection::waitForPeerClose(std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    char buf[4096];
    do {
        if (readable(m_fd, 20)) {
            const ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
            if (n <= 0) {
                return true;
            }
        }
    } while (!m_stopping && std::chrono::steady_clock::now() < until);
    return false;
}

bool LoopbackConnection::pause(std::chrono::milliseconds span) {
    const auto until = std::chrono::steady_clock::now() + span;
    while (!m_stopping && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return !m_stopping;
}

LoopbackServer::LoopbackServer(Handler handler) : m_handler(std::move(handler)) {
    m_listenFd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (m_listenFd < 0 || ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        ::listen(m_listenFd, 64) != 0 ||
        ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        throw std::runtime_error("loopback server: cannot listen");
    }
    m_port = ntohs(addr.sin_port);
    m_acceptor = std::thread([this] { acceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
    m_stopping = true;
    m_acceptor.join();
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_active == 0; });
    ::close(m_listenFd);
}

std::string LoopbackServer::url(std::string_view pathAndQuery) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + std::string(pathAndQuery);
}

std::vector<std::string> LoopbackServer::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::size_t LoopbackServer::requestCount() const {
    std::lock_guard lock(m_mutex);
    return m_requests.size();
}

std::string LoopbackServer::Response(std::string_view statusLine, std::string_view headerLines,
                                     std::string_view body) {
    std::string out(statusLine);
    out.append("\r\n").append(headerLines);
    out.append("Content-Length: ").append(std::to_string(body.size())).append("\r\n\r\n");
    out.append(body);
    return out;
}

void LoopbackServer::acceptLoop() {
    while (!m_stopping) {
        if (!readable(m_listenFd, 20)) {
            continue;
        }
        const int fd = ::accept(m_listenFd, nullptr, nullptr);
        if (fd < 0) {
            continue;
        }
        {
            std::lock_guard lock(m_mutex);
            ++m_active;
        }
        std::thread([this, fd] { serve(fd); }).detach();
    }
}

void LoopbackServer::serve(int fd) {
    std::string request = readRequest(fd, m_stopping);
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(request);
    }
    LoopbackConnection connection(fd, std::move(request), m_stopping);
    m_handler(connection);
    ::close(fd);
    std::lock_guard lock(m_mutex);
    if (--m_active == 0) {
        m_idle.notify_all();
    }
}

} // namespace quorvel::testing
