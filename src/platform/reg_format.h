// The registry image file format: .reg text to a tree and back, lossless.
// Reads what Windows writes (REGEDIT4 in the ANSI code page, or "Windows
// Registry Editor Version 5.00" in UTF-16LE with a byte-order mark); writes
// REGEDIT4 exactly in the layout regedit uses, CRLF line ends.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
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
// returns false and fills `error`; `tree` is then unspecified. Quoted names
// and texts know the escapes \\ \" \n \r; any other backslash sequence, and
// anything else the format does not define, is an error rather than a guess.
// Blanks (space, tab) may stand at the start and end of a line and around
// the = of a value. Messages never quote the file's contents.
bool parseRegFile(std::string_view bytes, const CodePage& codePage, RegTree& tree,
                  RegParseError& error);

// Where the parser below takes an image's bytes from: fills up to `size`
// bytes at `buffer` and returns how many, 0 at the end of the image, or a
// negative number when reading failed.
using RegByteSource = std::function<std::ptrdiff_t(char* buffer, std::size_t size)>;

// As above, for an image read in pieces through `source`, so that a large
// image is never held whole beside the tree built from it. When the source
// fails the result is false and the error says only that the image could
// not be read; the caller, who knows why, reports that instead.
bool parseRegFile(const RegByteSource& source, const CodePage& codePage, RegTree& tree,
                  RegParseError& error);

// The REGEDIT4 text of the whole tree: header, then every key below every
// root in the registry's order, each followed by its values. With a
// double-byte `codePage` a second byte that looks like \ or " is left as it
// is, and names count in characters where long hex data wraps (null: every
// byte is a character of its own).
std::string formatRegFile(const RegTree& tree, const CodePage* codePage = nullptr);

// The same text handed to `sink` in pieces of about a megabyte, so that a
// large image is never held twice. Stops, returning false, when `sink` does.
bool formatRegFile(const RegTree& tree, const CodePage& codePage,
                   const std::function<bool(std::string_view)>& sink);

// The path (root first) of the first key whose own name or one of whose value
// names the format cannot carry (an empty key name; a zero, CR, LF or
// backslash in a key name; a zero in a value name; deeper than the registry
// allows), or nothing when the whole tree can be written and read back as it is.
// Names are walked as text of `codePage`, the one the tree is written in: a
// second byte that looks like a backslash belongs to its character, and a
// name that ends in a first byte cannot be written (null: every byte is a
// character of its own).
std::optional<std::string> findUnwritableKey(const RegTree& tree, const CodePage* codePage = nullptr);

}  // namespace kestrum
