#include "app/win32/win32_main_form_view.h"

#include <commctrl.h>

#include <array>
#include <string>

#include "app/message_boxes.h"
#include "app/win32/win32_box_owner.h"
#include "app/window_layout.h"
#include "common/exception_display.h"
#include "platform/user_interface_loop.h"
#include "platform/win32/code_page.h"
#include "platform/win32/common_controls.h"
#include "platform/win32/win32_user_interface_loop.h"

namespace korvalesen {

namespace {

using platform::WideFrom1252;
using platform::Windows1252From;
namespace layout = window_layout;

constexpr wchar_t kWindowClass[] = L"TMainForm";
constexpr UINT_PTR kTimer1 = 1;
// The icon resource that the program's resource script holds.
constexpr int kProgramIcon = 1;
// The system's arrow cursor, IDC_ARROW; the macro gives its narrow form in a build without
// UNICODE, so the wide call names its number.
constexpr WORD kArrowCursor = 32512;
// The drop-down list shows this many items before it scrolls.
constexpr int kComboBoxListItems = 8;

// The main window's style: a thin fixed frame with caption, system menu and minimise box.
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

HFONT CreateLayoutFont(const layout::Font& font, int height) {
  return CreateFontW(-height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                     DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_SWISS, WideFrom1252(font.family).c_str());
}

// The group boxes hold their controls as children; the notices and colour requests of those
// controls go on to the main window, which handles them.
LRESULT CALLBACK GroupBoxProcedure(HWND group, UINT message, WPARAM wparam, LPARAM lparam,
                                   UINT_PTR /*id*/, DWORD_PTR /*data*/) {
  switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
      return SendMessageW(GetParent(group), message, wparam, lparam);
    default:
      return platform::DefaultSubclassProcedure(group, message, wparam, lparam);
  }
}

void RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW window_class{};
  if (GetClassInfoExW(instance, kWindowClass, &window_class)) return;
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(kArrowCursor));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kWindowClass;
  window_class.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kProgramIcon),
                                                     IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                     GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
  window_class.hIconSm = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(kProgramIcon), IMAGE_ICON,
                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  RegisterClassExW(&window_class);
}

}  // namespace

Win32MainFormView::Win32MainFormView() {
  platform::InitializeCommonControls(ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES);
  if (HDC screen = GetDC(nullptr)) {
    pixelsPerInch_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterWindowClass(instance, &WindowProcedure);
  RECT outer = {0, 0, Scaled(layout::kClientSize.width), Scaled(layout::kClientSize.height)};
  AdjustWindowRectEx(&outer, kFormStyle, FALSE, 0);
  MainForm = CreateWindowExW(0, kWindowClass, L"", kFormStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                             outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                             instance, this);
  if (MainForm == nullptr) {
    throw Error("Das Fenster kann nicht erzeugt werden: " +
                std::to_string(static_cast<unsigned long>(GetLastError())));
  }
  resetPanelColor_ = layout::kResetPanelGreen;
  resetPanelBrush_ = CreateSolidBrush(resetPanelColor_);
  CreateControls();
  SetBoxOwner(MainForm);
}

Win32MainFormView::~Win32MainFormView() {
  SetBoxOwner(nullptr);
  events_ = nullptr;
  if (IsWindow(MainForm)) DestroyWindow(MainForm);
  DeleteObject(resetPanelBrush_);
  DeleteObject(arialBold_);
  DeleteObject(arial_);
}

int Win32MainFormView::Scaled(int pixels) const {
  return layout::Scaled(pixels, pixelsPerInch_);
}

void Win32MainFormView::CreateControls() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  const auto create = [&](const wchar_t* window_class, std::string_view caption, DWORD style,
                          DWORD extended_style, HWND parent) {
    return CreateWindowExW(extended_style, window_class, WideFrom1252(caption).c_str(),
                           WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent, nullptr, instance,
                           nullptr);
  };

  GroupBox3 =
      create(WC_BUTTONW, layout::kGroupBox3Caption, BS_GROUPBOX | WS_CLIPCHILDREN, 0, MainForm);
  platform::SubclassWindow(GroupBox3, &GroupBoxProcedure);
  statusLabel = create(WC_STATICW, "", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, GroupBox3);
  ProgressBar = create(PROGRESS_CLASSW, "", PBS_SMOOTH, 0, GroupBox3);
  SendMessageW(ProgressBar, PBM_SETRANGE32, 0, 100);
  SendMessageW(ProgressBar, PBM_SETSTEP, 1, 0);
  SendMessageW(ProgressBar, PBM_SETPOS, 0, 0);
  // A panel with a lowered bevel, its caption centred both ways.
  ResetPanel = create(WC_STATICW, layout::kResetPanelCaption,
                      SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX, WS_EX_STATICEDGE, GroupBox3);

  GroupBox4 =
      create(WC_BUTTONW, layout::kGroupBox4Caption, BS_GROUPBOX | WS_CLIPCHILDREN, 0, MainForm);
  platform::SubclassWindow(GroupBox4, &GroupBoxProcedure);
  ComboBox = create(WC_COMBOBOXW, "", CBS_DROPDOWNLIST | WS_VSCROLL, 0, GroupBox4);
  SuchenButton = create(WC_BUTTONW, layout::kSuchenButtonCaption, BS_PUSHBUTTON, 0, GroupBox4);
  LayOut();
}

