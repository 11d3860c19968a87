// The stored default configurations: the record's text and the files per device.
#include "platform/posix/comm_config_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "tests/support/temporary_directory.h"

namespace korvalesen {
namespace {

using platform::LineSettings;

LineSettings Unusual() {
  LineSettings s;
  s.baud_rate = 250000;
  s.byte_size = 5;
  s.parity = platform::ParityCode::kSpace;
  s.stop_bits = platform::StopBitsCode::kOneAndHalf;
  s.rts_control = platform::RtsControl::kToggle;
  s.dtr_control = platform::DtrControl::kHandshake;
  s.xon_xoff_out = true;
  s.abort_on_error = true;
  s.xoff_limit = 65535;
  s.event_char = '\xFF';
  s.error_char = '\0';
  return s;
}

TEST(CommConfigTextTest, EveryFieldSurvivesTheText) {
  EXPECT_EQ(platform::ParseLineSettings(platform::FormatLineSettings(Unusual())), Unusual());
  EXPECT_EQ(platform::ParseLineSettings(""), LineSettings{});
  EXPECT_EQ(platform::ParseLineSettings("byte_size=7\n\n")->byte_size, 7);
}

TEST(CommConfigTextTest, AnythingElseIsRefused) {
  for (const char* text :
       {"baud_rate", "baud_rate=", "baud_rate=-1", "baud_rate=9600x", "speed=9600", "parity=5",
        "stop_bits=3", "binary=2", "xon_char=256", "xon_limit=65536", "baud_rate=4294967296"}) {
    EXPECT_FALSE(platform::ParseLineSettings(text).has_value()) << text;
  }
}

class CommConfigFilesTest : public ::testing::Test {
 protected:
  testing::TemporaryWorkingDirectory folder;
  CommConfigFiles store{folder.path() / "korvalesen" / "serial"};
};

TEST_F(CommConfigFilesTest, SavedSettingsLoadBackAndAMissingFileIsNone) {
  EXPECT_FALSE(store.Load("ttyUSB0").has_value());
  store.Save("ttyUSB0", Unusual());  // creates the folders
  EXPECT_EQ(store.Load("ttyUSB0"), Unusual());
  EXPECT_FALSE(store.Load("ttyUSB1").has_value());
  store.Save("ttyUSB0", LineSettings{});
  EXPECT_EQ(store.Load("ttyUSB0"), LineSettings{});
  EXPECT_TRUE(std::filesystem::exists(folder.path() / "korvalesen/serial/ttyUSB0.conf"));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "korvalesen/serial/ttyUSB0.conf.new"));
}

TEST_F(CommConfigFilesTest, EveryNameStaysOneFileInsideTheFolder) {
  EXPECT_EQ(store.FileOf("ttyS0").filename(), "ttyS0.conf");
  EXPECT_EQ(store.FileOf("../../etc/x").filename(), "%2E.%2F..%2Fetc%2Fx.conf");
  EXPECT_EQ(store.FileOf("serial/by-id/usb-FTDI").filename(), "serial%2Fby-id%2Fusb-FTDI.conf");
  EXPECT_EQ(store.FileOf("..").filename(), "%2E..conf");
  EXPECT_EQ(store.FileOf("").filename(), ".conf");
  store.Save("../escape", LineSettings{});
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "korvalesen/escape.conf"));
  EXPECT_EQ(store.Load("../escape"), LineSettings{});
}

TEST_F(CommConfigFilesTest, FailuresCarryTheSystemsError) {
  testing::WriteFileBytes(folder.path() / "korvalesen", "a file where the folder should be");
  try {
    store.Save("ttyS0", LineSettings{});
    FAIL() << "saved into a file";
  } catch (const platform::SysError& e) {
    EXPECT_EQ(e.Code(), ENOTDIR);
  }
  CommConfigFiles other(folder.path() / "other");
  std::filesystem::create_directories(folder.path() / "other");
  testing::WriteFileBytes(folder.path() / "other" / "ttyS0.conf", "parity=odd\n");
  try {
    other.Load("ttyS0");
    FAIL() << "read a record that is none";
  } catch (const platform::SysError& e) {
    EXPECT_EQ(e.Code(), EINVAL);
  }
}

// Sets an environment variable for the lifetime of the object.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    setenv(name, value, 1);
  }
  ~ScopedEnvironment() {
    if (saved_) {
      setenv(name_, saved_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

TEST(CommConfigFilesRootTest, TheUserFolderFollowsXdgConfigHome) {
  const ScopedEnvironment home("HOME", "/home/tech");
  {
    const ScopedEnvironment config("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(CommConfigFiles::UserRoot(), "/cfg/korvalesen/serial");
  }
  {
    // A relative folder is no base folder and is ignored, as the XDG rules say.
    const ScopedEnvironment config("XDG_CONFIG_HOME", "relative");
    EXPECT_EQ(CommConfigFiles::UserRoot(), "/home/tech/.config/korvalesen/serial");
  }
}

}  // namespace
}  // namespace korvalesen
