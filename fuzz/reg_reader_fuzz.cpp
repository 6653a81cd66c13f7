// The image file reader on arbitrary bytes: it either refuses them with a
// line number, or yields a tree that the writer writes and the reader reads
// back unchanged.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_support.h"

namespace {

using kestrum::CodePage;
using kestrum::RegParseError;
using kestrum::RegTree;

bool isUtf16(std::string_view bytes) {
  return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
         static_cast<unsigned char>(bytes[1]) == 0xFE;
}

void check(std::string_view bytes, const CodePage& codePage, bool mayBeUnwritable) {
  RegTree tree;
  RegParseError error;
  if (!parseRegFile(bytes, codePage, tree, error)) {
    if (error.line == 0) kestrum::fuzz::fail("a refusal without a line number");
    return;
  }
  // A double-byte text converted from UTF-16 may hold a trail byte that is a
  // backslash: such a key name exists in the registry, yet a file cannot
  // carry it, and the store refuses to write it rather than split it.
  if (mayBeUnwritable && kestrum::findUnwritableKey(tree)) return;
  kestrum::fuzz::requireRoundTrip(tree, codePage);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const auto kWestern = kestrum::makeCodePage(1252);
  static const auto kDoubleByte = [] {
    std::vector<std::unique_ptr<CodePage>> pages;
    for (unsigned id : {932u, 936u, 949u, 950u}) pages.push_back(kestrum::makeCodePage(id));
    return pages;
  }();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  check(bytes, *kWestern, false);
  // An 8-bit file is read byte for byte whatever the code page; only the
  // conversion from UTF-16 depends on it.
  if (isUtf16(bytes)) check(bytes, *kDoubleByte[size % kDoubleByte.size()], true);
  return 0;
}
