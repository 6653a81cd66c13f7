// One-shot access to a single value of
// HKEY_LOCAL_MACHINE\Software\<product>\<section>: each call walks the whole
// path, does its one read or write and
// closes everything again. Reads never create keys and yield the default on
// any failure; writes create missing keys and are never redirected to a key
// higher up the path.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/store.h"

namespace kestrum {

bool readSettingFlag(Store& store, std::string_view product, std::string_view section,
                     std::string_view name, bool defaultValue);
std::int32_t readSettingDword(Store& store, std::string_view product, std::string_view section,
                              std::string_view name, std::int32_t defaultValue);
// As RegistryKey::readCount, in a section.
std::int32_t readSettingCount(Store& store, std::string_view product, std::string_view section,
                              std::string_view name);
std::string readSettingString(Store& store, std::string_view product, std::string_view section,
                              std::string_view name, std::string_view defaultValue);

void writeSettingString(Store& store, std::string_view product, std::string_view section,
                        std::string_view name, std::string_view text);
// `flag` (a byte holding 0 or 1) is stored widened to a REG_DWORD.
void writeSettingFlag(Store& store, std::string_view product, std::string_view section,
                      std::string_view name, std::uint8_t flag);
void writeSettingDword(Store& store, std::string_view product, std::string_view section,
                       std::string_view name, std::int32_t number);

}  // namespace kestrum
