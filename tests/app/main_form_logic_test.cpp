// The window's logic over a view that records, on every build.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_form.h"
#include "common/exception_display.h"
#include "common/windows1252.h"
#include "tests/support/recording_main_form_view.h"

namespace korvalesen {
namespace {

using testing::RecordingMainFormView;

class MainFormLogicTest : public ::testing::Test {
 protected:
  RecordingMainFormView view_;
  TMainForm form_{view_};
};

TEST_F(MainFormLogicTest, StartsInTheInitialState) {
  EXPECT_EQ(view_.caption, "LCD Konfiguration auslesen v" + std::to_string(PROJECT_VERSION_MAJOR) +
                               "." + std::to_string(PROJECT_VERSION_MINOR));
  EXPECT_EQ(view_.outer_size, (OuterSize{593, 175}));
  EXPECT_TRUE(view_.timer1_enabled);
  EXPECT_EQ(view_.timer1_interval, 1000);
  EXPECT_EQ(form_.FaultTexts.texts[39], "Ungültige Fehlertext-Nr."_w1252);
  EXPECT_TRUE(view_.Connected());
  EXPECT_TRUE(view_.boxes.empty());
}

TEST(MainFormLogic, TheOuterSizeFollowsTheScreensResolutionAndTheEventsEndWithTheForm) {
  RecordingMainFormView view(120);
  {
    TMainForm form(view);
    EXPECT_FLOAT_EQ(form.displayScale, 1.25f);
    EXPECT_EQ(view.outer_size, (OuterSize{741, 218}));
  }
  EXPECT_FALSE(view.Connected()) << "a destroyed form still receives the widgets' events";
}

TEST_F(MainFormLogicTest, DisablingTheControlsLeavesFramesStatusLineAndColoursAlone) {
  const std::uint32_t lamp = view_.reset_panel_color;
  form_.EnableControls(false);
  for (MainFormControl control : {MainFormControl::kResetPanel, MainFormControl::kProgressBar,
                                  MainFormControl::kSuchenButton, MainFormControl::kComboBox}) {
    EXPECT_FALSE(view_.Enabled(control)) << static_cast<int>(control);
  }
  EXPECT_TRUE(view_.Enabled(MainFormControl::kStatusLabel));
  EXPECT_EQ(view_.reset_panel_color, lamp);
  EXPECT_EQ(view_.repaints, std::vector{MainFormControl::kComboBox});
  form_.EnableControls(true);
  EXPECT_TRUE(view_.Enabled(MainFormControl::kComboBox));
  EXPECT_TRUE(view_.Enabled(MainFormControl::kResetPanel));

  form_.EnableControls(false);
  form_.EnableSearch();
  EXPECT_TRUE(view_.Enabled(MainFormControl::kSuchenButton));
  EXPECT_TRUE(view_.Enabled(MainFormControl::kComboBox));
  EXPECT_FALSE(view_.Enabled(MainFormControl::kResetPanel));
}

TEST_F(MainFormLogicTest, StatusTextIsPaintedAtOnceAndProgressReachesTheBar) {
  form_.SetStatusText("Konfiguration aus Gerät lesen"_w1252);
  EXPECT_EQ(view_.status_text, "Konfiguration aus Gerät lesen"_w1252);
  EXPECT_EQ(view_.repaints, std::vector{MainFormControl::kStatusLabel});
  EXPECT_EQ(view_.processed_messages, 1) << "the new text is shown before the stage goes on";
  form_.SetProgress(70);
  EXPECT_EQ(view_.progress, 70);
}

TEST_F(MainFormLogicTest, ErrorAndInfoBoxesHaveTheirKindsAndCaptions) {
  form_.ShowErrorBox("Keine Rückmeldung"_w1252);
  form_.ShowInfoBox("Übertragung erfolgreich beendet! €"_w1252);
  ASSERT_EQ(view_.boxes.size(), 2u);
  EXPECT_EQ(view_.boxes[0].kind, BoxKind::kError);
  EXPECT_EQ(view_.boxes[0].caption, "Fehler");
  EXPECT_EQ(view_.boxes[0].text, "Keine Rückmeldung"_w1252);
  EXPECT_EQ(view_.boxes[1].kind, BoxKind::kInformation);
  EXPECT_EQ(view_.boxes[1].caption, "Information");
  EXPECT_EQ(view_.boxes[1].text, "Übertragung erfolgreich beendet! €"_w1252);
}

TEST_F(MainFormLogicTest, ThePortListAndTheLampGoThroughTheView) {
  form_.AddPortItem("COM3");
  form_.AddPortItem("COM7");
  form_.SelectPortItem(1);
  EXPECT_EQ(form_.PortItemCount(), 2);
  EXPECT_EQ(form_.PortItem(0), "COM3");
  EXPECT_EQ(form_.PortListText(), "COM7");
  form_.ClearPortItems();
  EXPECT_EQ(form_.PortItemCount(), 0);
  form_.SetResetPanelColor(0x0000FF);
  form_.RepaintResetPanel();
  EXPECT_EQ(view_.reset_panel_color, 0x0000FFu);
  EXPECT_EQ(view_.repaints, std::vector{MainFormControl::kResetPanel});
}

TEST_F(MainFormLogicTest, ASecondPressOfSuchenDoesNotRestartAnArmedTimer) {
  view_.timer1_enabled = false;
  view_.PressSuchen();
  EXPECT_TRUE(view_.timer1_enabled);
  const int starts = view_.timer1_starts;
  view_.PressSuchen();
  EXPECT_EQ(view_.timer1_starts, starts) << "the second press restarted the timer";
}

TEST_F(MainFormLogicTest, TheFirstTickRunsTheHandlerOnceAndWithoutAHandlerTheTimerStops) {
  view_.TickTimer1();
  EXPECT_FALSE(view_.timer1_enabled);
  int runs = 0;
  form_.SetTimer1Handler([&] {
    ++runs;
    form_.Timer1.SetEnabled(false);
  });
  view_.timer1_enabled = true;
  view_.TickTimer1();
  view_.TickTimer1();
  EXPECT_EQ(runs, 1);
}

TEST_F(MainFormLogicTest, AnErrorLeavingAHandlerIsShownAndTheHandlersGoOn) {
  std::vector<std::string> shown;
  SetExceptionDisplay([&](const Error& error) { shown.emplace_back(error.what()); });
  int ticks = 0;
  form_.SetTimer1Handler([&] {
    ++ticks;
    throw Error("Socket-Fehler # 10061");
  });
  view_.TickTimer1();
  form_.SetTimer1Handler([&] {
    ++ticks;
    throw SilentAbort();
  });
  view_.TickTimer1();
  SetExceptionDisplay(nullptr);
  EXPECT_EQ(ticks, 2) << "the loop went on after the first error";
  EXPECT_EQ(shown, std::vector<std::string>{"Socket-Fehler # 10061"})
      << "the silent abort shows nothing";
}

TEST_F(MainFormLogicTest, ClosingIsAlwaysAllowedAndClosesThePort) {
  EXPECT_TRUE(view_.Close());
  EXPECT_FALSE(form_.ComPort.Active());
  EXPECT_TRUE(view_.boxes.empty());
}

}  // namespace
}  // namespace korvalesen
