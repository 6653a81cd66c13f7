// Registry images of a connector with `accounts` mailbox accounts and, in
// proportion, local domains, rules with conditions, filter-list entries,
// blocklist servers, schedule entries and exchanged domains, beside keys of
// other programs under other paths and roots. The configuration is already
// in the current format, as after many runs. The same count always gives the
// same bytes.
#pragma once

#include <cstddef>
#include <string>

#include "platform/memory_store.h"

namespace kestrum::bench {

RegTree generateTree(std::size_t accounts);

// The image file's bytes (REGEDIT4, CRLF) of generateTree(accounts).
std::string generateImage(std::size_t accounts);

}  // namespace kestrum::bench
