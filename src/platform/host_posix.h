// The POSIX host: the code page chosen by KESTRUM_CODEPAGE (default 1252),
// marker files by stat() in the working directory, the dial-up entries of
// the phonebook file named by KESTRUM_PHONEBOOK (absent: no dial-up
// service), the machine's IPv4 addresses, and a built-in string table.
#pragma once

#include <memory>

#include "platform/host.h"

namespace kestrum {

std::unique_ptr<Host> makePosixHost(std::unique_ptr<CodePage> codePage);

}  // namespace kestrum
