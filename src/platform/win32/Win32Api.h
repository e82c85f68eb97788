// The one way this folder reaches the Windows headers, plus the small helpers its adapters
// share. Internal to src/platform/win32: nothing outside it includes this file.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace quorvel::platform::win32 {

// The text as a NUL-terminated string for an "A" function; nullopt when it holds a zero byte,
// which the function would silently take as its end (and act on a different name or text).
inline std::optional<std::string> ToCString(std::string_view text) {
    if (text.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(text);
}

// Owns a kernel object handle (process, thread).
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : m_handle(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() {
        if (m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE) {
            CloseHandle(m_handle);
        }
    }
    HANDLE get() const { return m_handle; }

  private:
    HANDLE m_handle = nullptr;
};

// Owns an open registry key.
class UniqueKey {
  public:
    UniqueKey() = default;
    UniqueKey(const UniqueKey&) = delete;
    UniqueKey& operator=(const UniqueKey&) = delete;
    ~UniqueKey() {
        if (m_key != nullptr) {
            RegCloseKey(m_key);
        }
    }
    HKEY get() const { return m_key; }
    HKEY* receive() { return &m_key; }

  private:
    HKEY m_key = nullptr;
};

} // namespace quorvel::platform::win32
