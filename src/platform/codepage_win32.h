// The running system's ANSI code page, as the Windows API describes it.
#pragma once

#include <memory>

#include "platform/codepage.h"

namespace kestrum {

// Lead bytes and single-byte lower case of the system's ANSI code page
// (GetACP), read from the system once. Null when the system cannot tell.
std::unique_ptr<CodePage> makeSystemCodePage();

}  // namespace kestrum
