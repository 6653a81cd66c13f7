#include "platform/reg_format.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

namespace kestrum {
namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

// The roots an image may carry, spelled as the file writes them. Others
// (short forms, HKEY_DYN_DATA, ...) are refused rather than guessed at.
constexpr std::string_view kRoots[] = {
    "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER",   "HKEY_CLASSES_ROOT",
    "HKEY_USERS",         "HKEY_CURRENT_CONFIG",
};

// The registry refuses deeper trees; a bound also keeps every recursive walk
// of a tree read from a file within the stack.
constexpr std::size_t kMaxKeyDepth = 512;

// Hex data lines break once they reach this length, as regedit's do.
constexpr std::size_t kWrapColumn = 77;

constexpr std::array<std::int8_t, 256> kHexValue = [] {
  std::array<std::int8_t, 256> table{};
  for (auto& v : table) v = -1;
  for (int c = '0'; c <= '9'; ++c) table[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - '0');
  for (int c = 'a'; c <= 'f'; ++c) table[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - 'a' + 10);
  for (int c = 'A'; c <= 'F'; ++c) table[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - 'A' + 10);
  return table;
}();

constexpr char kHexDigits[] = "0123456789abcdef";

constexpr std::array<char, 512> kHexPairs = [] {
  std::array<char, 512> table{};
  for (std::size_t i = 0; i < 256; ++i) {
    table[2 * i] = kHexDigits[i >> 4];
    table[2 * i + 1] = kHexDigits[i & 15];
  }
  return table;
}();

int hexValue(unsigned unit) { return unit < 256 ? kHexValue[unit] : -1; }

bool isBlank(unsigned unit) { return unit == ' ' || unit == '\t'; }

// Which bytes of the ANSI code page start a two-byte character: its second
// byte may look like \ or ] and must not be taken for one.
using LeadTable = std::array<bool, 256>;

LeadTable leadTableOf(const CodePage* codePage) {
  LeadTable table{};
  if (codePage != nullptr)
    for (unsigned c = 0; c < 256; ++c) table[c] = codePage->isLeadByte(static_cast<unsigned char>(c));
  return table;
}

// Whether `text`, walked as characters of the code page, ends in the first
// byte of a two-byte character: written out, that byte would take the closing
// quote or bracket, or the next backslash, for its second byte.
bool endsInLeadByte(std::string_view text, const LeadTable& lead) {
  for (std::size_t i = 0; i < text.size(); ++i)
    if (lead[static_cast<unsigned char>(text[i])] && ++i == text.size()) return true;
  return false;
}

const std::string_view* findRoot(std::string_view name) {
  for (const std::string_view& root : kRoots)
    if (registryNameEquals(root, name)) return &root;
  return nullptr;
}

// The image's bytes as the parser sees them: a window that is either the
// whole text at once, or the part of a source's output not yet consumed,
// refilled in pieces so that a large image is never held whole.
class ImageInput {
 public:
  explicit ImageInput(std::string_view whole) : window_(whole), total_(whole.size()), atEnd_(true) {}
  explicit ImageInput(const RegByteSource& source) : source_(&source) {}

  std::string_view window() const { return window_; }
  bool atEnd() const { return atEnd_; }
  bool failed() const { return failed_; }
  // The bytes read so far; the whole image's size once atEnd().
  std::uint64_t total() const { return total_; }

  // Forgets the window's first `count` bytes.
  void drop(std::size_t count) { window_.remove_prefix(count); }

