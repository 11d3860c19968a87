#pragma once

// A growable byte buffer from which bytes are taken at the front.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace korvalesen {

class TIdBuffer {
 public:
  std::size_t Size() const { return bytes_.size(); }
  bool Empty() const { return bytes_.empty(); }
  std::string_view View() const { return bytes_; }
  void Append(std::string_view bytes) { bytes_.append(bytes); }
  void Clear() { bytes_.clear(); }
  // Position of the first occurrence of text, searched from the start.
  std::optional<std::size_t> Find(std::string_view text) const;
  // Takes count bytes off the front; EIdNotEnoughDataInBuffer when fewer are held.
  std::string Extract(std::size_t count);

 private:
  std::string bytes_;
};

}  // namespace korvalesen
