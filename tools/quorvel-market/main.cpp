// quorvel-market: the simulated Taobao marketplace for tests and the demo. See README.md.
#include "MarketRoutes.h"
#include "MarketState.h"
#include "SelfSignedCert.h"
#include "web/Endpoints.h"

#include <httplib.h>

#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <pthread.h>
#include <string>
#include <thread>

namespace {

struct Options {
    std::string bind = "127.0.0.1";
    int port = 18080;
    int tlsPort = 18443;
    std::filesystem::path stateFile;
    std::filesystem::path directory;
    std::filesystem::path logFile;
    bool demo = false;
    bool printPorts = false;
};

const char* kUsage =
    "usage: quorvel-market [--port N] [--tls-port N] [--bind ADDR] [--state FILE] [--dir DIR]\n"
    "                      [--log FILE] [--demo] [--print-ports]\n"
    "  --port N        plain HTTP port for every host (0: any free port), default 18080\n"
    "  --tls-port N    HTTPS port of the login host (0: any free port), default 18443\n"
    "  --bind ADDR     listening address, default 127.0.0.1\n"
    "  --state FILE    state file: seller, login, orders, update texts (README.md)\n"
    "  --dir DIR       directory for the certificate and the default request log;\n"
    "                  default: the state file's directory, else the current directory\n"
    "  --log FILE      request log, default DIR/requests.log\n"
    "  --demo          add an order of the demo item every 30 seconds\n"
    "  --print-ports   print \"http=P https=P cert=FILE\" once listening\n";

int toPort(const std::string& text) {
    std::size_t used = 0;
    const int port = std::stoi(text, &used);
    if (used != text.size() || port < 0 || port > 65535)
        throw std::invalid_argument("bad port: " + text);
    return port;
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw std::invalid_argument(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--port")
            o.port = toPort(value());
        else if (arg == "--tls-port")
            o.tlsPort = toPort(value());
        else if (arg == "--bind")
            o.bind = value();
        else if (arg == "--state")
            o.stateFile = value();
        else if (arg == "--dir")
            o.directory = value();
        else if (arg == "--log")
            o.logFile = value();
        else if (arg == "--demo")
            o.demo = true;
        else if (arg == "--print-ports")
            o.printPorts = true;
        else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            std::exit(0);
        } else
            throw std::invalid_argument("unknown option " + arg);
    }
    if (o.directory.empty())
        o.directory = o.stateFile.empty() ? std::filesystem::current_path()
                                          : std::filesystem::absolute(o.stateFile).parent_path();
    if (o.logFile.empty())
        o.logFile = o.directory / "requests.log";
    return o;
}

int bindServer(httplib::Server& server, const Options& o, int port, const char* what) {
    if (port == 0)
        port = server.bind_to_any_port(o.bind);
    else if (!server.bind_to_port(o.bind, port))
        port = -1;
    if (port < 0)
        throw std::runtime_error(std::string("cannot listen for ") + what + " on " + o.bind);
    return port;
}

int run(const Options& o) {
    quorvel::market::MarketState state;
    if (!o.stateFile.empty())
        state.LoadFile(o.stateFile);
    std::filesystem::create_directories(o.directory);
    state.OpenRequestLog(o.logFile);
    const auto& hosts = quorvel::web::Hosts();
    const quorvel::market::CertFiles cert =
        quorvel::market::MakeSelfSignedCert(o.directory, {hosts.login, "localhost"});

    httplib::Server plain;
    httplib::SSLServer tls(cert.certificate.c_str(), cert.privateKey.c_str());
    if (!tls.is_valid())
        throw std::runtime_error("the TLS server cannot use its certificate");
    const auto route = [&state](bool secure) {
        return [&state, secure](const httplib::Request& q, httplib::Response& r) {
            quorvel::market::HandleRequest(state, secure, q, r);
        };
    };
    for (auto* server :
         {static_cast<httplib::Server*>(&plain), static_cast<httplib::Server*>(&tls)}) {
        const bool secure = server == &tls;
        server->Get(".*", route(secure));
        server->Post(".*", route(secure));
    }
    const int plainPort = bindServer(plain, o, o.port, "HTTP");
    const int tlsPort = bindServer(tls, o, o.tlsPort, "HTTPS");

    std::thread plainThread([&plain] { plain.listen_after_bind(); });
    std::thread tlsThread([&tls] { tls.listen_after_bind(); });

    std::mutex mutex;
    std::condition_variable stopped;
    bool stopping = false;
    std::thread demoThread;
    if (o.demo) {
        demoThread = std::thread([&] {
            std::unique_lock lock(mutex);
            while (!stopped.wait_for(lock, std::chrono::seconds(30), [&] { return stopping; }))
                state.AddDemoOrder();
        });
    }
    if (o.printPorts) {
        std::cout << "http=" << plainPort << " https=" << tlsPort
                  << " cert=" << cert.certificate.string() << std::endl;
    }
    std::cerr << "quorvel-market: http on " << o.bind << ":" << plainPort << ", https on " << o.bind
              << ":" << tlsPort << ", log " << o.logFile.string() << std::endl;

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    int received = 0;
    sigwait(&signals, &received);

    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    stopped.notify_all();
    plain.stop();
    tls.stop();
    plainThread.join();
    tlsThread.join();
    if (demoThread.joinable())
        demoThread.join();
    std::cerr << "quorvel-market: stopped" << std::endl;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // Block the stop signals in every thread; the main thread takes them with sigwait.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    try {
        return run(parse(argc, argv));
    } catch (const std::exception& e) {
        std::cerr << "quorvel-market: " << e.what() << "\n" << kUsage;
        return 2;
    }
}
