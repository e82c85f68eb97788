#include "platform/win32/Win32Ports.h"

#include "platform/win32/Win32Api.h"

#include <algorithm>

namespace quorvel::platform::win32 {
namespace {

// WaitForSingleObject takes milliseconds as a DWORD in which INFINITE is reserved: clamp
// below it so that a huge bound still ends.
DWORD waitMilliseconds(std::chrono::milliseconds bound) {
    const auto count = std::max<std::chrono::milliseconds::rep>(bound.count(), 0);
    return static_cast<DWORD>(std::min<std::chrono::milliseconds::rep>(count, INFINITE - 1));
}

} // namespace

bool Win32ProcessLauncher::RunAndWait(std::string_view commandLine,
                                      std::chrono::milliseconds bound) {
    auto text = ToCString(commandLine);
    if (!text || text->empty()) {
        return false;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    // CreateProcessA may write into the command line buffer, so it gets our own copy.
    if (!CreateProcessA(nullptr, text->data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return false;
    }
    const UniqueHandle process(started.hProcess);
    const UniqueHandle thread(started.hThread);
    return WaitForSingleObject(process.get(), waitMilliseconds(bound)) == WAIT_OBJECT_0;
}

} // namespace quorvel::platform::win32
