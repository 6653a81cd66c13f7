// The image file reader on arbitrary bytes: it either refuses them with a
// line number, or yields a tree that the writer writes and the reader reads
// back unchanged.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_support.h"

namespace {

using kestrum::CodePage;
using kestrum::RegParseError;
using kestrum::RegTree;

// The same bytes read in pieces of `piece` bytes, as from a file, must give
// the same tree or the same refusal.
void requireSameInPieces(std::string_view bytes, std::size_t piece, const CodePage& codePage, bool parsed,
                         const RegTree& tree, const RegParseError& error) {
  std::size_t at = 0;
  const kestrum::RegByteSource source = [&](char* buffer, std::size_t size) -> std::ptrdiff_t {
    const std::size_t n = std::min({piece, size, bytes.size() - at});
    bytes.copy(buffer, n, at);
    at += n;
    return static_cast<std::ptrdiff_t>(n);
  };
  RegTree again;
  RegParseError againError;
  if (parseRegFile(source, codePage, again, againError) != parsed) kestrum::fuzz::fail("read in pieces, the result differs");
  if (!parsed) {
    if (againError.line != error.line || againError.message != error.message)
      kestrum::fuzz::fail("read in pieces, the refusal differs");
  } else if (auto diff = kestrum::fuzz::treeDifference(tree, again)) {
    kestrum::fuzz::fail("read in pieces, the tree differs: " + *diff);
  }
}

void check(std::string_view bytes, const CodePage& codePage) {
  RegTree tree;
  RegParseError error;
  const bool parsed = parseRegFile(bytes, codePage, tree, error);
  requireSameInPieces(bytes, 1 + bytes.size() % 7, codePage, parsed, tree, error);
  if (!parsed) {
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
