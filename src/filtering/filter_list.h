// The whitelist and the blacklist: six text lists each, read from either
// storage layout and always written in the current one.
#pragma once

#include <string_view>

#include "config/lists.h"

namespace kestrum {

class CodePage;
class RegistryKey;

struct FilterList {
  StringList Sender;
  StringList Recipient;
  StringList Subject;
  StringList Text;
  StringList Attachementname;
  StringList Header;
};

// Which layout's entries are trimmed (and dropped when empty) on load.
enum class TrimmedLayout { kCurrent, kOlder };

void loadFilterList(FilterList& list, RegistryKey& root, std::string_view keyName,
                    TrimmedLayout trimmed, const CodePage& codePage);
void saveFilterList(const FilterList& list, RegistryKey& root, std::string_view keyName);

}  // namespace kestrum