  // Forgets the window's first `consumed` bytes and reads on behind the
  // rest. At the end of the input, or when the source fails, the window is
  // left as it is and atEnd() (and failed()) say so.
  void refill(std::size_t consumed) {
    if (atEnd_) return;
    const std::size_t kept = window_.size() - consumed;
    if (kept != 0) std::memmove(buffer_.get(), window_.data() + consumed, kept);
    // The buffer starts small, for the many small images, and doubles while
    // reads fill it, up to a piece; beyond that only for a line that takes
    // more than half of it.
    const bool full = window_.size() == capacity_;
    if (capacity_ == 0 || (full && capacity_ < kPiece) || kept > capacity_ / 2) {
      const std::size_t grown = capacity_ == 0 ? kFirstPiece : 2 * capacity_;
      auto larger = std::make_unique_for_overwrite<char[]>(grown);
      if (kept != 0) std::memcpy(larger.get(), buffer_.get(), kept);
      buffer_ = std::move(larger);
      capacity_ = grown;
    }
    const std::ptrdiff_t got = (*source_)(buffer_.get() + kept, capacity_ - kept);
    if (got <= 0) {
      atEnd_ = true;
      failed_ = got < 0;
      window_ = std::string_view(buffer_.get(), kept);
      return;
    }
    total_ += static_cast<std::uint64_t>(got);
    window_ = std::string_view(buffer_.get(), kept + static_cast<std::size_t>(got));
  }

 private:
  static constexpr std::size_t kFirstPiece = 1 << 16;
  static constexpr std::size_t kPiece = 1 << 20;
  const RegByteSource* source_ = nullptr;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  std::string_view window_;
  std::uint64_t total_ = 0;
  bool atEnd_ = false;
  bool failed_ = false;
};

// An 8-bit file: the bytes are the ANSI text itself.
struct AnsiSource {
  using Units = std::string;
  static constexpr std::size_t kUnitBytes = 1;
  std::string_view bytes;
  LeadTable lead;
  // The bytes a quoted run stops at: ", \, zero and the lead bytes.
  LeadTable quotedStop;

  explicit AnsiSource(const CodePage& codePage) : lead(leadTableOf(&codePage)), quotedStop(lead) {
    quotedStop['"'] = quotedStop['\\'] = quotedStop[0] = true;
  }

  std::size_t size() const { return bytes.size(); }
  unsigned at(std::size_t i) const { return static_cast<unsigned char>(bytes[i]); }
  // The units of the character at `i`, which must end by `end`. A zero is
  // never a second byte, so that it cannot slip into a name or a text.
  std::size_t width(std::size_t i, std::size_t end) const {
    return lead[at(i)] && i + 1 < end && at(i + 1) != 0 ? 2 : 1;
  }
  // The first ", \ or zero at or behind `from` that is not the second byte
  // of a two-byte character, or `end`.
  std::size_t quotedRunEnd(std::size_t from, std::size_t end) const {
    for (;;) {
      while (from < end && !quotedStop[at(from)]) ++from;
      if (from == end || !lead[at(from)]) return from;
      from += width(from, end);
    }
  }
  // The first CR or LF at or behind `from`, or size().
  std::size_t lineEnd(std::size_t from) const {
    const char* text = bytes.data();
    const void* lf = std::memchr(text + from, '\n', bytes.size() - from);
    const std::size_t end = lf == nullptr ? bytes.size() : static_cast<std::size_t>(static_cast<const char*>(lf) - text);
    const void* cr = std::memchr(text + from, '\r', end - from);
    return cr == nullptr ? end : static_cast<std::size_t>(static_cast<const char*>(cr) - text);
  }
  void appendUnits(Units& out, std::size_t begin, std::size_t end) const {
    out.append(bytes.data() + begin, end - begin);
  }
  bool toAnsi(Units&& units, std::string& out, unsigned /*codePage*/) const {
    out = std::move(units);
    return true;
  }
  // The ANSI text of the units [begin, end), into `out`'s own storage.
  bool textOf(std::size_t begin, std::size_t end, std::string& out, unsigned /*codePage*/) const {
    out.assign(bytes.data() + begin, end - begin);
    return true;
  }
};

// A UTF-16LE file (the byte-order mark already skipped): text is converted
// to the ANSI code page, as the registry's ANSI functions would return it.
struct Utf16Source {
  using Units = std::u16string;
  static constexpr std::size_t kUnitBytes = 2;
  std::string_view bytes;

