#include "filtering/filter_list.h"

#include <array>
#include <string>

#include "filtering/key_fields.h"
#include "platform/codepage.h"

namespace kestrum {
namespace {

struct ListPart {
  std::string_view name;          // subkey of the current layout
  StringList FilterList::*member;
  std::int32_t oldCode;           // IFtype of the older layout
};

// In the order the current layout is read and written.
constexpr std::array<ListPart, 6> kParts{{
    {"Sender", &FilterList::Sender, 1},
    {"Recipient", &FilterList::Recipient, 0},
    {"Subject", &FilterList::Subject, 2},
    {"Text", &FilterList::Text, 4},
    {"Attachementname", &FilterList::Attachementname, 3},
    {"Header", &FilterList::Header, 5},
}};

// The list an older-layout entry belongs to; null for an unknown code.
StringList* listForOldCode(FilterList& list, std::int32_t code) {
  for (const ListPart& part : kParts)
    if (part.oldCode == code) return &(list.*part.member);
  return nullptr;
}

// Appends `text`, trimmed and dropped when empty if `trim` says so.
void appendEntry(StringList& target, std::string text, bool trim, const CodePage& codePage) {
  if (trim) {
    text = trimMultibyte(text, codePage);
    if (text.empty()) return;
  }
  target.push_back(std::move(text));
}

void loadCurrentLayout(FilterList& list, RegistryKey& listKey, bool trim, const CodePage& codePage) {
  for (const ListPart& part : kParts) {
    RegistryKey partKey(listKey.store());
    openChild(partKey, listKey, part.name);
    const std::int32_t count = partKey.readCount("nEntries");
    for (std::int32_t k = 0; k < count; ++k)
      appendEntry(list.*part.member, partKey.readString(std::to_string(k + 1), ""), trim, codePage);
  }
}

void loadOlderLayout(FilterList& list, RegistryKey& listKey, bool trim, const CodePage& codePage) {
  const std::int32_t count = listKey.readCount("nIFs");
  for (std::int32_t i = 0; i < count; ++i) {
    RegistryKey entryKey(listKey.store());
    openChild(entryKey, listKey, std::to_string(i + 1));
    const std::int32_t code = entryKey.readDword("IFtype", 0);
    std::string text = entryKey.readString("IF_Parameter", "unknown");
    if (StringList* target = listForOldCode(list, code)) appendEntry(*target, std::move(text), trim, codePage);
  }
}

}  // namespace

void loadFilterList(FilterList& list, RegistryKey& root, std::string_view keyName,
                    TrimmedLayout trimmed, const CodePage& codePage) {
  RegistryKey listKey(root.store());
  openChild(listKey, root, keyName);
  for (const ListPart& part : kParts) (list.*part.member).clear();
  if (listKey.readDword("newFormat", 0) != 0)
    loadCurrentLayout(list, listKey, trimmed == TrimmedLayout::kCurrent, codePage);
  else
    loadOlderLayout(list, listKey, trimmed == TrimmedLayout::kOlder, codePage);
}

// The older layout's nIFs and entry subkeys are left where they are; once
// newFormat is 1 they are no longer read.
void saveFilterList(const FilterList& list, RegistryKey& root, std::string_view keyName) {
  RegistryKey listKey(root.store());
  if (!openChild(listKey, root, keyName)) return;
  for (const ListPart& part : kParts) {
    RegistryKey partKey(root.store());
    if (!openChild(partKey, listKey, part.name)) continue;
    std::int32_t k = 0;
    for (const std::string& entry : list.*part.member)
      partKey.writeValue(RegistryValue(std::to_string(++k), std::string_view(entry)));
    partKey.writeValue(RegistryValue("nEntries", k));
  }
  listKey.writeValue(RegistryValue("newFormat", 1));
}

}  // namespace kestrum
