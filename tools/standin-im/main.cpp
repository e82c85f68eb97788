// standin-im: stands in for the IM client where it is not installed. See README.md.
#include "StandinIm.h"

#include "platform/posix/ImWindowProtocol.h"
#include "platform/posix/RegistryFile.h"
#include "text/Texts.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace posix = quorvel::platform::posix;
namespace standin = quorvel::standin;
using namespace std::chrono_literals;

constexpr auto kRequestBound = 5s;

std::chrono::seconds IdleExit() {
    const char* value = std::getenv("QUORVEL_IM_IDLE_SECONDS");
    return std::chrono::seconds(value != nullptr ? std::atoi(value) : 0);
}

standin::ServiceConfig Config() {
    standin::ServiceConfig config;
    config.socket = posix::DefaultImSocket();
    config.imDirectory = standin::DefaultImDirectory();
    config.logFile = standin::DefaultLogFile(config.imDirectory);
    config.idleExit = IdleExit();
    return config;
}

bool Answers() {
    const auto answer = posix::ImRequest(posix::DefaultImSocket(), {"PING"}, kRequestBound);
    return answer && answer->size() == 2 && (*answer)[0] == "OK";
}

int Serve() {
    standin::ImService service(Config());
    std::string whyNot;
    if (!service.Listen(&whyNot)) {
        std::cerr << "standin-im: " << whyNot << "\n";
        return 1;
    }
    service.Run();
    return 0;
}

// Detaches a service from whoever started us: new session, no terminal, no inherited streams.
void StartServiceInBackground() {
    const pid_t middle = ::fork();
    if (middle < 0) {
        return;
    }
    if (middle > 0) {
        int status = 0;
        ::waitpid(middle, &status, 0);
        return;
    }
    ::setsid();
    if (::fork() != 0) {
        ::_exit(0);
    }
    const int null = ::open("/dev/null", O_RDWR);
    for (int fd = 0; fd <= 2; ++fd) {
        ::dup2(null, fd);
    }
    ::close_range(3, ~0U, 0);
    if (::chdir("/") != 0) {
        ::_exit(1);
    }
    ::_exit(Serve());
}

// The chat command line: hand the request to the service, starting one when none answers.
int Chat(const std::string& url) {
    if (!standin::ParseChatUrl(url)) {
        std::cerr << "standin-im: not a chat URL: " << url << "\n";
        return 2;
    }
    if (!Answers()) {
        StartServiceInBackground();
        for (int i = 0; i < 100 && !Answers(); ++i) {
            std::this_thread::sleep_for(50ms);
        }
    }
    const auto answer = posix::ImRequest(posix::DefaultImSocket(), {"CHAT", url}, kRequestBound);
    if (!answer || answer->empty() || (*answer)[0] != "OK") {
        std::cerr << "standin-im: the service did not take the chat request\n";
        return 1;
    }
    return 0;
}

int Install(bool remove) {
    posix::RegistryFile registry(posix::DefaultRegistryFile());
    const std::string key(quorvel::text::kImRegistryKey.gbk);
    if (remove) {
        return registry.RemoveKey(key) ? 0 : 1;
    }
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        std::cerr << "standin-im: cannot tell my own path: " << ec.message() << "\n";
        return 1;
    }
    // The way the real client registers its scheme: quoted program, quoted "%1".
    const std::string command = "\"" + self.string() + "\" \"%1\"";
    if (!registry.WriteDefault(key, quorvel::platform::RegistryValueKind::String, command)) {
        std::cerr << "standin-im: cannot write " << posix::DefaultRegistryFile() << "\n";
        return 1;
    }
    std::cout << "registered " << command << " in " << posix::DefaultRegistryFile().string()
              << "\n";
    return 0;
}

int Stop() {
    const auto answer = posix::ImRequest(posix::DefaultImSocket(), {"STOP"}, kRequestBound);
    if (!answer) {
        std::cout << "standin-im: no service running\n";
        return 0;
    }
    // Gone once its socket no longer answers.
    for (int i = 0; i < 100 && Answers(); ++i) {
        std::this_thread::sleep_for(20ms);
    }
    return 0;
}

int Windows() {
    const auto answer = posix::ImRequest(posix::DefaultImSocket(), {"WINDOWS"}, kRequestBound);
    if (!answer || answer->empty() || (*answer)[0] != "OK") {
        std::cerr << "standin-im: no service running\n";
        return 1;
    }
    for (std::size_t i = 1; i + 2 < answer->size(); i += 3) {
        std::cout << (*answer)[i] << '\t' << (*answer)[i + 1] << '\t' << (*answer)[i + 2] << '\n';
    }
    return 0;
}

int Usage(int code) {
    (code == 0 ? std::cout : std::cerr)
        << "usage: standin-im install | uninstall | serve | stop | windows | <chat URL>\n"
           "  <chat URL>: aliim:sendmsg?uid=cntaobao<seller>&touid=cntaobao<buyer>\n"
           "environment: QUORVEL_REGISTRY, QUORVEL_IM_SOCKET, QUORVEL_IM_DIR, QUORVEL_IM_LOG,\n"
           "             QUORVEL_IM_IDLE_SECONDS (see tools/standin-im/README.md)\n";
    return code;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        return Usage(2);
    }
    const std::string arg = argv[1];
    if (arg == "install" || arg == "uninstall") {
        return Install(arg == "uninstall");
    }
    if (arg == "serve") {
        return Serve();
    }
    if (arg == "stop") {
        return Stop();
    }
    if (arg == "windows") {
        return Windows();
    }
    if (arg == "--help" || arg == "-h") {
        return Usage(0);
    }
    return Chat(arg);
}
