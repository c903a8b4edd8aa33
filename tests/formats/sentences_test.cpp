// Tests of the unit's sentences: framing, checksum, field rules and the scanf reading quirks.
#include "formats/sentences.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>

#include "tests/formats/local_time_support.h"

namespace {

std::string WithChecksum(const std::string& body) {
  char sum[8];
  std::snprintf(sum, sizeof sum, "*%02X", Checksum(body));
  return "$" + body + sum;
}

CPosition Home() {
  CPosition home;
  home.SetLatitude(-4830);
  home.SetLongitude(215);
  home.SetAltitude(35);
  home.SetAltitudeUnit("M");
  return home;
}

TEST(SentenceBasics, ChecksumAndTypeLookup) {
  EXPECT_EQ(Checksum("PTVLCMD,END"), 0x37);
  EXPECT_EQ(Checksum(""), 0);
  EXPECT_EQ(Checksum("AA"), 0);

  const struct {
    const char* line;
    int type;
  } cases[] = {
      {"$PTVLRTE,1,1,c,1,WALK*5C", SENTENCE_RTE},
      {"$PTVLWPL,", SENTENCE_WPL},
      {"$PTVLTRK", SENTENCE_TRK},
      {"$PTVLCMD,END*37", SENTENCE_CMD},
      {"", SENTENCE_XXX},
      {"$GPWPL,1", SENTENCE_XXX},
      {"$PTVLXXX,1", SENTENCE_XXX},
      {"$ptvlwpl,1", SENTENCE_XXX},
      {"$PTVLWP", SENTENCE_XXX},
      {"PTVLWPL", SENTENCE_XXX},
  };
  for (const auto& c : cases) EXPECT_EQ(SentenceType(c.line), c.type) << c.line;
}

TEST(SentenceBasics, SplitAndJoin) {
  CPosition plain;
  EXPECT_EQ(plain.Split("a,,b,"), 4);
  EXPECT_EQ(plain.GetField(1), "");
  EXPECT_EQ(plain.GetField(3), "");
  EXPECT_EQ(plain.Join(0, -1), "a,,b,");
  EXPECT_EQ(plain.Join(1, 2), ",b");
  EXPECT_EQ(plain.Join(2, 99), "b,");

  CCmdEndSentence sentence;
  EXPECT_EQ(sentence.Split("$PTVLCMD,E*ND*37"), 3);
  EXPECT_EQ(sentence.GetField(1), "E*ND");
  EXPECT_EQ(sentence.GetField(2), "37");
  EXPECT_EQ(sentence.Join(0, 1), "$PTVLCMD,E*ND");
  // Only a '*' in the last field counts; a single field has no checksum.
  EXPECT_EQ(sentence.Split("$PTVL*CMD,END"), 0);
  EXPECT_EQ(sentence.GetFieldCount(), 0);
  EXPECT_EQ(sentence.Split("$PTVLCMD*37"), 0);
  // Copies carry values only, never the field list of a split.
  CCmdEndSentence copy = sentence;
  sentence.Split("$PTVLCMD,END*37");
  copy = sentence;
  EXPECT_EQ(copy.GetFieldCount(), 0);
}

TEST(SentenceFormat, LinesOfTheUnitsFiles) {
  SetTimeZone("Europe/Paris");
  CWplSentence home;
  home.SetPosition(Home());
  home.SetName("HOME");
  home.SetComment("START");
  home.SetIcon("a");
  EXPECT_EQ(home.Format(), "$PTVLWPL,4830.000,N,00215.000,E,0035,M,HOME,START,a*2E\n");
  EXPECT_EQ(CCmdEndSentence().Format(), "$PTVLCMD,END*37\n");

  CRteWaypointsSentence route;
  route.SetRouteNumber(1);
  route.SetRouteName("WALK");
  CRouteEntry entry;
  entry.SetName("HOME");
  entry.SetIcon("a");
  route.AddEntry(entry);
  entry.SetName("LAKE");
  entry.SetIcon("ab");
  route.AddEntry(entry);
  EXPECT_EQ(route.Format(), "$PTVLRTE,1,1,c,1,WALK,HOME,a,LAKE,ab*5C\n");
  EXPECT_EQ(entry.Format(), "LAKE,ab");

  CTrkSentence point;
  point.SetPosition(Home());
  point.SetTime(LocalTime(2004, 12, 6, 10, 15, 30));
  point.SetHundredths(25);
  point.SetValid(true);
  point.SetName("MORNING");
  EXPECT_EQ(point.Format(), "$PTVLTRK,4830.000,N,00215.000,E,0035,M,101530.25,A,MORNING,061204*1B\n");
  std::string crlf;
  point.AppendLine(crlf, "\r\n");
  EXPECT_EQ(crlf.substr(crlf.size() - 5), "*1B\r\n");
}

TEST(SentenceVerification, HeaderAndChecksum) {
  const struct {
    std::string line;
    bool accepted;
    const char* reason;
  } cases[] = {
      {"$PTVLCMD,END*37", true, ""},
      {"$PTVLCMD,END*37\n", true, ""},
      {"$PTVLCMD,END*37\r\n", true, ""},
      {"$PTVLCMD,END*3", false, "checksum field '3' is not two characters"},
      {"$PTVLCMD,END*037", false, "checksum field '037' is not two characters"},
      {"$PTVLCMD,END*38", false, "checksum 38 does not match 37"},
      {"$PTVLCMD,END*ZZ", false, "checksum 'ZZ' is not hexadecimal"},
      {"$PTVLCMD,END", false, "has no checksum"},
      {"$ptvlcmd,END*17", false, "is not $PTVLCMD"},
      {WithChecksum("PTVLCMD,END,"), false, "end sentence has 4 fields"},
      {"$PTVLCMD*37", false, "has no checksum"},
      {"$PTVLCMD,END*37\r", false, "not two characters"},
      {WithChecksum("PTVLCMD,EN"), false, "command 'EN' is not END"},
  };
  for (const auto& c : cases) {
    CDiagnostic why;
    EXPECT_EQ(CCmdEndSentence().Parse(c.line, &why), c.accepted) << c.line;
    EXPECT_NE(why.Reason().find(c.reason), std::string::npos) << c.line << " gave " << why.Reason();
  }
  // Lower-case checksums are read; only the last '*' of the last field separates the checksum.
  CWplSentence waypoint;
  EXPECT_TRUE(waypoint.Parse(WithChecksum("PTVLWPL,4830.000,N,00215.000,E,0035,M,HO*ME,ST*ART,a")));
  EXPECT_EQ(waypoint.GetName(), "HO*ME");
  EXPECT_TRUE(CRteWaypointsSentence().Parse("$PTVLRTE,1,1,c,1,WALK,HOME,a,LAKE,ab*5c"));
}

TEST(SentenceFields, PositionHemispheresAndAltitude) {
  CPosition position;
  EXPECT_TRUE(position.SetLatitude(-4830.5));
  EXPECT_EQ(position.GetLatitudeHemisphere(), 'N');
  EXPECT_DOUBLE_EQ(position.GetLatitude(), 4830.5);
  EXPECT_DOUBLE_EQ(position.GetSignedLatitude(), -4830.5);
  EXPECT_TRUE(position.SetLatitude(0));
  EXPECT_EQ(position.GetLatitudeHemisphere(), 'S');
  EXPECT_TRUE(position.SetLongitude(-215));
  EXPECT_EQ(position.GetLongitudeHemisphere(), 'W');
  EXPECT_DOUBLE_EQ(position.GetSignedLongitude(), -215);
  EXPECT_TRUE(position.SetLongitude(0));
  EXPECT_EQ(position.GetLongitudeHemisphere(), 'E');
  EXPECT_FALSE(position.SetLatitude(std::nan("")));
  EXPECT_FALSE(position.SetLongitude(std::nan("")));
  EXPECT_EQ(position.GetLongitudeHemisphere(), 'E');

  EXPECT_TRUE(position.SetAltitude(-3.5));
  EXPECT_EQ(position.GetAltitude(), -4);
  EXPECT_EQ(position.Format(), "0000.000,S,00000.000,E,-004,F");
  EXPECT_DOUBLE_EQ(position.GetAltitudeMetres(), -4 * 0.3048);
  EXPECT_TRUE(position.SetAltitude(12.9));
  EXPECT_TRUE(position.SetAltitudeUnit("M"));
  EXPECT_EQ(position.Format(), "0000.000,S,00000.000,E,0012,M");
  EXPECT_DOUBLE_EQ(position.GetAltitudeMetres(), 12);
  // Values the integer cannot hold are refused instead of converted with undefined results.
  for (double bad : {std::nan(""), 1e10, -3e9, std::numeric_limits<double>::infinity()}) {
    EXPECT_FALSE(position.SetAltitude(bad)) << bad;
    EXPECT_EQ(position.GetAltitude(), 12);
  }
  EXPECT_TRUE(position.SetAltitude(-2147483648.0));
  EXPECT_EQ(position.Format(), "0000.000,S,00000.000,E,-2147483648,M");
  for (const char* unit : {"f", "FM", "", "m"}) EXPECT_FALSE(position.SetAltitudeUnit(unit)) << unit;

  // Parsing reads fields 1 to 6 of a line; the group alone lacks the leading field.
  CPosition parsed;
  EXPECT_TRUE(parsed.Parse("X,4830.000,N,00215.000,W,-004,F"));
  EXPECT_DOUBLE_EQ(parsed.GetSignedLatitude(), -4830);
  EXPECT_DOUBLE_EQ(parsed.GetSignedLongitude(), -215);
  EXPECT_EQ(parsed.GetAltitude(), -4);
  EXPECT_FALSE(parsed.Parse("4830.000,N,00215.000,W,-004,F"));
  for (const char* bad : {"X,-1,N,0,W,0,F", "X,1,n,0,W,0,F", "X,1,N,0,w,0,F", "X,1,N,0,W,x,F", "X,1,N,0,W,0,f",
                          "X,1,N,-0.5,W,0,F", "X,nan,N,0,W,0,F", "X,,N,0,W,0,F"})
    EXPECT_FALSE(parsed.Parse(bad)) << bad;
  EXPECT_EQ(parsed.GetAltitude(), -4);
}

TEST(SentenceFields, TextsAndIcons) {
  CWplSentence waypoint;
  waypoint.SetName("A,B");
  waypoint.SetComment("x,,y");
  EXPECT_EQ(waypoint.GetName(), "A.B");
  EXPECT_EQ(waypoint.GetComment(), "x..y");
  // A line break or a NUL byte inside a text would leave a line that does not read back.
  waypoint.SetName("two\r\nlines");
  EXPECT_EQ(waypoint.GetName(), "two  lines");
  waypoint.SetComment(std::string("N\0L", 3));
  EXPECT_EQ(waypoint.GetComment(), "N L");
  CTrkSentence point;
  point.SetName("M,1");
  EXPECT_EQ(point.GetName(), "M.1");
  CRteSentence route;
  route.SetRouteName("R,1");
  EXPECT_EQ(route.GetRouteName(), "R.1");

  const struct {
    const char* icon;
    bool accepted;
  } icons[] = {{"ab", true}, {"", true}, {"z", true}, {"Ab", false}, {"abc", false}, {"1", false}, {"a ", false}};
  for (const auto& c : icons) {
    CWplSentence w;
    CRouteEntry e;
    w.SetIcon("q");
    EXPECT_EQ(w.SetIcon(c.icon), c.accepted) << c.icon;
    EXPECT_EQ(w.GetIcon(), c.accepted ? c.icon : "q");
    EXPECT_EQ(e.SetIcon(c.icon), c.accepted) << c.icon;
    EXPECT_EQ(e.Parse(std::string("N,") + c.icon), c.accepted) << c.icon;
  }
  CRouteEntry entry;
  EXPECT_FALSE(entry.Parse("N"));
  EXPECT_FALSE(entry.Parse("N,a,b"));
  EXPECT_TRUE(entry.Parse(",a"));
  EXPECT_EQ(entry.GetName(), "");
}

TEST(SentenceFields, WaypointFieldCounts) {
  const std::string start = "PTVLWPL,4830.000,N,00215.000,E,0035,M,HOME,START,a";
  const struct {
    std::string line;
    bool accepted;
  } cases[] = {
      {WithChecksum(start), true},
      {WithChecksum(start + ",17"), true},
      {WithChecksum(start + ",-3x"), true},  // scanf reads a number and ignores the rest
      {WithChecksum(start + ",x"), false},
      {WithChecksum(start + ","), false},
      {WithChecksum("PTVLWPL,4830.000,N,00215.000,E,0035,M,HOME,START"), false},
      {WithChecksum(start + ",1,2"), false},
      {WithChecksum("PTVLWPL,4830.000,N,00215.000,E,0035,M,HOME,START,A"), false},
  };
  for (const auto& c : cases) {
    CWplSentence waypoint;
    waypoint.SetName("KEEP");
    EXPECT_EQ(waypoint.Parse(c.line), c.accepted) << c.line;
    EXPECT_EQ(waypoint.GetName(), c.accepted ? "HOME" : "KEEP") << c.line;
  }
  CDiagnostic why;
  EXPECT_FALSE(CWplSentence().Parse(WithChecksum("PTVLWPL,4830.000,N,00215.000,E,0035,M,HOME,START"), &why));
  EXPECT_EQ(why.Reason(), "waypoint sentence has 10 fields");
}

TEST(SentenceFields, RouteSentences) {
  CRteWaypointsSentence route;
  ASSERT_TRUE(route.Parse(WithChecksum("PTVLRTE,2,1,c,7,WALK,WPT1,a,,,WPT2,b")));
  ASSERT_EQ(route.GetEntries().size(), 2u);
  EXPECT_EQ(route.GetEntries()[0].GetName(), "WPT1");
  EXPECT_EQ(route.GetEntries()[1].GetName(), "WPT2");
  EXPECT_EQ(route.GetEntries()[1].GetIcon(), "b");
  EXPECT_EQ(route.GetTotal(), 2u);
  EXPECT_EQ(route.GetNumber(), 1u);
  EXPECT_EQ(route.GetRouteNumber(), 7);
  EXPECT_EQ(route.GetRouteName(), "WALK");
  EXPECT_EQ(route.GetKind(), 'c');

  const struct {
    const char* body;
    bool accepted;
  } cases[] = {
      {"PTVLRTE,1,1,c,1,WALK", true},
      {"PTVLRTE,1,2,c,1,WALK", false},                    // number above total
      {"PTVLRTE,0,1,c,1,WALK", false},                    // total 0
      {"PTVLRTE,1,0,c,1,WALK", false},                    // number 0
      {"PTVLRTE,1,1,x,1,WALK", false},                    // kind other than c
      {"PTVLRTE,1,1,cc,1,WALK", false},                   //
      {"PTVLRTE,1,1,c,1,WALK,A", false},                  // odd number of entry fields
      {"PTVLRTE,1,1,c,1,WALK,A,B", false},                // bad icon
      {"PTVLRTE,1,1,c,1,WALK,,B", false},                 // a dropped entry still needs a valid icon
      {"PTVLRTE,1,1,c,1", false},                         // no route name: it would be the checksum
      {"PTVLRTE,1,1,c,x,WALK", false},                    // route number
      {"PTVLRTE,-1,1,c,1,WALK", true},                    // "%u" takes -1 as 4294967295
      {"PTVLRTE, 2,2x,c,+3,WALK", true},                  // blanks, signs and trailing text
      {"PTVLRTE,4294967296,1,c,1,WALK", false},           // wraps to total 0
      {"PTVLRTE,1,1,c,99999999999999999999,WALK", true},  // scanf's overflow gives -1
  };
  for (const auto& c : cases) {
    CRteWaypointsSentence parsed;
    EXPECT_EQ(parsed.Parse(WithChecksum(c.body)), c.accepted) << c.body;
  }
  ASSERT_TRUE(route.Parse(WithChecksum("PTVLRTE,-1,1,c,99999999999999999999,WALK")));
  EXPECT_EQ(route.GetTotal(), 4294967295u);
  EXPECT_EQ(route.GetRouteNumber(), -1);
  EXPECT_EQ(route.GetEntries().size(), 0u);
  // Written signed, read back unsigned.
  EXPECT_EQ(route.Format().substr(0, 19), "$PTVLRTE,-1,1,c,-1,");

  CRteSentence header;
  EXPECT_TRUE(header.Parse(WithChecksum("PTVLRTE,1,1,x,1,WALK")));
  EXPECT_EQ(header.GetKind(), 'x');
  EXPECT_TRUE(header.CheckKind("q"));
  EXPECT_FALSE(header.CheckKind(""));
  EXPECT_FALSE(route.CheckKind("x"));
  // A waypoint route keeps kind c: with another kind its line could not be read back.
  EXPECT_FALSE(route.SetKind("x"));
  EXPECT_EQ(route.GetKind(), 'c');
  EXPECT_TRUE(header.SetKind("q"));

  CRteSentence rules;
  EXPECT_FALSE(rules.SetNumber(2));
  EXPECT_TRUE(rules.SetTotal(3));
  EXPECT_TRUE(rules.SetNumber(3));
  EXPECT_FALSE(rules.SetTotal(2));
  EXPECT_FALSE(rules.SetTotal(0));
  EXPECT_FALSE(rules.SetNumber(0));
  EXPECT_EQ(rules.GetTotal(), 3u);
  EXPECT_FALSE(rules.SetKind("cc"));
  EXPECT_TRUE(rules.SetKind("c"));
}

TEST(SentenceFields, TrackTimes) {
  SetTimeZone("Europe/Paris");
  CTrkSentence point;
  ASSERT_TRUE(point.Parse(WithChecksum("PTVLTRK,4830.000,N,00215.000,E,0035,M,235959.99,A,MORNING,311204")));
  EXPECT_EQ(point.GetTime(), LocalTime(2004, 12, 31, 23, 59, 59));
  EXPECT_EQ(point.GetHundredths(), 99u);
  EXPECT_TRUE(point.IsValid());
  EXPECT_EQ(point.GetName(), "MORNING");

  const struct {
    const char* time;
    const char* validity;
    const char* date;
    bool accepted;
    std::time_t expected;
    unsigned hundredths;
  } cases[] = {
      {"101530.25", "V", "061204", true, LocalTime(2004, 12, 6, 10, 15, 30), 25},
      {"101599.00", "A", "061204", true, LocalTime(2004, 12, 6, 10, 16, 39), 0},  // seconds carry
      {"101530.2", "A", "061204", true, LocalTime(2004, 12, 6, 10, 15, 30), 2},   // one digit is 2, not 20
      {"101530.25x", "A", "0612049", true, LocalTime(2004, 12, 6, 10, 15, 30), 25},
      {"101530.25", "A", "310299", true, LocalTime(2099, 3, 3, 10, 15, 30), 25},  // day 31 normalises
      {"101530.25", "A", "061304", false, 0, 0},                                  // month 13
      {"101530.25", "A", "000104", false, 0, 0},                                  // day 0
      {"240000.00", "A", "061204", false, 0, 0},                                  // hour 24
      {"106000.00", "A", "061204", false, 0, 0},                                  // minute 60
      {"101530", "A", "061204", false, 0, 0},
      {"101530.25", "A", "0612", false, 0, 0},
      {"101530.-1", "A", "061204", false, 0, 0},  // a value two digits cannot write back
      {"101530.25", "A", "0612-1", false, 0, 0},
      {"235960.00", "A", "311299", false, 0, 0},  // would be written back as 2000
      {"235959.00", "A", "311299", true, LocalTime(2099, 12, 31, 23, 59, 59), 0},
      {"101530.25", "a", "061204", false, 0, 0},
      {"101530.25", "", "061204", false, 0, 0},
  };
  for (const auto& c : cases) {
    CTrkSentence parsed;
    parsed.SetTime(5);
    const std::string line = WithChecksum(std::string("PTVLTRK,4830.000,N,00215.000,E,0035,M,") + c.time + "," +
                                          c.validity + ",NAME," + c.date);
    ASSERT_EQ(parsed.Parse(line), c.accepted) << line;
    EXPECT_EQ(parsed.GetTime(), c.accepted ? c.expected : 5) << line;
    if (c.accepted) {
      EXPECT_EQ(parsed.GetHundredths(), c.hundredths) << line;
    }
  }
  CTrkSentence invalid;
  ASSERT_TRUE(invalid.Parse(WithChecksum("PTVLTRK,4830.000,N,00215.000,E,0035,M,101530.25,V,,061204")));
  EXPECT_FALSE(invalid.IsValid());
  EXPECT_EQ(invalid.GetValidity(), 'V');
  EXPECT_FALSE(CTrkSentence().Parse(WithChecksum("PTVLTRK,4830.000,N,00215.000,E,0035,M,101530.25,V,,061204,1")));

  EXPECT_FALSE(point.SetHundredths(100));
  EXPECT_EQ(point.GetHundredths(), 99u);
  point.SetValid(false);
  EXPECT_EQ(point.GetValidity(), 'V');
}

TEST(SentenceFields, FillName) {
  const struct {
    const char* name;
    const char* fallback;
    const char* result;
  } cases[] = {
      {"", "MORNINGW", "MORNINGW"}, {"  \t", "MORNINGW", "MORNINGW"},
      {"", "DEF  ", "DEF"},         {"", "  ", ""},
      {"NAME ", "DEF", "NAME "},    {"  ", "", "  "},
  };
  for (const auto& c : cases) {
    CTrkSentence point;
    point.SetName(c.name);
    EXPECT_TRUE(point.FillName(c.fallback));
    EXPECT_EQ(point.GetName(), c.result) << "'" << c.name << "' / '" << c.fallback << "'";
  }
}

// The fields are read exactly as scanf reads them; these are the cases where that differs from a
// strict number syntax.
TEST(SentenceFields, ScanfReadingQuirks) {
  const struct {
    const char* latitude;
    bool accepted;
    double value;
  } cases[] = {
      {"4830.5", true, 4830.5}, {" 4830.5", true, 4830.5}, {"+4830.5", true, 4830.5}, {"4830.5xyz", true, 4830.5},
      {"0x1p4", true, 16},      {"1e", true, 1},           {".5", true, 0.5},         {"1.", true, 1},
      {"-0", true, 0},          {"nan", false, 0},         {"-1", false, 0},          {"", false, 0},
      {"0x", false, 0},         {"x1", false, 0},          {"1e400", true, INFINITY}, {"inf", true, INFINITY},
  };
  for (const auto& c : cases) {
    CWplSentence waypoint;
    const bool accepted =
        waypoint.Parse(WithChecksum(std::string("PTVLWPL,") + c.latitude + ",N,00215.000,E,0035,M,HOME,START,a"));
    EXPECT_EQ(accepted, c.accepted) << c.latitude;
    if (accepted) {
      EXPECT_EQ(waypoint.GetPosition().GetLatitude(), c.value) << c.latitude;
    }
  }

  const struct {
    const char* altitude;
    std::int32_t value;
  } altitudes[] = {{"12abc", 12}, {" 7", 7}, {"+7", 7}, {"4294967296", 0}, {"99999999999999999999", -1},
                   {"-0012", -12}};
  for (const auto& c : altitudes) {
    CWplSentence waypoint;
    ASSERT_TRUE(waypoint.Parse(WithChecksum(std::string("PTVLWPL,1,N,1,E,") + c.altitude + ",M,H,,"))) << c.altitude;
    EXPECT_EQ(waypoint.GetPosition().GetAltitude(), c.value) << c.altitude;
  }

  // "%X" takes a blank, a sign and trailing text: for a sentence whose checksum is 0x0F these
  // two-character fields all match.
  const std::string prefix = "PTVLRTE,1,1,c,2,";
  const char name = static_cast<char>(Checksum(prefix) ^ 0x0F);
  ASSERT_TRUE(name > ' ' && name < 0x7F && name != ',' && name != '*') << int(name);
  const std::string line = "$" + prefix + name + "*";
  for (const char* checksum : {"0F", "0f", " F", "+F", "Fg", "F "}) {
    EXPECT_TRUE(CRteWaypointsSentence().Parse(line + checksum)) << checksum;
  }
  for (const char* checksum : {"-F", "xF", "0x", "F"})
    EXPECT_FALSE(CRteWaypointsSentence().Parse(line + checksum)) << checksum;
}

// A magnitude of -0 (read from "-0") keeps printf's sign, and infinity its blank padding.
TEST(SentenceFormat, UnusualMagnitudesAsPrintfWritesThem) {
  CWplSentence zero;
  ASSERT_TRUE(zero.Parse(WithChecksum("PTVLWPL,-0,N,inf,E,0,M,,,")));
  EXPECT_EQ(zero.GetPosition().Format(), "-000.000,N,      inf,E,0000,M");
}

TEST(SentenceParse, FailureKeepsValuesAndRoundTripsKeepThem) {
  SetTimeZone("Europe/Paris");
  CWplSentence waypoint;
  waypoint.SetPosition(Home());
  waypoint.SetName("HOME");
  waypoint.SetIcon("ab");
  CWplSentence copy;
  ASSERT_TRUE(copy.FromText(waypoint.ToText()));
  EXPECT_EQ(copy.ToText(), waypoint.ToText());
  EXPECT_FALSE(copy.Parse(WithChecksum("PTVLWPL,4830.000,N,00215.000,E,0035,M,OTHER,,Ab")));
  EXPECT_EQ(copy.GetName(), "HOME");

  CTrkSentence point;
  point.SetPosition(Home());
  point.SetTime(LocalTime(2004, 3, 28, 3, 0, 1));
  point.SetHundredths(7);
  point.SetValid(false);
  point.SetName("N");
  CTrkSentence pointCopy;
  ASSERT_TRUE(pointCopy.Parse(point.Format()));
  EXPECT_EQ(pointCopy.GetTime(), point.GetTime());
  EXPECT_EQ(pointCopy.GetHundredths(), 7u);
  EXPECT_EQ(pointCopy.Format(), point.Format());

  CRteWaypointsSentence route;
  route.SetTotal(2);
  route.SetNumber(2);
  CRouteEntry entry;
  entry.SetName("A");
  route.AddEntry(entry);
  CRteWaypointsSentence routeCopy;
  ASSERT_TRUE(routeCopy.Parse(route.Format()));
  EXPECT_EQ(routeCopy.Format(), route.Format());
}

}  // namespace
