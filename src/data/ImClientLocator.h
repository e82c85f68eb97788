// Making sure at start-up that the IM client's program location is known: from the stored
// setting, else from the client's registration of its "aliim" scheme, else the program ends.
//
// Standard library and platform ports only: the Windows build compiles this unit as it is.
#pragma once

#include "platform/Ports.h"

#include <string>
#include <string_view>

namespace quorvel::data {

// Where the IM client's program path is kept (SettingsStore over 配置; fakes in tests).
class ImClientPathStore {
  public:
    virtual ~ImClientPathStore() = default;
    // The stored path; empty when it cannot be read.
    virtual std::string ReadImClientPath() = 0;
    // True when the stored record was found and written.
    virtual bool WriteImClientPath(std::string_view path) = 0;
};

// The program path in a registered command value: inside the quotes when the value starts
// with one (to its end when the quote is never closed), else the text before the first space
// (a space byte inside a double-byte character does not count), the whole text without one.
std::string ProgramPathOfCommand(std::string_view commandValue);

struct ImClientPorts {
    platform::Registry& registry;
    platform::FileProbe& fileProbe;
    platform::Dialogs& dialogs;
    platform::UrlOpener& urlOpener;
    platform::ProcessExit& processExit;
};

enum class ImClientLocation { AlreadyKnown, Stored };

// AlreadyKnown: the stored path exists (a folder too); nothing else is read or written.
// Stored: the path from the registration was written (whatever the write's result).
// Not installed (the key cannot be opened or has no default value): the error box, the
// download page, then the process ends with exit code 0 and nothing is written; this call
// does not return then.
ImClientLocation LocateImClient(ImClientPathStore& store, const ImClientPorts& ports);

} // namespace quorvel::data
