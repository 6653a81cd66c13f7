// A handle on one open registry key with typed reads that fall back to the
// caller's default and typed writes through RegistryValue. Reads never fail;
// a key that cannot be reached makes reads yield defaults and writes fail.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/store.h"

namespace kestrum {

// The largest count of entries a load accepts.
inline constexpr std::int32_t kMaxCount = 1000000;

class RegistryValue {
 public:
  // REG_DWORD: the four bytes of `number`, least significant first.
  RegistryValue(std::string name, std::int32_t number);
  // REG_SZ: the text's bytes and one terminating zero, which `length` counts.
  RegistryValue(std::string name, std::string_view text);
  // A queried value: the bytes are copied; REG_SZ data gets one zero appended
  // behind the copy (counted in `length`), so string data always ends in one.
  RegistryValue(std::string name, const std::uint8_t* bytes, std::uint32_t count,
                std::uint32_t type);
  virtual ~RegistryValue() = default;

  std::string name;
  std::vector<std::uint8_t> data;
  std::uint32_t length = 0;
  std::uint32_t type = kRegNone;
};

class RegistryKey {
 public:
  // Takes over `handle` (typically kHkeyLocalMachine) without opening anything.
  RegistryKey(Store& store, KeyHandle handle) : store_(&store), handle_(handle) {}
  // Holds no key.
  explicit RegistryKey(Store& store) : store_(&store) {}
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  virtual ~RegistryKey();

  // The value's record, owned by the caller, or null when it cannot be read.
  virtual std::unique_ptr<RegistryValue> queryValue(std::string_view name);
  // A REG_SZ value's text up to its first zero byte; "" for any other type;
  // `defaultValue` when the value cannot be read.
  virtual std::string readString(std::string_view name, std::string_view defaultValue);
  // The first four data bytes as a little-endian number, whatever the type;
  // a value shorter than four bytes is zero-extended.
  virtual std::int32_t readDword(std::string_view name, std::int32_t defaultValue);
  // A count of keys or values to read below (nPOP3, nRules, ...), 0 when
  // missing. A count above kMaxCount is refused in the store (the run then
  // fails and writes nothing) and reads as 0, so that no load builds that
  // many entries.
  std::int32_t readCount(std::string_view name);
  virtual bool writeValue(const RegistryValue& value);
  // Opens or creates the subkey and moves there. On failure the held key is
  // kept and the result is false.
  virtual bool createSubkey(std::string_view name, std::uint32_t access);

  // As createSubkey, but never creates.
  bool openSubkey(std::string_view name, std::uint32_t access);
  // Closes the held key first, then holds a new handle on the key `other`
  // denotes. On failure the object holds no key.
  bool reopenFrom(KeyHandle other, std::uint32_t access);
  void close();
  KeyHandle handle() const { return handle_; }
  // The store this key lives in, for a second walk started with reopenFrom.
  Store& store() const { return *store_; }

 private:
  Store* store_;
  KeyHandle handle_ = kNoKey;
  void replaceHandle(KeyHandle next);
};

}  // namespace kestrum
