// GBK to UTF-8 for the tool's readable output (the core never converts: it keeps GBK bytes).
#pragma once

#include <string>
#include <string_view>

namespace quorvel::tools {

// Bytes that are not GBK come out as \xHH.
std::string GbkToUtf8(std::string_view gbk);

} // namespace quorvel::tools
