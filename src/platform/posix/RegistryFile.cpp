#include "platform/posix/RegistryFile.h"

#include "text/Gbk.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace quorvel::platform::posix {
namespace {

std::string EnvOr(const char* name, std::string fallback) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? std::string(value) : fallback;
}

struct Line {
    std::string key;
    bool hasValue = false;
    std::string kind;
    std::string value;
};

Line ParseLine(std::string_view raw) {
    Line line;
    const std::size_t tab = raw.find('\t');
    line.key = std::string(raw.substr(0, tab));
    if (tab == std::string_view::npos) {
        return line;
    }
    const std::string_view rest = raw.substr(tab + 1);
    const std::size_t tab2 = rest.find('\t');
    line.hasValue = true;
    line.kind = std::string(rest.substr(0, tab2));
    line.value =
        tab2 == std::string_view::npos ? std::string() : std::string(rest.substr(tab2 + 1));
    return line;
}

bool IsContent(std::string_view raw) {
    return !raw.empty() && raw.front() != '#';
}

bool SameKey(std::string_view a, std::string_view b) {
    return text::ToLowerAscii(a) == text::ToLowerAscii(b);
}

std::vector<std::string> ReadLines(const std::filesystem::path& file, bool& ok) {
    std::vector<std::string> lines;
    std::ifstream in(file, std::ios::binary);
    ok = static_cast<bool>(in);
    for (std::string raw; std::getline(in, raw);) {
        if (!raw.empty() && raw.back() == '\r') {
            raw.pop_back();
        }
        lines.push_back(std::move(raw));
    }
    return lines;
}

std::string_view KindName(RegistryValueKind kind) {
    switch (kind) {
    case RegistryValueKind::String:
        return "string";
    case RegistryValueKind::ExpandString:
        return "expand";
    default:
        return "other";
    }
}

// The name of a reference starting at i ("%NAME%" or "${NAME}"), or npos.
std::size_t ReferenceEnd(std::string_view text, std::size_t i, std::string& name) {
    const bool braces = text.substr(i, 2) == "${";
    const std::size_t nameStart = i + (braces ? 2 : 1);
    const std::size_t close = text.find(braces ? '}' : '%', nameStart);
    if (close == std::string_view::npos || close == nameStart) {
        return std::string_view::npos;
    }
    name = std::string(text.substr(nameStart, close - nameStart));
    return close + 1;
}

} // namespace

std::filesystem::path DefaultRegistryFile() {
    if (const char* place = std::getenv("QUORVEL_REGISTRY"); place != nullptr && *place != '\0') {
        return place;
    }
    const std::string dataHome = EnvOr("XDG_DATA_HOME", EnvOr("HOME", "/tmp") + "/.local/share");
    return std::filesystem::path(dataHome) / "quorvel" / "registry";
}

std::string ExpandEnvironmentReferences(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        std::string name;
        const bool opens = text[i] == '%' || text.substr(i, 2) == "${";
        const std::size_t end = opens ? ReferenceEnd(text, i, name) : std::string_view::npos;
        if (end == std::string_view::npos) {
            out.push_back(text[i]);
            ++i;
            continue;
        }
        const char* value = std::getenv(name.c_str());
        out.append(value != nullptr ? std::string_view(value) : text.substr(i, end - i));
        i = end;
    }
    return out;
}

RegistryFile::RegistryFile(std::filesystem::path file) : m_file(std::move(file)) {}

std::optional<RegistryValue> RegistryFile::ReadClassesRootDefault(std::string_view keyPath) {
    bool ok = false;
    for (const std::string& raw : ReadLines(m_file, ok)) {
        if (!IsContent(raw)) {
            continue;
        }
        const Line line = ParseLine(raw);
        if (!SameKey(line.key, keyPath)) {
            continue;
        }
        if (!line.hasValue) {
            return RegistryValue{};
        }
        if (line.kind == "string") {
            return RegistryValue{RegistryValueKind::String, line.value};
        }
        if (line.kind == "expand") {
            return RegistryValue{RegistryValueKind::ExpandString,
                                 ExpandEnvironmentReferences(line.value)};
        }
        return RegistryValue{RegistryValueKind::Other, {}};
    }
    return std::nullopt;
}

bool RegistryFile::WriteDefault(std::string_view keyPath, RegistryValueKind kind,
                                std::string_view value) {
    std::string line(keyPath);
    if (kind != RegistryValueKind::Missing) {
        line.append("\t").append(KindName(kind)).append("\t").append(value);
    }
    return rewrite(keyPath, &line);
}

bool RegistryFile::RemoveKey(std::string_view keyPath) {
    return rewrite(keyPath, nullptr);
}

// Writes a sibling file and renames it over the old one, so a reader never sees half a file.
bool RegistryFile::rewrite(std::string_view keyPath, const std::string* newLine) {
    bool existed = false;
    std::vector<std::string> lines = ReadLines(m_file, existed);
    std::error_code ec;
    // A file we cannot read would be replaced by one that lost every other key.
    if (!existed && std::filesystem::exists(m_file, ec)) {
        return false;
    }
    std::ostringstream out;
    if (!existed) {
        out << "# Quorvel registry stand-in: KEY<TAB>string|expand|other<TAB>VALUE, or KEY alone\n";
    }
    bool placed = false;
    for (const std::string& raw : lines) {
        if (IsContent(raw) && SameKey(ParseLine(raw).key, keyPath)) {
            if (newLine != nullptr && !placed) {
                out << *newLine << '\n';
            }
            placed = true;
            continue;
        }
        out << raw << '\n';
    }
    if (newLine != nullptr && !placed) {
        out << *newLine << '\n';
    }
    if (m_file.has_parent_path()) {
        std::filesystem::create_directories(m_file.parent_path(), ec);
    }
    std::filesystem::path temp = m_file;
    temp += ".tmp" + std::to_string(::getpid());
    {
        std::ofstream file(temp, std::ios::binary | std::ios::trunc);
        file << out.str();
        file.flush();
        if (!file) {
            std::filesystem::remove(temp, ec);
            return false;
        }
    }
    std::filesystem::rename(temp, m_file, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

} // namespace quorvel::platform::posix