// Places the controls and gives them their fonts at the window's resolution: once made, and
// again when the resolution changes.
void Win32MainFormView::LayOut() {
  HFONT arial = CreateLayoutFont(layout::kControlFont, Scaled(layout::kControlFont.pixel_height));
  HFONT bold =
      CreateLayoutFont(layout::kResetPanelFont, Scaled(layout::kResetPanelFont.pixel_height));
  // A combo box's height is that of its dropped-down list; its closed height follows from
  // the selection field's, which is set to give the layout's height.
  layout::Place combo_place = layout::kComboBox;
  combo_place.height =
      layout::kComboBox.height + kComboBoxListItems * layout::kComboBoxItemHeight + 2;
  const struct {
    HWND control;
    layout::Place place;
    HFONT font;
  } controls[] = {
      {GroupBox3, layout::kGroupBox3, arial},       {statusLabel, layout::kStatusLabel, arial},
      {ProgressBar, layout::kProgressBar, nullptr}, {ResetPanel, layout::kResetPanel, bold},
      {GroupBox4, layout::kGroupBox4, arial},       {ComboBox, combo_place, arial},
      {SuchenButton, layout::kSuchenButton, arial}};
  for (const auto& [control, place, font] : controls) {
    MoveWindow(control, Scaled(place.left), Scaled(place.top), Scaled(place.width),
               Scaled(place.height), TRUE);
    if (font != nullptr) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  SendMessageW(ComboBox, CB_SETITEMHEIGHT, 0, Scaled(layout::kComboBoxItemHeight));
  SetComboBoxClosedHeight(Scaled(layout::kComboBox.height));
  // The controls hold the new fonts now.
  DeleteObject(arial_);
  DeleteObject(arialBold_);
  arial_ = arial;
  arialBold_ = bold;
}

// The closed height is the selection field's and the frame around it, which the system draws
// in its own width; the field is sized to the rest. Wine reads a field's height back larger
// than it was set, so the second step corrects from the height that was asked for.
void Win32MainFormView::SetComboBoxClosedHeight(int height) {
  auto field = SendMessageW(ComboBox, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
  for (int step = 0; step < 2; ++step) {
    RECT closed{};
    GetWindowRect(ComboBox, &closed);
    if (closed.bottom - closed.top == height) return;
    field += height - (closed.bottom - closed.top);
    SendMessageW(ComboBox, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
  }
}

LRESULT CALLBACK Win32MainFormView::WindowProcedure(HWND window, UINT message, WPARAM wparam,
                                                    LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* view = reinterpret_cast<Win32MainFormView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (view == nullptr || view->MainForm != window) {
    return DefWindowProcW(window, message, wparam, lparam);
  }
  // An error that leaves a handler is shown by the exception display; the loop goes on.
  try {
    return view->Handle(message, wparam, lparam);
  } catch (...) {
    ShowCurrentException();
    return 0;
  }
}

LRESULT Win32MainFormView::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND: {
      const auto control = reinterpret_cast<HWND>(lparam);
      if (events_ == nullptr) return 0;
      if (control == SuchenButton && HIWORD(wparam) == BN_CLICKED) {
        events_->SuchenButtonClick();
      } else if (control == ComboBox && HIWORD(wparam) == CBN_SELCHANGE) {
        // Sent only when the user picks an item, never for a selection made by the logic.
        events_->ComboBoxChange();
      }
      return 0;
    }
    case WM_CTLCOLORSTATIC: {
      const auto control = reinterpret_cast<HWND>(lparam);
      const auto dc = reinterpret_cast<HDC>(wparam);
      // The status line is opaque white; the lamp keeps its colour while disabled.
      if (control == statusLabel) {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, layout::kStatusLabelWhite);
        return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
      }
      if (control == ResetPanel) {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, resetPanelColor_);
        return reinterpret_cast<LRESULT>(resetPanelBrush_);
      }
      break;
    }
    case WM_TIMER:
      if (wparam == kTimer1 && events_ != nullptr) events_->Timer1Timer();
      return 0;
    case WM_DEVICECHANGE:
      // Port arrivals and removals are broadcast to top-level windows only; the serial
      // component hears of them through the user-interface loop.
      platform::PassDeviceChange(wparam, lparam);
      break;
    case WM_DPICHANGED: {
      // The program is aware of each monitor's resolution: moved to a monitor of another one
      // (or that one's changed), the window is laid out anew at it and takes the outer size of
      // the layout's scale rule at the place Windows suggests.
      const auto* suggested = reinterpret_cast<const RECT*>(lparam);
      pixelsPerInch_ = HIWORD(wparam);
      LayOut();
      const OuterSize size = OuterWindowSize(DisplayScale(pixelsPerInch_));
      SetWindowPos(MainForm, nullptr, suggested->left, suggested->top, size.width, size.height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_DESTROY:
      // Windows shows no box owned by a destroyed window: the boxes after the close (the
      // upload's result, an error) show without owner.
      SetBoxOwner(nullptr);
      break;
    case WM_CLOSE: {
      bool can_close = true;
      if (events_ != nullptr) events_->FormCloseQuery(can_close);
      if (can_close) DestroyWindow(MainForm);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(MainForm, message, wparam, lparam);
}

void Win32MainFormView::SetEvents(MainFormEvents* events) {
  events_ = events;
}

double Win32MainFormView::ScreenPixelsPerInch() {
  return pixelsPerInch_;
}

void Win32MainFormView::SetOuterSize(OuterSize size) {
  SetWindowPos(MainForm, nullptr, 0, 0, size.width, size.height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  CentreOnScreen();
}

void Win32MainFormView::CentreOnScreen() {
  RECT outer{};
  GetWindowRect(MainForm, &outer);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  SetWindowPos(MainForm, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32MainFormView::SetCaption(std::string_view text) {
  SetWindowTextW(MainForm, WideFrom1252(text).c_str());
}

bool Win32MainFormView::Showing() {
  return IsWindow(MainForm) && IsWindowVisible(MainForm);
}

void Win32MainFormView::PostClose() {
  PostMessageW(MainForm, WM_CLOSE, 0, 0);
}

void Win32MainFormView::Show() {
  ShowWindow(MainForm, SW_SHOWNORMAL);
  UpdateWindow(MainForm);
}

void Win32MainFormView::RunMessageLoop() {
  MSG message;
  while (IsWindow(MainForm) && GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

HWND Win32MainFormView::Control(MainFormControl control) const {
  // In the order of MainFormControl.
  const std::array<HWND, 5> controls = {statusLabel, ProgressBar, ResetPanel, ComboBox,
                                        SuchenButton};
  return controls.at(static_cast<std::size_t>(control));
}

void Win32MainFormView::SetControlEnabled(MainFormControl control, bool enabled) {
  EnableWindow(Control(control), enabled ? TRUE : FALSE);
}

void Win32MainFormView::RepaintControl(MainFormControl control) {
  RedrawWindow(Control(control), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Win32MainFormView::SetStatusLabelText(std::string_view text) {
  SetWindowTextW(statusLabel, WideFrom1252(text).c_str());
}

void Win32MainFormView::SetProgressBarPosition(int position) {
  SendMessageW(ProgressBar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void Win32MainFormView::SetResetPanelColor(std::uint32_t bgr) {
  // COLORREF is 0x00BBGGRR too.
  const COLORREF color = bgr & 0xFFFFFFu;
  if (color == resetPanelColor_) return;
  HBRUSH brush = CreateSolidBrush(color);
  DeleteObject(resetPanelBrush_);
  resetPanelBrush_ = brush;
  resetPanelColor_ = color;
  InvalidateRect(ResetPanel, nullptr, TRUE);
}

void Win32MainFormView::ClearComboBox() {
  SendMessageW(ComboBox, CB_RESETCONTENT, 0, 0);
}

void Win32MainFormView::AddComboBoxItem(std::string_view text) {
  const std::wstring item = WideFrom1252(text);
  SendMessageW(ComboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

int Win32MainFormView::ComboBoxCount() {
  return static_cast<int>(SendMessageW(ComboBox, CB_GETCOUNT, 0, 0));
}

std::string Win32MainFormView::ComboBoxItem(int index) {
  const auto length = SendMessageW(ComboBox, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::wstring item(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(ComboBox, CB_GETLBTEXT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(item.data()));
  item.resize(static_cast<std::size_t>(length));
  return Windows1252From(item);
}

void Win32MainFormView::SetComboBoxIndex(int index) {
  SendMessageW(ComboBox, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::string Win32MainFormView::ComboBoxText() {
  const auto index = SendMessageW(ComboBox, CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? std::string() : ComboBoxItem(static_cast<int>(index));
}

// A list-only drop-down list shows only its items: the text selects the item that reads so.
void Win32MainFormView::SetComboBoxText(std::string_view text) {
  const std::wstring item = WideFrom1252(text);
  const auto index = SendMessageW(ComboBox, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(item.c_str()));
  if (index != CB_ERR) SendMessageW(ComboBox, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void Win32MainFormView::ShowBox(BoxKind kind, std::string_view caption, std::string_view text) {
  ShowMessageBox(kind, caption, text);
}

// The user-interface loop's pump, which also runs the calls posted to the loop; the program
// installs the loop before it makes the window.
void Win32MainFormView::ProcessMessages() {
  platform::InstalledUserInterfaceLoop().ProcessMessages();
}

void Win32MainFormView::SetTimer1Interval(int milliseconds) {
  timer1Interval_ = milliseconds;
  if (timer1Enabled_) SetTimer(MainForm, kTimer1, static_cast<UINT>(timer1Interval_), nullptr);
}

void Win32MainFormView::SetTimer1Enabled(bool enabled) {
  timer1Enabled_ = enabled;
  if (enabled) {
    SetTimer(MainForm, kTimer1, static_cast<UINT>(timer1Interval_), nullptr);
  } else {
    KillTimer(MainForm, kTimer1);
  }
}

bool Win32MainFormView::Timer1Enabled() {
  return timer1Enabled_;
}

}  // namespace korvalesen
