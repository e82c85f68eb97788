// The adapter set of the operating system the program runs on. Chosen here, in one place: the
// posix/ or win32/ folder implements MakeSystemPorts; nothing else names an adapter.
#pragma once

#include "platform/Ports.h"

#include <memory>

namespace quorvel::platform {

struct SystemPorts {
    std::unique_ptr<Registry> registry;
    std::unique_ptr<FileProbe> fileProbe;
    std::unique_ptr<ProcessLauncher> launcher;
    std::unique_ptr<WindowSystem> windows;
};

SystemPorts MakeSystemPorts();

} // namespace quorvel::platform
