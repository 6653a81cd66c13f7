// The registry image file format: .reg text to a tree and back, lossless.
// Reads what Windows writes (REGEDIT4 in the ANSI code page, or "Windows
// Registry Editor Version 5.00" in UTF-16LE with a byte-order mark); writes
// REGEDIT4 exactly in the layout regedit uses, CRLF line ends.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/memory_store.h"

namespace kestrum {

struct RegParseError {
  std::size_t line = 0;  // 1-based line of the file where reading stopped
  std::string message;
};

// Parses a whole image file into `tree` (which starts empty). On failure
// returns false and fills `error`; `tree` is then unspecified.
bool parseRegFile(std::string_view bytes, const CodePage& codePage, RegTree& tree,
                  RegParseError& error);

// The REGEDIT4 text of the whole tree: header, then every key below every
// root in the registry's order, each followed by its values.
std::string formatRegFile(const RegTree& tree);

}  // namespace kestrum
