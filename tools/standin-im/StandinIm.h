// The stand-in IM client's pieces besides its windows: where it keeps things, the chat URL it
// accepts, the transcripts, and the service that serves the window protocol
// (platform/posix/ImWindowProtocol.h) over a Unix-domain socket.
#pragma once

#include "ChatBoard.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::standin {

// QUORVEL_IM_DIR, else $XDG_DATA_HOME/quorvel/standin-im, else
// ~/.local/share/quorvel/standin-im: the transcripts and, by default, the log.
std::filesystem::path DefaultImDirectory();
// QUORVEL_IM_LOG, else <im directory>/standin-im.log.
std::filesystem::path DefaultLogFile(const std::filesystem::path& imDirectory);

struct ChatRequest {
    std::string seller;
    std::string buyer;
};
// "aliim:sendmsg?uid=cntaobao<seller>&touid=cntaobao<buyer>"; the first "&touid=cntaobao"
// ends the seller. nullopt for anything else.
std::optional<ChatRequest> ParseChatUrl(std::string_view url);

// The line written after every message in a transcript.
inline constexpr std::string_view kMessageSeparator = "----- standin-im: end of message -----";

// One file per buyer: <dir>/<buyer>.txt, the nickname's bytes kept where they are ASCII
// letters, digits, '-', '_' or '.', every other byte written as %XX (upper-case hex).
std::filesystem::path TranscriptFile(const std::filesystem::path& imDirectory,
                                     std::string_view buyer);
// The buyer a transcript file belongs to; nullopt for a name TranscriptFile does not make.
std::optional<std::string> BuyerOfTranscript(const std::filesystem::path& file);
// Appends the message, a line end and the separator line.
bool AppendToTranscript(const std::filesystem::path& imDirectory, std::string_view buyer,
                        std::string_view message);
// The messages of a transcript in order; empty when there is none.
std::vector<std::string> ReadTranscript(const std::filesystem::path& file);

struct ServiceConfig {
    std::filesystem::path socket;
    std::filesystem::path imDirectory;
    std::filesystem::path logFile;
    // The service ends after this long without a request; 0: never.
    std::chrono::seconds idleExit{0};
};

class ImService {
  public:
    explicit ImService(ServiceConfig config);
    ~ImService();
    ImService(const ImService&) = delete;
    ImService& operator=(const ImService&) = delete;

    // Takes the socket. False with `whyNot` when it cannot, or another service holds it.
    bool Listen(std::string* whyNot);
    // Serves requests until STOP, Stop() or the idle time; one request at a time.
    void Run();
    // From any thread.
    void Stop();

  private:
    std::vector<std::string> handle(const std::vector<std::string>& request);
    void serveOne(int client);
    void log(std::string_view line);

    ServiceConfig m_config;
    ChatBoard m_board;
    int m_listen = -1;
    int m_lock = -1;
    int m_wake[2] = {-1, -1};
    std::atomic<bool> m_stop{false};
    std::mutex m_logMutex;
    std::ofstream m_log;
};

} // namespace quorvel::standin
