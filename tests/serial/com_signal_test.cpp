#include "serial/com_signal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/exception_display.h"
#include "sim/virtual_device_list.h"
#include "sim/virtual_serial_line.h"
#include "tests/support/pump.h"

namespace korvalesen {
namespace {

using namespace std::chrono_literals;

class Panel final : public SignalControl {
 public:
  void SetColor(std::uint32_t bgr) override { colors.push_back(bgr); }
  std::vector<std::uint32_t> colors;
};

class ComSignalTest : public ::testing::Test {
 public:
  ComSignalTest() : line_("/dev/ttyV0"), names_({}, {}) {
    devices_.Add(line_);
    port_ = std::make_unique<TComPort>(
        ComPortServices{&devices_, &names_, &platform::SystemPriority()});
    port_->SetDeviceName("/dev/ttyV0");
    port_->SetAfterOpen(TOpenCloseEvent(this, &ComSignalTest::PortOpened));
  }
  void PortOpened(TCustomComPort&) { order_.push_back("port"); }
  void Signalled(TComponent& sender) { order_.push_back(&sender == &reset_ ? "reset" : "mode"); }

  sim::VirtualSerialLine line_;
  sim::VirtualDevices devices_;
  sim::VirtualDeviceList names_;
  std::unique_ptr<TComPort> port_;
  TComSignal reset_;
  TComSignal mode_;
  Panel panel_;
  std::vector<std::string> order_;
};

TEST_F(ComSignalTest, DsrLightsThePanelAndSignalsOncePerChange) {
  reset_.SetControl(&panel_);
  reset_.SetDelay(10);
  reset_.SetSignal(siDSR);
  reset_.SetOnSignal(TNotifyEvent(this, &ComSignalTest::Signalled));
  reset_.SetComPort(port_.get());
  EXPECT_FALSE(reset_.SignalValue());
  EXPECT_EQ(panel_.colors, std::vector<std::uint32_t>{clGreen});
  port_->Open();
  EXPECT_TRUE(port_->HasEventThread());
  line_.SetDsr(true);
  ASSERT_TRUE(PumpUntil([&] { return reset_.SignalValue(); }));
  EXPECT_EQ(panel_.colors.back(), clLime);
  line_.SetCts(true);  // not hooked: no event, no change
  platform::InstalledUserInterfaceLoop().ProcessMessages();
  // The user-interface thread opened the port, so "port" came first; one signal since.
  EXPECT_EQ(order_, (std::vector<std::string>{"port", "reset"}));
  reset_.SetColorOn(0x123456);  // shown at the next paint only
  EXPECT_EQ(panel_.colors.back(), clLime);
  port_->Close();
  EXPECT_FALSE(reset_.SignalValue());
  EXPECT_EQ(panel_.colors.back(), clGreen);
}

TEST_F(ComSignalTest, TheIndicatorHookedLastRunsFirstOnOpenAndClose) {
  line_.SetDsr(true);
  line_.SetCts(true);
  reset_.SetSignal(siDSR);
  reset_.SetOnSignal(TNotifyEvent(this, &ComSignalTest::Signalled));
  reset_.SetComPort(port_.get());
  mode_.SetSignal(siCTS);
  mode_.SetOnSignal(TNotifyEvent(this, &ComSignalTest::Signalled));
  mode_.SetComPort(port_.get());
  port_->Open();
  EXPECT_EQ(order_, (std::vector<std::string>{"mode", "reset", "port"}));
  order_.clear();
  port_->Close();
  EXPECT_EQ(order_, (std::vector<std::string>{"mode", "reset"}));
}

TEST_F(ComSignalTest, RemovingAnIndicatorThatIsNotLastLeavesNoReferenceToIt) {
  auto first = std::make_unique<TComSignal>();
  first->SetSignal(siDSR);
  first->SetComPort(port_.get());
  mode_.SetSignal(siDSR);
  mode_.SetOnSignal(TNotifyEvent(this, &ComSignalTest::Signalled));
  mode_.SetComPort(port_.get());
  first.reset();  // hooked first, removed first
  port_->Open();  // would call into the removed indicator if a reference were left
  line_.SetDsr(true);
  ASSERT_TRUE(PumpUntil([&] { return mode_.SignalValue(); }));
  EXPECT_EQ(order_, (std::vector<std::string>{"port", "mode"}));  // DSR came after the open
  mode_.SetComPort(nullptr);
  EXPECT_FALSE(port_->OnEvent(evDSRChange));  // everything put back
  EXPECT_EQ(port_->AfterOpen(), TOpenCloseEvent(this, &ComSignalTest::PortOpened));
}

TEST_F(ComSignalTest, APulseGoesDarkDelayAfterTheLastEvent) {
  mode_.SetSignal(siRxChar);
  mode_.SetDelay(100);
  mode_.SetComPort(port_.get());
  port_->Open();
  line_.Send("a");
  ASSERT_TRUE(PumpUntil([&] { return mode_.SignalValue(); }));
  PumpUntil([] { return false; }, 90ms);
  line_.Send("b");  // 0.9 Delay later: stays lit
  PumpUntil([] { return false; }, 50ms);
  EXPECT_TRUE(mode_.SignalValue());
  ASSERT_TRUE(PumpUntil([&] { return !mode_.SignalValue(); }, 1000ms));
}

TEST_F(ComSignalTest, WithoutAPortTheTimerTicksOnceAndRaisesNothing) {
  reset_.SetDelay(10);
  reset_.SetOnSignal(TNotifyEvent(this, &ComSignalTest::Signalled));
  PumpUntil([] { return false; }, 50ms);
  EXPECT_FALSE(reset_.SignalValue());
  EXPECT_TRUE(order_.empty());
}

TEST_F(ComSignalTest, AnIndicatorDestroyedOnAnUnpluggedDeviceShowsTheErrorAndUnhooks) {
  std::vector<std::string> shown;
  SetExceptionDisplay([&shown](const Error& e) { shown.push_back(e.Message()); });
  {
    TComSignal pulse;
    pulse.SetSignal(siCTS);
    pulse.SetComPort(port_.get());
    port_->Open();
    line_.Unplug();
  }  // unhooking sets the port's event mask on a device that is gone
  SetExceptionDisplay(nullptr);
  EXPECT_EQ(shown.size(), 1U);
  EXPECT_TRUE(port_->OnEvent(evCTSChange) == TNotifyEvent());  // nothing points to it
}

}  // namespace
}  // namespace korvalesen
