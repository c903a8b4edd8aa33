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
