#include "serial/com_port.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/exception_display.h"
#include "serial/main_thread_queue.h"
#include "sim/recording_priority.h"
#include "sim/virtual_device_list.h"
#include "sim/virtual_serial_line.h"
#include "tests/serial/pump.h"

namespace korvalesen {
namespace {

using namespace std::chrono_literals;

class ComPortTest : public ::testing::Test {
 public:
  ComPortTest() : line_("/dev/ttyV0"), names_({"FTDIBUS#VID_0403+PID_6001+A50285BIA"}, {"ttyV0"}) {
    devices_.Add(line_);
    port_ = std::make_unique<TComPort>(ComPortServices{&devices_, &names_, &priority_});
    port_->SetDeviceName("/dev/ttyV0");
    port_->SetBaudRate(br9600);
    port_->SetDataBits(db8);
    port_->SetParity(paNone);
    port_->SetStopBits(sb1);
    port_->FlowControl().SetDTR(dcDisable);
    port_->FlowControl().SetRTS(rcDisable);
    port_->FlowControl().SetXOnXOff(xcDisable);
    port_->BufferSizes().SetInput(64000);
    port_->SetPriorityClass(pcRealTime);
    port_->SetOnError(TComErrorEvent(this, &ComPortTest::OnError));
    SetExceptionDisplay([this](const Error& e) { shown_.push_back(e.Message()); });
  }
  ~ComPortTest() override {
    port_.reset();
    SetExceptionDisplay(nullptr);
  }

  void OnError(TCustomComPort&, const EComError& e, TComAction& action) {
    errors_.push_back(std::to_string(e.ErrorCode()) + " " + e.Message());
    if (abort_) action = caAbort;
  }
  void OnLineError(TComponent&, TLineErrors errors) { line_errors_.push_back(errors); }
  void OnCts(TComponent&) { calls_.push_back("CTS"); }
  void OnDsr(TComponent&) { calls_.push_back("DSR"); }
  void OnBreak(TComponent&) { calls_.push_back("Break"); }
  void OnRing(TComponent&) { calls_.push_back("Ring"); }

  std::string ErrorText(const std::function<void()>& f) {
    try {
      f();
    } catch (const EComError& e) {
      return std::to_string(e.ErrorCode()) + " " + e.Message();
    }
    return "no error";
  }

