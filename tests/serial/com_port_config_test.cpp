// The configuration dialogs of the port through a scripted presenter, over a stored default
// configuration in a temporary folder, and the device control block read back.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/posix/comm_config_files.h"
#include "tests/serial/virtual_port.h"
#include "tests/support/temporary_directory.h"

namespace korvalesen {
namespace {

using platform::DtrControl;
using platform::LineSettings;
using platform::ParityCode;
using platform::RtsControl;
using platform::StopBitsCode;

// Records what it was shown and answers with `edit`: true confirms.
class ScriptedPresenter : public ComConfigPresenter {
 public:
  bool Present(const std::string& device, LineSettings& settings) override {
    devices.push_back(device);
    shown.push_back(settings);
    return edit(settings);
  }
  std::function<bool(LineSettings&)> edit = [](LineSettings&) { return true; };
  std::vector<std::string> devices;
  std::vector<LineSettings> shown;
};

class ComPortConfigTest : public ::testing::Test, public testing::VirtualPort {
 protected:
  ComPortConfigTest() : store(folder.path() / "serial") {
    port->SetConfigStore(store);
    port->SetConfigPresenter(&presenter);
  }
  testing::TemporaryWorkingDirectory folder;
  CommConfigFiles store;
  ScriptedPresenter presenter;
};

TEST_F(ComPortConfigTest, BlockValuesOfZeroReadBackAsTheDefaultMembers) {
  LineSettings block;  // 9600 8N1, DTR and RTS disabled, no XON/XOFF
  port->CopyDCB(block, false);
  EXPECT_EQ(port->DataBits(), db8);
  EXPECT_EQ(port->Parity(), paDefault);
  EXPECT_EQ(port->StopBits(), sbDefault);
  EXPECT_EQ(port->FlowControl().DTR(), dcDefault);
  EXPECT_EQ(port->FlowControl().RTS(), rcDefault);
  EXPECT_EQ(port->FlowControl().XOnXOff(), xcDefault);
  // The rate goes through CustomBaudRate: 9600 differs from the stored custom rate 0.
  EXPECT_EQ(port->BaudRate(), brCustom);
  EXPECT_EQ(port->CustomBaudRate(), 9600);
}

TEST_F(ComPortConfigTest, BlockValuesMapOntoTheirMembersAndUnknownOnesKeepTheProperty) {
  LineSettings block;
  block.byte_size = 7;
  block.parity = ParityCode::kMark;
  block.stop_bits = StopBitsCode::kTwo;
  block.dtr_control = DtrControl::kHandshake;
  block.rts_control = RtsControl::kToggle;
  block.xon_xoff_in = true;
  block.xon_char = 'q';
  block.event_char = '\n';
  block.xoff_limit = 300;
  block.check_parity = true;
  block.discard_null = true;
  port->SetOptions({opAbortOnError});
  port->CopyDCB(block, false);
  EXPECT_EQ(port->DataBits(), db7);
  EXPECT_EQ(port->Parity(), paMark);
  EXPECT_EQ(port->StopBits(), sb2);
  EXPECT_EQ(port->FlowControl().DTR(), dcHandshake);
  EXPECT_EQ(port->FlowControl().RTS(), rcToggle);
  EXPECT_EQ(port->FlowControl().XOnXOff(), xcInput);
  EXPECT_EQ(port->Characters().XOn(), 'q');
  EXPECT_EQ(port->Characters().EventChar(), '\n');
  EXPECT_EQ(port->FlowControl().XOffLimit(), 300);
  EXPECT_EQ(port->Options(), (TOptions{opCheckParity, opDiscardNullBytes}));
  block.byte_size = 3;  // no member has it
  port->CopyDCB(block, false);
  EXPECT_EQ(port->DataBits(), db7);
  block.byte_size = 16;  // db16 comes before db16x
  port->CopyDCB(block, false);
  EXPECT_EQ(port->DataBits(), db16);
}

TEST_F(ComPortConfigTest, ConfirmedTheSettingsAreTakenBackAndApplied) {
  port->Open();
  presenter.edit = [](LineSettings& s) {
    s.baud_rate = 19200;
    s.parity = ParityCode::kEven;
    s.byte_size = 7;
    return true;
  };
  EXPECT_TRUE(port->ConfigDialog());
  // Nothing stored yet: the dialog showed the device's own state under the port's settings.
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.devices[0], "ttyV0");
  EXPECT_EQ(presenter.shown[0].baud_rate, 9600u);
  EXPECT_EQ(port->CustomBaudRate(), 19200);
  EXPECT_EQ(port->Parity(), paEven);
  EXPECT_EQ(port->DataBits(), db7);
  const LineSettings applied = line.Settings();
  EXPECT_EQ(applied.baud_rate, 19200u);
  EXPECT_EQ(applied.parity, ParityCode::kEven);
  EXPECT_EQ(applied.byte_size, 7);
}

TEST_F(ComPortConfigTest, CancelledNothingChanges) {
  port->Open();
  const LineSettings before = line.Settings();
  presenter.edit = [](LineSettings& s) {
    s.baud_rate = 300;
    return false;
  };
  EXPECT_FALSE(port->ConfigDialog());
  EXPECT_EQ(port->BaudRate(), br9600);
  EXPECT_EQ(line.Settings(), before);
  EXPECT_FALSE(port->DefaultConfigDialog());
  EXPECT_FALSE(store.Load("ttyV0").has_value());
}

TEST_F(ComPortConfigTest, TheDefaultDialogStoresWhatTheConfigurationDialogsStartFrom) {
  presenter.edit = [](LineSettings& s) {
    s.baud_rate = 57600;
    s.stop_bits = StopBitsCode::kTwo;
    return true;
  };
  EXPECT_TRUE(port->DefaultConfigDialog());  // needs no open port
  ASSERT_TRUE(store.Load("ttyV0").has_value());
  EXPECT_EQ(store.Load("ttyV0")->baud_rate, 57600u);
  // Settings at their ...Default member leave the stored default in force.
  port->SetBaudRate(brDefault);
  port->SetStopBits(sbDefault);
  presenter.edit = [](LineSettings&) { return false; };
  EXPECT_FALSE(port->ConfigDialog());
  EXPECT_EQ(presenter.shown.back().baud_rate, 57600u);
  EXPECT_EQ(presenter.shown.back().stop_bits, StopBitsCode::kTwo);
  EXPECT_EQ(presenter.shown.back().byte_size, 8);  // the port's own
}

TEST_F(ComPortConfigTest, WithoutAStoredOneAClosedPortStartsFromTheSettingsOfANewTty) {
  port->SetBaudRate(brDefault);
  presenter.edit = [](LineSettings&) { return false; };
  port->ConfigDialog();
  EXPECT_EQ(presenter.shown[0].baud_rate, 9600u);
  EXPECT_EQ(line.OpenCount(), 0);  // not opened to read it
}

TEST_F(ComPortConfigTest, FailuresRaiseThroughTheErrorPath) {
  std::filesystem::create_directories(folder.path() / "serial");
  testing::WriteFileBytes(folder.path() / "serial" / "ttyV0.conf", "rate=fast\n");
  EXPECT_EQ(ErrorText([&] { port->ConfigDialog(); }), "22 Invalid argument");
  port->SetConfigPresenter(nullptr);
  EXPECT_EQ(ErrorText([&] { port->ConfigDialog(); }), "0 No configuration dialog");
}

}  // namespace
}  // namespace korvalesen
