// Fuzz target: the input parsed as every sentence kind, as a position group and as a route entry.
// Whatever parses must format to a line that parses again to the same values and the same line.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "formats/sentences.h"
#include "fuzz/fuzz_support.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// Coordinates are written with three decimals, so a value may move by up to half a thousandth,
// plus the rounding of the value itself: a few units in its last place, which for a field of
// millions of minutes exceeds a millionth of a minute.
bool SameCoordinate(double a, double b) {
  const double slack = 4 * std::numeric_limits<double>::epsilon() * std::max(std::fabs(a), 1.0);
  return a == b || std::fabs(a - b) <= 0.0005 + slack;
}

void RequireSamePosition(const CPosition& a, const CPosition& b) {
  Require(SameCoordinate(a.GetLatitude(), b.GetLatitude()));
  Require(SameCoordinate(a.GetLongitude(), b.GetLongitude()));
  Require(a.GetLatitudeHemisphere() == b.GetLatitudeHemisphere());
  Require(a.GetLongitudeHemisphere() == b.GetLongitudeHemisphere());
  Require(a.GetAltitude() == b.GetAltitude());
  Require(a.GetAltitudeUnit() == b.GetAltitudeUnit());
}

// Parses the object's own text into a fresh object, which must format to the same text.
template <typename T>
T Reparsed(const T& parsed) {
  T again;
  const std::string line = parsed.Format();
  Require(again.Parse(line));
  Require(again.Format() == line);
  return again;
}

void RequireSameRoute(const CRteSentence& a, const CRteSentence& b) {
  Require(a.GetTotal() == b.GetTotal() && a.GetNumber() == b.GetNumber() && a.GetKind() == b.GetKind());
  Require(a.GetRouteNumber() == b.GetRouteNumber() && a.GetRouteName() == b.GetRouteName());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  UseUtc();
  const std::string_view text = InputText(data, size);

  if (CWplSentence waypoint; waypoint.Parse(text)) {
    const CWplSentence again = Reparsed(waypoint);
    RequireSamePosition(waypoint.GetPosition(), again.GetPosition());
    Require(waypoint.GetName() == again.GetName() && waypoint.GetComment() == again.GetComment() &&
            waypoint.GetIcon() == again.GetIcon());
  }
  if (CRteSentence route; route.Parse(text)) RequireSameRoute(route, Reparsed(route));
  if (CRteWaypointsSentence route; route.Parse(text)) {
    const CRteWaypointsSentence again = Reparsed(route);
    RequireSameRoute(route, again);
    Require(route.GetEntries().size() == again.GetEntries().size());
    for (std::size_t i = 0; i < route.GetEntries().size(); ++i)
      Require(route.GetEntries()[i].GetName() == again.GetEntries()[i].GetName() &&
              route.GetEntries()[i].GetIcon() == again.GetEntries()[i].GetIcon());
  }
  if (CTrkSentence point; point.Parse(text)) {
    const CTrkSentence again = Reparsed(point);
    RequireSamePosition(point.GetPosition(), again.GetPosition());
    Require(point.GetTime() == again.GetTime() && point.GetHundredths() == again.GetHundredths());
    Require(point.GetValidity() == again.GetValidity() && point.GetName() == again.GetName());
  }
  if (CCmdEndSentence end; end.Parse(text)) Reparsed(end);
  if (CPosition position; position.Parse(text)) {
    // The group is read behind a leading field, as it stands in a sentence.
    CPosition again;
    Require(again.Parse("X," + position.Format()));
    Require(again.Format() == position.Format());
    RequireSamePosition(position, again);
  }
  if (CRouteEntry entry; entry.Parse(text)) {
    const CRouteEntry again = Reparsed(entry);
    Require(entry.GetName() == again.GetName() && entry.GetIcon() == again.GetIcon());
  }
  Require(SentenceType(text) >= SENTENCE_RTE && SentenceType(text) <= SENTENCE_XXX);
  return 0;
}
