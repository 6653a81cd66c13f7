#include <errno.h>
#include <iconv.h>

#include <string>

#include "platform/codepage.h"

namespace kestrum {
namespace {

// The ANSI code pages the program supports, by their iconv names. All of them
// hold ASCII unchanged, which lets plain ASCII text skip the converter.
struct CodePageName {
  unsigned id;
  const char* iconvName;
};
constexpr CodePageName kCodePageNames[] = {
    {1252, "CP1252"}, {932, "CP932"}, {936, "CP936"}, {949, "CP949"}, {950, "CP950"},
};

const char* knownIconvName(unsigned id) {
  for (const CodePageName& entry : kCodePageNames)
    if (entry.id == id) return entry.iconvName;
  return nullptr;
}

bool isWellFormedUtf16(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (valid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

}  // namespace

std::optional<std::string> utf16ToCodePage(std::u16string_view text, unsigned codePageId) {
  if (!isWellFormedUtf16(text)) return std::nullopt;
  const char* name = knownIconvName(codePageId);
  bool ascii = true;
  for (char16_t unit : text)
    if (unit >= 0x80) {
      ascii = false;
      break;
    }
  if (ascii && name != nullptr) return std::string(text.begin(), text.end());

  std::string generic;
  if (name == nullptr) {
    generic = "CP" + std::to_string(codePageId);
    name = generic.c_str();
  }
  Converter converter(name, "UTF-16LE");
  if (!converter.valid()) return std::nullopt;

  // The converter reads little-endian bytes whatever the host's byte order.
  std::string input;
  input.resize(text.size() * 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    input[2 * i] = static_cast<char>(text[i] & 0xFF);
    input[2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
  std::string output(text.size() * 2 + 16, '\0');
  char* in = input.data();
  std::size_t inLeft = input.size();
  std::size_t produced = 0;
  for (;;) {
    char* out = output.data() + produced;
    std::size_t outLeft = output.size() - produced;
    const std::size_t result = iconv(converter.get(), &in, &inLeft, &out, &outLeft);
    produced = output.size() - outLeft;
    if (result == static_cast<std::size_t>(-1)) {
      if (errno != E2BIG) return std::nullopt;  // EILSEQ or EINVAL: not representable
      output.resize(output.size() * 2);
      continue;
    }
    // A non-zero count means characters were replaced by approximations.
    if (result != 0) return std::nullopt;
    if (inLeft == 0) {
      // Flush any shift state, then stop.
      out = output.data() + produced;
      outLeft = output.size() - produced;
      if (iconv(converter.get(), nullptr, nullptr, &out, &outLeft) == static_cast<std::size_t>(-1))
        return std::nullopt;
      produced = output.size() - outLeft;
      break;
    }
  }
  output.resize(produced);
  return output;
}

}  // namespace kestrum
