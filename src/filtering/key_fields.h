// What the walking sections (rules, conditions, filter lists) share: how a
// child key is reached, and records whose values are a table of
// (value name, member, default) read and written in table order.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "config/lists.h"
#include "registry/registry_key.h"

namespace kestrum {

// Moves `child` to the subkey `name` of the key `parent` holds, through a
// fresh handle on the parent's key and an open-or-create, both with full
// access; `parent` keeps its position. On failure `child` holds no key, so
// reads below it yield their defaults and nothing is ever written into the
// parent instead.
inline bool openChild(RegistryKey& child, const RegistryKey& parent, std::string_view name) {
  if (child.reopenFrom(parent.handle(), kKeyAllAccess) && child.createSubkey(name, kKeyAllAccess))
    return true;
  child.close();
  return false;
}

template <typename Record>
struct KeyField {
  using Member = std::variant<Flag Record::*, std::int32_t Record::*, std::string Record::*>;
  std::string_view name;
  Member member;
  std::int32_t numberDefault = 0;  // flags and numbers
  std::string_view textDefault;    // texts
};

// Flags read as 1 for any non-zero stored number.
template <typename Record>
void readFields(Record& record, RegistryKey& key, std::span<const KeyField<Record>> fields) {
  for (const KeyField<Record>& field : fields) {
    if (auto flag = std::get_if<Flag Record::*>(&field.member)) {
      record.*(*flag) = key.readDword(field.name, field.numberDefault) != 0 ? 1 : 0;
    } else if (auto number = std::get_if<std::int32_t Record::*>(&field.member)) {
      record.*(*number) = key.readDword(field.name, field.numberDefault);
    } else {
      record.*std::get<std::string Record::*>(field.member) = key.readString(field.name, field.textDefault);
    }
  }
}

// Numbers and flags (as 1 or 0) as REG_DWORD, texts as REG_SZ.
template <typename Record>
void writeFields(const Record& record, RegistryKey& key, std::span<const KeyField<Record>> fields) {
  for (const KeyField<Record>& field : fields) {
    const std::string name(field.name);
    if (auto flag = std::get_if<Flag Record::*>(&field.member)) {
      key.writeValue(RegistryValue(name, record.*(*flag) != 0 ? 1 : 0));
    } else if (auto number = std::get_if<std::int32_t Record::*>(&field.member)) {
      key.writeValue(RegistryValue(name, record.*(*number)));
    } else {
      key.writeValue(RegistryValue(name, std::string_view(record.*std::get<std::string Record::*>(field.member))));
    }
  }
}

}  // namespace kestrum
