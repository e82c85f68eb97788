#include "platform/win32/Win32Ports.h"

#include "platform/win32/Win32Api.h"

#include <algorithm>

namespace quorvel::platform::win32 {
namespace {

HWND toHwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}
WindowHandle toHandle(HWND window) {
    return reinterpret_cast<WindowHandle>(window);
}

// GetWindow(NULL, ...) would answer for the desktop; no window has no relatives.
WindowHandle relative(WindowHandle window, UINT which) {
    if (window == 0) {
        return 0;
    }
    return toHandle(GetWindow(toHwnd(window), which));
}

} // namespace

Win32WindowSystem::Win32WindowSystem(std::chrono::milliseconds messageBound)
    : m_messageBound(std::clamp(messageBound, std::chrono::milliseconds{1},
                                std::chrono::milliseconds{INFINITE - 1})) {}

WindowHandle Win32WindowSystem::FindTopLevel(std::string_view className, std::string_view title) {
    const auto cls = ToCString(className);
    const auto caption = ToCString(title);
    if (!cls || !caption) {
        return 0;
    }
    return toHandle(FindWindowA(cls->c_str(), caption->c_str()));
}

WindowHandle Win32WindowSystem::FirstChild(WindowHandle window) {
    return relative(window, GW_CHILD);
}

WindowHandle Win32WindowSystem::NextSibling(WindowHandle window) {
    return relative(window, GW_HWNDNEXT);
}

namespace {

// True once the window's thread has handled the message within the bound; false when there is
// no window, it went away, or its owner did not answer in time.
bool sendBounded(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam,
                 std::chrono::milliseconds bound, LRESULT* result = nullptr) {
    if (window == 0) {
        return false;
    }
    DWORD_PTR answer = 0;
    const LRESULT sent = SendMessageTimeoutA(toHwnd(window), message, wParam, lParam, SMTO_BLOCK,
                                             static_cast<UINT>(bound.count()), &answer);
    if (result != nullptr) {
        *result = static_cast<LRESULT>(answer);
    }
    return sent != 0;
}

} // namespace

bool Win32WindowSystem::SetText(WindowHandle window, std::string_view text) {
    // A zero byte would end the text early: the control would get only part of the message.
    const auto content = ToCString(text);
    if (!content) {
        return false;
    }
    LRESULT accepted = FALSE;
    return sendBounded(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(content->c_str()),
                       m_messageBound, &accepted) &&
           accepted != FALSE;
}

bool Win32WindowSystem::KeyDown(WindowHandle window, unsigned virtualKey) {
    return sendBounded(window, WM_KEYDOWN, virtualKey, 0, m_messageBound);
}

bool Win32WindowSystem::KeyUp(WindowHandle window, unsigned virtualKey) {
    return sendBounded(window, WM_KEYUP, virtualKey, 0, m_messageBound);
}

bool Win32WindowSystem::Close(WindowHandle window) {
    return sendBounded(window, WM_CLOSE, 0, 0, m_messageBound);
}

} // namespace quorvel::platform::win32
