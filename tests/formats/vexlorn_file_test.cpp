// Loading and saving of .wpt and .trk files: encodings, refusals with their offsets, safe saving.
#include "formats/vexlorn_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "formats/vexlorn_archive.h"
#include "tests/formats/vexlorn_file_fixtures.h"

namespace {

using namespace vexlorn_fixtures;

// Hand-made file bytes, so that refusals can be placed exactly.
class CBytes {
 public:
  CBytes& U8(std::uint8_t v) {
    m_bytes.push_back(v);
    return *this;
  }
  CBytes& Raw(const std::string& text) {
    m_bytes.insert(m_bytes.end(), text.begin(), text.end());
    return *this;
  }
  CBytes& U16(std::uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
  CBytes& I32(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    return U16(u & 0xFFFF).U16(u >> 16);
  }
  CBytes& F64(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, 8);
    for (int i = 0; i < 8; ++i) U8(static_cast<std::uint8_t>(bits >> (8 * i)));
    return *this;
  }
  CBytes& Str(const std::string& s) { return U8(static_cast<std::uint8_t>(s.size())).Raw(s); }
  CBytes& Header(std::int32_t type, const std::string& text = "56583336 VX", const std::string& code = "36",
                 std::uint8_t marker = 13) {
    return U8(marker).Raw(text).Raw(code).I32(type);
  }
  // A waypoint with empty strings, given symbol and route use.
  CBytes& Waypoint(std::uint8_t symbol = 0, std::uint8_t routeUse = 0, const std::string& name = "") {
    return Str(name).Str("").I32(1).U8(symbol).U8(routeUse).F64(1).F64(2).F64(3);
  }
  CBytes& Node(std::uint8_t hundredths = 0, std::int32_t time = 0, std::int32_t validFix = 1) {
    F64(1.5).F64(-2.5);
    const float altitude = 12.5f;
    std::uint32_t bits;
    std::memcpy(&bits, &altitude, 4);
    return I32(static_cast<std::int32_t>(bits)).I32(time).I32(validFix).U8(hundredths);
  }
  const Bytes& Get() const { return m_bytes; }