  sim::VirtualSerialLine line_;
  sim::VirtualDevices devices_;
  sim::VirtualDeviceList names_;
  sim::RecordingPriority priority_;
  std::unique_ptr<TComPort> port_;
  std::vector<std::string> errors_, calls_, shown_;
  std::vector<TLineErrors> line_errors_;
  bool abort_ = false;
};

TEST_F(ComPortTest, OpenAppliesTheSettingsAndDropsDtrAndRts) {
  port_->SetActive(true);
  ASSERT_TRUE(port_->Active());
  EXPECT_TRUE(line_.IsOpen());
  const auto s = line_.Settings();
  EXPECT_EQ(s.baud_rate, 9600u);
  EXPECT_EQ(s.byte_size, 8);
  EXPECT_EQ(s.parity, platform::ParityCode::kNone);
  EXPECT_EQ(s.stop_bits, platform::StopBitsCode::kOne);
  EXPECT_FALSE(s.xon_xoff_in || s.xon_xoff_out || s.out_cts_flow);
  EXPECT_TRUE(s.binary);
  EXPECT_FALSE(line_.Dtr());
  EXPECT_FALSE(line_.Rts());
  EXPECT_EQ(priority_.current, -20);
  // Written while open: applied at once.
  port_->SetBaudRate(br19200);
  EXPECT_EQ(line_.Settings().baud_rate, 19200u);
  port_->SetCustomBaudRate(31250);
  EXPECT_EQ(port_->BaudRate(), brCustom);
  EXPECT_EQ(line_.Settings().baud_rate, 31250u);
  port_->SetActive(false);
  EXPECT_FALSE(line_.IsOpen());
  EXPECT_EQ(priority_.current, 5);
  // Written while closed: applied by the next open.
  port_->SetParity(paEven);
  port_->Open();
  EXPECT_EQ(line_.Settings().parity, platform::ParityCode::kEven);
}

TEST_F(ComPortTest, SettingsThatNeedAClosedPortAreRefusedWhileOpen) {
  port_->Open();
  EXPECT_NO_THROW(port_->SetDeviceName("/dev/ttyV0"));
  const std::string open_error = "0 Can't perform this operation on an open port";
  EXPECT_EQ(ErrorText([&] { port_->SetDeviceName("/dev/ttyV1"); }), open_error);
  EXPECT_EQ(ErrorText([&] { port_->SetPriorityClass(pcHigh); }), open_error);
  EXPECT_EQ(ErrorText([&] { port_->SetSynchronizeEvents(false); }), open_error);
  EXPECT_EQ(errors_.size(), 3u);  // each offered to OnError first
}

TEST_F(ComPortTest, AFailedOpenLeavesThePortClosedAndThePriorityRestored) {
  port_->SetDataBits(db16);  // no device takes 16-bit bytes
  EXPECT_EQ(ErrorText([&] { port_->SetActive(true); }), "22 Invalid argument");
  EXPECT_FALSE(port_->Active());
  EXPECT_FALSE(line_.IsOpen());
  EXPECT_EQ(priority_.current, 5);
  port_->SetDataBits(db8);
  port_->SetDeviceName("/dev/missing");
  abort_ = true;
  EXPECT_THROW(port_->SetActive(true), SilentAbort);
  EXPECT_EQ(errors_.back(), "2 No such file or directory");
  EXPECT_FALSE(port_->Active());
}

TEST_F(ComPortTest, ClosedPortErrors) {
  EXPECT_EQ(ErrorText([&] { port_->InputCount(); }), "9 Bad file descriptor");
  EXPECT_EQ(ErrorText([&] { port_->ReadByte(); }),
            "0 Can't perform this operation on a closed port");
  EXPECT_EQ(ErrorText([&] { port_->WriteByte(1); }),
            "0 Can't perform this operation on a closed port");
  EXPECT_EQ(ErrorText([&] { port_->SetDTR(); }), "0 Can't perform this operation on a closed port");
  EXPECT_NO_THROW(port_->PurgeInput());
  EXPECT_FALSE(port_->ReadPending());
  EXPECT_FALSE(port_->WritePending());
}

TEST_F(ComPortTest, BytesBothWaysAndWritePendingUntilTheFarEndTookTheByte) {
  port_->Open();
  line_.Send("\xBA\x01");
  EXPECT_EQ(port_->InputCount(), 2);
  EXPECT_EQ(port_->ReadByte(), 0xBA);
  EXPECT_EQ(port_->ReadByte(), 0x01);
  line_.SetTakesOutput(false);
  port_->WriteByte(0xA5);
  EXPECT_TRUE(port_->WritePending());
  std::this_thread::sleep_for(20ms);
  EXPECT_TRUE(port_->WritePending());  // a write that does not complete stays pending
  line_.SetTakesOutput(true);
  EXPECT_FALSE(port_->WritePending());
  port_->WriteByte(0xAB);
  EXPECT_EQ(line_.TakeReceived(), "\xA5\xAB");
  port_->SetDTR();
  EXPECT_TRUE(line_.Dtr());
  port_->ClearDTR();
  EXPECT_FALSE(line_.Dtr());
}

TEST_F(ComPortTest, DeviceListsAreAppended) {
  std::vector<std::string> list{"x"};
  port_->EnumComDevicesFromRegistry(list);
  port_->EnumDevices(list);
  EXPECT_EQ(list, (std::vector<std::string>{"x", "ttyV0", "FTDIBUS#VID_0403+PID_6001+A50285BIA"}));
}

TEST_F(ComPortTest, LineErrorsAreReportedOnce) {
  port_->SetOnLineError(TLineErrorEvent(this, &ComPortTest::OnLineError));
  port_->Open();
  line_.InjectLineErrors(platform::kErrFrame | platform::kErrOverrun);
  ASSERT_TRUE(PumpUntil([&] { return !line_errors_.empty(); }));
  EXPECT_EQ(line_errors_[0], (TLineErrors{leFrame, leOverrun}));
  EXPECT_EQ(port_->InputCount(), 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(line_errors_.size(), 1u);
}

TEST_F(ComPortTest, ThreadRunsWithTheFirstLineHandlerAndStopsWithTheLast) {
  port_->Open();
  EXPECT_FALSE(port_->HasEventThread());
  EXPECT_EQ(line_.EventMask(), 0u);
  port_->SetOnEvent(evCTSChange, TNotifyEvent(this, &ComPortTest::OnCts));
  EXPECT_TRUE(port_->HasEventThread());
  EXPECT_EQ(line_.EventMask(), platform::kEvCts);
  port_->SetOnEvent(evCTSChange, nullptr);
  EXPECT_FALSE(port_->HasEventThread());
  EXPECT_EQ(line_.EventMask(), 0u);
}

TEST_F(ComPortTest, HandlersRunOnlyWhenTheUserInterfaceThreadProcessesEventsInTableOrder) {
  port_->SetOnEvent(evRing, TNotifyEvent(this, &ComPortTest::OnRing));
  port_->SetOnEvent(evDSRChange, TNotifyEvent(this, &ComPortTest::OnDsr));
  port_->SetOnEvent(evCTSChange, TNotifyEvent(this, &ComPortTest::OnCts));
  port_->SetOnEvent(evBreak, TNotifyEvent(this, &ComPortTest::OnBreak));
  port_->Open();
  line_.SetCts(true);
  std::this_thread::sleep_for(200ms);  // the thread took this batch and waits for the hand-over
  line_.SetRing(true);
  line_.SetDsr(true);
  line_.SetCts(false);
  line_.InjectBreak();
  std::this_thread::sleep_for(50ms);
  EXPECT_TRUE(calls_.empty());  // nothing runs while no events are processed
  ASSERT_TRUE(PumpUntil([&] { return calls_.size() >= 5; }));
  // The first batch, then the four events gathered meanwhile, in the order of the table.
  EXPECT_EQ(calls_, (std::vector<std::string>{"CTS", "Break", "CTS", "DSR", "Ring"}));
}

TEST_F(ComPortTest, UnpluggingReportsThroughOnErrorAndClosesThePort) {
  abort_ = true;
  port_->SetOnEvent(evCTSChange, TNotifyEvent(this, &ComPortTest::OnCts));
  port_->Open();
  line_.Unplug();
  ASSERT_TRUE(PumpUntil([&] { return !port_->Active(); }));
  EXPECT_EQ(errors_, (std::vector<std::string>{"5 Input/output error"}));
  EXPECT_FALSE(port_->HasEventThread());
  EXPECT_TRUE(shown_.empty());
}

TEST_F(ComPortTest, AHandlerThatClosesThePortEndsTheThread) {
  port_->SetOnEvent(evCTSChange,
                    TNotifyEvent::Bind(this, nullptr, [this](TComponent&) { port_->Close(); }));
  port_->Open();
  line_.SetCts(true);
  ASSERT_TRUE(PumpUntil([&] { return !port_->Active(); }));
  EXPECT_FALSE(port_->HasEventThread());
}

TEST_F(ComPortTest, CloseWhileAHandOverIsPendingNeitherDeadlocksNorRunsTheHandler) {
  port_->SetOnEvent(evCTSChange, TNotifyEvent(this, &ComPortTest::OnCts));
  for (int i = 0; i < 200; ++i) {
    port_->Open();
    line_.SetCts(i % 2 == 0);
    if (i % 3 == 0) std::this_thread::sleep_for(1ms);
    port_->Close();
  }
  const auto before = calls_.size();
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(calls_.size(), before);  // nothing ran after its close
}

TEST_F(ComPortTest, NothingIsLostWhileTheUserInterfaceThreadStalls30Seconds) {
  port_->SetOnEvent(evCTSChange, TNotifyEvent(this, &ComPortTest::OnCts));
  port_->Open();
  line_.SetPacing(true);
  std::string data;
  for (int i = 0; i < 28800; ++i) data.push_back(static_cast<char>(i * 7));
  line_.Send(data);
  line_.SetCts(true);  // a batch waits for the hand-over all the while
  std::this_thread::sleep_for(30s);
  ASSERT_TRUE(PumpUntil([&] { return line_.SendPending() == 0; }, 5000ms));
  ASSERT_EQ(port_->InputCount(), 28800);
  std::string got;
  for (int i = 0; i < 28800; ++i) got.push_back(static_cast<char>(port_->ReadByte()));
  EXPECT_EQ(got, data);
  EXPECT_TRUE(line_errors_.empty());
}

}  // namespace
}  // namespace korvalesen
