// Placeholder until the section is built.
#include "sysinfo/system_lists.h"

#include "config/configuration.h"

namespace kestrum {

void writeEventLog(std::string_view /*message*/) {}
void Configuration::fillSourceAddresses() {}
void Configuration::fillDialupEntries() {}

}  // namespace kestrum
