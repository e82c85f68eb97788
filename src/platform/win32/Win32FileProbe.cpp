#include "platform/win32/Win32Ports.h"

#include "platform/win32/Win32Api.h"

namespace quorvel::platform::win32 {

bool Win32FileProbe::Exists(std::string_view path) {
    const auto name = ToCString(path);
    if (!name || name->empty()) {
        return false;
    }
    return GetFileAttributesA(name->c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace quorvel::platform::win32
