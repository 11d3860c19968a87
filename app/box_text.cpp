#include "app/box_text.h"

namespace korvalesen {

namespace {

constexpr std::size_t kMaxBoxText = 1000;

}  // namespace

std::string BoxText(std::string_view text) {
  if (text.size() <= kMaxBoxText) return std::string(text);
  return std::string(text.substr(0, kMaxBoxText)) + " [...]";
}

}  // namespace korvalesen
