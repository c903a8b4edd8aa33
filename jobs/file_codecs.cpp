// The readers, writers, filters and unit folders of the file kinds.
#include "jobs/file_codecs.h"

#include <iterator>
#include <utility>

#include "formats/conversion.h"
#include "formats/gpx_reader.h"
#include "formats/unit_files.h"
#include "formats/unit_times.h"
#include "formats/vexlorn_file.h"
#include "jobs/gpx_conversion_job.h"
#include "resources/string_ids.h"
#include "storage/unit_device.h"

namespace {

SConversionOutcome ReadWpt(const std::string& path, SGpxDocument& doc, CCodePage& codePage) {
  SConversionOutcome outcome;
  outcome.done = LoadVexlornFile(path, doc.points, &outcome.why, &codePage, &outcome.trailing);
  return outcome;
}

SConversionOutcome ReadTrk(const std::string& path, SGpxDocument& doc, CCodePage& codePage) {
  SConversionOutcome outcome;
  CVexlornFileTrk track;
  outcome.done = LoadVexlornFile(path, track, &outcome.why, &codePage, &outcome.trailing);
  if (outcome.done) doc.tracks.push_back(std::move(track));
  return outcome;
}

// The unit file is dropped once its records are converted.
template <typename UnitFile, typename Document>
SConversionOutcome ReadUnit(const std::string& path, Document& doc,
                            bool (*convert)(const UnitFile&, Document&, CDiagnostic*)) {
  SConversionOutcome outcome;
  UnitFile file;
  if (!ReadUnitFile(path, file, &outcome.why)) return outcome;
  outcome.step = EConversionStep::Convert;
  outcome.done = convert(file, doc, &outcome.why);
  return outcome;
}

SConversionOutcome ReadUpt(const std::string& path, SGpxDocument& doc, CCodePage&) {
  return ReadUnit<CUnitWaypointFile>(path, doc.points, ConvertWaypointsToDesktop);
}

SConversionOutcome ReadRte(const std::string& path, SGpxDocument& doc, CCodePage&) {
  return ReadUnit<CUnitRouteFile>(path, doc.points, ConvertRoutesToDesktop);
}

SConversionOutcome ReadLog(const std::string& path, SGpxDocument& doc, CCodePage&) {
  CVexlornFileTrk track;
  SConversionOutcome outcome = ReadUnit<CUnitTrackFile>(path, track, ConvertTrackToDesktop);
  if (outcome.done) doc.tracks.push_back(std::move(track));
  return outcome;
}

SConversionOutcome ReadGpx(const std::string& path, SGpxDocument& doc, CCodePage& codePage) {
  SConversionOutcome outcome;
  outcome.done = ReadGpxFile(path, doc, codePage, &outcome.why);
  return outcome;
}

std::vector<bool> WriteDesktopFiles(const std::string& source, const std::vector<std::string>& targets,
                                    const SConversionContext& context, CCodePage&, CReportSink& report) {
  std::vector<bool> written;
  for (const std::string& target : targets)
    written.push_back(ConvertFileToDesktop(source, target, report, context.settings));
  return written;
}

std::vector<bool> WriteUnitFiles(const std::string& source, const std::vector<std::string>& targets,
                                 const SConversionContext& context, CCodePage& codePage, CReportSink& report) {
  SConversionContext withNames = context;
  withNames.settings.codePage = &codePage;
  return ConvertFileToUnitTargets(source, targets, withNames, report);
}

std::vector<bool> WriteGpxFiles(const std::string& source, const std::vector<std::string>& targets,
                                const SConversionContext& context, CCodePage& codePage, CReportSink& report) {
  const CUnitTimes ownTimes;
  const CUnitTimes& times = context.settings.times != nullptr ? *context.settings.times : ownTimes;
  std::vector<bool> written;
  for (const std::string& target : targets)
    written.push_back(ConvertFileToGpx(source, target, codePage, times, report));
  return written;
}

using K = EFileKind;

constexpr SFileCodec kCodecs[] = {
    {K::kWpt, IDS_FILTER_WPT, kNoUnitFolder, ReadWpt, WriteDesktopFiles},
    {K::kTrk, IDS_FILTER_TRK, kNoUnitFolder, ReadTrk, WriteDesktopFiles},
    {K::kUpt, IDS_FILTER_UPT, CUnitDevice::kPointsOfInterest, ReadUpt, WriteUnitFiles},
    {K::kRte, IDS_FILTER_RTE, CUnitDevice::kRoutes, ReadRte, WriteUnitFiles},
    {K::kLog, IDS_FILTER_LOG, CUnitDevice::kTrackLogs, ReadLog, WriteUnitFiles},
    {K::kGpx, IDS_FILTER_GPX, kNoUnitFolder, ReadGpx, WriteGpxFiles},
    {K::kImi, IDS_FILTER_MAP_REGIONS, CUnitDevice::kDetailMaps, nullptr, nullptr},
    {K::kTdx, IDS_FILTER_MAP_REGIONS, CUnitDevice::kBackgroundMaps, nullptr, nullptr},
};

constexpr bool RowsInKindOrder() {
  for (std::size_t i = 0; i < std::size(kCodecs); ++i) {
    if (static_cast<std::size_t>(kCodecs[i].kind) != i) return false;
  }
  return std::size(kCodecs) == kFileKindCount;
}
static_assert(RowsInKindOrder());

}  // namespace

const SFileCodec& FileCodecOf(EFileKind kind) { return kCodecs[static_cast<std::size_t>(kind)]; }

std::vector<EFileKind> ReadableKinds() {
  std::vector<EFileKind> kinds;
  for (const SFileCodec& codec : kCodecs) {
    if (codec.read != nullptr) kinds.push_back(codec.kind);
  }
  return kinds;
}
