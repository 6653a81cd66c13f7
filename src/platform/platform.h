// The platform's start-up: what main() asks of the machine before the run.
// Implemented once per platform (platform_posix.cpp, platform_win32.cpp).
#pragma once

#include <memory>

#include "platform/host.h"
#include "platform/store.h"

namespace kestrum {

// The start-up initialisation of the program (code page, locale, socket
// library, ...). Null when it fails: the program then exits with status 99
// and prints nothing.
std::unique_ptr<Host> startPlatform();

// Opens the platform's registry for one run, serialised against other runs.
// Never null: a store that could not be opened reports why through
// firstFailure() and writes nothing on commit().
std::unique_ptr<Store> openPlatformStore(const Host& host);

}  // namespace kestrum