  std::size_t size() const { return bytes.size() / 2; }
  unsigned at(std::size_t i) const {
    return static_cast<unsigned char>(bytes[2 * i]) |
           (static_cast<unsigned>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8);
  }
  std::size_t width(std::size_t /*i*/, std::size_t /*end*/) const { return 1; }
  std::size_t quotedRunEnd(std::size_t from, std::size_t end) const {
    while (from < end && at(from) != '"' && at(from) != '\\' && at(from) != 0) ++from;
    return from;
  }
  std::size_t lineEnd(std::size_t from) const {
    const std::size_t n = size();
    while (from < n && at(from) != '\n' && at(from) != '\r') ++from;
    return from;
  }
  void appendUnits(Units& out, std::size_t begin, std::size_t end) const {
    for (std::size_t i = begin; i < end; ++i) out.push_back(static_cast<char16_t>(at(i)));
  }
  bool toAnsi(Units&& units, std::string& out, unsigned codePage) const {
    std::optional<std::string> converted = utf16ToCodePage(units, codePage);
    if (!converted) return false;
    out = std::move(*converted);
    return true;
  }
  bool textOf(std::size_t begin, std::size_t end, std::string& out, unsigned codePage) const {
    Units units;
    appendUnits(units, begin, end);
    return toAnsi(std::move(units), out, codePage);
  }
};

template <typename Source>
class Parser {
 public:
  Parser(ImageInput& input, Source source, const CodePage& codePage, RegTree& tree, RegParseError& error)
      : in_(input), src_(source), codePage_(codePage), tree_(tree), error_(error) {
    src_.bytes = in_.window();
  }

  bool run() {
    if (!nextLine()) line_ = 1;  // an empty file: the header is missing
    if (!lineIs(kHeader4) && !lineIs(kHeader5))
      return fail("the first line must be \"REGEDIT4\" or \"Windows Registry Editor Version 5.00\"");
    while (nextLine()) {
      std::size_t p = skipBlanks(begin_);
      if (p == end_) continue;
      const unsigned first = src_.at(p);
      bool ok = true;
      if (first == ';') continue;
      if (first == '[')
        ok = keyLine(p + 1);
      else if (first == '"' || first == '@')
        ok = valueLine(p);
      else
        ok = fail("expected a [key], a \"name\"=value, @=value or a ; comment");
      if (!ok) return false;
    }
    return true;
  }

  // For a file that ends in half a UTF-16 character.
  bool failAtEnd(std::string message) {
    const std::size_t size = src_.size();
    if (size == 0 || src_.at(size - 1) == '\n' || src_.at(size - 1) == '\r') ++line_;
    return fail(std::move(message));
  }

 private:
  using Units = typename Source::Units;

  ImageInput& in_;
  Source src_;
  const CodePage& codePage_;
  RegTree& tree_;
  RegParseError& error_;
  std::size_t pos_ = 0;    // in the window: where the next line starts
  std::size_t line_ = 0;
  std::size_t begin_ = 0;  // the current line, without its line end
  std::size_t end_ = 0;
  RegNode* current_ = nullptr;      // the key that value lines go to
  std::vector<RegNode*> lastPath_;  // nodes of the last [key] line, root first
  // Reused from line to line, so that their storage is allocated once.
  std::vector<std::string> steps_;
  std::string name_;

  bool fail(std::string message) {
    error_.line = line_;
    error_.message = std::move(message);
    return false;
  }

  // Moves to the next line. A refill of the window moves the text, so no
  // position in an earlier line stays valid.
  bool nextLine() {
    std::size_t scanFrom = pos_;
    for (;;) {
      const std::size_t size = src_.size();
      const std::size_t end = src_.lineEnd(scanFrom);
      // Where a line ends is known at an LF, at a CR whose next unit is at
      // hand, and at the end of the input.
      if ((end < size && (src_.at(end) == '\n' || end + 1 < size)) || in_.atEnd()) {
        if (pos_ >= size) return false;
        std::size_t next = end;
        if (next < size && src_.at(next) == '\r') ++next;
        if (next < size && src_.at(next) == '\n') ++next;
        begin_ = pos_;
        end_ = end;
        pos_ = next;
        ++line_;
        return true;
      }
      in_.refill(pos_ * Source::kUnitBytes);
      src_.bytes = in_.window();
      scanFrom = end - pos_;
      pos_ = 0;
      if (in_.failed()) return false;
    }
  }

