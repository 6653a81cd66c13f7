// The system's ANSI code page, as far as the logic needs it: which bytes lead
// a double-byte character, which single-byte characters are white space, and
// the multibyte-aware lower-casing used for mail domains.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kestrum {

class CodePage {
 public:
  virtual ~CodePage() = default;

  // The Windows code page number (1252, 932, ...).
  virtual unsigned id() const = 0;
  virtual bool isLeadByte(unsigned char byte) const = 0;
  // Lower-cases single-byte letters; both bytes of a double-byte character
  // are copied unchanged.
  virtual std::string toLower(std::string_view text) const = 0;
};

// The six single-byte white-space characters: blank and tab to carriage return.
inline bool isAnsiSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Removes white space at the end, then at the start, walking the text as
// multibyte text of `codePage` so that a trail byte is never taken for white
// space. White space inside the text stays.
std::string trimMultibyte(std::string_view text, const CodePage& codePage);

// A code page from its number: 1252 and the double-byte pages 932, 936, 949
// and 950 (lead-byte ranges and single-byte lower-casing built in). Null for
// any other number.
std::unique_ptr<CodePage> makeCodePage(unsigned id);

}  // namespace kestrum

namespace kestrum {

// Converts UTF-16LE text to the given ANSI code page, exactly: nothing when a
// character has no representation there (never a silent '?'). Implemented by
// the platform (iconv on POSIX, the Windows API on Windows).
std::optional<std::string> utf16ToCodePage(std::u16string_view text, unsigned codePageId);

}  // namespace kestrum
