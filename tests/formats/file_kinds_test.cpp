// The table of file kinds: a path's kind from its extension in any letter case, and conversions
// that always lead to kinds of the side they go to.
#include "formats/file_kinds.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "formats/ascii_case.h"

namespace {

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return upper;
}

TEST(FileKindsTest, EveryExtensionInAnyCaseGivesItsKindAndConversionsStayOnTheirSide) {
  for (const SFileKind& row : FileKinds()) {
    for (const std::string_view extension : row.extensions) {
      const std::string lower(extension);
      const std::string mixed = Upper(extension.substr(0, 1)) + lower.substr(1);
      for (const std::string& path : {"trip." + lower, "/media/unit/Routes/trip." + Upper(extension),
                                      "E:\\My POIs\\trip." + mixed, "a.b/trip.tar." + lower}) {
        EXPECT_EQ(FileKindOf(path), row.kind) << path;
      }
      EXPECT_EQ(AsciiLower(lower), lower) << "extensions are listed in lower case";
    }
    for (const EFileSide side : {EFileSide::kDesktop, EFileSide::kUnit, EFileSide::kInterchange, EFileSide::kMap}) {
      for (const EFileKind target : TargetKinds(row.kind, side)) {
        EXPECT_EQ(FileKindRow(target).side, side) << KindExtension(row.kind) << " -> " << KindExtension(target);
      }
    }
  }
  for (const char* path : {"trip", "trip.", "trip.wpt.bak", "trip.wptx", "trip.wp", "trip.wpt/", "d.wpt/trip",
                           "d.gpx\\trip", "trip.w\xC3\xA9t", ""}) {
    EXPECT_EQ(FileKindOf(path), std::nullopt) << path;
  }
  EXPECT_EQ(ListKinds(KindsOnSide(EFileSide::kUnit)), "upt, rte or log");
  EXPECT_EQ(ListKinds(KindsOnSide(EFileSide::kDesktop), "."), ".wpt or .trk");
}

}  // namespace