  // The value lines that follow the current line in the window, up to the
  // next key line: a key's values usually all stand there, and their count
  // lets the key take them without growing step by step.
  std::size_t valueLinesAhead() const {
    const std::size_t size = src_.size();
    std::size_t count = 0;
    for (std::size_t p = pos_; p < size;) {
      p = skipBlanksTo(p, size);
      if (p == size) break;
      const unsigned first = src_.at(p);
      if (first == '[') break;
      if (first == '"' || first == '@') ++count;
      p = src_.lineEnd(p);
      if (p < size && src_.at(p) == '\r') ++p;
      if (p < size && src_.at(p) == '\n') ++p;
    }
    return count;
  }

  bool lineIs(std::string_view text) const {
    if (end_ - begin_ != text.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
      if (src_.at(begin_ + i) != static_cast<unsigned char>(text[i])) return false;
    return true;
  }

  std::size_t skipBlanksTo(std::size_t p, std::size_t end) const {
    while (p < end && isBlank(src_.at(p))) ++p;
    return p;
  }
  std::size_t skipBlanks(std::size_t p) const { return skipBlanksTo(p, end_); }

  bool restIsBlank(std::size_t p) const { return skipBlanks(p) == end_; }

  bool matches(std::size_t p, std::string_view word) const {
    if (end_ - p < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
      if (src_.at(p + i) != static_cast<unsigned char>(word[i])) return false;
    return true;
  }

  bool unconvertible() {
    return fail("a character has no equivalent in code page " + std::to_string(codePage_.id()));
  }

  bool convert(Units&& units, std::string& out) {
    return src_.toAnsi(std::move(units), out, codePage_.id()) || unconvertible();
  }

  bool textOf(std::size_t begin, std::size_t end, std::string& out) {
    return src_.textOf(begin, end, out, codePage_.id()) || unconvertible();
  }

  // [path] or [-path]; `p` is just behind the bracket.
  bool keyLine(std::size_t p) {
    // The name ends at the last ] (a bracket may be part of a key name).
    std::size_t close = std::string_view::npos;
    for (std::size_t i = p; i < end_; i += src_.width(i, end_))
      if (src_.at(i) == ']') close = i;
    if (close == std::string_view::npos || !restIsBlank(close + 1)) return fail("a key line must end with ]");
    const bool remove = p < close && src_.at(p) == '-';
    if (remove) ++p;

    std::size_t count = 0;
    for (std::size_t start = p;;) {
      std::size_t cut = start;
      while (cut < close && src_.at(cut) != '\\') cut += src_.width(cut, close);
      if (count == steps_.size()) steps_.emplace_back();
      std::string& step = steps_[count++];
      if (!textOf(start, cut, step)) return false;
      if (step.find('\0') != std::string::npos) return fail("a key name holds a zero character");
      if (step.empty()) return fail("a key path holds an empty name");
      if (cut == close) break;
      start = cut + 1;
      if (start == close) break;  // the one trailing backslash
    }
    const std::string_view* root = findRoot(steps_[0]);
    if (root == nullptr) return fail("unknown root key");
    if (count - 1 > kMaxKeyDepth) return fail("the key is nested too deeply");

    if (remove) {
      if (count == 1) return fail("a root key cannot be deleted");
      RegNode* node = tree_.top().child(*root);
      for (std::size_t i = 1; node != nullptr && i + 1 < count; ++i) node = node->child(steps_[i]);
      if (node != nullptr) node->removeChild(steps_[count - 1]);
      current_ = nullptr;
      lastPath_.clear();
      return true;
    }

    // Consecutive key lines mostly share their leading steps: reuse the nodes
    // of the previous line instead of looking every step up again.
    std::size_t shared = 0;
    while (shared < lastPath_.size() && shared < count &&
           registryNameEquals(lastPath_[shared]->name(), shared == 0 ? std::string_view(*root)
                                                                     : std::string_view(steps_[shared])))
      ++shared;
    lastPath_.resize(shared);
    RegNode* node = shared == 0 ? &tree_.top().childOrCreate(*root) : lastPath_.back();
    if (shared == 0) {
      lastPath_.push_back(node);
      shared = 1;
    }
    for (std::size_t i = shared; i < count; ++i) {
      node = &node->childOrCreate(steps_[i]);
      lastPath_.push_back(node);
    }
    current_ = node;
    current_->reserveValues(current_->values().size() + valueLinesAhead());
    return true;
  }

  // A quoted text, into `out` with room for `spare` more bytes; `p` is on
  // the opening quote and is left behind the closing one.
  bool quoted(std::size_t& p, std::string& out, std::size_t spare, const char* what) {
    ++p;
    std::size_t run = src_.quotedRunEnd(p, end_);
    if (run < end_ && src_.at(run) == '"') {  // no escapes, the common case
      out.reserve(run - p + spare);
      if (!textOf(p, run, out)) return false;
      p = run + 1;
      return true;
    }
    Units units;
    for (;;) {
      src_.appendUnits(units, p, run);
      p = run;
      if (p == end_) return fail(std::string("a quoted ") + what + " is not closed");
      const unsigned c = src_.at(p);
      if (c == '"') {
        ++p;
        return convert(std::move(units), out);
      }
      if (c == 0) return fail(std::string("a quoted ") + what + " holds a zero character");
      if (p + 1 == end_) return fail(std::string("a quoted ") + what + " is not closed");
      char unescaped;
      switch (src_.at(p + 1)) {
        case '\\': unescaped = '\\'; break;
        case '"': unescaped = '"'; break;
        case 'n': unescaped = '\n'; break;
        case 'r': unescaped = '\r'; break;
        default: return fail(std::string("unknown escape sequence in a quoted ") + what);
      }
      units.push_back(static_cast<typename Units::value_type>(unescaped));
      p += 2;
      run = src_.quotedRunEnd(p, end_);
    }
  }

  // Up to 8 hex digits; `p` is left behind them.
  bool hexNumber(std::size_t& p, std::uint32_t& number, const char* what) {
    std::size_t digits = 0;
    number = 0;
    while (p < end_ && hexValue(src_.at(p)) >= 0) {
      if (++digits > 8) return fail(std::string(what) + " has more than 8 hex digits");
      number = (number << 4) | static_cast<std::uint32_t>(hexValue(src_.at(p)));
      ++p;
    }
    if (digits == 0) return fail(std::string(what) + " needs 1 to 8 hex digits");
    return true;
  }

  // Comma-separated bytes of two hex digits each, continued on the next line
  // after a ",\" at the end of a line.
  bool hexBytes(std::size_t p, std::string& out) {
    if (restIsBlank(p)) return true;
    for (;;) {
      out.reserve(out.size() + (end_ - p) / 3 + 1);
      for (;;) {
        if (p + 1 >= end_) return fail("expected a byte of two hex digits");
        const int high = hexValue(src_.at(p));
        const int low = hexValue(src_.at(p + 1));
        if (high < 0 || low < 0) return fail("expected a byte of two hex digits");
        out.push_back(static_cast<char>((high << 4) | low));
        p += 2;
        if (p == end_) return true;
        if (src_.at(p) != ',') {
          if (restIsBlank(p)) return true;
          return fail("expected a comma between bytes");
        }
        ++p;
        if (p < end_ && src_.at(p) == '\\' && restIsBlank(p + 1)) break;
        if (restIsBlank(p)) return fail("the data ends with a comma");
      }
      if (!nextLine()) return fail("the data continues past the end of the file");
      p = skipBlanks(begin_);
    }
  }

  bool valueLine(std::size_t p) {
    if (current_ == nullptr) return fail("a value outside a key");
    if (src_.at(p) == '@') {
      name_.clear();
      ++p;
    } else if (!quoted(p, name_, 0, "name")) {
      return false;
    }
    p = skipBlanks(p);
    if (p == end_ || src_.at(p) != '=') return fail("expected = behind the value name");
    p = skipBlanks(p + 1);
    if (p == end_) return fail("a value without data");

    const unsigned first = src_.at(p);
    if (first == '-') {
      if (!restIsBlank(p + 1)) return fail("unexpected text behind =-");
      current_->removeValue(name_);
      return true;
    }
    std::string data;
    std::uint32_t type = kRegNone;
    if (first == '"') {
      if (!quoted(p, data, 1, "text")) return false;
      if (!restIsBlank(p)) return fail("unexpected text behind the quoted text");
      data.push_back('\0');
      type = kRegSz;
    } else if (matches(p, "dword:")) {
      p += 6;
      std::uint32_t number = 0;
      if (!hexNumber(p, number, "a dword")) return false;
      if (!restIsBlank(p)) return fail("unexpected text behind the dword");
      data.resize(4);
      for (int i = 0; i < 4; ++i) data[static_cast<std::size_t>(i)] = static_cast<char>((number >> (8 * i)) & 0xFF);
      type = kRegDword;
    } else if (matches(p, "hex:")) {
      type = kRegBinary;
      if (!hexBytes(p + 4, data)) return false;
    } else if (matches(p, "hex(")) {
      p += 4;
      if (!hexNumber(p, type, "a hex(type)")) return false;
      if (!matches(p, "):")) return fail("expected ): behind the hex type");
      if (!hexBytes(p + 2, data)) return false;
      if constexpr (std::is_same_v<Source, Utf16Source>) {
        if (type == kRegSz || type == kRegExpandSz || type == kRegMultiSz) {
          if (data.size() % 2 != 0) return fail("text data of an odd number of bytes");
          Units units(data.size() / 2, u'\0');
          for (std::size_t i = 0; i < units.size(); ++i)
            units[i] = static_cast<char16_t>(static_cast<unsigned char>(data[2 * i]) |
                                             (static_cast<unsigned char>(data[2 * i + 1]) << 8));
          if (!convert(std::move(units), data)) return false;
        }
      }
    } else {
      return fail("unknown kind of value data");
    }
    current_->setValue(name_, type, std::move(data));
    return true;
  }
};

// The text the writer produces, handed on in pieces when a sink is given.
class Writer {
 public:
  Writer(const CodePage* codePage, const std::function<bool(std::string_view)>* sink)
      : lead_(leadTableOf(codePage)), sink_(sink) {
    if (sink_ != nullptr) out_.reserve(kChunk + 4096);
    for (unsigned c = 0; c < 256; ++c) {
      if (lead_[c]) {
        kind_[c] = kLeadByte;
        hasLeadBytes_ = true;
      }
    }
    kind_['\\'] = kind_['"'] = kEscaped;
    kind_['\r'] = kind_['\n'] = kLineEnd;
  }

  bool ok() const { return ok_; }
  std::string take() { return std::move(out_); }

  bool finish() {
    out_.append("\r\n");
    flush(true);
    return ok_;
  }

  void tree(const RegTree& tree) {
    out_.append(kHeader4).append("\r\n");
    std::string path;
    for (const auto& [name, root] : tree.top().children()) {
      path = root->name();
      if (!root->values().empty()) keyBlock(*root, path);
      for (const auto& [childName, child] : root->children()) {
        if (!ok_) return;
        key(*child, path);
      }
    }
  }

 private:
  static constexpr std::size_t kChunk = 1 << 20;
  // What a byte of a name or a text asks of escaped(); 0 is nothing.
  static constexpr std::uint8_t kLeadByte = 1;
  static constexpr std::uint8_t kEscaped = 2;   // \ and ": everywhere
  static constexpr std::uint8_t kLineEnd = 4;   // CR and LF: in names
  LeadTable lead_;
  std::array<std::uint8_t, 256> kind_{};
  bool hasLeadBytes_ = false;
  const std::function<bool(std::string_view)>* sink_;
  std::string out_;
  bool ok_ = true;

  void flush(bool always) {
    if (sink_ == nullptr || !ok_ || (!always && out_.size() < kChunk)) return;
    if (!out_.empty() && !(*sink_)(out_)) ok_ = false;
    out_.clear();
  }

  // Writes `n` characters through the returned pointer; `commit` then sets the
  // count actually written.
  char* reserveTail(std::size_t n) {
    const std::size_t old = out_.size();
    out_.resize(old + n);
    return out_.data() + old;
  }
  void commitTail(char* end) { out_.resize(static_cast<std::size_t>(end - out_.data())); }

  void key(const RegNode& node, std::string& path) {
    const std::size_t mark = path.size();
    path.append("\\").append(node.name());
    keyBlock(node, path);
    for (const auto& [name, child] : node.children()) {
      if (!ok_) break;
      key(*child, path);
    }
    path.resize(mark);
  }

  void keyBlock(const RegNode& node, const std::string& path) {
    out_.append("\r\n[").append(path).append("]\r\n");
    for (const RegValue& value : node.values()) valueLine(value);
    flush(false);
  }

  // Appends `text` with \ and " escaped (and CR and LF, where a name holds
  // them, so that the line stays one line); returns the characters written,
  // a two-byte character counting as one, as regedit counts them.
  std::size_t escaped(std::string_view text, bool escapeLineEnds) {
    const std::size_t start = out_.size();
    const std::uint8_t wanted = kLeadByte | kEscaped | (escapeLineEnds ? kLineEnd : 0);
    const std::size_t n = text.size();
    std::size_t pairs = 0;
    std::size_t run = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const char c = text[i];
      const std::uint8_t kind = kind_[static_cast<unsigned char>(c)] & wanted;
      if (kind == 0) continue;
      if (kind == kLeadByte) {
        if (i + 1 < n) {
          ++i;
          ++pairs;
        }
        continue;
      }
      out_.append(text.data() + run, i - run);
      const char pair[2] = {'\\', c == '\n' ? 'n' : c == '\r' ? 'r' : c};
      out_.append(pair, 2);
      run = i + 1;
    }
    out_.append(text.data() + run, n - run);
    return out_.size() - start - pairs;
  }

  bool isCleanString(const std::string& data) const {
    if (data.empty() || data.back() != '\0') return false;
    const std::size_t n = data.size() - 1;
    return std::memchr(data.data(), '\0', n) == nullptr && std::memchr(data.data(), '\n', n) == nullptr &&
           std::memchr(data.data(), '\r', n) == nullptr &&
           !(hasLeadBytes_ && endsInLeadByte(std::string_view(data.data(), n), lead_));
  }

  void valueLine(const RegValue& value) {
    std::size_t column;
    if (value.name.empty()) {
      out_.append("@=");
      column = 2;
    } else {
      out_.push_back('"');
      column = escaped(value.name, true) + 3;
      out_.append("\"=");
    }
    if (value.type == kRegSz && isCleanString(value.data)) {
      out_.push_back('"');
      escaped(std::string_view(value.data.data(), value.data.size() - 1), false);
      out_.append("\"\r\n");
      return;
    }
    if (value.type == kRegDword && value.data.size() == 4) {
      std::uint32_t number = 0;
      for (int i = 3; i >= 0; --i) number = (number << 8) | static_cast<unsigned char>(value.data[static_cast<std::size_t>(i)]);
      char* p = reserveTail(6 + 8 + 2);
      std::memcpy(p, "dword:", 6);
      p += 6;
      for (int shift = 28; shift >= 0; shift -= 4) *p++ = kHexDigits[(number >> shift) & 15];
      *p++ = '\r';
      *p++ = '\n';
      commitTail(p);
      return;
    }
    if (value.type == kRegBinary) {
      out_.append("hex:");
      column += 4;
    } else {
      char prefix[16] = "hex(";
      std::size_t n = 4;
      bool started = false;
      for (int shift = 28; shift >= 0; shift -= 4) {
        const unsigned digit = (value.type >> shift) & 15;
        if (digit == 0 && !started && shift != 0) continue;
        started = true;
        prefix[n++] = kHexDigits[digit];
      }
      prefix[n++] = ')';
      prefix[n++] = ':';
      out_.append(prefix, n);
      column += n;
    }
    hexBytes(value.data, column);
    out_.append("\r\n");
  }

  void hexBytes(const std::string& data, std::size_t column) {
    const std::size_t size = data.size();
    if (size == 0) return;
    // Each byte takes three characters; each break five, and after the first
    // line every line holds at least 25 bytes.
    char* p = reserveTail(3 * size + 5 * (size / 25 + 2));
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data.data());
    for (std::size_t i = 0;; ++i) {
      std::memcpy(p, &kHexPairs[2 * bytes[i]], 2);
      p += 2;
      if (i + 1 == size) break;
      *p++ = ',';
      column += 3;
      if (column >= kWrapColumn) {
        std::memcpy(p, "\\\r\n  ", 5);
        p += 5;
        column = 2;
      }
    }
    commitTail(p);
  }
};

// The bytes that start a two-byte character, for the writability check.
struct LeadBytes {
  LeadTable table;
  bool any = false;

