#include "platform/win32/Win32Ports.h"

#include "platform/win32/Win32Api.h"

#include <vector>

namespace quorvel::platform::win32 {
namespace {

// The default value's type and bytes; nullopt when the key has no default value (or it cannot
// be read). Loops because the value may grow between the size query and the read.
struct RawValue {
    DWORD type = REG_NONE;
    std::vector<char> bytes;
};

std::optional<RawValue> queryDefaultValue(HKEY key) {
    RawValue raw;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, nullptr, nullptr, &raw.type, nullptr, &size);
    for (int attempt = 0; attempt < 8 && status == ERROR_SUCCESS; ++attempt) {
        raw.bytes.resize(size + 1); // room for a terminator the stored text may lack
        DWORD got = size;
        status = RegQueryValueExA(key, nullptr, nullptr, &raw.type,
                                  reinterpret_cast<BYTE*>(raw.bytes.data()), &got);
        if (status == ERROR_SUCCESS) {
            raw.bytes.resize(got);
            return raw;
        }
        if (status == ERROR_MORE_DATA) {
            size = got;
            status = ERROR_SUCCESS;
        }
    }
    return std::nullopt;
}

// A string value's text: its bytes up to the first zero byte (the stored terminator).
std::string textOf(const std::vector<char>& bytes) {
    std::string text(bytes.begin(), bytes.end());
    const auto nul = text.find('\0');
    if (nul != std::string::npos) {
        text.resize(nul);
    }
    return text;
}

std::string expandEnvironment(const std::string& text) {
    // The "A" form may report more than it needs (it counts through the wide text), so the
    // result is taken up to its terminator, and a buffer filled to the last byte is retried.
    std::string expanded(text.size() + 64, '\0');
    for (int attempt = 0; attempt < 8; ++attempt) {
        const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), expanded.data(),
                                                       static_cast<DWORD>(expanded.size()));
        if (needed == 0) {
            return text; // expansion failed: the stored text is the best we have
        }
        if (needed < expanded.size()) {
            expanded.resize(expanded.find('\0'));
            return expanded;
        }
        expanded.assign(static_cast<std::size_t>(needed) + 64, '\0');
    }
    return text;
}

} // namespace

std::optional<RegistryValue> Win32Registry::ReadClassesRootDefault(std::string_view keyPath) {
    const auto path = ToCString(keyPath);
    if (!path) {
        return std::nullopt;
    }
    UniqueKey key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path->c_str(), 0, KEY_READ, key.receive()) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    const auto raw = queryDefaultValue(key.get());
    if (!raw) {
        return RegistryValue{RegistryValueKind::Missing, {}};
    }
    switch (raw->type) {
    case REG_SZ:
        return RegistryValue{RegistryValueKind::String, textOf(raw->bytes)};
    case REG_EXPAND_SZ:
        return RegistryValue{RegistryValueKind::ExpandString,
                             expandEnvironment(textOf(raw->bytes))};
    default:
        return RegistryValue{RegistryValueKind::Other, {}};
    }
}

} // namespace quorvel::platform::win32
