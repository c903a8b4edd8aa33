// File names (and texts from the unit's files) with control bytes or escape sequences are printed
// escaped by every command: a terminal must never be driven by a name, and each file stays on one
// line. Such names are Linux's alone (Windows refuses control characters in names), as are the
// Wine prefix and the fake device tree these cases use.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <string>

#include "tests/cli/cli_test_support.h"
#include "tests/jobs/region_fixtures.h"
#include "tests/storage/fake_system_tree.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::Not;

// A title escape, a clear-screen sequence, a bell, a tab, a lone byte that is no UTF-8, a C1
// control in UTF-8 (CSI), an accented letter that stays, and a line break. (A backslash, which
// splits a path here as on Windows, is escaped too: see the unit's model below.)
const std::string kHostile = "x\x1b]0;owned\x07\x1b[2J\t\x9b\xc2\x9b\xc3\xa9\nz";
const std::string kEscaped = "x\\x1b]0;owned\\x07\\x1b[2J\\t\\x9b\\xc2\\x9b\xc3\xa9\\nz";

class EscapingTest : public CCliTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(CCliTest::SetUp());
    SetEnvironment("TZ", "UTC");
  }
};

TEST_F(EscapingTest, ConvertPrintsNamesAndFailuresEscaped) {
  const std::string upt = Copy("walk.upt", kHostile + ".upt");
  const std::string text = Write(kHostile + ".txt", "not navigation data");
  const SRun run = Run({"convert", upt, text});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, Path(kEscaped) + ".wpt\n");
  EXPECT_THAT(Lines(run.err), ElementsAre("An error occured while loading file " + Path(kEscaped) + ".txt.",
                                          "  unknown kind of file: expected .wpt, .trk, .upt, .rte, .log or .gpx"));
}

TEST_F(EscapingTest, SendPrintsTheFilesItWroteEscaped) {
  WriteBytes(Path("unit/USBTRANS/UNIT_ID.DAT"), "Model=Norvantis 200\r\n");
  const std::string track = Copy("track1000~saved.trk", "in/" + kHostile + ".trk");
  SetEnvironment("TMPDIR", m_root.string());
  const SRun run = Run({"send", "--unit", Path("unit"), "--no-eject", track});
  SetEnvironment("TMPDIR", std::nullopt);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, Path("unit") + "/Track Logs/" + kEscaped + ".log\n");
}

TEST_F(EscapingTest, MapsListPrintsOneEscapedLinePerRegion) {
  const std::string prefix = Path("prefix");
  const std::string maps = prefix + "/drive_c/Program Files/Tavrelin/Vexlorn/Maps";
  region_fixtures::MakeWinePrefix(prefix, {{"Vexlorn", "C:\\Program Files\\Tavrelin\\Vexlorn"}});
  ASSERT_GT(region_fixtures::MakeFileAfter(maps + "/" + kHostile + ".imi", 0, 0, "r"), 0);
  const SRun run = Run({"maps", "list", "--wineprefix", prefix});
  EXPECT_EQ(run.status, 0);
  EXPECT_THAT(Lines(run.out), ElementsAre("NAME\tSIZE\tDATE\tPATH", MatchesRegex("x.*\t0\\.0 MB\t[0-9/]+\t.*")));
  EXPECT_THAT(run.out, HasSubstr(kEscaped + ".imi\t0.0 MB\t"));
  EXPECT_THAT(run.out, HasSubstr("\t" + maps + "/" + kEscaped + ".imi\n"));
}

TEST_F(EscapingTest, ShowPrintsTheFileAndItsNamesEscaped) {
  const std::string upt = Copy("walk.upt", kHostile + ".upt");
  const SRun run = Run({"show", upt});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Lines(run.out).front(), Path(kEscaped) + ".upt");
  EXPECT_THAT(run.out, Not(HasSubstr("\x1b")));
}

