// The ports through which the core reaches the operating system. One adapter set per OS lives
// in posix/ and win32/; the core never includes a platform header itself. Texts are GBK.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::platform {

enum class RegistryValueKind { String, ExpandString, Other, Missing };

struct RegistryValue {
    RegistryValueKind kind = RegistryValueKind::Missing;
    std::string text; // String as stored; ExpandString already expanded; empty otherwise
};

// The default (unnamed) value of a key under HKEY_CLASSES_ROOT.
class Registry {
  public:
    virtual ~Registry() = default;
    // nullopt when the key cannot be opened for reading.
    virtual std::optional<RegistryValue> ReadClassesRootDefault(std::string_view keyPath) = 0;
};

class FileProbe {
  public:
    virtual ~FileProbe() = default;
    // A folder passes; the empty text never does.
    virtual bool Exists(std::string_view path) = 0;
};

class ProcessLauncher {
  public:
    virtual ~ProcessLauncher() = default;
    // Starts the command line (the program is taken from its start, no shell) with its window
    // shown normally and no inherited handles, then waits for its end up to `bound`.
    // False when it could not be started or did not end within the bound.
    virtual bool RunAndWait(std::string_view commandLine, std::chrono::milliseconds bound) = 0;
};

using WindowHandle = std::uintptr_t; // 0: no window
inline constexpr unsigned kVkReturn = 13;

class WindowSystem {
  public:
    virtual ~WindowSystem() = default;
    virtual WindowHandle FindTopLevel(std::string_view className, std::string_view title) = 0;
    virtual WindowHandle FirstChild(WindowHandle window) = 0;
    virtual WindowHandle NextSibling(WindowHandle window) = 0;
    // Each is synchronous: it returns once the owner of the window has handled it.
    virtual bool SetText(WindowHandle window, std::string_view text) = 0;
    virtual bool KeyDown(WindowHandle window, unsigned virtualKey) = 0;
    virtual bool KeyUp(WindowHandle window, unsigned virtualKey) = 0;
    virtual bool Close(WindowHandle window) = 0;
};

class UrlOpener {
  public:
    virtual ~UrlOpener() = default;
    // Opens the address with the system's default handler, shown normally.
    virtual void Open(std::string_view url) = 0;
};

enum class DialogIcon { Information, Question, Error };

// Modal dialogs. Behind an interface so that tests script the answers.
class Dialogs {
  public:
    virtual ~Dialogs() = default;
    virtual void ShowMessage(std::string_view text, std::string_view title, DialogIcon icon) = 0;
    // OK and Cancel with the question icon; true for OK.
    virtual bool AskOkCancel(std::string_view text, std::string_view title) = 0;
    // An input box with an empty entry; nullopt for Cancel.
    virtual std::optional<std::string> AskText(std::string_view prompt, std::string_view title) = 0;
};

// Ends the process from inside, after the message box that explains why.
class ProcessExit {
  public:
    virtual ~ProcessExit() = default;
    [[noreturn]] virtual void Exit(int exitCode) = 0;
};

} // namespace quorvel::platform
