#include "sysinfo/system_lists.h"

#include <algorithm>
#include <string>
#include <vector>

#include "config/configuration.h"

namespace kestrum {
namespace {

constexpr std::size_t kDialupEntryCapacity = 100;

// Each byte of the address as an unsigned decimal number, joined by ".".
std::string dottedDecimal(const std::vector<std::uint8_t>& address) {
  std::string text;
  for (std::size_t i = 0; i < address.size(); ++i) {
    if (i != 0) text += '.';
    text += std::to_string(static_cast<unsigned>(address[i]));
  }
  return text;
}

}  // namespace

void writeEventLog(std::string_view /*message*/) {}

// A phonebook that does not fit into the 100 records, like any other failure
// of the enumeration, leaves the list empty rather than partly filled.
void Configuration::fillDialupEntries() {
  dialupEntries.clear();
  std::unique_ptr<DialupLibrary> library = host().loadDialupLibrary();
  if (!library) {
    if (Enable_Eventlog != 0) writeEventLog(host().loadString(kStringDialupLibraryMissing));
    return;
  }
  if (!library->hasEnumEntries()) return;

  std::vector<DialupEntryName> buffer(kDialupEntryCapacity);
  buffer[0].dwSize = sizeof(DialupEntryName);
  auto bufferBytes = static_cast<std::uint32_t>(buffer.size() * sizeof(DialupEntryName));
  std::uint32_t count = 0;
  if (library->enumEntries(buffer.data(), bufferBytes, count) != 0 || count == 0) return;
  // The count is the library's word; never read records the buffer does not hold.
  const std::size_t filled = std::min<std::size_t>(count, buffer.size());
  for (std::size_t i = 0; i < filled; ++i) {
    const char* name = buffer[i].szEntryName;
    dialupEntries.emplace_back(name, std::find(name, name + sizeof(buffer[i].szEntryName), '\0'));
  }
}

void Configuration::fillSourceAddresses() {
  sourceAddressChoices.clear();
  sourceAddressChoices.emplace_back("Default");
  sourceAddressChoices.emplace_back("Automatic");
  const std::optional<std::string> name = host().hostName();
  if (!name) return;
  const auto addresses = host().resolveHost(*name);
  if (!addresses) return;
  bool first = true;
  for (const std::vector<std::uint8_t>& address : *addresses) {
    std::string text = dottedDecimal(address);
    if (first) {
      if (defaultExternalSourceIP.empty()) defaultExternalSourceIP = text;
      if (defaultInternalSourceIP.empty()) defaultInternalSourceIP = text;
      first = false;
    }
    sourceAddressChoices.push_back(std::move(text));
  }
}

}  // namespace kestrum
