#include "StandinIm.h"

#include "platform/posix/ImWindowProtocol.h"
#include "text/Gbk.h"
#include "text/Texts.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <iterator>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace quorvel::standin {
namespace {

namespace posix = platform::posix;
using Fields = std::vector<std::string>;

std::string EnvOr(const char* name, std::string fallback) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? std::string(value) : fallback;
}

std::optional<Handle> HandleOf(const std::string& text) {
    Handle value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<unsigned> KeyOf(const std::string& text) {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

Fields Ok(std::string value) {
    return {"OK", std::move(value)};
}
Fields Flag(bool value) {
    return Ok(value ? "1" : "0");
}
Fields Error(std::string why) {
    return {"ERR", std::move(why)};
}

std::string Timestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
    return buffer;
}

// A request as the log shows it: escaped like the wire, long texts shortened.
std::string Shown(const Fields& fields) {
    std::string line = posix::EncodeLine(fields);
    line.pop_back();
    if (line.size() > 300) {
        line = line.substr(0, 300) + "...";
    }
    return line;
}

} // namespace

std::filesystem::path DefaultImDirectory() {
    if (const char* dir = std::getenv("QUORVEL_IM_DIR"); dir != nullptr && *dir != '\0') {
        return dir;
    }
    const std::string dataHome = EnvOr("XDG_DATA_HOME", EnvOr("HOME", "/tmp") + "/.local/share");
    return std::filesystem::path(dataHome) / "quorvel" / "standin-im";
}

std::filesystem::path DefaultLogFile(const std::filesystem::path& imDirectory) {
    if (const char* log = std::getenv("QUORVEL_IM_LOG"); log != nullptr && *log != '\0') {
        return log;
    }
    return imDirectory / "standin-im.log";
}

std::optional<ChatRequest> ParseChatUrl(std::string_view url) {
    const std::string_view head = text::kChatUrlHead.gbk.substr(1); // without its blank
    if (url.substr(0, head.size()) != head) {
        return std::nullopt;
    }
    const std::string_view rest = url.substr(head.size());
    const std::size_t to = text::Find(rest, text::kChatUrlTo.gbk);
    if (to == text::npos) {
        return std::nullopt;
    }
    return ChatRequest{std::string(rest.substr(0, to)),
                       std::string(rest.substr(to + text::kChatUrlTo.gbk.size()))};
}

std::filesystem::path TranscriptFile(const std::filesystem::path& imDirectory,
                                     std::string_view buyer) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string name;
    for (const char c : buyer) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        if (plain) {
            name.push_back(c);
        } else {
            name.push_back('%');
            name.push_back(kHex[byte >> 4]);
            name.push_back(kHex[byte & 0x0F]);
        }
    }
    // "." and ".." alone would name folders; the suffix keeps every name a plain file.
    return imDirectory / (name + ".txt");
}

std::optional<std::string> BuyerOfTranscript(const std::filesystem::path& file) {
    const std::string name = file.filename().string();
    if (name.size() < 4 || name.compare(name.size() - 4, 4, ".txt") != 0) {
        return std::nullopt;
    }
    const std::string_view stem = std::string_view(name).substr(0, name.size() - 4);
    std::string buyer;
    for (std::size_t i = 0; i < stem.size(); ++i) {
        if (stem[i] != '%') {
            buyer.push_back(stem[i]);
            continue;
        }
        unsigned value = 0;
        const char* first = stem.data() + i + 1;
        if (i + 2 >= stem.size() || std::from_chars(first, first + 2, value, 16).ptr != first + 2) {
            return std::nullopt;
        }
        buyer.push_back(static_cast<char>(value));
        i += 2;
    }
    return TranscriptFile(file.parent_path(), buyer) == file ? std::optional(buyer) : std::nullopt;
}

bool AppendToTranscript(const std::filesystem::path& imDirectory, std::string_view buyer,
                        std::string_view message) {
    std::error_code ec;
    std::filesystem::create_directories(imDirectory, ec);
    std::ofstream out(TranscriptFile(imDirectory, buyer), std::ios::binary | std::ios::app);
    out << message << '\n' << kMessageSeparator << '\n';
    out.flush();
    return static_cast<bool>(out);
}

