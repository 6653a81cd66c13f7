#include "config/setting_table.h"

#include "registry/settings.h"

namespace kestrum {

void loadSettings(Configuration& config, std::string_view rootName,
                  std::span<const SettingRow> rows) {
  Store& store = config.store();
  for (const SettingRow& row : rows) {
    if (auto flag = std::get_if<Flag Configuration::*>(&row.member)) {
      config.*(*flag) = readSettingFlag(store, rootName, row.section, row.name, row.numberDefault != 0) ? 1 : 0;
    } else if (auto number = std::get_if<std::int32_t Configuration::*>(&row.member)) {
      config.*(*number) = readSettingDword(store, rootName, row.section, row.name, row.numberDefault);
    } else {
      auto text = std::get<std::string Configuration::*>(row.member);
      const std::string fallback =
          row.textDefaultFrom != nullptr ? config.*row.textDefaultFrom : std::string(row.textDefault);
      config.*text = readSettingString(store, rootName, row.section, row.name, fallback);
    }
  }
}

void saveSettings(const Configuration& config, std::string_view rootName,
                  std::span<const SettingRow> rows) {
  Store& store = config.store();
  for (const SettingRow& row : rows) {
    if (auto flag = std::get_if<Flag Configuration::*>(&row.member)) {
      writeSettingFlag(store, rootName, row.section, row.name, config.*(*flag));
    } else if (auto number = std::get_if<std::int32_t Configuration::*>(&row.member)) {
      writeSettingDword(store, rootName, row.section, row.name, config.*(*number));
    } else {
      writeSettingString(store, rootName, row.section, row.name,
                         config.*std::get<std::string Configuration::*>(row.member));
    }
  }
}

}  // namespace kestrum
