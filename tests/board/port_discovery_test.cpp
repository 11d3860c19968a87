#include "board/port_discovery.h"

#include <gmock/gmock.h>

#include "board/port_found_tone.h"
#include "common/windows1252.h"
#include "tests/board/board_link_fixture.h"

namespace korvalesen::testing {
namespace {

using ::testing::ElementsAre;

const std::string kAdapter =
    "FTDIBUS#VID_0403+PID_6001+A50285BIA#0000#{86e0d1e0-8089-11d0-9ce4-08003e301f73}";
const std::string kMouse = "USB#VID_046D&PID_C52B#5&1a2b#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
// Through a view: clang 14 crashes on a static std::string made from a _w1252 literal.
constexpr std::string_view kBusyText =
    "ComPortError:  ttyUSB0 !\n\nDer Port kann nicht geöffnet werden."_w1252;
const std::string kBusy(kBusyText);

// The search on a computer whose device list the test sets; the line /dev/ttyUSB0 is the
// adapter's port.
class DiscoveryTest : public ::testing::Test {
 protected:
  void SetUp() override { window_.items = {"alt"}; }

  void Computer(std::vector<std::string> device_names, std::vector<std::string> ports) {
    names_ = std::make_unique<sim::VirtualDeviceList>(std::move(device_names), std::move(ports));
    names_->AddLine(computer_.Line());
    names_->SetAdapterPort("A50285BIA", "ttyUSB0");
    ComPortServices services = computer_.Services();
    services.names = names_.get();
    port_ = std::make_unique<TComPort>(services);
    link_ = std::make_unique<BoardLink>(
        BoardLink{window_, *port_, resetSignal_, *names_, tone_, pause_, portName_});
  }
  void StandardComputer() {
    Computer({kMouse, kAdapter, "ttyS0", "ttyUSB0"}, {"ttyS0", "ttyUSB0"});
  }

  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& box : window_.boxes) {
      EXPECT_EQ(box.caption, "Fehler");
      texts.push_back(box.text);
    }
    return texts;
  }
  // The state a failed search leaves: the lamp and the bar disabled, the port closed; "suchen"
  // and the list usable unless the computer has no serial port.
  void ExpectFailedSearch(bool result, bool search_usable) {
    EXPECT_FALSE(result);
    EXPECT_FALSE(window_.enabled_states.back());
    EXPECT_EQ(window_.search_enabled, search_usable);
    EXPECT_FALSE(port_->Active());
    EXPECT_TRUE(tone_.Played().empty());
  }

  sim::VirtualComputer computer_;
  std::unique_ptr<sim::VirtualDeviceList> names_;
  std::unique_ptr<TComPort> port_;
  TComSignal resetSignal_;
  RecordingBoardWindow window_;
  sim::RecordingTonePlayer tone_;
  ScriptedPause pause_;
  std::string portName_ = "COM1";
  std::unique_ptr<BoardLink> link_;
  ProcessEndCatcher process_end_;
};

TEST_F(DiscoveryTest, FindsAndOpensTheAdaptersPortWithTheTone) {
  StandardComputer();
  EXPECT_TRUE(FindBoardPort(*link_));
  EXPECT_TRUE(window_.boxes.empty());
  EXPECT_THAT(window_.calls,
              ElementsAre("disable", "items:ttyS0,ttyUSB0", "select:1", "enable", "search"));
  EXPECT_EQ(window_.text, "ttyUSB0");
  EXPECT_EQ(portName_, "ttyUSB0");
  EXPECT_TRUE(port_->Active());
  EXPECT_EQ(port_->DeviceName(), platform::DevicePath("ttyUSB0"));
  EXPECT_TRUE(computer_.Line().IsOpen());
  ASSERT_EQ(tone_.Played().size(), 1u);
  const PortFoundToneImage tone = BuildPortFoundTone();
  EXPECT_EQ(tone_.Played()[0], std::vector<std::uint8_t>(tone.begin(), tone.end()));
}

TEST_F(DiscoveryTest, NoSerialPortAtAllKeepsTheOldItemsAndEverythingDisabled) {
  Computer({kAdapter}, {});
  ExpectFailedSearch(FindBoardPort(*link_), false);
  EXPECT_THAT(Messages(), ElementsAre("Keinen ComPort auf dem PC gefunden!"));
  EXPECT_THAT(window_.items, ElementsAre("alt"));
}

TEST_F(DiscoveryTest, AdapterNotAmongTheDevices) {
  Computer({kMouse, "ttyS0", "ttyUSB0"}, {"ttyS0", "ttyUSB0"});
  ExpectFailedSearch(FindBoardPort(*link_), true);
  EXPECT_THAT(Messages(), ElementsAre("USB-Port der LCD-Platine nicht gefunden!"));
  EXPECT_THAT(window_.items, ElementsAre("ttyS0", "ttyUSB0"));
}

TEST_F(DiscoveryTest, APrefixWithAnotherTwentySixthCharacterIsNoAdapter) {
  Computer({"FTDIBUS#VID_0403+PID_6001#A50285BIA#0000#{86e0d1e0}",
            "ftdibus#VID_0403+PID_6001+A50285BIA"},
           {"ttyUSB0"});
  ExpectFailedSearch(FindBoardPort(*link_), true);
  EXPECT_THAT(Messages(), ElementsAre("USB-Port der LCD-Platine nicht gefunden!"));
}

TEST_F(DiscoveryTest, AdaptersKeyMissing) {
  Computer({"FTDIBUS#VID_0403+PID_6001+FT0000XYA#0000#{86e0d1e0}", kAdapter}, {"ttyUSB0"});
  ExpectFailedSearch(FindBoardPort(*link_), true);
  // The first adapter in the list wins, even when a later one would have a port.
  EXPECT_THAT(Messages(), ElementsAre(std::string("RegSchlüssel nicht gefunden !"_w1252)));
}

