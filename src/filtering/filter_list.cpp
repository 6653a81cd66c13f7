// Placeholder until the section is built.
#include "filtering/filter_list.h"

namespace kestrum {

void loadFilterList(FilterList& /*list*/, RegistryKey& /*root*/, std::string_view /*keyName*/, TrimmedLayout /*trimmed*/, const CodePage& /*codePage*/) {}
void saveFilterList(const FilterList& /*list*/, RegistryKey& /*root*/, std::string_view /*keyName*/) {}

}  // namespace kestrum
