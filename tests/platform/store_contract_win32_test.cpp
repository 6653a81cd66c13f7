// The registry store joins the store contract suite, on the real registry
// (under Wine in the test legs): each test works below a fresh scratch key of
// HKLM\SOFTWARE, deleted afterwards.
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "platform/memory_store.h"
#include "platform/reg_format.h"
#include "platform/store_win32.h"
#include "store_contract.h"

namespace kestrum::testing {
namespace {

constexpr char kContractParent[] = "SOFTWARE\\KestrumContract";

// Copies the registry key `path` (below HKEY_LOCAL_MACHINE) and its tree into
// `node`, values in the order the registry enumerates them.
void copyKey(HKEY key, RegNode& node) {
  char name[16384];
  std::vector<std::uint8_t> data;
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = sizeof name;
    DWORD type = 0;
    DWORD size = 0;
    if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
    data.assign(size + 1, 0);
    nameLength = sizeof name;
    DWORD got = size;
    if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data.data(), &got) != ERROR_SUCCESS) break;
    node.setValue(std::string(name, nameLength), type, std::string(data.begin(), data.begin() + got));
  }
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = sizeof name;
    if (RegEnumKeyExA(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY child = nullptr;
    if (RegOpenKeyExA(key, name, 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
    copyKey(child, node.childOrCreate(std::string(name, nameLength)));
    RegCloseKey(child);
  }
}

// The REGEDIT4 text of the key `path` with its ancestors and tree.
std::string exportKey(const std::string& path) {
  RegTree tree;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
    RegNode* node = &tree.localMachine();
    for (std::size_t start = 0;;) {
      const std::size_t end = path.find('\\', start);
      node = &node->childOrCreate(path.substr(start, end - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
    copyKey(key, *node);
    RegCloseKey(key);
  }
  return formatRegFile(tree);
}

StoreSubject registrySubject() {
  static std::atomic<int> counter{0};
  const std::string base = std::string(kContractParent) + "\\" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(++counter);
  RegistryStoreOptions options;
  options.runMutexName = "Local\\kestrum_contract_" + std::to_string(GetCurrentProcessId());
  StoreSubject subject;
  subject.store = openRegistryStore(options);
  subject.base = base;
  subject.exportText = [base] { return exportKey(base); };
  subject.cleanup = [base] {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, base.c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kContractParent);
  };
  return subject;
}

}  // namespace
}  // namespace kestrum::testing

KESTRUM_STORE_CONTRACT(Registry, kestrum::testing::StoreFactory{"Registry", kestrum::testing::registrySubject})
