// The Win32 adapters of the ports. This header stays free of <windows.h> so that users of the
// adapters (the factory, tests) do not pull the Windows headers in; only the .cpp files of this
// folder include them. Texts are GBK bytes and go to the "A" functions unchanged.
#pragma once

#include "platform/Ports.h"

#include <chrono>

namespace quorvel::platform::win32 {

// RegOpenKeyExA / RegQueryValueExA on HKEY_CLASSES_ROOT.
class Win32Registry final : public Registry {
  public:
    std::optional<RegistryValue> ReadClassesRootDefault(std::string_view keyPath) override;
};

// GetFileAttributesA: anything the file system knows by that name exists.
class Win32FileProbe final : public FileProbe {
  public:
    bool Exists(std::string_view path) override;
};

// CreateProcessA without a separate program name. On a time-out the process keeps running
// (it may still be handing its request on); only our handles to it are closed.
class Win32ProcessLauncher final : public ProcessLauncher {
  public:
    bool RunAndWait(std::string_view commandLine, std::chrono::milliseconds bound) override;
};

// FindWindowA, GetWindow and synchronous messages. Each message is sent with
// SendMessageTimeoutA: it still returns only once the window's owner has handled it, but a
// client that hangs cannot hold the delivery pass forever; after `messageBound` the call
// gives up and reports false.
class Win32WindowSystem final : public WindowSystem {
  public:
    static constexpr std::chrono::milliseconds kDefaultMessageBound{30'000};

    explicit Win32WindowSystem(std::chrono::milliseconds messageBound = kDefaultMessageBound);

    WindowHandle FindTopLevel(std::string_view className, std::string_view title) override;
    WindowHandle FirstChild(WindowHandle window) override;
    WindowHandle NextSibling(WindowHandle window) override;
    bool SetText(WindowHandle window, std::string_view text) override;
    bool KeyDown(WindowHandle window, unsigned virtualKey) override;
    bool KeyUp(WindowHandle window, unsigned virtualKey) override;
    bool Close(WindowHandle window) override;

  private:
    std::chrono::milliseconds m_messageBound;
};

// ShellExecuteA "open", shown normally.
class Win32UrlOpener final : public UrlOpener {
  public:
    void Open(std::string_view url) override;
};

// ExitProcess: ends every thread of the process at once with the code.
class Win32ProcessExit final : public ProcessExit {
  public:
    [[noreturn]] void Exit(int exitCode) override;
};

} // namespace quorvel::platform::win32
