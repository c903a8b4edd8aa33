// Tests of `transvane-cli devices` on fake system trees (mount table, sysfs, volumes) of Linux.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/cli/cli_test_support.h"
#include "tests/storage/fake_system_tree.h"

namespace {

using ::testing::ElementsAre;
using ::testing::MatchesRegex;

TEST(DevicesCommandTest, ListsTheDrivesAndDescribesTheUnit) {
  CFakeSystemTree tree;
  BuildStandardMachine(tree);
  tree.WriteFile("/media/ann/NORVANTIS/usbtrans/UNIT_ID.DAT", "Serial=42\r\nModel=Norvantis 200\r\n");
  tree.WriteFile("/media/ann/NORVANTIS/usbtrans/Language.dat",
                 "BackgroundMaps=Fonds\r\nDetailMaps=Cartes\r\nMyPOIs=Mes POIs\r\nRoutes=Itinéraires\r\n"
                 "TrackLogs=Traces\r\n");
  tree.WriteFile("/media/ann/SDCARD/USBTRANS/UNIT_ID.DAT", "Model=Vesk\n");  // no language file
  std::filesystem::remove_all(tree.Path("/media/ann/CARD"));                 // listed, but gone

  const SRun run = RunCli({"devices", "--sysroot", tree.Root()});
  EXPECT_EQ(run.status, 0);
  const std::string free = "\t[0-9]+\\.[0-9] MB";
  EXPECT_THAT(Lines(run.out),
              ElementsAre("MOUNTPOINT\tMEDIA\tFREE\tUNIT\tMODEL\tBACKGROUNDMAPS\tDETAILMAPS\tMYPOIS\tROUTES\tTRACKLOGS",
                          MatchesRegex(tree.Path("/media/ann/BACKUP DISK") + "\tready" + free),
                          tree.Path("/media/ann/CARD") + "\tnot ready\t0.0 MB",
                          MatchesRegex(tree.Path("/media/ann/NORVANTIS") + "\tready" + free +
                                       "\tunit\tNorvantis 200\tFonds\tCartes\tMes POIs\tItinéraires\tTraces"),
                          MatchesRegex(tree.Path("/media/ann/SDCARD") + "\tready" + free +
                                       "\tunit\tVesk\tBackground Maps\tDetail Maps\tMy POIs\tRoutes\tTrack Logs")));
}

// The tool runs with the user's locale (its Qt core switches to it); sizes must still read the same
// everywhere, as those of `maps list` do.
TEST(DevicesCommandTest, FreeSpaceHasADecimalPointInEveryLocale) {
  std::string locales = (std::filesystem::temp_directory_path() / "devices_locale.XXXXXX").string();
  ASSERT_NE(::mkdtemp(locales.data()), nullptr);
  const std::string build = "localedef -i de_DE -f UTF-8 '" + locales + "/de_DE.UTF-8' >/dev/null 2>&1";
  if (std::system(build.c_str()) != 0) {
    std::filesystem::remove_all(locales);
    GTEST_SKIP() << "no locale with a decimal comma can be built here";
  }
  CFakeSystemTree tree;
  BuildStandardMachine(tree);
  std::filesystem::remove_all(tree.Path("/media/ann/CARD"));
  SetEnvironment("LOCPATH", locales);
  SetEnvironment("LC_ALL", "de_DE.UTF-8");
  const SRun run = RunCli({"devices", "--sysroot", tree.Root()});
  SetEnvironment("LC_ALL", std::nullopt);
  SetEnvironment("LOCPATH", std::nullopt);
  std::filesystem::remove_all(locales);
  EXPECT_EQ(run.status, 0);
  EXPECT_THAT(Lines(run.out), ::testing::Contains(tree.Path("/media/ann/CARD") + "\tnot ready\t0.0 MB"));
}

TEST(DevicesCommandTest, NoDriveIsAFailure) {
  CFakeSystemTree tree;
  tree.AddDisk("pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0", "sda", 8, 0, false);
  tree.AddMount(8, 0, "/", "/");
  const SRun run = RunCli({"devices", "--sysroot", tree.Root()});
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(Lines(run.out), ElementsAre());
  EXPECT_EQ(RunCli({"devices", "--sysroot", tree.Path("/nonexistent")}).status, 2);
}

}  // namespace
