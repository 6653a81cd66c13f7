#include <windows.h>

#include "platform/codepage_win32.h"

namespace kestrum {
namespace {

// Tables filled from the system at construction, so that the per-byte
// questions of the logic cost no system call.
class SystemCodePage : public CodePage {
 public:
  explicit SystemCodePage(unsigned id) : id_(id) {
    for (unsigned c = 0; c < 256; ++c) {
      const auto byte = static_cast<BYTE>(c);
      lead_[c] = IsDBCSLeadByteEx(id, byte) != FALSE;
      char single = static_cast<char>(byte);
      // Only a character that stands alone is lower-cased; a lead byte is
      // half of a double-byte character and is never passed on its own.
      if (!lead_[c] && c != 0) CharLowerBuffA(&single, 1);
      lower_[c] = static_cast<unsigned char>(single);
    }
  }

  unsigned id() const override { return id_; }
  bool isLeadByte(unsigned char byte) const override { return lead_[byte]; }

  std::string toLower(std::string_view text) const override {
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
      const auto c = static_cast<unsigned char>(out[i]);
      if (lead_[c] && i + 1 < out.size()) {
        ++i;  // the trail byte stays as it is
        continue;
      }
      out[i] = static_cast<char>(lower_[c]);
    }
    return out;
  }

 private:
  unsigned id_;
  bool lead_[256] = {};
  unsigned char lower_[256] = {};
};

}  // namespace

std::unique_ptr<CodePage> makeSystemCodePage() {
  const UINT id = GetACP();
  if (id == 0) return nullptr;
  return std::make_unique<SystemCodePage>(id);
}

std::optional<std::string> utf16ToCodePage(std::u16string_view text, unsigned codePageId) {
  if (text.empty()) return std::string();
  static_assert(sizeof(char16_t) == sizeof(WCHAR));
  const auto* wide = reinterpret_cast<const WCHAR*>(text.data());
  const int wideLength = static_cast<int>(text.size());
  // No best-fit mapping and no default character: a character the code page
  // cannot hold fails the conversion instead of turning into a look-alike or '?'.
  BOOL usedDefault = FALSE;
  const int needed = WideCharToMultiByte(codePageId, WC_NO_BEST_FIT_CHARS, wide, wideLength, nullptr, 0,
                                         nullptr, &usedDefault);
  if (needed <= 0 || usedDefault) return std::nullopt;
  std::string out(static_cast<std::size_t>(needed), '\0');
  usedDefault = FALSE;
  const int written = WideCharToMultiByte(codePageId, WC_NO_BEST_FIT_CHARS, wide, wideLength, out.data(),
                                          needed, nullptr, &usedDefault);
  if (written != needed || usedDefault) return std::nullopt;
  return out;
}

}  // namespace kestrum
