// The Windows store: the real registry through the five advapi32 calls, and
// a machine-wide named mutex that serialises whole runs. The program is
// 32-bit, so it sees the same (32-bit) registry view as the connector service.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/store.h"

namespace kestrum {

inline constexpr char kRunMutexName[] = "Global\\kestrum_addaccount";
inline constexpr std::chrono::milliseconds kRunLockTimeout{30000};

struct RegistryStoreOptions {
  // A key below HKEY_LOCAL_MACHINE that stands in for it (created when
  // absent), so that tests never touch the real product trees. Empty: the
  // store works on HKEY_LOCAL_MACHINE itself.
  std::string rootKey;
  std::string runMutexName = kRunMutexName;
  std::chrono::milliseconds lockTimeout = kRunLockTimeout;
};

// Takes the run mutex, then serves the registry. Never null: when the mutex
// cannot be had (another run holds it past the time-out) or the stand-in root
// cannot be opened, firstFailure() says why and the store is never used.
// Every failed create or set is recorded with the key's path and the
// system's error text; the mutex is released when the store is destroyed.
std::unique_ptr<Store> openRegistryStore(const RegistryStoreOptions& options = {});

}  // namespace kestrum
