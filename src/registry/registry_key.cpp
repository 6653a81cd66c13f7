#include "registry/registry_key.h"

#include <cstring>

namespace kestrum {

RegistryValue::RegistryValue(std::string valueName, std::int32_t number)
    : name(std::move(valueName)), data(4), length(4), type(kRegDword) {
  const auto bits = static_cast<std::uint32_t>(number);
  for (int i = 0; i < 4; ++i) data[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

RegistryValue::RegistryValue(std::string valueName, std::string_view text)
    : name(std::move(valueName)),
      data(text.size() + 1),
      length(static_cast<std::uint32_t>(text.size() + 1)),
      type(kRegSz) {
  std::memcpy(data.data(), text.data(), text.size());
}

RegistryValue::RegistryValue(std::string valueName, const std::uint8_t* bytes,
                             std::uint32_t count, std::uint32_t valueType)
    : name(std::move(valueName)),
      data(std::size_t{count} + (valueType == kRegSz ? 1 : 0)),
      length(static_cast<std::uint32_t>(data.size())),
      type(valueType) {
  if (count != 0) std::memcpy(data.data(), bytes, count);
}

RegistryKey::~RegistryKey() { close(); }

void RegistryKey::replaceHandle(KeyHandle next) {
  store_->closeKey(handle_);
  handle_ = next;
}

std::unique_ptr<RegistryValue> RegistryKey::queryValue(std::string_view name) {
  if (handle_ == kNoKey) return nullptr;
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (!store_->queryValue(handle_, name, type, nullptr, size)) return nullptr;
  // Most values are a number or a short text: those need no buffer on the heap.
  std::uint8_t small[256];
  std::vector<std::uint8_t> large(size > sizeof small ? size : 0);
  std::uint8_t* buffer = size > sizeof small ? large.data() : small;
  std::uint32_t got = size;
  if (!store_->queryValue(handle_, name, type, buffer, got)) return nullptr;
  return std::make_unique<RegistryValue>(std::string(name), buffer, got, type);
}

std::string RegistryKey::readString(std::string_view name, std::string_view defaultValue) {
  auto value = queryValue(name);
  if (!value) return std::string(defaultValue);
  if (value->type != kRegSz) return std::string();
  const char* text = reinterpret_cast<const char*>(value->data.data());
  return std::string(text, strnlen(text, value->length));
}

std::int32_t RegistryKey::readDword(std::string_view name, std::int32_t defaultValue) {
  auto value = queryValue(name);
  if (!value) return defaultValue;
  std::uint32_t bits = 0;
  for (std::uint32_t i = 0; i < 4 && i < value->length; ++i)
    bits |= static_cast<std::uint32_t>(value->data[i]) << (8 * i);
  return static_cast<std::int32_t>(bits);
}

std::int32_t RegistryKey::readCount(std::string_view name) {
  const std::int32_t count = readDword(name, 0);
  if (count <= kMaxCount) return count;
  store_->refuseValue(handle_, name, "the count " + std::to_string(count) + " is above the limit of " +
                                         std::to_string(kMaxCount));
  return 0;
}

bool RegistryKey::writeValue(const RegistryValue& value) {
  if (handle_ == kNoKey) return false;
  return store_->setValue(handle_, value.name, value.type, value.data.data(), value.length);
}

bool RegistryKey::createSubkey(std::string_view name, std::uint32_t access) {
  if (handle_ == kNoKey) return false;
  KeyHandle next = kNoKey;
  if (!store_->createKey(handle_, name, access, next)) return false;
  replaceHandle(next);
  return true;
}

bool RegistryKey::openSubkey(std::string_view name, std::uint32_t access) {
  if (handle_ == kNoKey) return false;
  KeyHandle next = kNoKey;
  if (!store_->openKey(handle_, name, access, next)) return false;
  replaceHandle(next);
  return true;
}

bool RegistryKey::reopenFrom(KeyHandle other, std::uint32_t access) {
  close();
  if (other == kNoKey) return false;
  KeyHandle next = kNoKey;
  if (!store_->openKey(other, "", access, next)) return false;
  handle_ = next;
  return true;
}

void RegistryKey::close() {
  store_->closeKey(handle_);
  handle_ = kNoKey;
}

}  // namespace kestrum
