// Tests of `transvane-cli devices` on fake system trees.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>

#include "tests/storage/fake_system_tree.h"

namespace {

using ::testing::ElementsAre;
using ::testing::MatchesRegex;

struct SRun {
  int status = -1;
  std::vector<std::string> lines;
};

SRun RunDevices(const std::string& arguments) {
  SRun run;
  const std::string command = std::string(TRANSVANE_CLI_PATH) + " devices " + arguments + " 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  std::string text;
  char buffer[4096];
  while (const std::size_t count = std::fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, count);
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  for (std::size_t start = 0; start < text.size();) {
    const auto end = text.find('\n', start);
    run.lines.push_back(text.substr(start, end - start));
    start = end == std::string::npos ? text.size() : end + 1;
  }
  return run;
}

TEST(DevicesCommandTest, ListsTheDrivesAndDescribesTheUnit) {
  CFakeSystemTree tree;
  BuildStandardMachine(tree);
  tree.WriteFile("/media/ann/NORVANTIS/usbtrans/UNIT_ID.DAT", "Serial=42\r\nModel=Norvantis 200\r\n");
  tree.WriteFile("/media/ann/NORVANTIS/usbtrans/Language.dat",
                 "BackgroundMaps=Fonds\r\nDetailMaps=Cartes\r\nMyPOIs=Mes POIs\r\nRoutes=Itinéraires\r\n"
                 "TrackLogs=Traces\r\n");
  tree.WriteFile("/media/ann/SDCARD/USBTRANS/UNIT_ID.DAT", "Model=Vesk\n");  // no language file
  std::filesystem::remove_all(tree.Path("/media/ann/CARD"));                 // listed, but gone

  const SRun run = RunDevices("--sysroot " + tree.Root());
  EXPECT_EQ(run.status, 0);
  const std::string free = "\t[0-9]+\\.[0-9] MB";
  EXPECT_THAT(run.lines,
              ElementsAre(MatchesRegex(tree.Path("/media/ann/BACKUP DISK") + "\tready" + free),
                          tree.Path("/media/ann/CARD") + "\tnot ready\t0.0 MB",
                          MatchesRegex(tree.Path("/media/ann/NORVANTIS") + "\tready" + free +
                                       "\tunit\tNorvantis 200\tFonds\tCartes\tMes POIs\tItinéraires\tTraces"),
                          MatchesRegex(tree.Path("/media/ann/SDCARD") + "\tready" + free +
                                       "\tunit\tVesk\tBackground Maps\tDetail Maps\tMy POIs\tRoutes\tTrack Logs")));
}

TEST(DevicesCommandTest, NoDriveIsAFailure) {
  CFakeSystemTree tree;
  tree.AddDisk("pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0", "sda", 8, 0, false);
  tree.AddMount(8, 0, "/", "/");
  const SRun run = RunDevices("--sysroot " + tree.Root());
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.lines, ElementsAre());
  EXPECT_EQ(RunDevices("--sysroot " + tree.Path("/nonexistent")).status, 2);
}

}  // namespace
