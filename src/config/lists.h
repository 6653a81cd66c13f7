// The configuration's list types: ordered, owning, append at the tail, walk
// from the head. Emptying a list destroys what it held.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestrum {

using StringList = std::vector<std::string>;

template <typename Record>
class RecordList {
 public:
  void append(std::unique_ptr<Record> record) { records_.push_back(std::move(record)); }
  void clear() { records_.clear(); }
  bool empty() const { return records_.empty(); }
  std::size_t size() const { return records_.size(); }
  Record& operator[](std::size_t i) { return *records_[i]; }
  const Record& operator[](std::size_t i) const { return *records_[i]; }

  template <typename F>
  void forEach(F&& f) const {
    for (const auto& record : records_) f(*record);
  }
  auto begin() { return records_.begin(); }
  auto end() { return records_.end(); }
  auto begin() const { return records_.begin(); }
  auto end() const { return records_.end(); }

 private:
  std::vector<std::unique_ptr<Record>> records_;
};

// A one-byte flag holding 0 or 1.
using Flag = std::uint8_t;

}  // namespace kestrum
