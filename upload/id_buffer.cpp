#include "upload/id_buffer.h"

#include "upload/id_errors.h"

namespace korvalesen {

void TIdBuffer::Append(std::string_view bytes) {
  if (start_ > 0 && start_ >= Size()) {
    bytes_.erase(0, start_);
    start_ = 0;
  }
  bytes_.append(bytes);
}

std::optional<std::size_t> TIdBuffer::Find(std::string_view text, std::size_t from) const {
  const auto position = View().find(text, from);
  if (position == std::string_view::npos) return std::nullopt;
  return position;
}

std::string TIdBuffer::Extract(std::size_t count) {
  if (count > Size()) throw EIdNotEnoughDataInBuffer();
  std::string taken(View().substr(0, count));
  start_ += count;
  if (start_ == bytes_.size()) Clear();
  return taken;
}

}  // namespace korvalesen
