#include <gtest/gtest.h>

#include "app/main_form.h"
#include "tests/support/recording_main_form_view.h"

namespace korvalesen {
namespace {

using testing::RecordingMainFormView;

TEST(WindowComponents, ThePortHasTheWindowsSettings) {
  RecordingMainFormView view;
  TMainForm form(view);
  EXPECT_FALSE(form.ComPort.Active());
  EXPECT_EQ(form.ComPort.BaudRate(), br9600);
  EXPECT_EQ(form.ComPort.BufferSizes().Input(), 64000);
  EXPECT_EQ(form.ComPort.PriorityClass(), pcRealTime);
  EXPECT_TRUE(static_cast<bool>(form.ComPort.OnError()));
  EXPECT_TRUE(static_cast<bool>(form.ComPort.OnLineError()));
  EXPECT_EQ(form.portName, "COM1");
  EXPECT_FALSE(form.ResetComSignal.SignalValue());
  EXPECT_EQ(form.ResetComSignal.Control(), &form.ResetPanelLamp);
}

TEST(WindowComponents, APortErrorIsShownWithThePortNameAndEndsSilently) {
  RecordingMainFormView view;
  TMainForm form(view);
  form.portName = "ttyUSB7";
  form.ComPort.SetDeviceName("/dev/korvalesen-no-such-port");
  EXPECT_THROW(form.ComPort.SetActive(true), SilentAbort);
  EXPECT_FALSE(form.ComPort.Active());
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].kind, BoxKind::kError);
  EXPECT_EQ(view.boxes[0].caption, "Fehler");
  EXPECT_EQ(view.boxes[0].text, "ComPortError:  ttyUSB7 !");
}

}  // namespace
}  // namespace korvalesen
