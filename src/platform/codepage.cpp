#include "platform/codepage.h"

#include <vector>

namespace kestrum {
namespace {

class TableCodePage : public CodePage {
 public:
  TableCodePage(unsigned id, unsigned char leadFirst1, unsigned char leadLast1,
                unsigned char leadFirst2, unsigned char leadLast2)
      : id_(id) {
    for (unsigned c = leadFirst1; leadFirst1 != 0 && c <= leadLast1; ++c) lead_[c] = true;
    for (unsigned c = leadFirst2; leadFirst2 != 0 && c <= leadLast2; ++c) lead_[c] = true;
    for (unsigned c = 0; c < 256; ++c) lower_[c] = static_cast<unsigned char>(c);
    for (unsigned c = 'A'; c <= 'Z'; ++c) lower_[c] = static_cast<unsigned char>(c + 32);
    if (id == 1252) {
      // Windows-1252 letters outside ASCII: the Latin-1 capitals and the four
      // capitals of the 0x80 row.
      for (unsigned c = 0xC0; c <= 0xDE; ++c)
        if (c != 0xD7) lower_[c] = static_cast<unsigned char>(c + 32);
      lower_[0x8A] = 0x9A;
      lower_[0x8C] = 0x9C;
      lower_[0x8E] = 0x9E;
      lower_[0x9F] = 0xFF;
    }
  }

  unsigned id() const override { return id_; }
  bool isLeadByte(unsigned char byte) const override { return lead_[byte]; }

  std::string toLower(std::string_view text) const override {
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
      unsigned char c = static_cast<unsigned char>(out[i]);
      if (lead_[c] && i + 1 < out.size()) {
        ++i;
        continue;
      }
      out[i] = static_cast<char>(lower_[c]);
    }
    return out;
  }

 private:
  unsigned id_;
  bool lead_[256] = {};
  unsigned char lower_[256];
};

}  // namespace

std::string trimMultibyte(std::string_view text, const CodePage& codePage) {
  // Forward walk: remember where the last non-space character ends and where
  // the first one starts; a lead byte always starts a non-space character.
  std::size_t first = text.size();
  std::size_t end = 0;
  for (std::size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t width = (codePage.isLeadByte(c) && i + 1 < text.size()) ? 2 : 1;
    if (width == 2 || !isAnsiSpace(c)) {
      if (first == text.size()) first = i;
      end = i + width;
    }
    i += width;
  }
  if (first == text.size()) return std::string();
  return std::string(text.substr(first, end - first));
}

std::unique_ptr<CodePage> makeCodePage(unsigned id) {
  switch (id) {
    case 1252: return std::make_unique<TableCodePage>(1252, 0, 0, 0, 0);
    case 932: return std::make_unique<TableCodePage>(932, 0x81, 0x9F, 0xE0, 0xFC);
    case 936: return std::make_unique<TableCodePage>(936, 0x81, 0xFE, 0, 0);
    case 949: return std::make_unique<TableCodePage>(949, 0x81, 0xFE, 0, 0);
    case 950: return std::make_unique<TableCodePage>(950, 0x81, 0xFE, 0, 0);
    default: return nullptr;
  }
}

}  // namespace kestrum
