// Sections that are plain tables of (key, value, kind, default) are written
// as such a table and read and written by the two loops below, one value at
// a time through the one-shot settings operations, in table order.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "config/configuration.h"

namespace kestrum {

struct SettingRow {
  using Member = std::variant<Flag Configuration::*, std::int32_t Configuration::*,
                              std::string Configuration::*>;
  std::string_view section;
  std::string_view name;
  Member member;
  std::int32_t numberDefault = 0;    // flags and numbers
  std::string_view textDefault;      // texts
  // Texts whose default is another, already loaded member (Postmaster).
  std::string Configuration::*textDefaultFrom = nullptr;
};

constexpr SettingRow flagSetting(std::string_view section, std::string_view name,
                                 Flag Configuration::*member, bool defaultValue) {
  return SettingRow{section, name, member, defaultValue ? 1 : 0, {}, nullptr};
}
constexpr SettingRow numberSetting(std::string_view section, std::string_view name,
                                   std::int32_t Configuration::*member, std::int32_t defaultValue) {
  return SettingRow{section, name, member, defaultValue, {}, nullptr};
}
constexpr SettingRow textSetting(std::string_view section, std::string_view name,
                                 std::string Configuration::*member, std::string_view defaultValue) {
  return SettingRow{section, name, member, 0, defaultValue, nullptr};
}
constexpr SettingRow textSettingDefaultFrom(std::string_view section, std::string_view name,
                                            std::string Configuration::*member,
                                            std::string Configuration::*defaultFrom) {
  return SettingRow{section, name, member, 0, {}, defaultFrom};
}

// Flags read as 0 or 1 (any non-zero stored number is 1).
void loadSettings(Configuration& config, std::string_view rootName,
                  std::span<const SettingRow> rows);
void saveSettings(const Configuration& config, std::string_view rootName,
                  std::span<const SettingRow> rows);

}  // namespace kestrum
