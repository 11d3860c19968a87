// The choice of the working folder on given facts, and the probe of a folder's writability.

#include "app/working_folder.h"

#include <gtest/gtest.h>

#include "tests/support/temporary_directory.h"

namespace korvalesen::testing {
namespace {

namespace fs = std::filesystem;

platform::FolderFacts Facts(fs::path started) {
  platform::FolderFacts facts;
  facts.started = std::move(started);
  facts.program = "/opt/korvalesen/bin";
  facts.systemFolders = {"/usr", "/c/Windows"};
  facts.temporary = "/home/lukasz/AppData/Local/Temp";
  facts.userFolder = "/home/lukasz/Korvalesen";
  return facts;
}

bool Writable(const fs::path&) {
  return true;
}

TEST(ChooseWorkingFolder, TheStartedFolderWhenItIsTheUsersToWriteIn) {
  EXPECT_EQ(ChooseWorkingFolder(Facts("/home/lukasz/Messungen"), Writable),
            "/home/lukasz/Messungen");
  // Beside a system folder, below the temporary folder (not unpacked from a .zip), under /tmp.
  EXPECT_EQ(ChooseWorkingFolder(Facts("/usr2"), Writable), "/usr2");
  EXPECT_EQ(ChooseWorkingFolder(Facts("/home/lukasz/AppData/Local/Temp/run7"), Writable),
            "/home/lukasz/AppData/Local/Temp/run7");
  EXPECT_EQ(ChooseWorkingFolder(Facts("/tmp/x"), Writable), "/tmp/x");
}

TEST(ChooseWorkingFolder, TheUsersFolderWhereResultsCannotOrMustNotBe) {
  const fs::path user = "/home/lukasz/Korvalesen";
  EXPECT_EQ(ChooseWorkingFolder(Facts("/srv/readonly"), [](const fs::path&) { return false; }),
            user);
  EXPECT_EQ(ChooseWorkingFolder(Facts("/opt/korvalesen/bin"), Writable), user);
  EXPECT_EQ(ChooseWorkingFolder(Facts("/opt/korvalesen/bin/"), Writable), user);
  EXPECT_EQ(ChooseWorkingFolder(Facts("/usr"), Writable), user);
  EXPECT_EQ(ChooseWorkingFolder(Facts("/c/Windows/System32"), Writable), user);
  EXPECT_EQ(
      ChooseWorkingFolder(
          Facts("/home/lukasz/AppData/Local/Temp/Temp1_korvalesen-1.0.0-windows.zip"), Writable),
      user);
  EXPECT_EQ(ChooseWorkingFolder(Facts("/home/lukasz/AppData/Local/Temp/temp2_k.ZIP/korvalesen"),
                                Writable),
            user);
}

TEST(ChooseWorkingFolder, WithoutAUsersFolderItStaysWhereItWasStarted) {
  platform::FolderFacts facts = Facts("/usr/bin");
  facts.userFolder.clear();
  EXPECT_EQ(ChooseWorkingFolder(facts, Writable), "/usr/bin");
}

TEST(CanWriteInto, MakesAndRemovesAProbe) {
  TempFolder folder;
  EXPECT_TRUE(CanWriteInto(folder.Path()));
  EXPECT_TRUE(fs::is_empty(folder.Path()));
  EXPECT_FALSE(CanWriteInto(folder.Path() / "missing"));
}

}  // namespace
}  // namespace korvalesen::testing
