// Placeholder until the conversion is built.
#include "platform/codepage.h"

namespace kestrum {

std::optional<std::string> utf16ToCodePage(std::u16string_view /*text*/, unsigned /*codePageId*/) {
  return std::nullopt;
}

}  // namespace kestrum
