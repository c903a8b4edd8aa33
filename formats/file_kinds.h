// The kinds of file the program knows: their extensions, which side they belong to, what they hold
// and what each becomes in a conversion. One row per kind; how a kind is read and written is bound
// to its row by the jobs (jobs/file_codecs.h).
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Every kind, in the order of the table.
enum class EFileKind { kWpt, kTrk, kUpt, kRte, kLog, kGpx, kImi, kTdx };
inline constexpr std::size_t kFileKindCount = static_cast<std::size_t>(EFileKind::kTdx) + 1;  // the last one

enum class EFileSide {
  kDesktop,      // the desktop product's binary files
  kUnit,         // the unit's sentence files
  kInterchange,  // what other programs and web services exchange
  kMap,          // map regions, copied as they are
};

// What a file holds: bits of SFileKind::holds.
enum EFileContent : unsigned {
  kHoldsWaypoints = 1u << 0,
  kHoldsRoutes = 1u << 1,
  kHoldsTrack = 1u << 2,   // exactly one track
  kHoldsTracks = 1u << 3,  // any number of tracks
  kHoldsDetailMap = 1u << 4,
  kHoldsBackgroundMap = 1u << 5,
};

// One row of the table.
struct SFileKind {
  EFileKind kind;
  // Lower case, without the dot; a file is of this kind when its extension is one of them in any
  // letter case. The first is the one new files get.
  std::span<const std::string_view> extensions;
  EFileSide side;
  unsigned holds;  // EFileContent bits
  // The kinds a file of this kind becomes when converted towards the desktop product, the unit or
  // GPX, in the order they are made; empty where it does not go. A GPX file gives those that its
  // content asks for.
  std::span<const EFileKind> toDesktop;
  std::span<const EFileKind> toUnit;
  std::span<const EFileKind> toInterchange;
};

// Every row, in the order of EFileKind.
std::span<const SFileKind> FileKinds();
const SFileKind& FileKindRow(EFileKind kind);

// The kind that the extension of the path's name part says, in any letter case ("TRIP.WPT" is a
// .wpt file); none for a name without an extension or with one of no kind. Both '/' and '\'
// separate folders.
std::optional<EFileKind> FileKindOf(std::string_view path);

// The extension new files of the kind get ("wpt").
std::string_view KindExtension(EFileKind kind);
// Whether the kind holds any of the content bits.
bool Holds(EFileKind kind, unsigned content);
// What a file of the kind becomes towards a side (SFileKind::toDesktop, toUnit, toInterchange);
// map regions are never converted.
std::span<const EFileKind> TargetKinds(EFileKind kind, EFileSide towards);
// The kinds of one side, in the order of the table.
std::vector<EFileKind> KindsOnSide(EFileSide side);
// The kinds that convert towards a side (TargetKinds not empty), in the order of the table.
std::vector<EFileKind> KindsConvertedTowards(EFileSide side);

// The kinds' extensions for a message, each after `prefix` ("." gives ".wpt, .trk or .gpx").
std::string ListKinds(std::span<const EFileKind> kinds, std::string_view prefix = {});
