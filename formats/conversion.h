// Conversion between the desktop product's documents and the unit's sentence files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/diagnostic.h"
#include "formats/unit_files.h"
#include "formats/unit_times.h"
#include "formats/vexlorn_records.h"

// Each conversion empties its target and fills it in source order. On a refusal it stops at the
// failing item, answers false (with the item and the rule in `why`) and leaves the target holding
// what was converted before that item.

// Desktop waypoints → WPL sentences. The target may be a route file: its routes are emptied too.
bool ConvertWaypointsToUnit(const CVexlornFileWpt& source, CUnitWaypointFile& target, CDiagnostic* why = nullptr);
// Every desktop waypoint (not only those on a route), then each route as RTE sentences of two entries.
bool ConvertRoutesToUnit(const CVexlornFileWpt& source, CUnitRouteFile& target, CDiagnostic* why = nullptr);
// A node time that a log cannot hold becomes the unit's "no time" (see CUnitTimes; the instants of
// the time zone at the call when none is given).
bool ConvertTrackToUnit(const CVexlornFileTrk& source, CUnitTrackFile& target, CDiagnostic* why = nullptr,
                        const CUnitTimes* times = nullptr);

// WPL sentences → desktop waypoints; the route list of the document is emptied.
bool ConvertWaypointsToDesktop(const CUnitWaypointFile& source, CVexlornFileWpt& target, CDiagnostic* why = nullptr);
// The waypoints, then one desktop route per complete group of RTE sentences. An entry naming no
// point of the file is refused; a name held by several points means the first of them.
bool ConvertRoutesToDesktop(const CUnitRouteFile& source, CVexlornFileWpt& target, CDiagnostic* why = nullptr);
bool ConvertTrackToDesktop(const CUnitTrackFile& source, CVexlornFileTrk& target, CDiagnostic* why = nullptr);

// The same a record at a time, for conversions that never hold a whole file; `index` counts the
// record from 0 and names it in a reason. A track point keeps the name it had: the caller gives it
// the track's name once.
bool ConvertWaypointToUnit(const SVexlornWptBlock& waypoint, std::size_t index, CWplSentence& sentence,
                           CDiagnostic* why = nullptr);
// The RTE sentences of one route, replacing what `sentences` held.
bool ConvertRouteToUnit(const SVexlornRteBlock& route, std::vector<CRteWaypointsSentence>& sentences,
                        CDiagnostic* why = nullptr);
bool ConvertNodeToUnit(const SVexlornTnodBlock& node, std::size_t index, CTrkSentence& point, const CUnitTimes& times,
                       CDiagnostic* why = nullptr);
// A point's time is taken as it is, in 64 bits: whether a desktop file can hold it is for the
// conversion that writes one (see CUntimedPoints::Fit).
bool ConvertPointToDesktop(const CTrkSentence& point, std::size_t index, SVexlornTnodBlock& node,
                           CDiagnostic* why = nullptr);

// A WPL sentence → the desktop waypoint at 0-based `index`, in a route or not; given the sentence
// to keep, the waypoint takes its name and comment.
bool ConvertWaypointToDesktop(const CWplSentence& sentence, std::size_t index, bool inRoute, SVexlornWptBlock& waypoint,
                              CDiagnostic* why = nullptr);
bool ConvertWaypointToDesktop(CWplSentence&& sentence, std::size_t index, bool inRoute, SVexlornWptBlock& waypoint,
                              CDiagnostic* why = nullptr);

// Signed decimal degrees → signed ddmm.mmm (degrees × 100 + minutes), and back.
double DegreesToDdmm(double degrees);
double DdmmToDegrees(double ddmm);

// Symbol number → unit icon: "a".."z" for 0..25, then two letters ("aa" is 26, "ap" 41). Any byte
// gets letters, so 42 gives "aq" and 255 "iv".
std::string SymbolToIcon(std::uint8_t symbol);
// Unit icon → symbol number; anything that is not an icon of a known symbol gives 0.
std::uint8_t IconToSymbol(std::string_view icon);
