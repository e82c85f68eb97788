// The one stored setting, the IM client's program path, in the settings table 配置: the first
// record whose 配置名 is "阿里旺旺核心文件路径", byte for byte. Records are never added.
#pragma once

#include "data/ImClientLocator.h"
#include "data/Tables.h"

namespace quorvel::data {

class SettingsStore : public ImClientPathStore {
  public:
    // REQUIRES: tables outlives this store.
    explicit SettingsStore(Tables& tables) : m_tables(tables) {}

    // Empty when 配置 cannot be opened or holds no record with the key.
    std::string ReadImClientPath() override;
    // False when 配置 cannot be opened, lacks the record or the write fails.
    bool WriteImClientPath(std::string_view path) override;

  private:
    Tables& m_tables;
};

} // namespace quorvel::data
