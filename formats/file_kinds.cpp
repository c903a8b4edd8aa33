// The table of file kinds.
#include "formats/file_kinds.h"

#include <iterator>

#include "formats/ascii_case.h"

namespace {

using K = EFileKind;
using S = EFileSide;

constexpr std::string_view kWptExtensions[] = {"wpt"};
constexpr std::string_view kTrkExtensions[] = {"trk"};
constexpr std::string_view kUptExtensions[] = {"upt"};
constexpr std::string_view kRteExtensions[] = {"rte"};
constexpr std::string_view kLogExtensions[] = {"log"};
constexpr std::string_view kGpxExtensions[] = {"gpx"};
constexpr std::string_view kImiExtensions[] = {"imi"};
constexpr std::string_view kTdxExtensions[] = {"tdx"};

// A .wpt file gives the unit its user points and its routes, each in a file of its own; both unit
// files come back as a .wpt file.
constexpr K kToUnitFromWpt[] = {K::kUpt, K::kRte};
constexpr K kToUnitFromTrk[] = {K::kLog};
constexpr K kToDesktopFromPoints[] = {K::kWpt};
constexpr K kToDesktopFromLog[] = {K::kTrk};
constexpr K kToUnitFromGpx[] = {K::kUpt, K::kRte, K::kLog};
constexpr K kToDesktopFromGpx[] = {K::kWpt, K::kTrk};
constexpr K kToGpx[] = {K::kGpx};

constexpr unsigned kPointsAndRoutes = kHoldsWaypoints | kHoldsRoutes;

constexpr SFileKind kKinds[] = {
    {K::kWpt, kWptExtensions, S::kDesktop, kPointsAndRoutes, {}, kToUnitFromWpt, kToGpx},
    {K::kTrk, kTrkExtensions, S::kDesktop, kHoldsTrack, {}, kToUnitFromTrk, kToGpx},
    {K::kUpt, kUptExtensions, S::kUnit, kHoldsWaypoints, kToDesktopFromPoints, {}, kToGpx},
    {K::kRte, kRteExtensions, S::kUnit, kPointsAndRoutes, kToDesktopFromPoints, {}, kToGpx},
    {K::kLog, kLogExtensions, S::kUnit, kHoldsTrack, kToDesktopFromLog, {}, kToGpx},
    {K::kGpx, kGpxExtensions, S::kInterchange, kPointsAndRoutes | kHoldsTracks, kToDesktopFromGpx, kToUnitFromGpx, {}},
    {K::kImi, kImiExtensions, S::kMap, kHoldsDetailMap, {}, {}, {}},
    {K::kTdx, kTdxExtensions, S::kMap, kHoldsBackgroundMap, {}, {}, {}},
};

// FileKindRow finds a row by its kind's number.
constexpr bool RowsInKindOrder() {
  for (std::size_t i = 0; i < std::size(kKinds); ++i) {
    if (static_cast<std::size_t>(kKinds[i].kind) != i) return false;
  }
  return std::size(kKinds) == kFileKindCount;
}
static_assert(RowsInKindOrder());

}  // namespace

std::span<const SFileKind> FileKinds() { return kKinds; }

const SFileKind& FileKindRow(EFileKind kind) { return kKinds[static_cast<std::size_t>(kind)]; }

std::optional<EFileKind> FileKindOf(std::string_view path) {
  const auto separator = path.find_last_of("/\\");
  const std::string_view name = separator == std::string_view::npos ? path : path.substr(separator + 1);
  const auto dot = name.rfind('.');
  if (dot == std::string_view::npos) return std::nullopt;
  const std::string_view extension = name.substr(dot + 1);
  for (const SFileKind& row : kKinds) {
    for (const std::string_view known : row.extensions) {
      if (EqualIgnoringCase(extension, known)) return row.kind;
    }
  }
  return std::nullopt;
}

std::string_view KindExtension(EFileKind kind) { return FileKindRow(kind).extensions.front(); }

bool Holds(EFileKind kind, unsigned content) { return (FileKindRow(kind).holds & content) != 0; }

std::span<const EFileKind> TargetKinds(EFileKind kind, EFileSide towards) {
  const SFileKind& row = FileKindRow(kind);
  switch (towards) {
    case EFileSide::kDesktop:
      return row.toDesktop;
    case EFileSide::kUnit:
      return row.toUnit;
    case EFileSide::kInterchange:
      return row.toInterchange;
    case EFileSide::kMap:
      break;
  }
  return {};
}

std::vector<EFileKind> KindsOnSide(EFileSide side) {
  std::vector<EFileKind> kinds;
  for (const SFileKind& row : kKinds) {
    if (row.side == side) kinds.push_back(row.kind);
  }
  return kinds;
}

std::vector<EFileKind> KindsConvertedTowards(EFileSide side) {
  std::vector<EFileKind> kinds;
  for (const SFileKind& row : kKinds) {
    if (!TargetKinds(row.kind, side).empty()) kinds.push_back(row.kind);
  }
  return kinds;
}

std::string ListKinds(std::span<const EFileKind> kinds, std::string_view prefix) {
  std::string text;
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    if (i != 0) text += i + 1 == kinds.size() ? " or " : ", ";
    text += prefix;
    text += KindExtension(kinds[i]);
  }
  return text;
}
