#include "serial/com_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/exception_display.h"
#include "serial/handover_channel.h"
#include "tests/serial/virtual_port.h"
#include "tests/support/pump.h"

namespace korvalesen {
namespace {

using namespace std::chrono_literals;

class ComPortTest : public ::testing::Test, public testing::VirtualPort {
 public:
  ComPortTest() : VirtualPort({"FTDIBUS#VID_0403+PID_6001+A50285BIA"}) {
    port->BufferSizes().SetInput(64000);
    port->SetPriorityClass(pcRealTime);
    port->SetOnError(TComErrorEvent(this, &ComPortTest::OnError));
    SetExceptionDisplay([this](const Error& e) { shown_.push_back(e.Message()); });
  }
  ~ComPortTest() override {
    port.reset();
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

  std::vector<std::string> errors_, calls_, shown_;
  std::vector<TLineErrors> line_errors_;
  bool abort_ = false;
};

TEST_F(ComPortTest, OpenAppliesTheSettingsAndDropsDtrAndRts) {
  port->SetActive(true);
  ASSERT_TRUE(port->Active());
  EXPECT_TRUE(line.IsOpen());
  const auto s = line.Settings();
  EXPECT_EQ(s.baud_rate, 9600u);
  EXPECT_EQ(s.byte_size, 8);
  EXPECT_EQ(s.parity, platform::ParityCode::kNone);
  EXPECT_EQ(s.stop_bits, platform::StopBitsCode::kOne);
  EXPECT_FALSE(s.xon_xoff_in || s.xon_xoff_out || s.out_cts_flow);
  EXPECT_TRUE(s.binary);
  EXPECT_FALSE(line.Dtr());
  EXPECT_FALSE(line.Rts());
  // The far end saw DTR go up for a moment at the open, as on a real port.
  const auto pulse = line.TakeDtrChanges();
  ASSERT_EQ(pulse.size(), 2u);
  EXPECT_TRUE(pulse[0].on);
  EXPECT_FALSE(pulse[1].on);
  EXPECT_EQ(priority.current, -20);
  // Written while open: applied at once.
  port->SetBaudRate(br19200);
  EXPECT_EQ(line.Settings().baud_rate, 19200u);
  port->SetCustomBaudRate(31250);
  EXPECT_EQ(port->BaudRate(), brCustom);
  EXPECT_EQ(line.Settings().baud_rate, 31250u);
  port->SetActive(false);
  EXPECT_FALSE(line.IsOpen());
  EXPECT_EQ(priority.current, 5);
  // Written while closed: applied by the next open.
  port->SetParity(paEven);
  port->Open();
  EXPECT_EQ(line.Settings().parity, platform::ParityCode::kEven);
}

TEST_F(ComPortTest, SettingsThatNeedAClosedPortAreRefusedWhileOpen) {
  port->Open();
  EXPECT_NO_THROW(port->SetDeviceName("/dev/ttyV0"));
  const std::string open_error = "0 Can't perform this operation on an open port";
  EXPECT_EQ(ErrorText([&] { port->SetDeviceName("/dev/ttyV1"); }), open_error);
  EXPECT_EQ(ErrorText([&] { port->SetPriorityClass(pcHigh); }), open_error);
  EXPECT_EQ(ErrorText([&] { port->SetSynchronizeEvents(false); }), open_error);
  EXPECT_EQ(errors_.size(), 3u);  // each offered to OnError first
}

TEST_F(ComPortTest, AFailedOpenLeavesThePortClosedAndThePriorityRestored) {
  port->SetDataBits(db16);  // no device takes 16-bit bytes
  EXPECT_EQ(ErrorText([&] { port->SetActive(true); }), "22 Invalid argument");
  EXPECT_FALSE(port->Active());
  EXPECT_FALSE(line.IsOpen());
  EXPECT_EQ(priority.current, 5);
  port->SetDataBits(db8);
  port->SetDeviceName("/dev/missing");
  abort_ = true;
  EXPECT_THROW(port->SetActive(true), SilentAbort);
  EXPECT_EQ(errors_.back(), "2 No such file or directory");
  EXPECT_FALSE(port->Active());
}

TEST_F(ComPortTest, ClosedPortErrors) {
  EXPECT_EQ(ErrorText([&] { port->InputCount(); }), "9 Bad file descriptor");
  EXPECT_EQ(ErrorText([&] { port->ReadByte(); }),
            "0 Can't perform this operation on a closed port");
  EXPECT_EQ(ErrorText([&] { port->WriteByte(1); }),
            "0 Can't perform this operation on a closed port");
  EXPECT_EQ(ErrorText([&] { port->SetDTR(); }), "0 Can't perform this operation on a closed port");
  EXPECT_NO_THROW(port->PurgeInput());
  EXPECT_FALSE(port->ReadPending());
  EXPECT_FALSE(port->WritePending());
}

TEST_F(ComPortTest, BytesBothWaysAndWritePendingUntilTheFarEndTookTheByte) {
  port->Open();
  line.Send("\xBA\x01");
  EXPECT_EQ(port->InputCount(), 2);
  EXPECT_EQ(port->ReadByte(), 0xBA);
  EXPECT_EQ(port->ReadByte(), 0x01);
  line.SetTakesOutput(false);
  port->WriteByte(0xA5);
  EXPECT_TRUE(port->WritePending());
  std::this_thread::sleep_for(20ms);
  EXPECT_TRUE(port->WritePending());  // a write that does not complete stays pending
  line.SetTakesOutput(true);
  EXPECT_FALSE(port->WritePending());
  port->WriteByte(0xAB);
  EXPECT_EQ(line.TakeReceived(), "\xA5\xAB");
  port->SetDTR();
  EXPECT_TRUE(line.Dtr());
  port->ClearDTR();
  EXPECT_FALSE(line.Dtr());
}

TEST_F(ComPortTest, DeviceListsAreAppended) {
  std::vector<std::string> list{"x"};
  port->EnumComDevicesFromRegistry(list);
  port->EnumDevices(list);
  EXPECT_EQ(list, (std::vector<std::string>{"x", "ttyV0", "FTDIBUS#VID_0403+PID_6001+A50285BIA"}));
}

TEST_F(ComPortTest, LineErrorsAreReportedOnce) {
  port->SetOnLineError(TLineErrorEvent(this, &ComPortTest::OnLineError));
  port->Open();
  line.InjectLineErrors(platform::kErrFrame | platform::kErrOverrun);
  ASSERT_TRUE(PumpUntil([&] { return !line_errors_.empty(); }));
  EXPECT_EQ(line_errors_[0], (TLineErrors{leFrame, leOverrun}));
  EXPECT_EQ(port->InputCount(), 0);
  platform::InstalledUserInterfaceLoop().ProcessMessages();
  EXPECT_EQ(line_errors_.size(), 1u);
}

// The window's line-error handler closes the port. A line error found while a read or write
// finishes the one before (a break while the board is held in reset, found by the probe's
// WriteByte) ends the operation with the closed port's error, through OnError.
TEST_F(ComPortTest, ALineErrorHandlerThatClosesThePortEndsTheReadOrWriteThatFoundIt) {
  port->SetOnLineError(TLineErrorEvent::Bind(this, nullptr, [this](TComponent&, TLineErrors e) {
    line_errors_.push_back(e);
    port->Close();
  }));
  const std::function<void()> operations[] = {
      [&] { port->WriteByte(0xBA); }, [&] { port->ReadByte(); },
      [&] { port->WriteString("\xA5\xAB"); }, [&] { port->ReadWord(); }};
  for (const auto& operation : operations) {
    port->Open();
    line.Send("\x01\x02");
    line.InjectLineErrors(platform::kErrFrame | platform::kErrBreak);
    EXPECT_EQ(ErrorText(operation), "0 Can't perform this operation on a closed port");
    EXPECT_FALSE(port->Active());
  }
  EXPECT_EQ(line_errors_, std::vector<TLineErrors>(std::size(operations), {leFrame, leBreak}));
  EXPECT_EQ(errors_, std::vector<std::string>(std::size(operations),
                                              "0 Can't perform this operation on a closed port"));
}

TEST_F(ComPortTest, ThreadRunsWithTheFirstLineHandlerAndStopsWithTheLast) {
  port->Open();
  EXPECT_FALSE(port->HasEventThread());
  EXPECT_EQ(line.EventMask(), 0u);
  port->SetOnEvent(evCTSChange, TNotifyEvent(this, &ComPortTest::OnCts));
  EXPECT_TRUE(port->HasEventThread());
  EXPECT_EQ(line.EventMask(), platform::kEvCts);
  port->SetOnEvent(evCTSChange, nullptr);
  EXPECT_FALSE(port->HasEventThread());
  EXPECT_EQ(line.EventMask(), 0u);
}

TEST_F(ComPortTest, AThreadPriorityChangedBeforeTheThreadRunsIsKept) {
  priority.HoldThreadStarts(true);
  port->SetOnEvent(evCTSChange, TNotifyEvent(this, &ComPortTest::OnCts));
  port->Open();
  port->SetThreadPriority(tpLowest);
  priority.HoldThreadStarts(false);
  ASSERT_TRUE(PumpUntil([&] { return !priority.ThreadLevels().empty(); }));
  port->SetThreadPriority(tpHigher);
  EXPECT_EQ(priority.ThreadLevels(), (std::vector<int>{-2, 1}));
  port->Close();
  port->SetThreadPriority(tpNormal);  // no thread: nothing is set
  EXPECT_EQ(priority.ThreadLevels().size(), 2u);
}

TEST_F(ComPortTest, HandlersRunOnlyWhenTheUserInterfaceThreadProcessesEventsInTableOrder) {
  port->SetOnEvent(evRing, TNotifyEvent(this, &ComPortTest::OnRing));
  port->SetOnEvent(evDSRChange, TNotifyEvent(this, &ComPortTest::OnDsr));
  port->SetOnEvent(evCTSChange, TNotifyEvent(this, &ComPortTest::OnCts));
  port->SetOnEvent(evBreak, TNotifyEvent(this, &ComPortTest::OnBreak));
  port->Open();
  line.SetCts(true);
  std::this_thread::sleep_for(200ms);  // the thread took this batch and waits for the hand-over
  line.SetRing(true);
  line.SetDsr(true);
  line.SetCts(false);
  line.InjectBreak();
  std::this_thread::sleep_for(50ms);
  EXPECT_TRUE(calls_.empty());  // nothing runs while no events are processed
  ASSERT_TRUE(PumpUntil([&] { return calls_.size() >= 5; }));
  // The first batch, then the four events gathered meanwhile, in the order of the table.
  EXPECT_EQ(calls_, (std::vector<std::string>{"CTS", "Break", "CTS", "DSR", "Ring"}));
}

TEST_F(ComPortTest, UnpluggingReportsThroughOnErrorAndClosesThePort) {
  abort_ = true;
  port->SetOnEvent(evCTSChange, TNotifyEvent(this, &ComPortTest::OnCts));
  port->Open();
  line.Unplug();
  ASSERT_TRUE(PumpUntil([&] { return !port->Active(); }));
  EXPECT_EQ(errors_, (std::vector<std::string>{"5 Input/output error"}));
  EXPECT_FALSE(port->HasEventThread());
  EXPECT_TRUE(shown_.empty());
}

TEST_F(ComPortTest, AHandlerThatClosesThePortEndsTheThread) {
  port->SetOnEvent(evCTSChange,
                   TNotifyEvent::Bind(this, nullptr, [this](TComponent&) { port->Close(); }));
  port->Open();
  line.SetCts(true);
  ASSERT_TRUE(PumpUntil([&] { return !port->Active(); }));
  EXPECT_FALSE(port->HasEventThread());
}

TEST_F(ComPortTest, CloseWhileAHandOverIsPendingNeitherDeadlocksNorRunsTheHandler) {
  port->SetOnEvent(evCTSChange, TNotifyEvent(this, &ComPortTest::OnCts));
  for (int i = 0; i < 200; ++i) {
    port->Open();
    line.SetCts(i % 2 == 0);
    if (i % 3 == 0) std::this_thread::sleep_for(1ms);
    port->Close();
  }
  const auto before = calls_.size();
  for (int i = 0; i < 20; ++i) platform::InstalledUserInterfaceLoop().ProcessMessages();
  EXPECT_EQ(calls_.size(), before);  // nothing ran after its close
}

// The process ends through exit() while the event thread waits for its hand-over.
TEST_F(ComPortTest, ExitEndsTheProcessWhileTheEventThreadWaitsInAHandOver) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        // A hang ends the process with another code instead.
        std::thread([] {
          std::this_thread::sleep_for(20s);
          std::_Exit(4);
        }).detach();
        port->SetOnEvent(evCTSChange, TNotifyEvent(this, &ComPortTest::OnCts));
        port->Open();
        line.SetCts(true);
        std::this_thread::sleep_for(200ms);  // the thread took the batch and waits
        std::exit(3);
      },
      ::testing::ExitedWithCode(3), "");
}

TEST_F(ComPortTest, NothingIsLostWhileTheUserInterfaceThreadStalls30Seconds) {
  port->SetOnEvent(evCTSChange, TNotifyEvent(this, &ComPortTest::OnCts));
  port->Open();
  line.SetPacing(true);
  std::string data;
  for (int i = 0; i < 28800; ++i) data.push_back(static_cast<char>(i * 7));
  line.Send(data);
  line.SetCts(true);  // a batch waits for the hand-over all the while
  std::this_thread::sleep_for(30s);
  ASSERT_TRUE(PumpUntil([&] { return line.SendPending() == 0; }, 5000ms));
  ASSERT_EQ(port->InputCount(), 28800);
  std::string got;
  for (int i = 0; i < 28800; ++i) got.push_back(static_cast<char>(port->ReadByte()));
  EXPECT_EQ(got, data);
  EXPECT_TRUE(line_errors_.empty());
}

}  // namespace
}  // namespace korvalesen
