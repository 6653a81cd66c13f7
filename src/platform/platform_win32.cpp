#include <windows.h>

#include "platform/host_win32.h"
#include "platform/platform.h"
#include "platform/store_win32.h"

namespace kestrum {

std::unique_ptr<Host> startPlatform() {
  // The console program's module instance and command line, which the
  // start-up code has already split into the arguments main() receives.
  if (GetModuleHandleA(nullptr) == nullptr || GetCommandLineA() == nullptr) return nullptr;
  return makeWin32Host();
}

std::unique_ptr<Store> openPlatformStore(const Host& /*host*/) { return openRegistryStore(); }

}  // namespace kestrum
