#include "platform/posix/CommandLine.h"

#include "text/Gbk.h"

namespace quorvel::platform::posix {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::size_t SkipBlanks(std::string_view s, std::size_t i) {
    while (i < s.size() && IsBlank(s[i])) {
        ++i;
    }
    return i;
}

// The program name: no escapes at all, as the loader reads it.
std::string ProgramName(std::string_view s, std::size_t& i) {
    std::string out;
    if (s[i] == '"') {
        const std::size_t end = s.find('"', i + 1);
        out = std::string(s.substr(i + 1, end == std::string_view::npos ? end : end - i - 1));
        i = end == std::string_view::npos ? s.size() : end + 1;
        return out;
    }
    while (i < s.size() && !IsBlank(s[i])) {
        out.push_back(s[i++]);
    }
    return out;
}

// One argument from position i (not a blank); leaves i after it.
std::string Argument(std::string_view s, std::size_t& i) {
    std::string out;
    bool quoted = false;
    while (i < s.size() && (quoted || !IsBlank(s[i]))) {
        if (text::IsStrictDoubleByte(s, i)) {
            out.append(s.substr(i, 2));
            i += 2;
        } else if (s[i] == '\\') {
            std::size_t count = 0;
            while (i < s.size() && s[i] == '\\') {
                ++count;
                ++i;
            }
            if (i < s.size() && s[i] == '"') {
                out.append(count / 2, '\\');
                if (count % 2 == 1) {
                    out.push_back('"');
                    ++i;
                }
            } else {
                out.append(count, '\\');
            }
        } else if (s[i] == '"') {
            if (quoted && i + 1 < s.size() && s[i + 1] == '"') {
                out.push_back('"');
                i += 2;
            } else {
                quoted = !quoted;
                ++i;
            }
        } else {
            out.push_back(s[i++]);
        }
    }
    return out;
}

} // namespace

std::vector<std::string> SplitWindowsCommandLine(std::string_view line) {
    std::vector<std::string> args;
    std::size_t i = SkipBlanks(line, 0);
    if (i >= line.size()) {
        return args;
    }
    args.push_back(ProgramName(line, i));
    for (i = SkipBlanks(line, i); i < line.size(); i = SkipBlanks(line, i)) {
        args.push_back(Argument(line, i));
    }
    return args;
}

} // namespace quorvel::platform::posix
