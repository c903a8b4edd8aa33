// Writing GPX 1.1 from the desktop documents, a record at a time.
#include "formats/gpx_writer.h"

#include <array>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "formats/atomic_file.h"
#include "formats/conversion.h"
#include "formats/gpx_values.h"

namespace {

// What the writer gathers before handing it to the file: as large as the file's own buffer, so
// that each chunk goes out in one write without a further copy.
constexpr std::size_t kChunkSize = 256 * 1024;

void AppendInteger(std::string& out, std::int64_t value) {
  char text[24];
  const auto result = std::to_chars(text, text + sizeof text, value);
  out.append(text, result.ptr);
}

// Element content in UTF-8. XML 1.0 cannot hold most control characters at all, not even as
// references, so they become '?' like a character the code page lacks; CR is kept as a reference
// because a parser would turn a raw one into LF.
void AppendEscaped(std::string& out, std::string_view utf8, CCodePage& codePage) {
  for (const char c : utf8) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '\r':
        out += "&#13;";
        break;
      case '\t':
      case '\n':
        out += c;
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += '?';
          codePage.CountReplacements(1);
        } else {
          out += c;
        }
    }
  }
}

void AppendTextElement(std::string& out, const char* indent, const char* tag, const std::string& ansi,
                       CCodePage& codePage) {
  out += indent;
  out += '<';
  out += tag;
  out += '>';
  AppendEscaped(out, codePage.ToUtf8(ansi), codePage);
  out += "</";
  out += tag;
  out += ">\n";
}

void AppendIntegerElement(std::string& out, const char* tag, std::int64_t value) {
  out += '<';
  out += tag;
  out += '>';
  AppendInteger(out, value);
  out += "</";
  out += tag;
  out += '>';
}

// lat="..." lon="..." of an element; false for a coordinate that is not a finite number.
bool AppendPosition(std::string& out, double latitude, double longitude) {
  out += " lat=\"";
  if (!AppendGpxNumber(out, FlipLatitude(latitude), 7)) return false;
  out += "\" lon=\"";
  if (!AppendGpxNumber(out, longitude, 7)) return false;
  out += '"';
  return true;
}

// The header is written only when it differs from a new document's, which is what a reader that
// finds none assumes.
template <typename THeader>
void AppendHeaderExtension(std::string& out, const char* indent, const THeader& header) {
  const THeader fresh;
  if (std::strcmp(header.GetVersionText(), fresh.GetVersionText()) == 0 &&
      std::strcmp(header.GetVersionCode(), fresh.GetVersionCode()) == 0 &&
      header.GetFileType() == fresh.GetFileType()) {
    return;
  }
  out += indent;
  out += "<extensions><tv:header><tv:versionText>";
  out += header.GetVersionText();
  out += "</tv:versionText><tv:versionCode>";
  out += header.GetVersionCode();
  out += "</tv:versionCode>";
  AppendIntegerElement(out, "tv:fileType", header.GetFileType());
  out += "</tv:header></extensions>\n";
}

// A track point whose values are all finite numbers (AddTrackPoint has seen to it); `untimed` for
// one at the instant that stands for "no time".
void AppendTrackPoint(std::string& out, const SVexlornTnodBlock& node, bool untimed) {
  out += "      <trkpt";
  AppendPosition(out, node.GetLatitude(), node.GetLongitude());
  out += "><ele>";
  AppendGpxNumber(out, node.GetAltitude(), 0);
  if (untimed) {
    // The instant that stands for "no time" is no time in GPX: the element is left out.
    out += "</ele>";
  } else {
    char time[12 + kGpxTimeSize + 7];
    std::memcpy(time, "</ele><time>", 12);
    char* p = WriteGpxTime(time + 12, node.GetTime(), node.GetHundredths());
    std::memcpy(p, "</time>", 7);
    out.append(time, static_cast<std::size_t>(p + 7 - time));
  }
  if (node.GetValidFix() == 0) out += "<fix>none</fix>";
  // We write 1 for a valid fix; another value from another writer is kept for the trip back.
  if (node.GetValidFix() != 0 && node.GetValidFix() != 1) {
    out += "<extensions>";
    AppendIntegerElement(out, "tv:validFix", node.GetValidFix());
    out += "</extensions>";
  }
  out += "</trkpt>\n";
}

}  // namespace

