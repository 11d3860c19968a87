#include "app/message_boxes.h"

#include <string>
#include <utility>

#include "app/box_text.h"

namespace korvalesen {

namespace {

MessageBoxPresenter& InstalledPresenter() {
  static MessageBoxPresenter presenter;
  return presenter;
}

}  // namespace

void SetMessageBoxPresenter(MessageBoxPresenter presenter) {
  InstalledPresenter() = std::move(presenter);
}

void ShowMessageBox(BoxKind kind, std::string_view caption, std::string_view text) {
  SoundDefaultBeep();
  const std::string shown = BoxText(text);
  if (InstalledPresenter()) {
    InstalledPresenter()(kind, caption, shown);
  } else {
    ShowModalBox(kind, caption, shown);
  }
}

void ShowExceptionBox(const Error& error) {
  ShowMessageBox(BoxKind::kError, kApplicationTitle, error.Message());
}

}  // namespace korvalesen
