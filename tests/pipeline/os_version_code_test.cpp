#include <gtest/gtest.h>

#include "pipeline/memory_watch.h"

namespace {

OsVersionRecord Nt(std::uint32_t major, std::uint32_t minor, std::uint32_t product = 1,
                   std::uint32_t build = 0) {
  return {true, 2, major, minor, build, product};
}

OsVersionRecord Win9x(std::uint32_t minor) { return {true, 1, 4, minor, 0, 0}; }

}  // namespace

TEST(OsVersionCode, Windows9xLine) {
  EXPECT_EQ(OsVersionCode(Win9x(0)), 10);
  EXPECT_EQ(OsVersionCode(Win9x(10)), 30);
  EXPECT_EQ(OsVersionCode(Win9x(90)), 40);
  EXPECT_EQ(OsVersionCode(Win9x(3)), 200);
  EXPECT_EQ(OsVersionCode({true, 1, 5, 0, 0, 0}), 200);
}

TEST(OsVersionCode, NtLineUpToServer2003) {
  EXPECT_EQ(OsVersionCode(Nt(3, 51)), 5);
  EXPECT_EQ(OsVersionCode(Nt(4, 0)), 20);
  EXPECT_EQ(OsVersionCode(Nt(5, 0)), 50);
  EXPECT_EQ(OsVersionCode(Nt(5, 1)), 60);
  EXPECT_EQ(OsVersionCode(Nt(5, 2, 1)), 60);  // XP x64
  EXPECT_EQ(OsVersionCode(Nt(5, 2, 3)), 65);  // Server 2003
  EXPECT_EQ(OsVersionCode(Nt(5, 3)), 200);
}

TEST(OsVersionCode, VistaTo81DependOnTheProductType) {
  const std::int32_t workstation[] = {70, 80, 90, 100};
  for (std::uint32_t minor = 0; minor < 4; ++minor) {
    SCOPED_TRACE(minor);
    EXPECT_EQ(OsVersionCode(Nt(6, minor, 1)), workstation[minor]);
    EXPECT_EQ(OsVersionCode(Nt(6, minor, 2)), workstation[minor] + 5);  // domain controller
    EXPECT_EQ(OsVersionCode(Nt(6, minor, 3)), workstation[minor] + 5);  // server
  }
  EXPECT_EQ(OsVersionCode(Nt(6, 4)), 200);
}

TEST(OsVersionCode, Windows10And11AreToldApartByTheBuild) {
  EXPECT_EQ(OsVersionCode(Nt(10, 0, 1, 19045)), 110);
  EXPECT_EQ(OsVersionCode(Nt(10, 0, 1, 21999)), 110);
  EXPECT_EQ(OsVersionCode(Nt(10, 0, 1, 22000)), 120);
  EXPECT_EQ(OsVersionCode(Nt(10, 0, 3, 26100)), 120);  // servers share the numbers
  EXPECT_EQ(OsVersionCode(Nt(10, 1, 1, 30000)), 200);
}

TEST(OsVersionCode, UnknownVersionsCountAsNewer) {
  EXPECT_EQ(OsVersionCode(OsVersionRecord{}), 200);  // the query failed
  EXPECT_EQ(OsVersionCode(Nt(11, 0)), 200);
  EXPECT_EQ(OsVersionCode(Nt(2, 0)), 200);
  EXPECT_EQ(OsVersionCode({true, 0, 3, 1, 0, 0}), 200);  // Win32s
  // Windows XP is the oldest system the program starts on.
  EXPECT_GT(OsVersionCode(OsVersionRecord{}), kOsCodeWindowsXp - 1);
}
