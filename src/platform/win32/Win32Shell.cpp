#include "platform/win32/Win32Ports.h"

#include "platform/win32/Win32Api.h"

#include <shellapi.h>

namespace quorvel::platform::win32 {

void Win32UrlOpener::Open(std::string_view url) {
    const auto address = ToCString(url);
    if (!address || address->empty()) {
        return;
    }
    ShellExecuteA(nullptr, "open", address->c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void Win32ProcessExit::Exit(int exitCode) {
    ExitProcess(static_cast<UINT>(exitCode));
}

} // namespace quorvel::platform::win32
