// Starts a Windows-style command line with posix_spawn (no shell) and waits for its end with a
// bound. The child gets /dev/null as its standard streams and no other descriptor of ours.
#pragma once

#include "platform/Ports.h"

namespace quorvel::platform::posix {

class PosixProcessLauncher : public ProcessLauncher {
  public:
    // A child still running when the bound runs out is killed and reaped: none is left behind.
    bool RunAndWait(std::string_view commandLine, std::chrono::milliseconds bound) override;
};

} // namespace quorvel::platform::posix