 private:
  Bytes m_bytes;
};

template <typename Doc>
bool Load(const Bytes& bytes, Doc& doc, std::string* reason = nullptr) {
  CDiagnostic why;
  const bool ok = LoadVexlornBytes(bytes.data(), bytes.size(), doc, &why);
  if (reason != nullptr) *reason = why.Reason();
  EXPECT_EQ(ok, !why.HasReason());
  return ok;
}

TEST(VexlornStrings, LengthPrefixTakesTheFormItsLengthNeeds) {
  struct SCase {
    std::size_t length;
    Bytes prefix;
  };
  const SCase cases[] = {
      {0, {0x00}},
      {254, {0xFE}},
      {255, {0xFF, 0xFF, 0x00}},
      {65533, {0xFF, 0xFD, 0xFF}},
      // 0xFFFE would announce a wide string, so 65534 already needs the 32-bit form.
      {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
      {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
  };
  for (const SCase& c : cases) {
    SCOPED_TRACE(c.length);
    CVexlornFileWpt doc;
    SVexlornWptBlock waypoint;
    waypoint.SetName(std::string(c.length, 'n'));
    doc.GetWaypoints().Add(waypoint);
    const Bytes bytes = Save(doc);
    ASSERT_EQ(bytes.size(), 26 + 32 - 1 + c.prefix.size() + c.length);
    EXPECT_EQ(Bytes(bytes.begin() + 22, bytes.begin() + 22 + static_cast<long>(c.prefix.size())), c.prefix);
    CVexlornFileWpt loaded;
    ASSERT_TRUE(Load(bytes, loaded));
    EXPECT_EQ(loaded.GetWaypoints().GetAt(0).GetName(), std::string(c.length, 'n'));
  }

  CVexlornFileTrk track;
  track.SetName(std::string(300, 't'));
  const Bytes bytes = Save(track);
  EXPECT_EQ(bytes.size(), 18u + 3 + 300 + 4);
  EXPECT_EQ(bytes[18], 0xFF);
}

// Wide names go into the code page (CP1252 here); what it cannot hold, an unpaired surrogate too,
// becomes '?'.
TEST(VexlornStrings, WideStringsGoIntoTheCodePage) {
  struct SCase {
    const char* label;
    Bytes encoded;  // the name's bytes as they stand in the file
    std::string expected;
  };
  Bytes longWide = {0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01};  // 300 characters, 16-bit second prefix
  for (int i = 0; i < 300; ++i) longWide.insert(longWide.end(), {'A', 0});
  Bytes widest = {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00, 'o', 0, 'k', 0};
  const SCase cases[] = {
      {"latin", {0xFF, 0xFE, 0xFF, 0x02, 0xFC, 0x00, 'r', 0x00}, "\xFCr"},
      {"pair", {0xFF, 0xFE, 0xFF, 0x02, 0x3D, 0xD8, 0x00, 0xDE}, "?"},
      {"high alone", {0xFF, 0xFE, 0xFF, 0x02, 0x3D, 0xD8, 'x', 0x00}, "?x"},
      {"high at end", {0xFF, 0xFE, 0xFF, 0x01, 0x3D, 0xD8}, "?"},
      {"low alone", {0xFF, 0xFE, 0xFF, 0x01, 0x00, 0xDE}, "?"},
      {"empty", {0xFF, 0xFE, 0xFF, 0x00}, ""},
      {"16-bit length", longWide, std::string(300, 'A')},
      {"32-bit length", widest, "ok"},
  };
  for (const SCase& c : cases) {
    SCOPED_TRACE(c.label);
    CBytes file;
    file.Header(2);
    Bytes bytes = file.Get();
    bytes.insert(bytes.end(), c.encoded.begin(), c.encoded.end());
    bytes.insert(bytes.end(), 4, 0);  // no nodes
    CVexlornFileTrk doc;
    ASSERT_TRUE(Load(bytes, doc));
    EXPECT_EQ(doc.GetName(), c.expected);
  }
}

TEST(VexlornStrings, BadLengthsFailAtTheStringsOffset) {
  struct SCase {
    const char* label;
    Bytes encoded;
    std::string reason;
  };
  const SCase cases[] = {
      {"second wide mark", {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0x00}, "wide string marked twice at offset 18"},
      {"narrow too long", {0x05, 'a', 'b'}, "file ends inside a string at offset 18"},
      {"huge 32-bit length", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "file ends inside a string at offset 18"},
      {"wide too long", {0xFF, 0xFE, 0xFF, 0x04, 'a', 0, 'b', 0, 0, 0}, "file ends inside a string at offset 18"},
      {"cut prefix", {0xFF, 0xFF}, "file ends inside a string at offset 18"},
  };
  for (const SCase& c : cases) {
    SCOPED_TRACE(c.label);
    CBytes file;
    file.Header(2);
    Bytes bytes = file.Get();
    bytes.insert(bytes.end(), c.encoded.begin(), c.encoded.end());
    CVexlornFileTrk doc;
    std::string reason;
    EXPECT_FALSE(Load(bytes, doc, &reason));
    EXPECT_EQ(reason, c.reason);
  }
}

TEST(VexlornHeader, AcceptsBothVersionsMixedAndAnyTypeAndKeepsThemAsRead) {
  struct SCase {
    std::string text;
    std::string code;
    std::int32_t type;
  };
  const SCase cases[] = {
      {"56583336 VX", "36", 1}, {"56583334 VX", "34", 1}, {"56583336 VX", "34", 1},
      {"56583334 VX", "36", 0}, {"56583336 VX", "36", 2}, {"56583336 VX", "36", 3},
  };
  for (const SCase& c : cases) {
    SCOPED_TRACE(c.text + "/" + c.code + "/" + std::to_string(c.type));
    CBytes wpt;
    wpt.Header(c.type, c.text, c.code).I32(0).I32(0);
    CVexlornFileWpt doc;
    ASSERT_TRUE(Load(wpt.Get(), doc));
    EXPECT_EQ(doc.GetHeader().GetVersionText(), c.text);
    EXPECT_EQ(doc.GetHeader().GetVersionCode(), c.code);
    EXPECT_EQ(doc.GetHeader().GetFileType(), c.type);
    // Saving again writes what was read: an older file stays older.
    EXPECT_EQ(Save(doc), wpt.Get());

    CBytes trk;
    trk.Header(c.type, c.text, c.code).Str("").I32(0);
    CVexlornFileTrk track;
    ASSERT_TRUE(Load(trk.Get(), track));
    EXPECT_EQ(Save(track), trk.Get());
  }
}

TEST(VexlornHeader, RefusesEachWrongValueAtItsOffset) {
  struct SCase {
    CBytes header;
    std::string reason;
  };
  SCase cases[] = {
      {CBytes().Header(1, "56583336 VX", "36", 12), "marker 12 not accepted at offset 0"},
      {CBytes().Header(1, "56583337 VX"), "version text \"56583337 VX\" not accepted at offset 1"},
      {CBytes().Header(1, "56583336 WX"), "version text \"56583336 WX\" not accepted at offset 1"},
      {CBytes().Header(1, std::string("56583336\0VX", 11)), "version text \"56583336\" not accepted at offset 1"},
      {CBytes().Header(1, "5658333\x01 VX"), "version text \"5658333\\x01 VX\" not accepted at offset 1"},
      {CBytes().Header(1, "56583336 VX", "35"), "version code \"35\" not accepted at offset 12"},
      {CBytes().Header(1, "56583336 VX", "46"), "version code \"46\" not accepted at offset 12"},
      {CBytes().Header(4), "file type 4 not accepted at offset 14"},
      {CBytes().Header(-1), "file type -1 not accepted at offset 14"},
  };
  for (SCase& c : cases) {
    SCOPED_TRACE(c.reason);
    c.header.I32(0).I32(0);
    CVexlornFileWpt doc;
    std::string reason;
    EXPECT_FALSE(Load(c.header.Get(), doc, &reason));
    EXPECT_EQ(reason, c.reason);
  }
}

TEST(VexlornLoad, RefusedRecordFailsTheLoadAndLeavesTheCallersDocumentAlone) {
  struct SCase {
    CBytes file;
    std::string reason;
  };
  SCase cases[] = {
      // 18 header + 4 count + name (1 + 33) + comment (1) + number (4) puts the symbol at 61.
      {CBytes().Header(1).I32(1).Waypoint(42, 0, std::string(33, 'x')).I32(0), "symbol 42 out of range at offset 61"},
      {CBytes().Header(1).I32(1).Waypoint(0, 3).I32(0), "route use 3 out of range at offset 29"},
      {CBytes().Header(1).I32(0).I32(1).Str("R").I32(1).I32(1).Str("P").I32(1).F64(0).F64(0).U8(42),
       "symbol 42 out of range at offset 58"},
  };
  for (SCase& c : cases) {
    SCOPED_TRACE(c.reason);
    CVexlornFileWpt doc = SmallWpt();
    const Bytes before = Save(doc);
    std::string reason;
    EXPECT_FALSE(Load(c.file.Get(), doc, &reason));
    EXPECT_EQ(reason, c.reason);
    EXPECT_EQ(Save(doc), before);
  }

  CVexlornFileTrk track = SmallTrk();
  const Bytes before = Save(track);
  std::string reason;
  // The third node's hundredths byte: 18 + 2 + 4 + 2 * 29 + 28.
  EXPECT_FALSE(Load(CBytes().Header(2).Str("X").I32(3).Node(99).Node(0).Node(100).Get(), track, &reason));
  EXPECT_EQ(reason, "hundredths 100 out of range at offset 110");
  EXPECT_EQ(Save(track), before);
}

TEST(VexlornLoad, CountsAreCheckedAgainstTheBytesLeftBeforeAnythingIsReserved) {
  struct SCase {
    CBytes file;
    std::string reason;
  };
  SCase cases[] = {
      {CBytes().Header(1).I32(1000000).Raw(std::string(40, '\0')),
       "waypoint count 1000000 exceeds what the 40 bytes left can hold at offset 18"},
      {CBytes().Header(1).I32(-1).I32(0), "waypoint count -1 is negative at offset 18"},
      {CBytes().Header(1).I32(0).I32(2).Str("R").I32(1).I32(0),
       "route count 2 exceeds what the 10 bytes left can hold at offset 22"},
      {CBytes().Header(1).I32(0).I32(1).Str("").I32(1).I32(0x7FFFFFFF).Raw(std::string(21, '\0')),
       "route point count 2147483647 exceeds what the 21 bytes left can hold at offset 31"},
      {CBytes().Header(2).Str("").I32(2).Node(), "node count 2 exceeds what the 29 bytes left can hold at offset 19"},
      {CBytes().Header(2).Str("").I32(-5), "node count -5 is negative at offset 19"},
      {CBytes().Header(1).I32(0).U8(0), "file ends inside a count at offset 22"},
  };
  for (SCase& c : cases) {
    SCOPED_TRACE(c.reason);
    std::string reason;
    bool loaded = false;
    if (c.file.Get()[14] == 1) {
      CVexlornFileWpt doc;
      loaded = Load(c.file.Get(), doc, &reason);
    } else {
      CVexlornFileTrk doc;
      loaded = Load(c.file.Get(), doc, &reason);
    }
    EXPECT_FALSE(loaded);
    EXPECT_EQ(reason, c.reason);
  }

  // Exactly as many smallest records as the bytes can hold is fine.
  CVexlornFileWpt wpt;
  EXPECT_TRUE(Load(CBytes().Header(1).I32(1).Waypoint().I32(0).Get(), wpt));
  CVexlornFileTrk trk;
  EXPECT_TRUE(Load(CBytes().Header(2).Str("").I32(2).Node().Node().Get(), trk));
}

TEST(VexlornLoad, EveryCutFailsAndTrailingBytesAreIgnored) {
  const Bytes wpt = Save(SmallWpt());
  const Bytes trk = Save(SmallTrk());
  for (std::size_t cut = 0; cut < wpt.size(); ++cut) {
    CVexlornFileWpt doc = SmallWpt();
    std::string reason;
    EXPECT_FALSE(Load(Bytes(wpt.begin(), wpt.begin() + static_cast<long>(cut)), doc, &reason)) << cut;
    EXPECT_NE(reason.find("at offset"), std::string::npos) << reason;
    EXPECT_EQ(Save(doc), wpt) << cut;
  }
  for (std::size_t cut = 0; cut < trk.size(); ++cut) {
    CVexlornFileTrk doc;
    EXPECT_FALSE(Load(Bytes(trk.begin(), trk.begin() + static_cast<long>(cut)), doc)) << cut;
    EXPECT_EQ(doc.GetNodes().GetCount(), 0u);
  }
  Bytes longer = wpt;
  longer.insert(longer.end(), {0xFF, 0xFF, 0xFF, 0xFF, 42});
  CVexlornFileWpt doc;
  ASSERT_TRUE(Load(longer, doc));
  EXPECT_EQ(Save(doc), wpt);
  Bytes longerTrack = trk;
  longerTrack.push_back(200);
  CVexlornFileTrk track;
  ASSERT_TRUE(Load(longerTrack, track));
  EXPECT_EQ(Save(track), trk);
}

TEST(VexlornLoad, EmptyInputFailsWithoutTouchingTheDocument) {
  CVexlornFileTrk doc = SmallTrk();
  std::string reason;
  EXPECT_FALSE(LoadVexlornBytes(nullptr, 0, doc));
  EXPECT_FALSE(Load(Bytes(), doc, &reason));
  EXPECT_EQ(reason, "file ends inside the header at offset 0");
  EXPECT_EQ(doc.GetNodes().GetCount(), 3u);
}

TEST(VexlornRoundTrip, RecordsComeBackFieldForField) {
  CVexlornFileWpt doc = SmallWpt();
  SVexlornRteBlock empty;
  empty.SetName("NONE");
  empty.SetNumber(-3);
  doc.GetRoutes().Add(empty);
  const Bytes bytes = Save(doc);
  // A route with no points is its name, its number and a zero count.
  const Bytes tail(bytes.end() - 13, bytes.end());
  EXPECT_EQ(tail, CBytes().Str("NONE").I32(-3).I32(0).Get());

  CVexlornFileWpt loaded;
  ASSERT_TRUE(Load(bytes, loaded));
  ASSERT_EQ(loaded.GetWaypoints().GetCount(), 2u);
  const SVexlornWptBlock w = loaded.GetWaypoints().GetAt(0);
  EXPECT_EQ(w.GetName(), "WP0");
  EXPECT_EQ(w.GetComment(), "first");
  EXPECT_EQ(w.GetNumber(), 1);
  EXPECT_EQ(w.GetSymbol(), 40);
  EXPECT_EQ(w.GetRouteUse(), 2);
  EXPECT_EQ(w.GetLongitude(), -3.5);
  EXPECT_EQ(w.GetLatitude(), -48.25);
  ASSERT_EQ(loaded.GetRoutes().GetCount(), 2u);
  EXPECT_EQ(loaded.GetRoutes().GetAt(0).GetPoints().GetAt(0).GetSymbol(), 40);
  EXPECT_EQ(loaded.GetRoutes().GetAt(1).GetName(), "NONE");
  EXPECT_EQ(loaded.GetRoutes().GetAt(1).GetPoints().GetCount(), 0u);

  CVexlornFileTrk track;
  ASSERT_TRUE(Load(Save(SmallTrk()), track));
  ASSERT_EQ(track.GetNodes().GetCount(), 3u);
  const SVexlornTnodBlock first = track.GetNodes().GetAt(0);
  const SVexlornTnodBlock last = track.GetNodes().GetAt(2);
  EXPECT_EQ(first.GetTime(), -100);
  EXPECT_EQ(first.GetHundredths(), 97);
  EXPECT_EQ(last.GetValidFix(), 7);
  EXPECT_EQ(last.GetHundredths(), 99);
  EXPECT_EQ(last.GetAltitude(), 3.0f);
  EXPECT_EQ(last.GetLatitude(), -0.5);
  EXPECT_EQ(track.GetName(), "T");
}

TEST(VexlornFile, SavesAndLoadsThroughTheFileSystem) {
  CTempFolder folder;
  const std::string path = folder.Path("trip.wpt");
  ASSERT_TRUE(SaveVexlornFile(path, SmallWpt()));
  EXPECT_EQ(ReadAll(path), Save(SmallWpt()));
  CVexlornFileWpt doc;
  ASSERT_TRUE(LoadVexlornFile(path, doc));
  EXPECT_EQ(Save(doc), Save(SmallWpt()));
  // Replacing an existing file.
  ASSERT_TRUE(SaveVexlornFile(path, CVexlornFileWpt()));
  EXPECT_EQ(ReadAll(path).size(), 26u);
  EXPECT_EQ(NamesIn(folder), std::vector<std::string>{"trip.wpt"});

  CDiagnostic why;
  CVexlornFileTrk track;
  EXPECT_FALSE(LoadVexlornFile(folder.Path("missing.trk"), track, &why));
  EXPECT_NE(why.Reason().find("cannot open"), std::string::npos) << why.Reason();
  EXPECT_FALSE(SaveVexlornFile(folder.Path("no/such/folder.trk"), track, &why));
  EXPECT_TRUE(why.HasReason());
  // Neither a folder nor a device that never ends is read.
  EXPECT_FALSE(LoadVexlornFile(folder.Path(""), track, &why));
  EXPECT_NE(why.Reason().find("not a regular file"), std::string::npos) << why.Reason();
}

}  // namespace
