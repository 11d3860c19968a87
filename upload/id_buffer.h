#pragma once

// A growable byte buffer from which bytes are taken at the front. Taking bytes only moves a
// start mark; the bytes before it are dropped once they are the larger part, so that taking
// many short lines costs time in proportion to their length.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace korvalesen {

class TIdBuffer {
 public:
  std::size_t Size() const { return bytes_.size() - start_; }
  bool Empty() const { return Size() == 0; }
  std::string_view View() const { return std::string_view(bytes_).substr(start_); }
  void Append(std::string_view bytes);
  void Clear() {
    bytes_.clear();
    start_ = 0;
  }
  // Position of the first occurrence of text at or after from.
  std::optional<std::size_t> Find(std::string_view text, std::size_t from = 0) const;
  // Takes count bytes off the front; EIdNotEnoughDataInBuffer when fewer are held.
  std::string Extract(std::size_t count);

 private:
  std::string bytes_;
  std::size_t start_ = 0;
};

}  // namespace korvalesen
