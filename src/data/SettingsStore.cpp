#include "data/SettingsStore.h"

#include "text/Texts.h"

namespace quorvel::data {

std::string SettingsStore::ReadImClientPath() {
    return m_tables.ReadSetting(text::kSettingImClientPath.gbk).value_or(std::string());
}

bool SettingsStore::WriteImClientPath(std::string_view path) {
    return m_tables.WriteSetting(text::kSettingImClientPath.gbk, path);
}

} // namespace quorvel::data
