#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "common/exception_display.h"
#include "serial/com_port.h"
#include "sim/recording_priority.h"
#include "sim/virtual_device_list.h"
#include "sim/virtual_serial_line.h"
#include "tests/serial/recorded_device_notices.h"
#include "tests/support/pump.h"

namespace korvalesen {
namespace {

using namespace std::chrono_literals;

const std::string kFtdi = "USB#VID_0403&PID_6001#1-2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

class ComPortNoticesTest : public ::testing::Test {
 public:
  ComPortNoticesTest() : names_({}, {}) {
    port_ = std::make_unique<TComPort>(ComPortServices{&devices_, &names_, &priority_, &source_});
    SetExceptionDisplay([this](const Error& e) { shown_.push_back(e.Message()); });
  }
  ~ComPortNoticesTest() override {
    port_.reset();
    SetExceptionDisplay(nullptr);
  }

  void OnArrival(TComponent& sender, const std::string& name) {
    EXPECT_EQ(&sender, port_.get());
    EXPECT_EQ(std::this_thread::get_id(), ui_thread_);
    calls_.push_back("arrival " + name);
    if (on_call_) on_call_();
  }
  void OnRemoved(TComponent& sender, const std::string& name) {
    EXPECT_EQ(&sender, port_.get());
    EXPECT_EQ(std::this_thread::get_id(), ui_thread_);
    calls_.push_back("removal " + name);
    if (on_call_) on_call_();
  }
  TDeviceArrivalEvent Arrival() { return {this, &ComPortNoticesTest::OnArrival}; }
  TDeviceRemovedEvent Removed() { return {this, &ComPortNoticesTest::OnRemoved}; }

