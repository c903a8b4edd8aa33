// `send --unit E:\` and `maps copy --to E:\`: the unit's drive named by its letter, and the bytes
// written through it compared. The drive is the one TRANSVANE_TEST_DRIVE names, made for the run
// (under Wine a letter is a link in the prefix's dosdevices folder, and DefineDosDeviceW maps none
// that file calls follow), else a free letter mapped to a temporary folder as `subst` maps one.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "tests/cli/cli_test_support.h"

namespace {

using ::testing::ElementsAre;

// A drive letter standing for a folder while it lives: the run's own, emptied afterwards, or one
// mapped here.
class CMappedDrive {
 public:
  explicit CMappedDrive(const std::string& folder) {
    if (const char* given = std::getenv("TRANSVANE_TEST_DRIVE"); given != nullptr && *given != '\0') {
      m_root = std::string(given) + "\\";
      m_given = true;
      return;
    }
    const DWORD used = ::GetLogicalDrives();
    for (char letter = 'M'; letter <= 'Y'; ++letter) {
      if ((used & (1u << (letter - 'A'))) != 0) continue;
      const std::wstring device{static_cast<wchar_t>(letter), L':'};
      if (::DefineDosDeviceW(0, device.c_str(), U8(folder).wstring().c_str())) {
        m_device = device;
        m_root = std::string(1, letter) + ":\\";
      }
      return;
    }
  }
  ~CMappedDrive() {
    if (!m_device.empty()) ::DefineDosDeviceW(DDD_REMOVE_DEFINITION, m_device.c_str(), nullptr);
    std::error_code ignored;
    if (m_given) {
      for (const auto& entry : std::filesystem::directory_iterator(U8(m_root), ignored))
        std::filesystem::remove_all(entry.path(), ignored);
    }
  }
  CMappedDrive(const CMappedDrive&) = delete;
  CMappedDrive& operator=(const CMappedDrive&) = delete;

  // "M:\\", or empty when no letter could be mapped.
  const std::string& Root() const { return m_root; }

 private:
  bool m_given = false;
  std::wstring m_device;
  std::string m_root;
};

class DriveLetterTest : public CCliTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(CCliTest::SetUp());
    std::filesystem::create_directories(U8(Path("unit")));
    m_drive.emplace(Path("unit"));
    if (m_drive->Root().empty()) GTEST_SKIP() << "no drive letter can be mapped to a folder here";
    WriteBytes(U8(Unit("USBTRANS/UNIT_ID.DAT")), "Model=Norvantis 200\r\n");
    ASSERT_EQ(ReadBytes(U8(Unit("USBTRANS/UNIT_ID.DAT"))), "Model=Norvantis 200\r\n");
  }
  void TearDown() override {
    m_drive.reset();
    CCliTest::TearDown();
  }
  // A path on the drive, from its root.
  std::string Unit(const std::string& relative) const { return Native(m_drive->Root() + relative); }

  std::optional<CMappedDrive> m_drive;
};

TEST_F(DriveLetterTest, SendWritesOntoTheUnitNamedByItsLetter) {
  const std::string root = m_drive->Root();
  const std::string trip = Copy("trip~saved.wpt", "in/trip.wpt");
  const SRun run = Run({"send", "--unit", root, "--no-eject", trip});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_THAT(Lines(run.out), ElementsAre(root + "My POIs\\trip.upt", root + "Routes\\trip.rte"));
  EXPECT_TRUE(SameAsFixture("trip~unit.upt", ReadBytes(U8(Unit("My POIs/trip.upt")))));
  EXPECT_TRUE(SameAsFixture("trip~unit.rte", ReadBytes(U8(Unit("Routes/trip.rte")))));
}

TEST_F(DriveLetterTest, MapsCopyWritesOntoTheDriveNamedByItsLetter) {
  const std::string root = m_drive->Root();
  const std::string region = Write("maps/North.imi", std::string(70'000, 'n'));
  const std::string world = Write("maps/World.tdx", "w");
  const SRun run = Run({"maps", "copy", "--to", root, region, world});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "2 region(s) copied to " + root + ", 0.1 MB; 0 failed\n");
  EXPECT_EQ(ReadBytes(U8(Unit("Detail Maps/North.imi"))), std::string(70'000, 'n'));
  EXPECT_EQ(ReadBytes(U8(Unit("Background Maps/World.tdx"))), "w");
}

}  // namespace