  explicit LeadBytes(const CodePage* codePage) : table(leadTableOf(codePage)) {
    for (bool lead : table) any = any || lead;
  }
};

// The second byte of a two-byte character is part of the name whatever it
// looks like, unless it is a zero or a line end, which no line can hold.
bool hasUnwritableChar(std::string_view name, bool keyName, const LeadBytes& lead) {
  if (!keyName && !lead.any) return std::memchr(name.data(), '\0', name.size()) != nullptr;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (c == '\0' || (keyName && (c == '\\' || c == '\r' || c == '\n'))) return true;
    if (!lead.table[static_cast<unsigned char>(c)]) continue;
    if (++i == name.size()) return true;
    if (name[i] == '\0' || name[i] == '\r' || name[i] == '\n') return true;
  }
  return false;
}

const RegNode* findUnwritable(const RegNode& node, std::size_t depth, const LeadBytes& lead) {
  if (depth > kMaxKeyDepth || node.name().empty() || hasUnwritableChar(node.name(), true, lead)) return &node;
  for (const RegValue& value : node.values())
    if (hasUnwritableChar(value.name, false, lead)) return &node;
  for (const auto& [name, child] : node.children())
    if (const RegNode* found = findUnwritable(*child, depth + 1, lead)) return found;
  return nullptr;
}

}  // namespace

