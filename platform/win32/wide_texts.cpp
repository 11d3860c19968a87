#include "platform/win32/wide_texts.h"

#include <deque>
#include <mutex>
#include <utility>

#include "platform/win32/code_page.h"

namespace korvalesen::platform {
namespace {

constexpr std::size_t kRemembered = 16;

// The errors arise on the event thread too.
struct Remembered {
  std::mutex mutex;
  std::deque<std::pair<std::string, std::wstring>> texts;  // newest first
};

Remembered& Texts() {
  static Remembered remembered;
  return remembered;
}

}  // namespace

std::string SystemText1252(std::wstring_view text) {
  std::string narrow = Windows1252From(text);
  if (WideFrom1252(narrow) == text) return narrow;
  Remembered& remembered = Texts();
  const std::lock_guard lock(remembered.mutex);
  remembered.texts.emplace_front(narrow, text);
  if (remembered.texts.size() > kRemembered) remembered.texts.pop_back();
  return narrow;
}

std::wstring WideWithSystemTexts(std::string_view text) {
  std::wstring wide;
  Remembered& remembered = Texts();
  const std::lock_guard lock(remembered.mutex);
  while (!text.empty()) {
    std::size_t first = std::string_view::npos;
    const std::pair<std::string, std::wstring>* found = nullptr;
    for (const auto& entry : remembered.texts) {
      const std::size_t at = text.find(entry.first);
      if (at < first ||
          (at == first && found != nullptr && entry.first.size() > found->first.size())) {
        first = at;
        found = &entry;
      }
    }
    wide += WideFrom1252(text.substr(0, first));
    if (found == nullptr) break;
    wide += found->second;
    text.remove_prefix(first + found->first.size());
  }
  return wide;
}

}  // namespace korvalesen::platform