// Track points on their way into a file: gathered in batches, formatted on a thread of its own
// (started by the first full batch, so that a short track never needs one) and handed back in
// their order for the caller's thread to write.
class CGpxPointStage {
 public:
  explicit CGpxPointStage(CAtomicFile& file) : m_file(file) {
    for (SSlot& slot : m_slots) slot.points.reserve(kBatchPoints);
  }
  ~CGpxPointStage() {
    if (!m_thread.joinable()) return;
    {
      std::lock_guard lock(m_mutex);
      m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
  }

  void Add(const SVexlornTnodBlock& node, bool untimed, bool& failed, CDiagnostic& why) {
    SSlot& slot = m_slots[m_submitted % kSlots];
    slot.points.push_back({node, untimed});
    if (slot.points.size() < kBatchPoints) return;
    Submit();
    // A slot must be free for the next batch; the formatted ones go into the file meanwhile.
    Collect(m_submitted - m_collected == kSlots, failed, why);
  }

  // Every point taken into the file.
  void Drain(bool& failed, CDiagnostic& why) {
    SSlot& slot = m_slots[m_submitted % kSlots];
    if (!m_thread.joinable()) {
      slot.text.clear();
      for (const SPoint& point : slot.points) AppendTrackPoint(slot.text, point.node, point.untimed);
      slot.points.clear();
      Write(slot.text, failed, why);
      return;
    }
    if (!slot.points.empty()) Submit();
    while (m_collected < m_submitted) Collect(true, failed, why);
  }

 private:
  struct SPoint {
    SVexlornTnodBlock node;
    bool untimed;
  };
  struct SSlot {
    std::vector<SPoint> points;
    std::string text;
  };
  static constexpr std::size_t kBatchPoints = 4096;
  static constexpr std::size_t kSlots = 3;

  void Submit() {
    {
      std::lock_guard lock(m_mutex);
      ++m_submitted;
    }
    m_changed.notify_all();
    if (!m_thread.joinable()) m_thread = std::thread([this] { Run(); });
  }

  // Writes the oldest batch once it is formatted (waiting for it with `wait`), and any formatted
  // after it.
  void Collect(bool wait, bool& failed, CDiagnostic& why) {
    for (;;) {
      {
        std::unique_lock lock(m_mutex);
        if (wait) m_changed.wait(lock, [this] { return m_formatted > m_collected; });
        if (m_formatted == m_collected) return;
      }
      SSlot& slot = m_slots[m_collected % kSlots];
      Write(slot.text, failed, why);
      slot.points.clear();
      {
        std::lock_guard lock(m_mutex);
        ++m_collected;
      }
      m_changed.notify_all();
      wait = false;
    }
  }

  void Write(const std::string& text, bool& failed, CDiagnostic& why) {
    if (!failed) failed = !m_file.Write(text, &why);
  }

  void Run() {
    for (;;) {
      std::size_t next = 0;
      {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_stopping || m_formatted < m_submitted; });
        if (m_formatted == m_submitted) return;
        next = m_formatted;
      }
      SSlot& slot = m_slots[next % kSlots];
      slot.text.clear();
      for (const SPoint& point : slot.points) AppendTrackPoint(slot.text, point.node, point.untimed);
      {
        std::lock_guard lock(m_mutex);
        ++m_formatted;
      }
      m_changed.notify_all();
    }
  }

  CAtomicFile& m_file;
  std::array<SSlot, kSlots> m_slots;
  // Batches in all: handed to the thread, formatted by it, written into the file. The batch the
  // caller fills is the slot of m_submitted; those from m_collected on are on their way.
  std::size_t m_submitted = 0;
  std::size_t m_formatted = 0;
  std::size_t m_collected = 0;
  bool m_stopping = false;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::thread m_thread;
};

