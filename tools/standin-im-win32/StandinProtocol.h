// What the Windows stand-in IM client and its users agree on: the chat request it accepts on
// its command line, where it keeps each buyer's transcript and how one entry looks.
// No <windows.h> here: the tests include this header too.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvel::standin {

// The folder for the transcripts; without it, "transcripts" beside the program.
inline constexpr const char* kTranscriptFolderVariable = "QUORVEL_STANDIN_IM_TRANSCRIPTS";
// Milliseconds the running instance stays after its last chat window closed (default 5000).
inline constexpr const char* kIdleVariable = "QUORVEL_STANDIN_IM_IDLE_MS";
// The running instance's hidden message window (a message-only window).
inline constexpr const char* kServiceWindowClass = "QuorvelStandinImService";
// The line written after every message.
inline constexpr std::string_view kTranscriptSeparator = "-----8<-----";

struct ChatRequest {
    std::string sellerNick;
    std::string buyerNick;
};

// The arguments of a command line: what follows the program name (quoted or not) and the
// blanks after it.
std::string ArgumentsOf(std::string_view commandLine);

// The chat request in the arguments: "aliim:sendmsg?uid=cntaobao<seller>&touid=cntaobao<buyer>",
// either as they are (the rest of the line, blanks and all) or as one argument quoted by the
// Windows command-line rules. The seller ends at the first "&touid=cntaobao"; the buyer is the
// rest. nullopt for anything else.
std::optional<ChatRequest> ParseChatArguments(std::string_view arguments);

// "<buyer>.txt" with the characters a file name cannot hold replaced by "_" (double-byte
// characters are kept whole).
std::string TranscriptFileName(std::string_view buyerNick);

// One transcript entry: the control's whole text, a line break, the separator line.
std::string TranscriptEntry(std::string_view message);

} // namespace quorvel::standin
