#include <windows.h>

#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/store_win32.h"

namespace kestrum {
namespace {

constexpr char kLocalMachineName[] = "HKEY_LOCAL_MACHINE";

// The system's text for an error code, without the line end it carries.
std::string errorText(DWORD code) {
  char* buffer = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text;
  if (length != 0 && buffer != nullptr) text.assign(buffer, length);
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' ||
                           text.back() == '.'))
    text.pop_back();
  if (text.empty()) text = "error " + std::to_string(code);
  return text;
}

// Owns a kernel handle (the run mutex).
class KernelHandle {
 public:
  KernelHandle() = default;
  explicit KernelHandle(HANDLE handle) : handle_(handle) {}
  ~KernelHandle() { reset(nullptr); }
  KernelHandle(const KernelHandle&) = delete;
  KernelHandle& operator=(const KernelHandle&) = delete;
  HANDLE get() const { return handle_; }
  void reset(HANDLE handle) {
    if (handle_ != nullptr) CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

// Owns the run mutex once the wait for it succeeded; releases it on
// destruction (on the thread that took it, which is the only thread).
class RunLock {
 public:
  RunLock() = default;
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;
  ~RunLock() {
    if (owned_) ReleaseMutex(mutex_.get());
  }

  // Empty on success, else why the lock could not be had.
  std::string acquire(const std::string& name, std::chrono::milliseconds timeout) {
    HANDLE created = CreateMutexA(nullptr, FALSE, name.c_str());
    if (created == nullptr) return "cannot create the run lock " + name + ": " + errorText(GetLastError());
    mutex_.reset(created);
    const DWORD waited = WaitForSingleObject(created, static_cast<DWORD>(timeout.count()));
    // An abandoned mutex means a run died while holding it; its registry
    // writes are as far as it got, and this run may go on.
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
      owned_ = true;
      return {};
    }
    if (waited == WAIT_TIMEOUT) {
      const auto seconds = std::chrono::duration_cast<std::chrono::duration<double>>(timeout).count();
      char shown[32];
      std::snprintf(shown, sizeof shown, "%g", seconds);
      return "another run holds the run lock " + name + " (waited " + shown + " s)";
    }
    return "cannot wait for the run lock " + name + ": " + errorText(GetLastError());
  }

 private:
  KernelHandle mutex_;
  bool owned_ = false;
};

class RegistryStore : public Store {
 public:
  explicit RegistryStore(const RegistryStoreOptions& options) {
    if (std::string why = runLock_.acquire(options.runMutexName, options.lockTimeout); !why.empty()) {
      failure_ = StoreFailure{"registry", std::move(why)};
      return;
    }
    if (!options.rootKey.empty()) {
      rootPath_ += "\\" + options.rootKey;
      HKEY opened = nullptr;
      const LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, options.rootKey.c_str(), 0, nullptr,
                                          REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &opened,
                                          nullptr);
      if (result != ERROR_SUCCESS) {
        failure_ = StoreFailure{rootPath_, errorText(static_cast<DWORD>(result))};
        return;
      }
      root_ = opened;
      ownsRoot_ = true;
    }
    usable_ = true;
  }

  ~RegistryStore() override {
    for (const auto& entry : paths_) RegCloseKey(reinterpret_cast<HKEY>(entry.first));
    if (ownsRoot_) RegCloseKey(root_);
  }

  RegistryStore(const RegistryStore&) = delete;
  RegistryStore& operator=(const RegistryStore&) = delete;

  bool openKey(KeyHandle parent, std::string_view subKey, std::uint32_t access,
               KeyHandle& result) override {
    HKEY parentKey = nullptr;
    if (!resolve(parent, parentKey)) return false;
    const std::string name(subKey);
    HKEY opened = nullptr;
    if (RegOpenKeyExA(parentKey, name.c_str(), 0, access, &opened) != ERROR_SUCCESS) return false;
    result = issue(opened, pathOf(parent, name));
    return true;
  }

  bool createKey(KeyHandle parent, std::string_view subKey, std::uint32_t access,
                 KeyHandle& result) override {
    const std::string name(subKey);
    HKEY parentKey = nullptr;
    if (!resolve(parent, parentKey)) {
      record(kLocalMachineName + std::string("\\...\\") + name, "the parent key is not open");
      return false;
    }
    HKEY opened = nullptr;
    const LONG status = RegCreateKeyExA(parentKey, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        access, nullptr, &opened, nullptr);
    if (status != ERROR_SUCCESS) {
      record(pathOf(parent, name), errorText(static_cast<DWORD>(status)));
      return false;
    }
    result = issue(opened, pathOf(parent, name));
    return true;
  }

