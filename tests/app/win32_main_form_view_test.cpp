// The main window's native controls, made for real (under Wine with a virtual display): their
// classes, styles, places, fonts and texts, the lamp's paint, the events they raise and the
// boxes, which the test answers itself.

#include "app/win32/win32_main_form_view.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/message_boxes.h"
#include "common/exception_display.h"
#include "tests/support/pump.h"

namespace korvalesen {
namespace {

using namespace std::chrono_literals;

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// The control's rectangle in its parent's client area.
RECT PlaceOf(HWND window) {
  RECT place{};
  GetWindowRect(window, &place);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&place), 2);
  return place;
}

struct RecordedEvents : MainFormEvents {
  virtual ~RecordedEvents() = default;
  void SuchenButtonClick() override {
    ++clicks;
    if (!throwOnClick.empty()) throw Error(throwOnClick);
  }
  void ComboBoxChange() override { ++changes; }
  void Timer1Timer() override { ++ticks; }
  void FormCloseQuery(bool& can_close) override {
    ++closeQueries;
    can_close = true;
  }
  int clicks = 0, changes = 0, ticks = 0, closeQueries = 0;
  std::string throwOnClick;
};

class Win32MainFormViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(view_.ScreenPixelsPerInch(), 96.0) << "the test prefix runs at 96 dpi";
    view_.SetOuterSize(OuterWindowSize(DisplayScale(96)));
    view_.SetCaption("LCD Konfiguration auslesen v1.0");
    view_.SetEvents(&events_);
    view_.Show();
    view_.ProcessMessages();
  }

  RecordedEvents events_;
  Win32MainFormView view_;
};

TEST_F(Win32MainFormViewTest, ControlsHaveTheLayoutsClassesStylesPlacesFontsAndTexts) {
  struct Expected {
    HWND control;
    HWND parent;
    const wchar_t* window_class;
    DWORD style;  // bits that must be set
    RECT place;   // left, top, right, bottom
    const wchar_t* text;
    LONG weight;  // 0: the control sets no font
  };
  const Expected layout[] = {
      {view_.GroupBox3,
       view_.MainForm,
       L"Button",
       BS_GROUPBOX,
       {16, 24, 369, 113},
       L"Status",
       FW_NORMAL},
      {view_.statusLabel,
       view_.GroupBox3,
       L"Static",
       SS_NOPREFIX,
       {16, 64, 345, 82},
       L"",
       FW_NORMAL},
      {view_.ProgressBar, view_.GroupBox3, PROGRESS_CLASSW, PBS_SMOOTH, {16, 32, 249, 57}, L"", 0},
      {view_.ResetPanel,
       view_.GroupBox3,
       L"Static",
       SS_CENTER | SS_CENTERIMAGE,
       {264, 32, 337, 57},
       L"Reset",
       FW_BOLD},
      {view_.GroupBox4,
       view_.MainForm,
       L"Button",
       BS_GROUPBOX,
       {384, 24, 561, 113},
       L"Port",
       FW_NORMAL},
      {view_.ComboBox,
       view_.GroupBox4,
       L"ComboBox",
       CBS_DROPDOWNLIST,
       {16, 24, 153, 50},
       L"",
       FW_NORMAL},
      {view_.SuchenButton,
       view_.GroupBox4,
       L"Button",
       BS_PUSHBUTTON,
       {16, 56, 153, 81},
       L"suchen",
       FW_NORMAL},
  };
  for (const Expected& expected : layout) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(expected.text)) + " " +
                 testing::PrintToString(std::wstring(expected.window_class)));
    EXPECT_EQ(GetParent(expected.control), expected.parent);
    EXPECT_EQ(ClassOf(expected.control), expected.window_class);
    const auto style = static_cast<DWORD>(GetWindowLongW(expected.control, GWL_STYLE));
    EXPECT_EQ(style & expected.style, expected.style);
    EXPECT_EQ(style & WS_TABSTOP, 0u) << "no control is a tab stop";
    EXPECT_TRUE(IsWindowEnabled(expected.control) && IsWindowVisible(expected.control));
    const RECT place = PlaceOf(expected.control);
    EXPECT_EQ(place.left, expected.place.left);
    EXPECT_EQ(place.top, expected.place.top);
    EXPECT_EQ(place.right, expected.place.right);
    EXPECT_EQ(place.bottom, expected.place.bottom);
    EXPECT_EQ(TextOf(expected.control), expected.text);
    if (expected.weight != 0) {
      LOGFONTW font{};
      GetObjectW(reinterpret_cast<HFONT>(SendMessageW(expected.control, WM_GETFONT, 0, 0)),
                 sizeof font, &font);
      EXPECT_STREQ(font.lfFaceName, L"Arial");
      EXPECT_EQ(font.lfHeight, -16);
      EXPECT_EQ(font.lfWeight, expected.weight);
    }
  }
  EXPECT_EQ(GetWindowLongW(view_.ResetPanel, GWL_EXSTYLE) & WS_EX_STATICEDGE, WS_EX_STATICEDGE)
      << "the lamp's lowered bevel";
  PBRANGE range{};
  SendMessageW(view_.ProgressBar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.iLow, 0);
  EXPECT_EQ(range.iHigh, 100);

  // The window: a thin fixed frame, 593 x 175 outside, centred, with the caption and the icon.
  RECT outer{};
  GetWindowRect(view_.MainForm, &outer);
  EXPECT_EQ(outer.right - outer.left, 593);
  EXPECT_EQ(outer.bottom - outer.top, 175);
  EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 593) / 2);
  EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - 175) / 2);
  const auto style = static_cast<DWORD>(GetWindowLongW(view_.MainForm, GWL_STYLE));
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0u);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), static_cast<DWORD>(WS_CAPTION | WS_SYSMENU));
  EXPECT_EQ(TextOf(view_.MainForm), L"LCD Konfiguration auslesen v1.0");
  EXPECT_NE(GetClassLongPtrW(view_.MainForm, GCLP_HICON), 0u) << "the icon resource";
  EXPECT_TRUE(view_.Showing());
}

