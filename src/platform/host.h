// What the program needs of the machine it runs on besides the registry:
// the ANSI code page, the marker-file test, the dial-up phonebook, the local
// host's addresses and the program's string table. main() creates the one
// Host of the platform and passes it down; tests pass a fake.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"

namespace kestrum {

// The dial-up service's entry-name record in its 532-byte form: a 32-bit
// size, 257 name characters, a 32-bit flags field and 261 phonebook path
// characters, the 32-bit fields on 4-byte boundaries.
struct DialupEntryName {
  std::uint32_t dwSize;
  char szEntryName[257];
  std::uint32_t dwFlags;
  char szPhonebook[261];
};
static_assert(sizeof(DialupEntryName) == 532, "entry-name record must be 532 bytes");

inline constexpr std::uint32_t kDialupBufferTooSmall = 603;

// The bound dial-up library. Destroying it releases the library.
class DialupLibrary {
 public:
  virtual ~DialupLibrary() = default;
  // Whether the library exports the entry enumeration.
  virtual bool hasEnumEntries() const = 0;
  // Fills `entries` (`bufferBytes` bytes, the first record's dwSize set by the
  // caller) with the default phonebook's entries; sets `count`. Returns 0 on
  // success, kDialupBufferTooSmall (with `bufferBytes` set to the size needed)
  // when the records do not fit, another code for other failures.
  virtual std::uint32_t enumEntries(DialupEntryName* entries, std::uint32_t& bufferBytes,
                                    std::uint32_t& count) = 0;
};

class Host {
 public:
  virtual ~Host() = default;

  virtual const CodePage& codePage() const = 0;

  // Whether the current working directory holds an entry of this bare name
  // (a folder counts). Any failure of the test counts as not found.
  virtual bool entryExists(std::string_view name) const = 0;

  // Binds the dial-up library; null when it cannot be loaded.
  virtual std::unique_ptr<DialupLibrary> loadDialupLibrary() = 0;

  // The local host name, or nothing when it cannot be had.
  virtual std::optional<std::string> hostName() = 0;
  // The addresses the name resolves to, each as its raw bytes (4 for IPv4),
  // in the resolver's order; nothing when the lookup fails.
  virtual std::optional<std::vector<std::vector<std::uint8_t>>> resolveHost(
      const std::string& name) = 0;

  // Entry `id` of the program's string table ("" when absent).
  virtual std::string loadString(unsigned id) = 0;
};

}  // namespace kestrum
