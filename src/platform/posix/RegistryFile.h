// The registry stand-in: the default values of keys under HKEY_CLASSES_ROOT, kept in a text
// file where the system runs without a Windows registry.
//
// File format (bytes passed through unchanged; the core reads them as GBK):
//   # a comment line; blank lines are ignored
//   KEY<TAB>KIND<TAB>VALUE   the key with its default value; KIND is string, expand or other;
//                            VALUE is the rest of the line (it cannot hold a line break)
//   KEY                      the key exists but has no default value
// KEY is the path below HKEY_CLASSES_ROOT with backslashes (aliim\Shell\Open\Command),
// compared ignoring ASCII case as the registry does. The first line for a key counts.
// An expand value has ${VAR} and %VAR% expanded from the environment when read; a reference
// to an unset variable stays as written.
//
// Place: QUORVEL_REGISTRY, else $XDG_DATA_HOME/quorvel/registry, else
// ~/.local/share/quorvel/registry.
#pragma once

#include "platform/Ports.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace quorvel::platform::posix {

std::filesystem::path DefaultRegistryFile();

// %VAR% and ${VAR} replaced by the environment's values; unset ones left as written.
std::string ExpandEnvironmentReferences(std::string_view text);

class RegistryFile : public Registry {
  public:
    explicit RegistryFile(std::filesystem::path file);
    // nullopt when the file cannot be read or holds no line for the key.
    std::optional<RegistryValue> ReadClassesRootDefault(std::string_view keyPath) override;

    // Replaces every line of the key by one (creating the file and its folder as needed);
    // Missing writes the key without a default value. False when the file cannot be written.
    bool WriteDefault(std::string_view keyPath, RegistryValueKind kind, std::string_view value);
    // Drops every line of the key. False when the file cannot be written.
    bool RemoveKey(std::string_view keyPath);

  private:
    bool rewrite(std::string_view keyPath, const std::string* newLine);

    std::filesystem::path m_file;
};

} // namespace quorvel::platform::posix