  const std::thread::id ui_thread_ = std::this_thread::get_id();
  testing::RecordedDeviceNotices source_;
  sim::VirtualDevices devices_;
  sim::VirtualDeviceList names_;
  sim::RecordingPriority priority_;
  std::unique_ptr<TComPort> port_;
  std::vector<std::string> calls_, shown_;
  std::function<void()> on_call_;
};

TEST_F(ComPortNoticesTest, PlugAndUnplugReachTheHandlersOnTheUserInterfaceThread) {
  port_->SetOnDeviceArrival(Arrival());
  port_->SetOnDeviceRemoved(Removed());
  ASSERT_EQ(source_.OpenListeners(), 1);
  // The kernel speaks from elsewhere; the notices wait for the user-interface thread.
  std::thread kernel([&] {
    source_.Send(testing::kFtdiPlug);
    source_.Send("recorded_block_loop42_add");
    source_.Send(testing::kFtdiUnplug);
  });
  kernel.join();
  EXPECT_TRUE(calls_.empty()) << "nothing is delivered while the thread processes no events";
  ASSERT_TRUE(PumpUntil([&] { return calls_.size() >= 4; }));
  PumpFor(50ms);
  EXPECT_EQ(calls_, (std::vector<std::string>{"arrival " + kFtdi, "arrival ttyUSB0",
                                              "removal ttyUSB0", "removal " + kFtdi}));
}

TEST_F(ComPortNoticesTest, TheSettersStartAndStopTheListenerAndTheDestructorStopsIt) {
  EXPECT_EQ(source_.OpenListeners(), 0);
  port_->SetOnDeviceArrival(Arrival());
  port_->SetOnDeviceRemoved(Removed());
  EXPECT_EQ(source_.OpenListeners(), 1) << "one registration for both handlers";
  EXPECT_TRUE(port_->StartNotification());
  EXPECT_EQ(source_.OpenListeners(), 1);
  port_->SetOnDeviceArrival(nullptr);
  EXPECT_EQ(source_.OpenListeners(), 1) << "OnDeviceRemoved still wants the notices";
  source_.Send("recorded_tty_ttyS0_add");  // no handler for arrivals now
  source_.Send("recorded_tty_ttyS0_remove");
  ASSERT_TRUE(PumpUntil([&] { return !calls_.empty(); }));
  PumpFor(30ms);
  EXPECT_EQ(calls_, std::vector<std::string>{"removal ttyS0"});
  port_->SetOnDeviceRemoved(nullptr);
  EXPECT_EQ(source_.OpenListeners(), 0);
  EXPECT_TRUE(port_->StopNotification()) << "nothing registered";

  port_->SetOnDeviceArrival(Arrival());
  EXPECT_EQ(source_.OpenListeners(), 1);
  source_.Send("recorded_tty_ttyS0_add");
  port_.reset();  // the notice is waiting; it must not reach a handler of a destroyed port
  EXPECT_EQ(source_.OpenListeners(), 0);
  PumpFor(50ms);
  EXPECT_EQ(calls_.size(), 1u);
}

TEST_F(ComPortNoticesTest, NoRegistrationInDesignModeOrWhenTheSystemRefuses) {
  port_->SetDesigning(true);
  port_->SetOnDeviceArrival(Arrival());
  EXPECT_EQ(source_.OpenListeners(), 0);
  EXPECT_TRUE(port_->OnDeviceArrival()) << "stored all the same";
  port_->SetDesigning(false);

  source_.refuse = true;
  EXPECT_FALSE(port_->StartNotification());
  port_->SetOnDeviceRemoved(Removed());
  EXPECT_EQ(source_.OpenListeners(), 0);
  source_.refuse = false;
  EXPECT_TRUE(port_->StartNotification());
  EXPECT_EQ(source_.OpenListeners(), 1);

  TComPort without_source({&devices_, &names_, &priority_});
  without_source.SetOnDeviceArrival(Arrival());
  EXPECT_FALSE(without_source.StartNotification());
}

TEST_F(ComPortNoticesTest, AHandlerThatStopsTheNoticesGetsNoMoreEvenWhenItPumpsEvents) {
  port_->SetOnDeviceArrival(Arrival());
  port_->SetOnDeviceRemoved(Removed());
  on_call_ = [&] {
    on_call_ = nullptr;
    EXPECT_TRUE(port_->StopNotification());  // the handlers stay assigned
    // A message box, for instance, runs the event loop, and with it the calls posted before.
    PumpFor(30ms);
    QCoreApplication::sendPostedEvents();
  };
  source_.Send(testing::kFtdiPlug);
  source_.Send(testing::kFtdiUnplug);
  ASSERT_TRUE(PumpUntil([&] { return !calls_.empty(); }));
  PumpFor(50ms);
  EXPECT_EQ(calls_, std::vector<std::string>{"arrival " + kFtdi});
  EXPECT_EQ(source_.OpenListeners(), 0);
}

TEST_F(ComPortNoticesTest, AHandlersErrorIsShownAndTheNextNoticeStillComes) {
  port_->SetOnDeviceArrival(Arrival());
  on_call_ = [&] {
    on_call_ = nullptr;
    throw Error("kaputt");
  };
  source_.Send("recorded_tty_ttyS0_add");
  source_.Send("written_ftdi_plug_4_tty_add");
  ASSERT_TRUE(PumpUntil([&] { return calls_.size() >= 2; }));
  EXPECT_EQ(calls_, (std::vector<std::string>{"arrival ttyS0", "arrival ttyUSB0"}));
  EXPECT_EQ(shown_, std::vector<std::string>{"kaputt"});
}

TEST_F(ComPortNoticesTest, WindowHookCallsTheHandlerOfTheNoticeAndConsumesNothing) {
  using Kind = platform::DeviceNotice::Kind;
  EXPECT_FALSE(port_->WindowHook({Kind::kArrival, "ttyS0"})) << "no handler: nothing happens";
  port_->SetOnDeviceArrival(Arrival());
  port_->SetOnDeviceRemoved(Removed());
  // A handler that replaces itself while it runs.
  on_call_ = [&] {
    on_call_ = nullptr;
    port_->SetOnDeviceArrival(TDeviceArrivalEvent::Bind(
        this, "other",
        [this](TComponent&, const std::string& name) { calls_.push_back("other " + name); }));
  };
  EXPECT_FALSE(port_->WindowHook({Kind::kArrival, "ttyS0"}));
  EXPECT_FALSE(port_->WindowHook({Kind::kArrival, "ttyS1"}));
  EXPECT_FALSE(port_->WindowHook({Kind::kRemoval, "ttyS1"}));
  EXPECT_EQ(calls_, (std::vector<std::string>{"arrival ttyS0", "other ttyS1", "removal ttyS1"}));
}

}  // namespace
}  // namespace korvalesen
