// Built twice: with the project's version resource (KORVALESEN_EXPECTED_VERSION holds its
// three numbers) and without one.

#include "platform/program_version.h"

#include <gtest/gtest.h>

namespace korvalesen {
namespace {

void ExpectVersion(const ProgramVersion& expected) {
  const ProgramVersion version = ReadProgramVersion();
  EXPECT_EQ(version.kind, expected.kind);
  EXPECT_EQ(version.major, expected.major);
  EXPECT_EQ(version.minor, expected.minor);
  EXPECT_EQ(version.release, expected.release);
  EXPECT_EQ(version.build, expected.build);
}

#ifdef KORVALESEN_EXPECTED_VERSION
TEST(ProgramVersion, IsTheFileVersionOfTheResource) {
  ExpectVersion({ProgramVersion::Kind::kFileVersion, KORVALESEN_EXPECTED_VERSION, 0});
}
#else
TEST(ProgramVersion, IsNoneWithoutAResource) {
  ExpectVersion({});
}
#endif

}  // namespace
}  // namespace korvalesen
