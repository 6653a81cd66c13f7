// The settings sections of schedule.h, header_checks.h, antivirus_send.h,
// advanced.h and marker_options.h run on their own, in the places the load
// and save sequences give them, on a tree walked to SOFTWARE\Kestrum.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "config/advanced.h"
#include "config/antivirus_send.h"
#include "config/configuration.h"
#include "config/header_checks.h"
#include "config/marker_options.h"
#include "config/schedule.h"
#include "filtering/section_tree.h"
#include "support/fixtures.h"

namespace kestrum::testing {

inline void loadSections(Configuration& config, RegistryKey& root, std::string_view rootName = kProductRoot) {
  loadSchedule(config, root);
  loadDialup(config, root);
  loadMaxLogfileLength(config, root);
  loadHeaderChecks(config, rootName);
  loadAntivirus(config, rootName);
  loadSend(config, rootName);
  loadProxies(config, rootName);
  loadAdvancedFirst(config, rootName);
  loadExchangedDomains(config, rootName);
  loadLogOptions(config, rootName);
  loadAdvancedSecond(config, rootName);
  loadErrorReactions(config, rootName);
  loadRerouteTag(config, rootName);
  loadArchive(config, rootName);
  loadAdvancedThird(config, rootName);
  loadTarvos(config, rootName);
  loadHollowmere(config, rootName);
}

inline void saveSections(const Configuration& config, RegistryKey& root,
                         std::string_view rootName = kProductRoot) {
  saveSchedule(config, root);
  saveDialup(config, root);
  saveMaxLogfileLength(config, root);
  saveHeaderChecks(config, rootName);
  saveAntivirus(config, rootName);
  saveSend(config, rootName);
  saveProxies(config, rootName);
  saveAdvancedFirst(config, rootName);
  saveExchangedDomains(config, rootName);
  saveAdvancedSecond(config, rootName);
  saveErrorReactions(config, rootName);
  saveLogOptions(config, rootName);
  saveRerouteTag(config, rootName);
  saveArchive(config, rootName);
  saveAdvancedThird(config, rootName);
  saveTarvos(config, rootName);
  saveHollowmere(config, rootName);
}

// A stored value of the product tree, or nothing when it is missing.
struct StoredValue {
  std::uint32_t type = 0;
  std::string data;
};
inline std::optional<StoredValue> storedValue(const MemoryStore& store, std::string_view key,
                                              std::string_view name) {
  const RegNode* node = findKey(store, "SOFTWARE\\Kestrum\\" + std::string(key));
  const RegValue* value = node == nullptr ? nullptr : node->value(name);
  if (value == nullptr) return std::nullopt;
  return StoredValue{value->type, value->data};
}

// A REG_DWORD's number; nothing when the value is missing or of another type.
inline std::optional<std::uint32_t> storedDword(const MemoryStore& store, std::string_view key,
                                                std::string_view name) {
  auto value = storedValue(store, key, name);
  if (!value || value->type != kRegDword || value->data.size() != 4) return std::nullopt;
  std::uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits |= std::uint32_t(std::uint8_t(value->data[i])) << (8 * i);
  return bits;
}

}  // namespace kestrum::testing
