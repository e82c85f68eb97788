// A small HTTP server on 127.0.0.1 for the web tests and benchmarks: it records every request
// byte for byte and lets each test answer however it likes, including badly.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace quorvel::testing {

class LoopbackConnection {
  public:
    LoopbackConnection(int fd, std::string request, const std::atomic<bool>& stopping);

    const std::string& request() const { return m_request; }
    // False once the peer has gone (no SIGPIPE).
    bool send(std::string_view bytes);
    // Closes with a TCP reset instead of an orderly end.
    void reset();
    // Ends our side in order (the peer reads end of data); the peer may still send.
    void finishSending();
    // True when the peer closed its end within `limit`; a stopping server cuts the wait short.
    bool waitForPeerClose(std::chrono::milliseconds limit);
    // Sleeps in small steps; false when the server is stopping.
    bool pause(std::chrono::milliseconds span);

  private:
    int m_fd;
    std::string m_request;
    const std::atomic<bool>& m_stopping;
};

class LoopbackServer {
  public:
    using Handler = std::function<void(LoopbackConnection&)>;

    explicit LoopbackServer(Handler handler);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::uint16_t port() const { return m_port; }
    std::string url(std::string_view pathAndQuery = "/") const;
    std::vector<std::string> requests() const;
    std::size_t requestCount() const;

    // A complete answer with Content-Length.
    static std::string Response(std::string_view statusLine, std::string_view headerLines,
                                std::string_view body);

  private:
    void acceptLoop();
    void serve(int fd);

    Handler m_handler;
    int m_listenFd = -1;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stopping{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_idle;
    std::vector<std::string> m_requests;
    std::size_t m_active = 0; // connections still being served (their threads are detached)
    std::thread m_acceptor;
};

} // namespace quorvel::testing
