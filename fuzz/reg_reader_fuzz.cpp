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

void check(std::string_view bytes, const CodePage& codePage) {
  RegTree tree;
  RegParseError error;
  if (!parseRegFile(bytes, codePage, tree, error)) {
    if (error.line == 0) kestrum::fuzz::fail("a refusal without a line number");
    return;
  }
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
  check(bytes, *kWestern);
  // The same bytes as text of a double-byte code page, where a second byte
  // may look like \, ] or ".
  check(bytes, *kDoubleByte[size % kDoubleByte.size()]);
  return 0;
}
