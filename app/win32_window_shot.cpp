// Shows the main window in native controls as the program opens it, with its caption from the
// version resource, for screenshots of the Windows build (scripts/window-shots.sh):
//   korvalesen-window-shot [box text]
// It writes "window" once the window is shown; given a text, it writes "box" a second later
// and shows the text in the error box. It ends when the window is closed.

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>

#include "app/display_scale.h"
#include "app/main_form_view.h"
#include "app/version_caption.h"
#include "app/win32_main_form_view.h"
#include "platform/win32/code_page.h"

namespace {

void Announce(const char* what) {
  std::puts(what);
  std::fflush(stdout);
}

}  // namespace

int main() {
  using namespace korvalesen;
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  const std::string box_text = count > 1 ? platform::Windows1252From(arguments[1]) : "";
  LocalFree(arguments);

  Win32MainFormView view;
  view.SetOuterSize(OuterWindowSize(DisplayScale(view.ScreenPixelsPerInch())));
  view.SetCaption(VersionCaption(ReadProgramVersion()));
  view.Show();
  view.ProcessMessages();
  Announce("window");
  if (!box_text.empty()) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 1000) {
      view.ProcessMessages();
      Sleep(10);
    }
    Announce("box");
    view.ShowBox(BoxKind::kError, "Fehler", box_text);
  }
  view.RunMessageLoop();
  return 0;
}