CGpxWriter::CGpxWriter(CCodePage& codePage, CDiagnostic* why, CAtomicFile* file, const CUnitTimes* times)
    : m_codePage(codePage), m_why(why), m_file(file), m_times(times != nullptr ? *times : m_ownTimes) {
  if (m_file != nullptr) {
    m_text.reserve(kChunkSize + 1024);
    m_points = std::make_unique<CGpxPointStage>(*m_file);
  }
}

CGpxWriter::~CGpxWriter() = default;

void CGpxWriter::Drain() {
  if (m_points) m_points->Drain(m_fileFailed, m_fileWhy);
}

void CGpxWriter::HandOn() {
  if (m_file == nullptr || m_text.size() < kChunkSize) return;
  m_fileFailed = m_fileFailed || !m_file->Write(m_text, &m_fileWhy);
  m_text.clear();
}

void CGpxWriter::Begin() {
  if (m_file != nullptr) m_fileFailed = !m_file->Open(&m_fileWhy);
  m_text +=
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<gpx version=\"1.1\" creator=\"Transvane\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
      "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd\" "
      "xmlns:tv=\"";
  m_text += kGpxExtensionNamespace;
  m_text += "\">\n";
}

bool CGpxWriter::AddWaypoint(const SVexlornWptBlock& point, std::size_t index) {
  Drain();
  std::string& out = m_text;
  out += "  <wpt";
  if (!AppendPosition(out, point.GetLatitude(), point.GetLongitude())) {
    return Fail(m_why, "waypoint " + std::to_string(index + 1) + " has a coordinate that is not a number");
  }
  out += ">\n    <ele>";
  if (!AppendGpxNumber(out, point.GetAltitude(), 0)) {
    return Fail(m_why, "waypoint " + std::to_string(index + 1) + " has an altitude that is not a number");
  }
  out += "</ele>\n";
  if (!point.GetName().empty()) AppendTextElement(out, "    ", "name", point.GetName(), m_codePage);
  if (!point.GetComment().empty()) AppendTextElement(out, "    ", "cmt", point.GetComment(), m_codePage);
  out += "    <sym>";
  out += SymbolToIcon(point.GetSymbol());
  out += "</sym>\n    <extensions>";
  AppendIntegerElement(out, "tv:symbol", point.GetSymbol());
  AppendIntegerElement(out, "tv:number", point.GetNumber());
  AppendIntegerElement(out, "tv:routeUse", point.GetRouteUse());
  out += "</extensions>\n  </wpt>\n";
  HandOn();
  return true;
}

bool CGpxWriter::AddRoute(const SVexlornRteBlock& route, std::size_t index) {
  Drain();
  std::string& out = m_text;
  out += "  <rte>\n";
  if (!route.GetName().empty()) AppendTextElement(out, "    ", "name", route.GetName(), m_codePage);
  // GPX's own route number cannot be negative; such a number travels in our extension only.
  if (route.GetNumber() >= 0) {
    out += "    ";
    AppendIntegerElement(out, "number", route.GetNumber());
    out += '\n';
  } else {
    out += "    <extensions>";
    AppendIntegerElement(out, "tv:number", route.GetNumber());
    out += "</extensions>\n";
  }
  std::size_t pointIndex = 0;
  for (const SVexlornRwptBlock& point : route.GetPoints()) {
    ++pointIndex;
    out += "    <rtept";
    if (!AppendPosition(out, point.GetLatitude(), point.GetLongitude())) {
      return Fail(m_why, "point " + std::to_string(pointIndex) + " of route " + std::to_string(index + 1) +
                             " has a coordinate that is not a number");
    }
    out += ">\n";
    if (!point.GetName().empty()) AppendTextElement(out, "      ", "name", point.GetName(), m_codePage);
    out += "      <sym>";
    out += SymbolToIcon(point.GetSymbol());
    out += "</sym>\n      <extensions>";
    AppendIntegerElement(out, "tv:symbol", point.GetSymbol());
    AppendIntegerElement(out, "tv:number", point.GetNumber());
    out += "</extensions>\n    </rtept>\n";
  }
  out += "  </rte>\n";
  HandOn();
  return true;
}

