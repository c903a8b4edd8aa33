// Field rules, defaults and copies of the desktop product's records and documents.
#include "formats/vexlorn_records.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

TEST(VexlornRecords, SymbolRouteUseAndHundredthsKeepTheirRangesAndRefusalsChangeNothing) {
  struct SCase {
    int value;
    bool accepted;
  };
  for (const SCase c : {SCase{0, true}, SCase{41, true}, SCase{42, false}, SCase{255, false}}) {
    SCOPED_TRACE(c.value);
    SVexlornWptBlock waypoint;
    SVexlornRwptBlock point;
    ASSERT_TRUE(waypoint.SetSymbol(7));
    ASSERT_TRUE(point.SetSymbol(7));
    EXPECT_EQ(waypoint.SetSymbol(static_cast<std::uint8_t>(c.value)), c.accepted);
    EXPECT_EQ(point.SetSymbol(static_cast<std::uint8_t>(c.value)), c.accepted);
    EXPECT_EQ(waypoint.GetSymbol(), c.accepted ? c.value : 7);
    EXPECT_EQ(point.GetSymbol(), c.accepted ? c.value : 7);
  }
  for (const SCase c : {SCase{0, true}, SCase{2, true}, SCase{3, false}}) {
    SCOPED_TRACE(c.value);
    SVexlornWptBlock waypoint;
    ASSERT_TRUE(waypoint.SetRouteUse(1));
    EXPECT_EQ(waypoint.SetRouteUse(static_cast<std::uint8_t>(c.value)), c.accepted);
    EXPECT_EQ(waypoint.GetRouteUse(), c.accepted ? c.value : 1);
  }
  for (const SCase c : {SCase{0, true}, SCase{99, true}, SCase{100, false}}) {
    SCOPED_TRACE(c.value);
    SVexlornTnodBlock node;
    ASSERT_TRUE(node.SetHundredths(5));
    EXPECT_EQ(node.SetHundredths(static_cast<std::uint8_t>(c.value)), c.accepted);
    EXPECT_EQ(node.GetHundredths(), c.accepted ? c.value : 5);
  }
}

TEST(VexlornRecords, BooleanRouteUseStoresTwoOrOne) {
  SVexlornWptBlock waypoint;
  EXPECT_EQ(waypoint.GetRouteUse(), 0);
  ASSERT_TRUE(waypoint.SetRouteUsed(true));
  EXPECT_EQ(waypoint.GetRouteUse(), 2);
  ASSERT_TRUE(waypoint.SetRouteUsed(false));
  EXPECT_EQ(waypoint.GetRouteUse(), 1);
}

TEST(VexlornRecords, HeaderDefaultsAndAcceptedValues) {
  const SVexlornHeadBlock plain;
  EXPECT_EQ(plain.GetMarker(), 13);
  EXPECT_STREQ(plain.GetVersionText(), "56583336 VX");
  EXPECT_STREQ(plain.GetVersionCode(), "36");
  EXPECT_EQ(plain.GetFileType(), 0);
  EXPECT_EQ(SVexlornWptRteHeadBlock().GetFileType(), 1);
  EXPECT_EQ(SVexlornTrkHeadBlock().GetFileType(), 2);

  SVexlornHeadBlock header;
  EXPECT_FALSE(header.SetMarker(12));
  EXPECT_TRUE(header.SetMarker(13));
  // The text and code are checked apart, so an old text with a new code passes.
  EXPECT_TRUE(header.SetVersionText("56583334 VX"));
  EXPECT_TRUE(header.SetVersionCode("36"));
  EXPECT_STREQ(header.GetVersionText(), "56583334 VX");
  EXPECT_STREQ(header.GetVersionCode(), "36");
  for (const char* text : {"56583335 VX", "56583336 vx", "56583336 VXX", "56583336 V", ""}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(header.SetVersionText(text));
  }
  EXPECT_FALSE(header.SetVersionText(nullptr));
  for (const char* code : {"35", "3", "360", ""}) {
    SCOPED_TRACE(code);
    EXPECT_FALSE(header.SetVersionCode(code));
  }
  EXPECT_FALSE(header.SetVersionCode(nullptr));
  EXPECT_STREQ(header.GetVersionText(), "56583334 VX");
  EXPECT_STREQ(header.GetVersionCode(), "36");
}

TEST(VexlornRecords, FileTypeRulesDependOnTheHeaderKindThroughTheBaseToo) {
  SVexlornHeadBlock plain;
  SVexlornWptRteHeadBlock wptHeader;
  SVexlornTrkHeadBlock trkHeader;
  SVexlornHeadBlock* headers[] = {&plain, &wptHeader, &trkHeader};
  const bool accepted[][6] = {
      // -1     0     1      2      3      4
      {false, true, true, true, true, false},     // plain
      {false, false, true, false, false, false},  // waypoint/route
      {false, false, false, true, false, false},  // track
  };
  for (int kind = 0; kind < 3; ++kind) {
    for (int type = -1; type <= 4; ++type) {
      SCOPED_TRACE(std::to_string(kind) + "/" + std::to_string(type));
      const std::int32_t before = headers[kind]->GetFileType();
      const bool ok = headers[kind]->SetFileType(type);
      EXPECT_EQ(ok, accepted[kind][type + 1]);
      EXPECT_EQ(headers[kind]->GetFileType(), ok ? type : before);
    }
  }
}

