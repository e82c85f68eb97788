// Splitting a command line by the Windows rules, so that the posix launcher starts exactly the
// program and arguments a Windows process would receive from the same line, without a shell.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvel::platform::posix {

// The program name first: a quoted name runs to the next quote (spaces allowed, no escapes),
// an unquoted one to the first blank. Then the arguments by the C runtime rules: blanks
// separate outside quotes; 2n backslashes before a quote give n backslashes and the quote
// opens or closes; 2n+1 give n backslashes and a literal quote; "" inside quotes is a literal
// quote; other backslashes are literal. A double-byte GBK character is kept whole, so its
// trail byte is never taken for a backslash. Empty when the line holds no program.
std::vector<std::string> SplitWindowsCommandLine(std::string_view line);

} // namespace quorvel::platform::posix