void CGpxWriter::BeginTrack(const CVexlornFileTrk& track) {
  Drain();
  m_text += "  <trk>\n";
  if (!track.GetName().empty()) AppendTextElement(m_text, "    ", "name", track.GetName(), m_codePage);
  AppendHeaderExtension(m_text, "    ", track.GetHeader());
  m_text += "    <trkseg>\n";
}

bool CGpxWriter::AddTrackPoint(const SVexlornTnodBlock& node, std::size_t trackIndex, std::size_t nodeIndex) {
  if (!std::isfinite(node.GetLatitude()) || !std::isfinite(node.GetLongitude())) {
    return Fail(m_why, "point " + std::to_string(nodeIndex + 1) + " of track " + std::to_string(trackIndex + 1) +
                           " has a coordinate that is not a number");
  }
  if (!std::isfinite(node.GetAltitude())) {
    return Fail(m_why, "point " + std::to_string(nodeIndex + 1) + " of track " + std::to_string(trackIndex + 1) +
                           " has an altitude that is not a number");
  }
  const bool untimed = m_times.IsNoTime(node.GetTime(), node.GetHundredths());
  if (!m_points) {
    AppendTrackPoint(m_text, node, untimed);
    return true;
  }
  // What came before the points goes into the file before them.
  if (!m_text.empty()) {
    m_fileFailed = m_fileFailed || !m_file->Write(m_text, &m_fileWhy);
    m_text.clear();
  }
  m_points->Add(node, untimed, m_fileFailed, m_fileWhy);
  return true;
}

void CGpxWriter::EndTrack() {
  Drain();
  m_text += "    </trkseg>\n  </trk>\n";
}

bool CGpxWriter::End(const SVexlornWptRteHeadBlock& header) {
  Drain();
  AppendHeaderExtension(m_text, "  ", header);
  m_text += "</gpx>\n";
  if (m_file != nullptr && !m_fileFailed) m_fileFailed = !m_file->Write(m_text, &m_fileWhy);
  if (m_file != nullptr) m_text.clear();
  return !m_fileFailed;
}

bool WriteGpxDocument(const SGpxDocument& doc, CGpxWriter& writer) {
  writer.Begin();
  std::size_t index = 0;
  for (const SVexlornWptBlock& waypoint : doc.points.GetWaypoints())
    if (!writer.AddWaypoint(waypoint, index++)) return false;
  index = 0;
  for (const SVexlornRteBlock& route : doc.points.GetRoutes())
    if (!writer.AddRoute(route, index++)) return false;
  index = 0;
  for (const CVexlornFileTrk& track : doc.tracks) {
    writer.BeginTrack(track);
    std::size_t node = 0;
    for (const SVexlornTnodBlock& point : track.GetNodes())
      if (!writer.AddTrackPoint(point, index, node++)) return false;
    writer.EndTrack();
    ++index;
  }
  return true;
}

bool WriteGpxText(const SGpxDocument& doc, CCodePage& codePage, std::string& out, CDiagnostic* why) {
  CGpxWriter writer(codePage, why);
  if (!WriteGpxDocument(doc, writer)) return false;
  writer.End(doc.points.GetHeader());
  out += writer.Text();
  return true;
}

bool WriteGpxFile(const std::string& path, const SGpxDocument& doc, CCodePage& codePage, CDiagnostic* why) {
  CAtomicFile file(path);
  CGpxWriter writer(codePage, why, &file);
  if (!WriteGpxDocument(doc, writer)) return false;
  if (!writer.End(doc.points.GetHeader())) {
    if (why != nullptr) *why = writer.FileError();
    return false;
  }
  return file.Commit(why);
}
