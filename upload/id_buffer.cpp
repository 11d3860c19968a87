#include "upload/id_buffer.h"

#include "upload/id_errors.h"

namespace korvalesen {

std::optional<std::size_t> TIdBuffer::Find(std::string_view text) const {
  const auto position = bytes_.find(text);
  if (position == std::string::npos) return std::nullopt;
  return position;
}

std::string TIdBuffer::Extract(std::size_t count) {
  if (count > bytes_.size()) throw EIdNotEnoughDataInBuffer();
  std::string taken = bytes_.substr(0, count);
  bytes_.erase(0, count);
  return taken;
}

}  // namespace korvalesen
