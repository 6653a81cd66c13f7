// The lists the load collects from the running system (dial-up entries,
// local addresses) are Configuration::fillDialupEntries and
// Configuration::fillSourceAddresses, defined in system_lists.cpp.
#pragma once

#include <string_view>

namespace kestrum {

// The event-log writer of this program: it discards every message.
void writeEventLog(std::string_view message);

inline constexpr unsigned kStringDialupLibraryMissing = 31;

}  // namespace kestrum
