// The words of the warnings about a source: what, how many, where the first is, what became of
// them and in which files; dates, never seconds.
#include "formats/source_warning.h"

#include <gtest/gtest.h>

#include <string>

#include "formats/unit_times.h"
#include "formats/vexlorn_records.h"
#include "tests/formats/local_time_support.h"

namespace {

TEST(SourceWarningTest, EachWarningReadsAsOneSentence) {
  const CTimeZoneGuard zone("UTC");
  const CUnitTimes times;
  const auto untimed = [&](std::initializer_list<std::int64_t> seconds, std::initializer_list<SSourcePlace> places,
                           ETimeTarget target) {
    CUntimedPoints points;
    auto place = places.begin();
    for (const std::int64_t each : seconds) {
      SVexlornTnodBlock node;
      node.SetTime(each);
      points.Fit(times, target, node, *place++);
    }
    return points;
  };
  const std::string noTime = "the unit's \"no time\" (2000-01-01 00:00:00 local time)";
  SSourceWarning nodeOnly;
  nodeOnly.source = "x.trk";
  nodeOnly.count = 1;
  nodeOnly.what = "node(s) of note";
  nodeOnly.first = SSourcePlace::AtNode(4);
  const struct {
    SSourceWarning warning;
    std::string text;
  } cases[] = {
      // A kept time is not counted; the first place and time are the first point's given none.
      {untimed({1000000000, -2165616000, 2200000000}, {SSourcePlace::AtLine(2, 2), SSourcePlace::AtLine(3, 2), {}},
               ETimeTarget::kTrackFile)
           .Warning("t.gpx", ETimeTarget::kTrackFile, {"od/t.trk"}),
       "t.gpx: 2 track point(s) without a time a .trk file can hold (1901-12-13 20:45:52 to 2038-01-19 03:14:07 "
       "UTC), the first at line 3, column 2 (1901-05-18 00:00:00 UTC): given " +
           noTime + " in od/t.trk"},
      {untimed({times.NoTime(), 0}, {SSourcePlace::AtNode(2, 53), SSourcePlace::AtNode(3, 82)}, ETimeTarget::kTrackLog)
           .Warning("t.trk", ETimeTarget::kTrackLog, {"u/t.log", "u/t_1.log"}),
       "t.trk: 2 track point(s) without a time a .log file can hold (2000-01-01 00:00:00 to 2099-12-31 23:59:59 "
       "local time), the first at node 2 at offset 53 (no time): given " +
           noTime + " in u/t.log, u/t_1.log"},
      {untimed({times.NoTime()}, {SSourcePlace::AtLine(7)}, ETimeTarget::kGpx)
           .Warning("w.log", ETimeTarget::kGpx, {"w.gpx"}),
       "w.log: 1 track point(s) at " + noTime + ", the first at line 7: written without <time> in w.gpx"},
      {STrailingBytes{9, 24}.Warning("t.trk"),
       "t.trk: 9 byte(s) after the last record were not read, the first at offset 24"},
      {ReplacedCharactersWarning("p.gpx", 3, "CP1251"),
       "p.gpx: 3 character(s) not held by CP1251 or by XML became '?'"},
      {nodeOnly, "x.trk: 1 node(s) of note, the first at node 4"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.warning.Text(), c.text);
}

}  // namespace
