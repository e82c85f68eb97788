// The Linux adapter set: the registry stand-in file, stat, posix_spawn and the stand-in IM
// client's window service.
#include "platform/SystemPorts.h"

#include "platform/posix/ImWindowClient.h"
#include "platform/posix/ImWindowProtocol.h"
#include "platform/posix/PosixFileProbe.h"
#include "platform/posix/PosixProcessLauncher.h"
#include "platform/posix/RegistryFile.h"

namespace quorvel::platform {

SystemPorts MakeSystemPorts() {
    SystemPorts ports;
    ports.registry = std::make_unique<posix::RegistryFile>(posix::DefaultRegistryFile());
    ports.fileProbe = std::make_unique<posix::PosixFileProbe>();
    ports.launcher = std::make_unique<posix::PosixProcessLauncher>();
    ports.windows = std::make_unique<posix::ImWindowClient>(posix::DefaultImSocket());
    return ports;
}

} // namespace quorvel::platform
