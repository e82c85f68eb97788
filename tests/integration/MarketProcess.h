// Starts the built quorvel-market on loopback with free ports, for integration tests and
// benchmarks; stops it (SIGTERM, then waits) when destroyed.
#pragma once

#include <httplib.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace quorvel::testing {

class MarketProcess {
  public:
    MarketProcess(const std::string& binary, const std::filesystem::path& directory,
                  const std::filesystem::path& stateFile = {}) {
        int out[2];
        if (pipe(out) != 0)
            throw std::runtime_error("pipe failed");
        std::vector<std::string> args = {
            binary, "--port", "0", "--tls-port", "0", "--dir", directory.string(), "--print-ports"};
        if (!stateFile.empty()) {
            args.push_back("--state");
            args.push_back(stateFile.string());
        }
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const int rc = posix_spawn(&m_pid, binary.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        if (rc != 0) {
            close(out[0]);
            throw std::runtime_error("cannot start " + binary);
        }
        FILE* reader = fdopen(out[0], "r");
        char line[4096] = {};
        const bool got = std::fgets(line, sizeof line, reader) != nullptr;
        std::fclose(reader);
        char cert[4000] = {};
        if (!got ||
            std::sscanf(line, "http=%d https=%d cert=%3999s", &m_port, &m_tlsPort, cert) != 3)
            throw std::runtime_error("quorvel-market printed no ports: " + std::string(line));
        m_cert = cert;
    }
    ~MarketProcess() {
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
    MarketProcess(const MarketProcess&) = delete;
    MarketProcess& operator=(const MarketProcess&) = delete;

    int port() const { return m_port; }
    int tlsPort() const { return m_tlsPort; }
    const std::string& certificate() const { return m_cert; }

    // QUORVEL_HOST_MAP routing the marketplace's real host names here.
    std::string hostMap(const std::string& logistics, const std::string& member,
                        const std::string& login) const {
        const std::string plain = "127.0.0.1:" + std::to_string(m_port);
        return logistics + "=" + plain + "," + member + "=" + plain + "," + login +
               "=127.0.0.1:" + std::to_string(m_tlsPort);
    }

    // The admin interface (UTF-8 texts).
    std::string adminGet(const std::string& path) const {
        httplib::Client client("127.0.0.1", m_port);
        auto res = client.Get(path.c_str());
        if (!res || res->status != 200)
            throw std::runtime_error("admin GET " + path + " failed");
        return res->body;
    }
    std::string adminPost(const std::string& path, const std::string& body) const {
        httplib::Client client("127.0.0.1", m_port);
        auto res = client.Post(path.c_str(), body, "text/plain; charset=UTF-8");
        if (!res || res->status != 200)
            throw std::runtime_error("admin POST " + path +
                                     " failed: " + (res ? res->body : std::string("no answer")));
        return res->body;
    }

    // Logs in on the login host as the browser does and answers the session cookie's value.
    std::string login(const std::string& loginHost, const std::string& user,
                      const std::string& password) const {
        httplib::SSLClient client("127.0.0.1", m_tlsPort);
        client.enable_server_certificate_verification(false);
        httplib::Headers headers = {{"Host", loginHost}};
        auto res = client.Post("/member/login.jhtml", headers,
                               "TPL_username=" + user + "&TPL_password=" + password,
                               "application/x-www-form-urlencoded");
        if (!res || res->status != 302 ||
            res->get_header_value("Location").find("my_taobao") == std::string::npos)
            throw std::runtime_error("login failed");
        const std::string cookie = res->get_header_value("Set-Cookie");
        const std::size_t eq = cookie.find('=');
        const std::size_t end = cookie.find(';');
        return cookie.substr(eq + 1, end - eq - 1);
    }

  private:
    pid_t m_pid = -1;
    int m_port = 0;
    int m_tlsPort = 0;
    std::string m_cert;
};

} // namespace quorvel::testing