  bool queryValue(KeyHandle key, std::string_view name, std::uint32_t& type, std::uint8_t* data,
                  std::uint32_t& size) override {
    HKEY hkey = nullptr;
    if (!resolve(key, hkey)) return false;
    const std::string valueName(name);
    DWORD gotType = 0;
    if (data == nullptr) {
      DWORD needed = 0;
      if (RegQueryValueExA(hkey, valueName.c_str(), nullptr, &gotType, nullptr, &needed) != ERROR_SUCCESS)
        return false;
      type = gotType;
      size = needed;
      return true;
    }
    // Read into a buffer of our own: the registry leaves the caller's buffer
    // undefined when the data does not fit, and the contract keeps it intact.
    // A value that grew since its size was asked for does not fit.
    std::vector<std::uint8_t> buffer(size == 0 ? 1 : size);
    DWORD got = size;
    if (RegQueryValueExA(hkey, valueName.c_str(), nullptr, &gotType, buffer.data(), &got) != ERROR_SUCCESS)
      return false;
    if (got > size) return false;
    std::memcpy(data, buffer.data(), got);
    type = gotType;
    size = got;
    return true;
  }

  bool setValue(KeyHandle key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                std::uint32_t size) override {
    const std::string valueName(name);
    HKEY hkey = nullptr;
    if (!resolve(key, hkey)) {
      record(kLocalMachineName + std::string("\\...") + " value \"" + valueName + "\"", "the key is not open");
      return false;
    }
    const LONG status = RegSetValueExA(hkey, valueName.c_str(), 0, type, data, size);
    if (status != ERROR_SUCCESS) {
      record(pathOf(key, "") + " value \"" + valueName + "\"", errorText(static_cast<DWORD>(status)));
      return false;
    }
    return true;
  }

  void closeKey(KeyHandle key) override {
    const auto found = paths_.find(key);
    if (found == paths_.end()) return;  // the root, kNoKey, or not ours
    RegCloseKey(reinterpret_cast<HKEY>(key));
    paths_.erase(found);
  }

  std::optional<StoreFailure> firstFailure() const override { return failure_; }
  void refuseValue(KeyHandle key, std::string_view name, std::string why) override {
    record(pathOf(key, "") + " value \"" + std::string(name) + "\"", std::move(why));
  }

 private:
  RunLock runLock_;
  bool usable_ = false;  // the run lock is held and the root is open
  HKEY root_ = HKEY_LOCAL_MACHINE;
  bool ownsRoot_ = false;
  std::string rootPath_ = kLocalMachineName;
  // Every open handle with the path it was opened by, for messages.
  std::unordered_map<KeyHandle, std::string> paths_;
  std::optional<StoreFailure> failure_;

  // kHkeyLocalMachine is HKEY_LOCAL_MACHINE's 32-bit value; a 64-bit
  // build's predefined handle is its sign extension, so it is mapped, not cast.
  bool resolve(KeyHandle key, HKEY& result) const {
    if (!usable_) return false;
    if (key == kHkeyLocalMachine) {
      result = root_;
      return true;
    }
    if (paths_.count(key) == 0) return false;
    result = reinterpret_cast<HKEY>(key);
    return true;
  }

  KeyHandle issue(HKEY opened, std::string path) {
    // Opening the predefined root by an empty name hands back the root itself.
    if (opened == HKEY_LOCAL_MACHINE) return kHkeyLocalMachine;
    const auto handle = reinterpret_cast<KeyHandle>(opened);
    paths_[handle] = std::move(path);
    return handle;
  }

  std::string pathOf(KeyHandle key, const std::string& subKey) const {
    std::string path = rootPath_;
    if (const auto found = paths_.find(key); found != paths_.end()) path = found->second;
    if (!subKey.empty()) path += "\\" + subKey;
    return path;
  }

  void record(std::string what, std::string why) {
    if (!failure_) failure_ = StoreFailure{std::move(what), std::move(why)};
  }
};

}  // namespace

std::unique_ptr<Store> openRegistryStore(const RegistryStoreOptions& options) {
  return std::make_unique<RegistryStore>(options);
}

}  // namespace kestrum