TEST_F(Win32MainFormViewTest, LampAndStatusLineAreOpaqueInTheirColoursAndTextsAreWindows1252) {
  const auto pixel = [](HWND control) {
    HDC dc = GetDC(control);
    const COLORREF colour = GetPixel(dc, 3, 3);
    ReleaseDC(control, dc);
    return colour;
  };
  view_.SetStatusLabelText("Konfiguration aus Ger\xE4t lesen");
  view_.RepaintControl(MainFormControl::kStatusLabel);
  EXPECT_EQ(TextOf(view_.statusLabel), L"Konfiguration aus Ger\u00E4t lesen");
  EXPECT_EQ(pixel(view_.statusLabel), RGB(255, 255, 255));

  EXPECT_EQ(pixel(view_.ResetPanel), RGB(0, 128, 0)) << "green at start";
  view_.SetResetPanelColor(0x0000FF00);
  view_.RepaintControl(MainFormControl::kResetPanel);
  EXPECT_EQ(pixel(view_.ResetPanel), RGB(0, 255, 0));
  view_.SetControlEnabled(MainFormControl::kResetPanel, false);
  view_.RepaintControl(MainFormControl::kResetPanel);
  EXPECT_FALSE(IsWindowEnabled(view_.ResetPanel));
  EXPECT_EQ(pixel(view_.ResetPanel), RGB(0, 255, 0)) << "the lamp keeps its colour disabled";

  view_.SetProgressBarPosition(42);
  EXPECT_EQ(SendMessageW(view_.ProgressBar, PBM_GETPOS, 0, 0), 42);
}

