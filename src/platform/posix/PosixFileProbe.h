// File existence by stat: anything that exists passes, a folder too.
#pragma once

#include "platform/Ports.h"

namespace quorvel::platform::posix {

class PosixFileProbe : public FileProbe {
  public:
    bool Exists(std::string_view path) override;
};

} // namespace quorvel::platform::posix
