// The Windows command-line rules as the posix launcher applies them.
#include "platform/posix/CommandLine.h"

#include <gtest/gtest.h>

namespace quorvel::platform::posix {
namespace {

using Args = std::vector<std::string>;

TEST(SplitWindowsCommandLine, ProgramNameAndArguments) {
    struct Case {
        const char* line;
        Args args;
    };
    const Case cases[] = {
        {"", {}},
        {"   ", {}},
        {"prog", {"prog"}},
        {"  prog  a   b ", {"prog", "a", "b"}},
        {"\"C:\\Program Files\\Ali\\AliIM.exe\" x", {"C:\\Program Files\\Ali\\AliIM.exe", "x"}},
        // The program name takes no escapes: a trailing backslash stays, the quote closes.
        {"\"C:\\dir\\\" x", {"C:\\dir\\", "x"}},
        {"\"never closed", {"never closed"}},
        {"p \"a b\" c", {"p", "a b", "c"}},
        {"p a\"b c\"d", {"p", "ab cd"}},
        {"p \"\"", {"p", ""}},
        {"p \"a\"\"b\"", {"p", "a\"b"}},
        {"p \\\"a", {"p", "\"a"}},
        {"p \\\\\"a b\"", {"p", "\\a b"}},
        {"p \\\\\\\"a", {"p", "\\\"a"}},
        {"p a\\\\b", {"p", "a\\\\b"}},
        {"p \"a\\\\\"", {"p", "a\\"}},
        {"p \"x&y z\"", {"p", "x&y z"}},
        {"p\ta\tb", {"p", "a", "b"}},
        // A GBK character whose trail byte is a backslash does not escape the quote after it.
        {"p \"\x95\\\" x", {"p", "\x95\\", "x"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitWindowsCommandLine(c.line), c.args) << c.line;
    }
}

} // namespace
} // namespace quorvel::platform::posix
