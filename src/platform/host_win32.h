// The Windows host: the system's ANSI code page, marker files by
// GetFileAttributesA in the working directory, the dial-up library bound at
// run time, Windows Sockets for the host's addresses, and the program's own
// string table.
#pragma once

#include <memory>

#include "platform/host.h"

namespace kestrum {

// Starts Windows Sockets (stopped again when the host is destroyed) and
// reads the code page. Null when either fails.
std::unique_ptr<Host> makeWin32Host();

}  // namespace kestrum
