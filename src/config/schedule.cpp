#include "config/schedule.h"

#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "config/configuration.h"
#include "registry/registry_key.h"

namespace kestrum {
namespace {

// A key handle of its own on `parent`\`name`, created when missing. When the
// key cannot be reached the handle holds nothing, so reads through it yield
// their defaults and writes are dropped; it never stays on `parent`.
void openSection(RegistryKey& key, KeyHandle parent, std::string_view name) {
  if (!key.reopenFrom(parent, kKeyAllAccess) || !key.createSubkey(name, kKeyAllAccess)) key.close();
}

// The dial-up values of Connection, in the order they are read and written.
struct DialupValue {
  using Member = std::variant<Flag Configuration::*, std::int32_t Configuration::*,
                              std::string Configuration::*>;
  std::string_view name;
  Member member;
  std::int32_t numberDefault = 0;  // texts default to empty
};

constexpr DialupValue kDialupValues[] = {
    {"Use_Dialup", &Configuration::Use_Dialup},
    {"DU_Connection", &Configuration::DU_Connection},
    {"DU_Password", &Configuration::DU_Password},  // clear text, never scrambled
    {"DU_Username", &Configuration::DU_Username},
    {"DU_no_disconnect", &Configuration::DU_no_disconnect},
    {"DU_triger_when_active", &Configuration::DU_triger_when_active},
    {"DU_triger_when_any_active", &Configuration::DU_triger_when_any_active},
    {"DU_min_triger_when_active", &Configuration::DU_min_triger_when_active, 1},
};

}  // namespace

void loadSchedule(Configuration& config, RegistryKey& root) {
  RegistryKey section(config.store());
  openSection(section, root.handle(), "Schedule");
  config.Schedule_Mode = section.readDword("Schedule_Mode", 0);
  config.Schedule_Waittime = section.readDword("Schedule_Waittime", 30);
  config.scheduleEntries.clear();
  const std::int32_t count = section.readCount("nSchedule");
  for (std::int32_t i = 1; i <= count; ++i) {
    auto entry = std::make_unique<ScheduleEntry>();
    RegistryKey entryKey(config.store());
    openSection(entryKey, section.handle(), std::to_string(i));
    entry->Weekday = entryKey.readDword("Weekday", 0);
    entry->Hour = entryKey.readDword("Hour", 0);
    entry->Minute = entryKey.readDword("Minute", 0);
    config.scheduleEntries.append(std::move(entry));
  }
}

void saveSchedule(const Configuration& config, RegistryKey& root) {
  RegistryKey section(config.store());
  openSection(section, root.handle(), "Schedule");
  section.writeValue(RegistryValue("Schedule_Mode", config.Schedule_Mode));
  section.writeValue(RegistryValue("Schedule_Waittime", config.Schedule_Waittime));
  std::int32_t written = 0;
  for (const auto& entry : config.scheduleEntries) {
    RegistryKey entryKey(config.store());
    openSection(entryKey, section.handle(), std::to_string(++written));
    entryKey.writeValue(RegistryValue("Weekday", entry->Weekday));
    entryKey.writeValue(RegistryValue("Hour", entry->Hour));
    entryKey.writeValue(RegistryValue("Minute", entry->Minute));
  }
  // Entry subkeys beyond the new count stay; the count alone bounds the next load.
  section.writeValue(RegistryValue("nSchedule", written));
}

void loadDialup(Configuration& config, RegistryKey& root) {
  RegistryKey section(config.store());
  openSection(section, root.handle(), "Connection");
  for (const DialupValue& value : kDialupValues) {
    if (auto flag = std::get_if<Flag Configuration::*>(&value.member)) {
      config.*(*flag) = section.readDword(value.name, value.numberDefault) != 0 ? 1 : 0;
    } else if (auto number = std::get_if<std::int32_t Configuration::*>(&value.member)) {
      config.*(*number) = section.readDword(value.name, value.numberDefault);
    } else {
      config.*std::get<std::string Configuration::*>(value.member) = section.readString(value.name, "");
    }
  }
  // Never 0 after a load; a negative value is carried as stored.
  if (config.DU_min_triger_when_active == 0) config.DU_min_triger_when_active = 1;
}

void saveDialup(const Configuration& config, RegistryKey& root) {
  RegistryKey section(config.store());
  openSection(section, root.handle(), "Connection");
  for (const DialupValue& value : kDialupValues) {
    const std::string name(value.name);
    if (auto flag = std::get_if<Flag Configuration::*>(&value.member)) {
      section.writeValue(RegistryValue(name, std::int32_t{config.*(*flag) != 0 ? 1 : 0}));
    } else if (auto number = std::get_if<std::int32_t Configuration::*>(&value.member)) {
      section.writeValue(RegistryValue(name, config.*(*number)));
    } else {
      section.writeValue(RegistryValue(name, std::string_view(config.*std::get<std::string Configuration::*>(value.member))));
    }
  }
}

}  // namespace kestrum
