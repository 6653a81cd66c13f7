// What both fuzz targets share: a host whose answers never vary, and the
// checks that a tree survives being written and read back.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/host.h"
#include "platform/memory_store.h"
#include "platform/reg_format.h"

namespace kestrum::fuzz {

[[noreturn]] inline void fail(const std::string& what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
  std::abort();
}

// A machine with no marker files, no dial-up library and one IPv4 address.
class FuzzHost : public Host {
 public:
  explicit FuzzHost(unsigned codePageId = 1252) : codePage_(makeCodePage(codePageId)) {}
  const CodePage& codePage() const override { return *codePage_; }
  bool entryExists(std::string_view) const override { return false; }
  std::unique_ptr<DialupLibrary> loadDialupLibrary() override { return nullptr; }
  std::optional<std::string> hostName() override { return std::string("fuzzhost"); }
  std::optional<std::vector<std::vector<std::uint8_t>>> resolveHost(const std::string&) override {
    return std::vector<std::vector<std::uint8_t>>{{192, 0, 2, 7}};
  }
  std::string loadString(unsigned) override { return "string"; }

 private:
  std::unique_ptr<CodePage> codePage_;
};

// Where two keys differ (names exactly, case included; values in order with
// their types and bytes; subkeys), or nothing when they are the same.
inline std::optional<std::string> nodeDifference(const RegNode& a, const RegNode& b,
                                                 const std::string& where) {
  if (a.name() != b.name()) return where + ": key name \"" + a.name() + "\" became \"" + b.name() + "\"";
  if (a.values().size() != b.values().size())
    return where + ": " + std::to_string(a.values().size()) + " values became " +
           std::to_string(b.values().size());
  for (std::size_t i = 0; i < a.values().size(); ++i) {
    const RegValue& x = a.values()[i];
    const RegValue& y = b.values()[i];
    const std::string at = where + ": value " + std::to_string(i) + " \"" + x.name + "\"";
    if (x.name != y.name) return at + " renamed \"" + y.name + "\"";
    if (x.type != y.type) return at + " type " + std::to_string(x.type) + " became " + std::to_string(y.type);
    if (x.data != y.data) return at + " data changed";
  }
  if (a.children().size() != b.children().size())
    return where + ": " + std::to_string(a.children().size()) + " subkeys became " +
           std::to_string(b.children().size());
  auto j = b.children().begin();
  for (const auto& [name, child] : a.children()) {
    if (auto diff = nodeDifference(*child, *j->second, where + "\\" + child->name())) return diff;
    ++j;
  }
  return std::nullopt;
}

// A root that holds nothing is not written, and needs not be: every root
// exists in a registry whatever the file says.
inline std::vector<const RegNode*> nonEmptyRoots(const RegTree& tree) {
  std::vector<const RegNode*> roots;
  for (const auto& [name, root] : tree.top().children())
    if (!root->values().empty() || !root->children().empty()) roots.push_back(root.get());
  return roots;
}

inline std::optional<std::string> treeDifference(const RegTree& a, const RegTree& b) {
  const auto x = nonEmptyRoots(a);
  const auto y = nonEmptyRoots(b);
  if (x.size() != y.size())
    return std::to_string(x.size()) + " roots became " + std::to_string(y.size());
  for (std::size_t i = 0; i < x.size(); ++i)
    if (auto diff = nodeDifference(*x[i], *y[i], x[i]->name())) return diff;
  return std::nullopt;
}

// Writes `tree`, reads the text back and requires the same tree, and the
// same text when that tree is written again; the text handed to a sink in
// pieces must be the same text too. Returns the text.
inline std::string requireRoundTrip(const RegTree& tree, const CodePage& codePage) {
  if (auto key = findUnwritableKey(tree, &codePage)) fail("the tree holds an unwritable key: " + *key);
  const std::string text = formatRegFile(tree, &codePage);
  std::string pieces;
  if (!formatRegFile(tree, codePage, [&](std::string_view piece) {
        pieces.append(piece);
        return true;
      }))
    fail("the sink writer stopped");
  if (pieces != text) fail("the sink writer's text differs from the whole text");

  RegTree again;
  RegParseError error;
  if (!parseRegFile(text, codePage, again, error))
    fail("the written text does not read back: line " + std::to_string(error.line) + ": " + error.message);
  if (auto diff = treeDifference(tree, again)) fail("the tree read back differs: " + *diff);
  if (formatRegFile(again, &codePage) != text) fail("the tree read back is written differently");
  return text;
}

}  // namespace kestrum::fuzz