TEST(VexlornRecords, VersionTextKeepsElevenCharactersAndZeroFillsTheRest) {
  SVexlornVersionText text("0123456789ABCDEF");
  EXPECT_STREQ(text.Get(), "0123456789A");
  text.Set("short");
  EXPECT_STREQ(text.Get(), "short");
  for (int i = 5; i < 12; ++i) EXPECT_EQ(text.Get()[i], '\0') << i;
  EXPECT_TRUE(text == "short");
  EXPECT_FALSE(text == "shor");

  SVexlornVersionCode code("367");
  EXPECT_STREQ(code.Get(), "36");
  EXPECT_TRUE(code == "36");
}

SVexlornRteBlock MakeRoute() {
  SVexlornRteBlock route;
  route.SetName("TRIP");
  route.SetNumber(4);
  for (int i = 0; i < 3; ++i) {
    SVexlornRwptBlock point;
    point.SetName("P" + std::to_string(i));
    point.SetNumber(i + 1);
    point.SetSymbol(static_cast<std::uint8_t>(i));
    route.GetPoints().Add(point);
  }
  return route;
}

TEST(VexlornRecords, CopiesAreDeepAndSelfAssignmentKeepsEverything) {
  const SVexlornRteBlock original = MakeRoute();
  SVexlornRteBlock copy = original;
  copy.GetPoints().RemoveAll();
  copy.SetName("OTHER");
  ASSERT_EQ(original.GetPoints().GetCount(), 3u);
  EXPECT_EQ(original.GetPoints().GetAt(2).GetName(), "P2");
  EXPECT_EQ(original.GetName(), "TRIP");

  SVexlornRteBlock self = MakeRoute();
  SVexlornRteBlock& alias = self;
  self = alias;
  EXPECT_EQ(self.GetName(), "TRIP");
  EXPECT_EQ(self.GetPoints().GetCount(), 3u);

  CVexlornFileWpt doc;
  doc.GetHeader().SetVersionText("56583334 VX");
  doc.GetRoutes().Add(MakeRoute());
  CVexlornFileWpt assigned;
  assigned = doc;
  doc.GetRoutes().RemoveAll();
  EXPECT_STREQ(assigned.GetHeader().GetVersionText(), "56583334 VX");
  ASSERT_EQ(assigned.GetRoutes().GetCount(), 1u);
  EXPECT_EQ(assigned.GetRoutes().GetAt(0).GetPoints().GetAt(1).GetName(), "P1");
  CVexlornFileWpt& docAlias = assigned;
  assigned = docAlias;
  EXPECT_EQ(assigned.GetRoutes().GetCount(), 1u);
}

TEST(VexlornRecords, ListsAddByValueAndAnswerCopies) {
  SVexlornWptBlockArray list;
  SVexlornWptBlock waypoint;
  waypoint.SetName("A");
  EXPECT_EQ(list.Add(waypoint), 0u);
  waypoint.SetName("B");
  EXPECT_EQ(list.Add(waypoint), 1u);
  waypoint.SetName("changed after adding");
  SVexlornWptBlock got = list.GetAt(0);
  got.SetName("changed copy");
  EXPECT_EQ(list.GetAt(0).GetName(), "A");
  EXPECT_EQ(list.GetAt(1).GetName(), "B");
  list.RemoveAll();
  EXPECT_EQ(list.GetCount(), 0u);
}

TEST(VexlornRecords, ClearKeepsHeaderAndTrackName) {
  CVexlornFileWpt wpt;
  wpt.GetHeader().SetVersionCode("34");
  wpt.GetWaypoints().Add(SVexlornWptBlock());
  wpt.GetRoutes().Add(MakeRoute());
  wpt.Clear();
  EXPECT_EQ(wpt.GetWaypoints().GetCount(), 0u);
  EXPECT_EQ(wpt.GetRoutes().GetCount(), 0u);
  EXPECT_STREQ(wpt.GetHeader().GetVersionCode(), "34");

  CVexlornFileTrk trk;
  EXPECT_TRUE(trk.SetName("MORNING"));
  trk.GetNodes().Add(SVexlornTnodBlock());
  trk.Clear();
  EXPECT_EQ(trk.GetNodes().GetCount(), 0u);
  EXPECT_EQ(trk.GetName(), "MORNING");
  EXPECT_EQ(trk.GetHeader().GetFileType(), 2);
}

}  // namespace
