// Ends the process at once with an exit code. Standard library only, so every OS uses it.
#pragma once

#include "platform/Ports.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace quorvel::platform {

// Flushes the standard streams, then leaves without running static destructors: the window
// toolkit and any worker may still be alive, and every table change is already committed.
class StandardProcessExit : public ProcessExit {
  public:
    [[noreturn]] void Exit(int exitCode) override {
        std::cout.flush();
        std::cerr.flush();
        std::fflush(nullptr);
        std::_Exit(exitCode);
    }
};

} // namespace quorvel::platform