std::vector<std::string> ReadTranscript(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string all{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string end = "\n" + std::string(kMessageSeparator) + "\n";
    std::vector<std::string> messages;
    std::size_t from = 0;
    for (std::size_t at = all.find(end); at != std::string::npos; at = all.find(end, from)) {
        messages.push_back(all.substr(from, at - from));
        from = at + end.size();
    }
    if (from < all.size()) {
        messages.push_back(all.substr(from)); // an unfinished entry shows as one too
    }
    return messages;
}

ImService::ImService(ServiceConfig config)
    : m_config(std::move(config)),
      m_board([this](std::string_view buyer, std::string_view seller, std::string_view message) {
          const bool written = AppendToTranscript(m_config.imDirectory, buyer, message);
          log("sent " + std::to_string(message.size()) + " bytes from " + std::string(seller) +
              " to " + std::string(buyer) + (written ? "" : " (transcript NOT written)"));
      }) {}

ImService::~ImService() {
    if (m_listen >= 0) {
        ::close(m_listen);
        ::unlink(m_config.socket.c_str());
    }
    for (const int fd : {m_lock, m_wake[0], m_wake[1]}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

bool ImService::Listen(std::string* whyNot) {
    const auto fail = [&](std::string why) {
        if (whyNot != nullptr) {
            *whyNot = why + ": " + std::strerror(errno);
        }
        return false;
    };
    std::error_code ec;
    std::filesystem::create_directories(m_config.imDirectory, ec);
    if (m_config.logFile.has_parent_path()) {
        std::filesystem::create_directories(m_config.logFile.parent_path(), ec);
    }
    if (m_config.socket.has_parent_path()) {
        std::filesystem::create_directories(m_config.socket.parent_path(), ec);
    }
    m_log.open(m_config.logFile, std::ios::app);
    const std::string socketName = m_config.socket.string();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketName.empty() || socketName.size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return fail("socket path " + socketName);
    }
    std::memcpy(address.sun_path, socketName.c_str(), socketName.size() + 1);
    // The lock beside the socket decides which of two starting services serves.
    const std::string lockName = socketName + ".lock";
    m_lock = ::open(lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lock < 0) {
        return fail("cannot open " + lockName);
    }
    if (::flock(m_lock, LOCK_EX | LOCK_NB) != 0) {
        return fail("another service holds " + lockName);
    }
    ::unlink(socketName.c_str()); // left behind by a service that died
    m_listen = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listen < 0 ||
        ::bind(m_listen, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return fail("cannot bind " + socketName);
    }
    ::chmod(socketName.c_str(), 0600);
    if (::listen(m_listen, 16) != 0 || ::pipe2(m_wake, O_CLOEXEC) != 0) {
        return fail("cannot listen on " + socketName);
    }
    log("listening on " + socketName + ", transcripts in " + m_config.imDirectory.string());
    return true;
}

void ImService::Stop() {
    m_stop = true;
    if (m_wake[1] >= 0) {
        const char byte = 'x';
        [[maybe_unused]] const ssize_t n = ::write(m_wake[1], &byte, 1);
    }
}

void ImService::Run() {
    using Clock = std::chrono::steady_clock;
    auto lastRequest = Clock::now();
    while (!m_stop) {
        pollfd fds[2] = {{m_listen, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, 1000);
        if (ready < 0 && errno != EINTR) {
            log("poll failed: " + std::string(std::strerror(errno)));
            break;
        }
        if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
            const int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                serveOne(client);
                ::close(client);
                lastRequest = Clock::now();
            }
        }
        if (m_config.idleExit.count() > 0 && Clock::now() - lastRequest >= m_config.idleExit) {
            log("idle, ending");
            break;
        }
    }
    log("stopped");
}

void ImService::serveOne(int client) {
    posix::SetSocketTimeout(client, std::chrono::seconds(2));
    const std::optional<std::string> line = posix::ReadLine(client, posix::kMaxLineBytes);
    if (!line) {
        return;
    }
    const std::optional<Fields> request = posix::DecodeLine(*line);
    const Fields answer = request ? handle(*request) : Error("malformed line");
    log(Shown(request.value_or(Fields{"?"})) + " -> " + Shown(answer));
    posix::WriteAll(client, posix::EncodeLine(answer));
}

Fields ImService::handle(const Fields& request) {
    const std::string& command = request.front();
    const auto argCount = request.size() - 1;
    if (command == "PING" && argCount == 0) {
        return Ok("standin-im");
    }
    if (command == "STOP" && argCount == 0) {
        m_stop = true;
        return {"OK"};
    }
    if (command == "WINDOWS" && argCount == 0) {
        Fields out{"OK"};
        for (const TopLevelInfo& top : m_board.TopLevels()) {
            out.insert(out.end(), {std::to_string(top.handle), top.className, top.title});
        }
        return out;
    }
    if (command == "CHAT" && argCount == 1) {
        const std::optional<ChatRequest> chat = ParseChatUrl(request[1]);
        if (!chat) {
            return Error("not a chat URL");
        }
        return Ok(std::to_string(m_board.OpenChat(chat->seller, chat->buyer)));
    }
    if (command == "FIND" && argCount == 2) {
        return Ok(std::to_string(m_board.Find(request[1], request[2])));
    }
    const std::optional<Handle> window = argCount >= 1 ? HandleOf(request[1]) : std::nullopt;
    if (!window) {
        return Error("unknown request or bad window handle");
    }
    if (command == "FIRST" && argCount == 1) {
        return Ok(std::to_string(m_board.FirstChild(*window)));
    }
    if (command == "NEXT" && argCount == 1) {
        return Ok(std::to_string(m_board.NextSibling(*window)));
    }
    if (command == "SETTEXT" && argCount == 2) {
        return Flag(m_board.SetText(*window, request[2]));
    }
    if (command == "CLOSE" && argCount == 1) {
        return Flag(m_board.Close(*window));
    }
    const std::optional<unsigned> key = argCount == 2 ? KeyOf(request[2]) : std::nullopt;
    if (command == "KEYDOWN" && key) {
        return Flag(m_board.KeyDown(*window, *key));
    }
    if (command == "KEYUP" && key) {
        return Flag(m_board.KeyUp(*window, *key));
    }
    return Error("unknown request");
}

void ImService::log(std::string_view line) {
    const std::lock_guard<std::mutex> lock(m_logMutex);
    if (m_log) {
        m_log << Timestamp() << ' ' << line << '\n';
        m_log.flush();
    }
}

} // namespace quorvel::standin
