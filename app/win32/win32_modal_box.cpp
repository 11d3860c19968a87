// The boxes' beep and modal dialog on Windows.

#include "app/message_boxes.h"
#include "app/win32/win32_box_owner.h"
#include "platform/win32/code_page.h"

namespace korvalesen {

namespace {

HWND box_owner = nullptr;

}  // namespace

void SetBoxOwner(HWND owner) {
  box_owner = owner;
}

void SoundDefaultBeep() {
  MessageBeep(MB_OK);
}

void ShowModalBox(BoxKind kind, std::string_view caption, std::string_view text) {
  const UINT icon = kind == BoxKind::kError ? MB_ICONERROR : MB_ICONINFORMATION;
  MessageBoxW(box_owner, platform::WideFrom1252(text).c_str(),
              platform::WideFrom1252(caption).c_str(), MB_OK | icon | MB_SETFOREGROUND);
}

}  // namespace korvalesen
