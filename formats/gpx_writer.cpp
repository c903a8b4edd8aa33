// Writing GPX 1.1 from the desktop documents, a record at a time.
#include "formats/gpx_writer.h"

#include <charconv>
#include <cstring>
#include <string_view>

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

}  // namespace

CGpxWriter::CGpxWriter(CCodePage& codePage, CDiagnostic* why, CAtomicFile* file, const CUnitTimes* times)
    : m_codePage(codePage), m_why(why), m_file(file), m_times(times != nullptr ? *times : m_ownTimes) {
  if (m_file != nullptr) m_text.reserve(kChunkSize + 1024);
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
  m_text += "  <trk>\n";
  if (!track.GetName().empty()) AppendTextElement(m_text, "    ", "name", track.GetName(), m_codePage);
  AppendHeaderExtension(m_text, "    ", track.GetHeader());
  m_text += "    <trkseg>\n";
}

bool CGpxWriter::AddTrackPoint(const SVexlornTnodBlock& node, std::size_t trackIndex, std::size_t nodeIndex) {
  std::string& out = m_text;
  out += "      <trkpt";
  if (!AppendPosition(out, node.GetLatitude(), node.GetLongitude())) {
    return Fail(m_why, "point " + std::to_string(nodeIndex + 1) + " of track " + std::to_string(trackIndex + 1) +
                           " has a coordinate that is not a number");
  }
  out += "><ele>";
  if (!AppendGpxNumber(out, node.GetAltitude(), 0)) {
    return Fail(m_why, "point " + std::to_string(nodeIndex + 1) + " of track " + std::to_string(trackIndex + 1) +
                           " has an altitude that is not a number");
  }
  if (m_times.IsNoTime(node.GetTime(), node.GetHundredths())) {
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
  HandOn();
  return true;
}

void CGpxWriter::EndTrack() { m_text += "    </trkseg>\n  </trk>\n"; }

bool CGpxWriter::End(const SVexlornWptRteHeadBlock& header) {
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