namespace {

bool parseImage(ImageInput& input, const CodePage& codePage, RegTree& tree, RegParseError& error) {
  while (input.window().size() < 2 && !input.atEnd()) input.refill(0);
  const std::string_view start = input.window();
  bool parsed = false;
  if (start.size() >= 2 && static_cast<unsigned char>(start[0]) == 0xFF &&
      static_cast<unsigned char>(start[1]) == 0xFE) {
    input.drop(2);
    Parser<Utf16Source> parser(input, Utf16Source{}, codePage, tree, error);
    parsed = parser.run();
    if (parsed && input.total() % 2 != 0) parsed = parser.failAtEnd("the file ends in half a UTF-16 character");
  } else {
    Parser<AnsiSource> parser(input, AnsiSource(codePage), codePage, tree, error);
    parsed = parser.run();
  }
  if (input.failed()) {
    error.message = "the image could not be read";
    return false;
  }
  return parsed;
}

}  // namespace

bool parseRegFile(std::string_view bytes, const CodePage& codePage, RegTree& tree, RegParseError& error) {
  ImageInput input(bytes);
  return parseImage(input, codePage, tree, error);
}

bool parseRegFile(const RegByteSource& source, const CodePage& codePage, RegTree& tree, RegParseError& error) {
  ImageInput input(source);
  return parseImage(input, codePage, tree, error);
}

std::string formatRegFile(const RegTree& tree, const CodePage* codePage) {
  Writer writer(codePage, nullptr);
  writer.tree(tree);
  writer.finish();
  return writer.take();
}

bool formatRegFile(const RegTree& tree, const CodePage& codePage,
                   const std::function<bool(std::string_view)>& sink) {
  Writer writer(&codePage, &sink);
  writer.tree(tree);
  return writer.finish();
}

std::optional<std::string> findUnwritableKey(const RegTree& tree, const CodePage* codePage) {
  const LeadBytes lead(codePage);
  for (const auto& [name, root] : tree.top().children()) {
    const bool known = findRoot(root->name()) != nullptr && *findRoot(root->name()) == root->name();
    if (!known) return root->name();
    for (const RegValue& value : root->values())
      if (hasUnwritableChar(value.name, false, lead)) return root->name();
    for (const auto& [childName, child] : root->children())
      if (const RegNode* found = findUnwritable(*child, 1, lead)) return root->name() + "\\" + found->path();
  }
  if (!tree.top().values().empty()) return std::string("(above the roots)");
  return std::nullopt;
}

}  // namespace kestrum
