// The Windows choice of adapters: the one place that names them.
#include "platform/SystemPorts.h"

#include "platform/win32/Win32Ports.h"

namespace quorvel::platform {

SystemPorts MakeSystemPorts() {
    SystemPorts ports;
    ports.registry = std::make_unique<win32::Win32Registry>();
    ports.fileProbe = std::make_unique<win32::Win32FileProbe>();
    ports.launcher = std::make_unique<win32::Win32ProcessLauncher>();
    ports.windows = std::make_unique<win32::Win32WindowSystem>();
    return ports;
}

} // namespace quorvel::platform
