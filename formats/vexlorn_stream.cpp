// The desktop product's files a record at a time.
#include "formats/vexlorn_stream.h"

// ---- CVexlornTrackReader ----

bool CVexlornTrackReader::Open(const std::string& path) {
  if (!m_file.Open(path, m_why)) return false;
  m_archive = std::make_unique<CVexlornArchive>(m_file, m_why);
  m_archive->SetCodePage(m_codePage);
  return m_header.Load(*m_archive) && m_archive->ReadString(m_name) &&
         m_archive->ReadCount(m_count, SVexlornTnodBlock::kMinSize, "node");
}

// ---- CVexlornWaypointReader ----

bool CVexlornWaypointReader::Open(const std::string& path) {
  if (!m_file.Open(path, m_why)) return false;
  m_archive = std::make_unique<CVexlornArchive>(m_file, m_why);
  m_archive->SetCodePage(m_codePage);
  SVexlornWptRteHeadBlock header;
  return header.Load(*m_archive) && m_archive->ReadCount(m_count, SVexlornWptBlock::kMinSize, "waypoint");
}

bool CVexlornWaypointReader::BeginRoutes() {
  return m_archive->ReadCount(m_count, SVexlornRteBlock::kMinSize, "route");
}

// ---- CVexlornTrackWriter ----

CVexlornTrackWriter::CVexlornTrackWriter(std::string path, CDiagnostic* why) : m_path(std::move(path)), m_why(why) {}

bool CVexlornTrackWriter::Prefix(const SVexlornTrkHeadBlock& header, const std::string& name, std::size_t count,
                                 std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  CVexlornArchive archive(bytes, m_why);
  header.Store(archive);
  archive.WriteString(name);
  archive.WriteCount(count, "node");
  return archive.Flush();
}

bool CVexlornTrackWriter::Open(const SVexlornTrkHeadBlock& header, const std::string& name) {
  m_file = std::make_unique<CAtomicFile>(m_path);
  std::vector<std::uint8_t> prefix;
  if (!m_file->Open(m_why) || !Prefix(header, name, 0, prefix)) return false;
  m_archive = std::make_unique<CVexlornArchive>(*m_file, m_why);
  m_archive->WriteText(reinterpret_cast<const char*>(prefix.data()), prefix.size());
  m_prefixSize = prefix.size();
  m_count = 0;
  return !m_archive->HasFailed();
}

void CVexlornTrackWriter::Add(const SVexlornTnodBlock& node) {
  node.Store(*m_archive);
  ++m_count;
}

bool CVexlornTrackWriter::Finish(const SVexlornTrkHeadBlock& header, const std::string& name) {
  std::vector<std::uint8_t> prefix;
  if (!m_archive->Flush() || !Prefix(header, name, m_count, prefix)) return false;
  m_archive.reset();
  return ReplaceAtomicFilePrefix(m_file, m_prefixSize, prefix.data(), prefix.size(), m_why);
}

bool CVexlornTrackWriter::Seal() { return m_file->Seal(m_why); }

bool CVexlornTrackWriter::Commit() { return m_file->Commit(m_why); }

void CVexlornTrackWriter::Discard() {
  m_archive.reset();
  if (m_file) m_file->Discard();
}

// ---- CVexlornWaypointWriter ----

namespace {

// A route's points wait in memory up to this size, and beyond it in scratch records.
constexpr std::uint64_t kGatherLimit = 1024 * 1024;
// Behind a waypoint's route use byte: altitude, longitude and latitude.
constexpr std::uint64_t kAfterRouteUse = 3 * 8;

// One route point record of the gathered bytes: its name, where its number is and its size. The
// writer's own strings are never in the wide form.
struct SPointRecord {
  std::string_view name;
  std::size_t numberAt;
  std::size_t size;
};

SPointRecord PointRecordAt(std::string_view bytes) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t length = b[0];
  std::size_t at = 1;
  if (length == 0xFF) {
    length = b[1] | (std::size_t{b[2]} << 8);
    at = 3;
    if (length == 0xFFFF) {
      length = b[3] | (std::size_t{b[4]} << 8) | (std::size_t{b[5]} << 16) | (std::size_t{b[6]} << 24);
      at = 7;
    }
  }
  // Behind the name: number, longitude, latitude and symbol.
  return {bytes.substr(at, length), at + length, at + length + 4 + 8 + 8 + 1};
}

}  // namespace

CVexlornWaypointWriter::CVexlornWaypointWriter(std::string path, CSpillBuckets& spill, CDiagnostic* why)
    : m_file(std::move(path)),
      m_spill(spill),
      m_why(why),
      m_gatherer(std::make_unique<CVexlornArchive>(m_gathered, why)) {}