TEST_F(EscapingTest, DevicesPrintsTheUnitsOwnTextsEscaped) {
  CFakeSystemTree tree;
  BuildStandardMachine(tree);
  tree.WriteFile("/media/ann/NORVANTIS/USBTRANS/UNIT_ID.DAT", "Model=Norvantis \x1b[2J\t\\\x9b\r\n");
  tree.WriteFile("/media/ann/NORVANTIS/USBTRANS/LANGUAGE.DAT", "TrackLogs=Tr\x1b]0;x\x07\r\n");
  const SRun run = RunCli({"devices", "--sysroot", tree.Root()});
  EXPECT_EQ(run.status, 0);
  EXPECT_THAT(run.out, HasSubstr("\tunit\tNorvantis \\x1b[2J\\t\\\\\\x9b\t"));
  EXPECT_THAT(run.out, HasSubstr("\tTr\\x1b]0;x\\x07\n"));
  EXPECT_THAT(run.out, Not(HasSubstr("\x1b")));
}

// JSON has escapes of its own: names with quotes, backslashes and control characters come back
// whole from a JSON parser, and none of them reaches the terminal raw.
TEST_F(EscapingTest, JsonListingsHoldEveryNameWhole) {
  const std::string name = "q\"uote\\back\x01\x1b[2J\ttab \xc3\xa9";
  const auto parse = [](const std::string& text) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
    return document.object();
  };

  const std::string prefix = Path("prefix");
  const std::string maps = prefix + "/drive_c/Program Files/Tavrelin/Vexlorn/Maps";
  region_fixtures::MakeWinePrefix(prefix, {{"Vexlorn", "C:\\Program Files\\Tavrelin\\Vexlorn"}});
  // A backslash separates folders in the desktop product's paths: here it is in a folder's name.
  const std::string folder = maps + "/" + name + "\n";
  const std::string region = "q\"uote\x01\x1b[2J\ttab \xc3\xa9\n.imi";
  ASSERT_GT(region_fixtures::MakeFileAfter(folder + "/" + region, 0, 0, "r"), 0);
  const SRun list = Run({"maps", "list", "--json", "--wineprefix", prefix});
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_THAT(list.out, Not(HasSubstr("\x1b")));
  const QJsonArray regions = parse(list.out)["regions"].toArray();
  ASSERT_EQ(regions.size(), 1);
  const QJsonObject listed = regions[0].toObject();
  EXPECT_EQ(listed["name"].toString().toStdString(), region);
  EXPECT_EQ(listed["path"].toString().toStdString(), folder + "/" + region);
  EXPECT_EQ(listed["size"].toInteger(), 1);
  EXPECT_THAT(listed["created"].toString().toStdString(), MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}Z"));

  CFakeSystemTree tree;
  BuildStandardMachine(tree);
  tree.WriteFile("/media/ann/NORVANTIS/USBTRANS/UNIT_ID.DAT", "Model=Norvantis " + name + "\r\n");
  const SRun devices = RunCli({"devices", "--json", "--sysroot", tree.Root()});
  EXPECT_EQ(devices.status, 0) << devices.err;
  EXPECT_THAT(devices.out, Not(HasSubstr("\x1b")));
  int units = 0;
  for (const auto& each : parse(devices.out)["devices"].toArray()) {
    const QJsonObject device = each.toObject();
    EXPECT_TRUE(device["ready"].isBool());
    EXPECT_TRUE(device["freeBytes"].isDouble());
    if (device["mountPoint"].toString().toStdString() != tree.Path("/media/ann/NORVANTIS")) {
      EXPECT_TRUE(device["unit"].isNull());
      continue;
    }
    ++units;
    const QJsonObject unit = device["unit"].toObject();
    EXPECT_EQ(unit["model"].toString().toStdString(), "Norvantis " + name);
    const QJsonObject folders = unit["folders"].toObject();
    EXPECT_EQ(folders.keys(), QStringList({"backgroundMaps", "detailMaps", "myPois", "routes", "trackLogs"}));
    EXPECT_EQ(folders["trackLogs"].toString(), "Track Logs");
  }
  EXPECT_EQ(units, 1);
}

}  // namespace