TEST_F(Win32MainFormViewTest, ControlsTimerAndCloseRaiseTheWindowsEvents) {
  view_.AddComboBoxItem("COM1");
  view_.AddComboBoxItem("COM\xE4");
  EXPECT_EQ(view_.ComboBoxCount(), 2);
  EXPECT_EQ(view_.ComboBoxItem(1), "COM\xE4");
  view_.SetComboBoxText("COM\xE4");
  EXPECT_EQ(view_.ComboBoxText(), "COM\xE4");
  view_.SetComboBoxIndex(0);
  EXPECT_EQ(view_.ComboBoxText(), "COM1");
  EXPECT_EQ(events_.changes, 0) << "a selection by the logic raises nothing";
  // The user steps to the next item with the keyboard.
  SendMessageW(view_.ComboBox, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(events_.changes, 1);
  EXPECT_EQ(view_.ComboBoxText(), "COM\xE4");
  view_.ClearComboBox();
  EXPECT_EQ(view_.ComboBoxCount(), 0);
  EXPECT_EQ(view_.ComboBoxText(), "");

  SendMessageW(view_.SuchenButton, BM_CLICK, 0, 0);
  EXPECT_EQ(events_.clicks, 1);

  view_.SetTimer1Interval(20);
  view_.SetTimer1Enabled(true);
  EXPECT_TRUE(view_.Timer1Enabled());
  PumpFor(200ms);
  EXPECT_GE(events_.ticks, 2);
  view_.SetTimer1Enabled(false);
  const int ticks = events_.ticks;
  PumpFor(100ms);
  EXPECT_EQ(events_.ticks, ticks) << "a disabled timer stays silent";

  view_.PostClose();
  EXPECT_TRUE(view_.Showing()) << "the close is queued";
  view_.ProcessMessages();
  EXPECT_EQ(events_.closeQueries, 1);
  EXPECT_FALSE(view_.Showing());
  view_.RunMessageLoop();  // returns at once: the window is gone
}

// What a box showed, read by the test before it presses OK.
struct AnsweredBox {
  std::wstring caption;
  std::wstring text;
  HWND owner = nullptr;
  HICON icon = nullptr;
};
std::vector<AnsweredBox> answered_boxes;

// The box's icon: the static control that shows an icon.
BOOL CALLBACK FindIcon(HWND control, LPARAM icon) {
  if (ClassOf(control) != L"Static" ||
      (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
    return TRUE;
  }
  *reinterpret_cast<HICON*>(icon) =
      reinterpret_cast<HICON>(SendMessageW(control, STM_GETICON, 0, 0));
  return FALSE;
}

BOOL CALLBACK AnswerBox(HWND window, LPARAM /*unused*/) {
  if (ClassOf(window) != L"#32770" || !IsWindowVisible(window)) return TRUE;
  AnsweredBox box{TextOf(window), TextOf(GetDlgItem(window, 0xFFFF)), GetWindow(window, GW_OWNER),
                  nullptr};
  EnumChildWindows(window, &FindIcon, reinterpret_cast<LPARAM>(&box.icon));
  answered_boxes.push_back(box);
  PostMessageW(window, WM_COMMAND, IDOK, 0);
  return FALSE;
}

// The system's error (32513) and information (32516) icons.
HICON SystemIcon(int id) {
  return LoadIconW(nullptr, MAKEINTRESOURCEW(id));
}

void CALLBACK LookForBox(HWND /*window*/, UINT /*message*/, UINT_PTR /*id*/, DWORD /*time*/) {
  EnumThreadWindows(GetCurrentThreadId(), &AnswerBox, 0);
}

TEST_F(Win32MainFormViewTest, BoxesAndTheExceptionDisplayAreOwnedByTheWindowAndAnswered) {
  answered_boxes.clear();
  const UINT_PTR poll = SetTimer(nullptr, 0, 20, &LookForBox);
  view_.ShowBox(BoxKind::kError, "Fehler",
                "Der Port kann nicht ge\xF6"
                "ffnet werden.\r\nCOM1");
  view_.ShowBox(BoxKind::kInformation, "Information",
                "\xDC"
                "bertragung erfolgreich beendet!");

  SetExceptionDisplay(ShowExceptionBox);
  events_.throwOnClick = "Socket-Fehler # 10061";
  SendMessageW(view_.SuchenButton, BM_CLICK, 0, 0);
  SetExceptionDisplay(nullptr);
  KillTimer(nullptr, poll);

  ASSERT_EQ(answered_boxes.size(), 3u);
  EXPECT_EQ(answered_boxes[0].caption, L"Fehler");
  EXPECT_EQ(answered_boxes[0].text, L"Der Port kann nicht ge\u00F6ffnet werden.\r\nCOM1");
  EXPECT_EQ(answered_boxes[1].caption, L"Information");
  EXPECT_EQ(answered_boxes[1].text, L"\u00DCbertragung erfolgreich beendet!");
  EXPECT_EQ(answered_boxes[2].caption, L"Korvalesen");
  EXPECT_EQ(answered_boxes[2].text, L"Socket-Fehler # 10061");
  for (const AnsweredBox& box : answered_boxes) EXPECT_EQ(box.owner, view_.MainForm);
  EXPECT_EQ(answered_boxes[0].icon, SystemIcon(32513));
  EXPECT_EQ(answered_boxes[1].icon, SystemIcon(32516));
  EXPECT_EQ(answered_boxes[2].icon, SystemIcon(32513));
}

}  // namespace
}  // namespace korvalesen