bool CVexlornWaypointWriter::Open() {
  if (!m_file.Open(m_why)) return false;
  m_archive = std::make_unique<CVexlornArchive>(m_file, m_why);
  SVexlornWptRteHeadBlock().Store(*m_archive);
  m_waypointCountAt = m_archive->GetOffset();
  m_archive->WriteInt32(0);  // the count, known at the end
  return !m_archive->HasFailed();
}

std::uint64_t CVexlornWaypointWriter::AddWaypoint(const SVexlornWptBlock& waypoint) {
  if (!m_archive) return kNotWritten;
  waypoint.Store(*m_archive);
  ++m_waypoints;
  return m_archive->GetOffset() - kAfterRouteUse - 1;
}

void CVexlornWaypointWriter::BeginRoutes() {
  if (m_routesBegun || !m_archive) return;
  m_routesBegun = true;
  m_routeCountAt = m_archive->GetOffset();
  m_archive->WriteInt32(0);
}

void CVexlornWaypointWriter::AddRoutePoint(std::string_view name, std::uint8_t symbol) {
  // Laid out as SVexlornRwptBlock stores it; the number, longitude and latitude are placeholders.
  m_gatherer->WriteString(name);
  m_gatherer->WriteInt32(0);
  m_gatherer->WriteDouble(0);
  m_gatherer->WriteDouble(0);
  m_gatherer->WriteByte(symbol);
  ++m_gatheredPoints;
  if (m_gatherer->GetOffset() - m_gatheredBefore < kGatherLimit) return;
  if (!m_gatheredSpilled) {
    if (m_gatheredBucket == 0) m_gatheredBucket = m_spill.AddBucket() + 1;
    m_gatheredSpilled = true;
  }
  m_gatherer->Flush();
  m_spill.Add(m_gatheredBucket - 1, m_gathered.data(), m_gathered.size());
  m_gathered.clear();
  m_gatheredBefore = m_gatherer->GetOffset();
}

void CVexlornWaypointWriter::TakeGathered(const std::function<void(std::string_view part)>& take) {
  if (m_gatheredSpilled) {
    std::string_view part;
    for (CSpillReader parts(m_spill, m_gatheredBucket - 1); parts.Next(part);) take(part);
    m_spill.Clear(m_gatheredBucket - 1);
    m_gatheredSpilled = false;
  }
  m_gatherer->Flush();
  if (!m_gathered.empty()) take(std::string_view(reinterpret_cast<const char*>(m_gathered.data()), m_gathered.size()));
  m_gathered.clear();
  m_gatheredBefore = m_gatherer->GetOffset();
  m_gatheredPoints = 0;
}

void CVexlornWaypointWriter::EndRoute(const std::string& name, std::int32_t number, const FPointPlaced& placed) {
  if (!m_archive) {
    DropRoute(placed);
    return;
  }
  BeginRoutes();
  m_archive->WriteString(name);
  m_archive->WriteInt32(number);
  m_archive->WriteCount(m_gatheredPoints, "route point");
  ++m_routes;
  TakeGathered([&](std::string_view part) {
    const std::uint64_t start = m_archive->GetOffset();
    for (std::size_t at = 0; at < part.size();) {
      const SPointRecord record = PointRecordAt(part.substr(at));
      placed(record.name, start + at + record.numberAt);
      at += record.size;
    }
    m_archive->WriteText(part.data(), part.size());
  });
}

void CVexlornWaypointWriter::DropRoute(const FPointPlaced& placed) {
  TakeGathered([&](std::string_view part) {
    for (std::size_t at = 0; at < part.size();) {
      const SPointRecord record = PointRecordAt(part.substr(at));
      placed(record.name, kNotWritten);
      at += record.size;
    }
  });
}

bool CVexlornWaypointWriter::Finish() {
  if (!m_archive) return false;
  BeginRoutes();
  if (!m_archive->Flush() || m_gatherer->HasFailed()) return false;
  if (m_spill.HasFailed()) {
    if (m_why != nullptr) *m_why = m_spill.GetError();
    return false;
  }
  std::vector<std::uint8_t> counts;
  CVexlornArchive archive(counts, m_why);
  archive.WriteCount(m_waypoints, "waypoint");
  archive.WriteCount(m_routes, "route");
  return archive.Flush() && m_file.WriteAt(m_waypointCountAt, counts.data(), 4, m_why) &&
         m_file.WriteAt(m_routeCountAt, counts.data() + 4, 4, m_why);
}