TEST_F(DiscoveryTest, AdaptersPortNameMissing) {
  StandardComputer();
  names_->SetAdapterPort("A50285BIA", std::nullopt);
  ExpectFailedSearch(FindBoardPort(*link_), true);
  EXPECT_THAT(Messages(), ElementsAre("RegWert (PortName) nicht gefunden !"));
}

TEST_F(DiscoveryTest, TheFirstOfTwoAdaptersWins) {
  Computer({kMouse, "FTDIBUS#VID_0403+PID_6001+B7000001A#0000#{86e0d1e0}", kAdapter},
           {"ttyUSB0", "ttyUSB1"});
  names_->SetAdapterPort("B7000001A", "ttyUSB1");
  // ttyUSB1 has no line behind it here: its test open fails, which names it.
  ExpectFailedSearch(FindBoardPort(*link_), true);
  EXPECT_THAT(Messages(), ElementsAre("ComPortError:  ttyUSB1 !\n\nDer Port kann nicht ge\xF6"
                                      "ffnet werden.",
                                      "PortSuche nicht erfolgreich !"));
  EXPECT_EQ(portName_, "ttyUSB1");
}

TEST_F(DiscoveryTest, APortNameThatDiffersOnlyInCaseIsNotInTheList) {
  StandardComputer();
  names_->SetAdapterPort("A50285BIA", "TTYUSB0");
  ExpectFailedSearch(FindBoardPort(*link_), true);
  EXPECT_THAT(Messages(), ElementsAre("PortSuche nicht erfolgreich !"));
  EXPECT_EQ(portName_, "COM1");
}

TEST_F(DiscoveryTest, AnEmptyDeviceListEndsTheSearch) {
  Computer({}, {"ttyUSB0"});
  ExpectFailedSearch(FindBoardPort(*link_), true);
  EXPECT_THAT(Messages(), ElementsAre("PortSuche nicht erfolgreich !"));
}

TEST_F(DiscoveryTest, ABusyPortIsReportedTwiceAndTheWindowWaits) {
  StandardComputer();
  names_->SetBusy(platform::DevicePath("ttyUSB0"), true);
  ExpectFailedSearch(FindBoardPort(*link_), true);
  EXPECT_THAT(Messages(), ElementsAre(kBusy, "PortSuche nicht erfolgreich !"));
  EXPECT_EQ(portName_, "ttyUSB0");
  EXPECT_FALSE(computer_.Line().IsOpen());
}

TEST_F(DiscoveryTest, APortPickedByHandOpensWithoutToneAndASecondSearchTakesItOver) {
  StandardComputer();
  window_.items = {"ttyS0", "ttyUSB0"};
  window_.text = "ttyUSB0";
  ComboBoxChange(*link_);
  EXPECT_TRUE(window_.boxes.empty());
  EXPECT_TRUE(port_->Active());
  EXPECT_EQ(portName_, "ttyUSB0");
  EXPECT_TRUE(tone_.Played().empty());
  // The search closes the port it finds open before it tests it.
  EXPECT_TRUE(FindBoardPort(*link_));
  EXPECT_TRUE(port_->Active());
  EXPECT_EQ(computer_.Line().OpenCount(), 2);
}

TEST_F(DiscoveryTest, ABusyPortPickedByHandStaysClosed) {
  StandardComputer();
  names_->SetBusy(platform::DevicePath("ttyUSB0"), true);
  window_.text = "ttyUSB0";
  ComboBoxChange(*link_);
  EXPECT_THAT(Messages(), ElementsAre(kBusy));
  EXPECT_FALSE(port_->Active());
  EXPECT_EQ(port_->DeviceName(), platform::DevicePath("ttyUSB0"));
}

TEST(FindAdapterSerial, TakesNineCharactersOfTheFirstMatchWithinTheBuffer) {
  EXPECT_EQ(FindAdapterSerial({kMouse, kAdapter}), "A50285BIA");
  EXPECT_EQ(FindAdapterSerial({"FTDIBUS#VID_0403+PID_6001+AB"}), "AB");
  EXPECT_EQ(FindAdapterSerial({"FTDIBUS#VID_0403+PID_6001+"}), "");
  EXPECT_EQ(FindAdapterSerial({"FTDIBUS#VID_0403+PID_6001"}), std::nullopt);
  EXPECT_EQ(FindAdapterSerial({}), std::nullopt);
  // A name longer than the work buffer is cut: the prefix and serial still count.
  EXPECT_EQ(FindAdapterSerial({std::string(AdapterDevicePrefix) + "XY" + std::string(500, 'z')}),
            "XYzzzzzzz");
}

// The adapter's USB device as Linux's notices name it and as Windows gives it; other devices,
// other FTDI chips and its serial port are not it.
TEST(IsAdapterNotice, KnowsTheAdaptersUsbDeviceOnly) {
  EXPECT_TRUE(
      IsAdapterNotice("USB#VID_0403&PID_6001#1-1.2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"));
  EXPECT_TRUE(IsAdapterNotice(
      "\\\\?\\usb#vid_0403&pid_6001#a50285bia#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"));
  EXPECT_FALSE(IsAdapterNotice("USB#VID_0403&PID_6015#1-1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"));
  EXPECT_FALSE(IsAdapterNotice("USB#VID_046D&PID_C52B#1-2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"));
  EXPECT_FALSE(IsAdapterNotice("ttyUSB0"));
  EXPECT_FALSE(IsAdapterNotice("USB#VID_0403&PID_600"));
}

}  // namespace
}  // namespace korvalesen::testing
