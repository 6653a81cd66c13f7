// The registry store: the five operations the configuration logic needs of a
// registry. Every backend (memory tree, image file, the Windows registry)
// implements this interface and passes the same contract test suite.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrum {

// An open key. 0 is "no key". Handle values are the store's business except
// for the predefined root below, which never needs closing.
using KeyHandle = std::uintptr_t;
inline constexpr KeyHandle kNoKey = 0;
inline constexpr KeyHandle kHkeyLocalMachine = 0x80000002u;

// Access masks, as the registry defines them.
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x0004;

// Registry value types.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

// A write-side operation that did not happen, for the one line the program
// prints before it exits with status 3. `what` names the key or file,
// `why` the cause. Never holds value data (passwords stay out of messages).
struct StoreFailure {
  std::string what;
  std::string why;
};

class Store {
 public:
  virtual ~Store() = default;

  // Opens the existing subkey `subKey` of `parent`; an empty name opens a new,
  // independent handle on `parent` itself. Never creates. Names are compared
  // case-insensitively; backslashes separate path steps.
  virtual bool openKey(KeyHandle parent, std::string_view subKey,
                       std::uint32_t access, KeyHandle& result) = 0;

  // Opens `subKey` of `parent`, creating it (and missing steps of the path)
  // when absent. A created key keeps the case it is created with.
  virtual bool createKey(KeyHandle parent, std::string_view subKey,
                         std::uint32_t access, KeyHandle& result) = 0;

  // With `data` null: sets `type` and `size` to the value's type and byte
  // count. With `data`: copies the bytes when `size` is large enough, sets
  // `type` and `size`, and fails (leaving the buffer alone) when it is not.
  // Fails for a missing value or an invalid handle.
  virtual bool queryValue(KeyHandle key, std::string_view name,
                          std::uint32_t& type, std::uint8_t* data,
                          std::uint32_t& size) = 0;

  // Stores the value, replacing one of the same name (whose original name
  // case is kept) or appending a new one behind the key's existing values.
  virtual bool setValue(KeyHandle key, std::string_view name,
                        std::uint32_t type, const std::uint8_t* data,
                        std::uint32_t size) = 0;

  // Releases a handle; the predefined root and kNoKey are ignored.
  virtual void closeKey(KeyHandle key) = 0;

  // The first write-side operation that failed since the store was opened,
  // or the failure that kept the store from opening at all.
  virtual std::optional<StoreFailure> firstFailure() const = 0;

  // Records that the logic refused the value `name` of the open `key` (a
  // count no configuration could hold), naming both; firstFailure() reports
  // it and commit() writes nothing from then on.
  virtual void refuseValue(KeyHandle key, std::string_view name, std::string why) = 0;

  // Makes every write durable (the image file is replaced once, here).
  // Returns false, and records the failure, when that did not happen.
  // Stores without a persistent form have nothing to do.
  virtual bool commit() { return !firstFailure().has_value(); }
};

}  // namespace kestrum
