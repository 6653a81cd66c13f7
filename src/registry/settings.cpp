#include "registry/settings.h"

#include "registry/registry_key.h"

namespace kestrum {
namespace {

// Opens Software\<product>\<section> read-only; false when any step is missing.
bool openForRead(RegistryKey& key, std::string_view product, std::string_view section) {
  return key.openSubkey("Software", kKeyRead) && key.openSubkey(product, kKeyRead) &&
         key.openSubkey(section, kKeyRead);
}

bool openForWrite(RegistryKey& key, std::string_view product, std::string_view section) {
  return key.openSubkey("Software", kKeyAllAccess) && key.createSubkey(product, kKeyAllAccess) &&
         key.createSubkey(section, kKeyAllAccess);
}

void writeSetting(Store& store, std::string_view product, std::string_view section,
                  const RegistryValue& value) {
  RegistryKey key(store, kHkeyLocalMachine);
  if (openForWrite(key, product, section)) key.writeValue(value);
}

}  // namespace

bool readSettingFlag(Store& store, std::string_view product, std::string_view section,
                     std::string_view name, bool defaultValue) {
  return readSettingDword(store, product, section, name, defaultValue ? 1 : 0) != 0;
}

std::int32_t readSettingDword(Store& store, std::string_view product, std::string_view section,
                              std::string_view name, std::int32_t defaultValue) {
  RegistryKey key(store, kHkeyLocalMachine);
  if (!openForRead(key, product, section)) return defaultValue;
  return key.readDword(name, defaultValue);
}

std::int32_t readSettingCount(Store& store, std::string_view product, std::string_view section,
                              std::string_view name) {
  RegistryKey key(store, kHkeyLocalMachine);
  if (!openForRead(key, product, section)) return 0;
  return key.readCount(name);
}

std::string readSettingString(Store& store, std::string_view product, std::string_view section,
                              std::string_view name, std::string_view defaultValue) {
  RegistryKey key(store, kHkeyLocalMachine);
  if (!openForRead(key, product, section)) return std::string(defaultValue);
  return key.readString(name, defaultValue);
}

void writeSettingString(Store& store, std::string_view product, std::string_view section,
                        std::string_view name, std::string_view text) {
  writeSetting(store, product, section, RegistryValue(std::string(name), text));
}

void writeSettingFlag(Store& store, std::string_view product, std::string_view section,
                      std::string_view name, std::uint8_t flag) {
  writeSetting(store, product, section,
               RegistryValue(std::string(name), static_cast<std::int32_t>(flag)));
}

void writeSettingDword(Store& store, std::string_view product, std::string_view section,
                       std::string_view name, std::int32_t number) {
  writeSetting(store, product, section, RegistryValue(std::string(name), number));
}

}  // namespace kestrum
