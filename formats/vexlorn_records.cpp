// The desktop product's navigation records and documents: field rules and their binary layout.
#include "formats/vexlorn_records.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "formats/gpx_values.h"
#include "formats/vexlorn_archive.h"

namespace {

// Copies at most `length` characters of a zero-terminated text into a zero-filled buffer.
void CopyFixedText(char* buffer, std::size_t length, const char* text) {
  std::memset(buffer, 0, length + 1);
  if (text == nullptr) return;
  for (std::size_t i = 0; i < length && text[i] != '\0'; ++i) buffer[i] = text[i];
}

// Storing latches its failures in the archive; loading answers them directly.
template <typename T>
bool SerializeThrough(T& object, CVexlornArchive& archive) {
  if (archive.IsStoring()) {
    object.Store(archive);
    return !archive.HasFailed();
  }
  return object.Load(archive);
}

// Header bytes end up in a reason that a terminal may show, so anything unprintable is escaped.
std::string Printable(const char* text) {
  std::string out;
  for (const char* p = text; *p != '\0'; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
      out.push_back(static_cast<char>(c));
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    }
  }
  return out;
}

constexpr const char* kInWaypoint = "a waypoint";
constexpr const char* kInRoute = "a route";
constexpr const char* kInRoutePoint = "a route point";
constexpr const char* kInNode = "a track node";
constexpr const char* kInHeader = "the header";

}  // namespace

bool SVexlornObject::Serialize(CVexlornArchive&) { return true; }

// ---- Version text and code ----

void SVexlornVersionText::Set(const char* text) { CopyFixedText(m_text, kLength, text); }
bool SVexlornVersionText::operator==(const char* text) const {
  return text != nullptr && std::strcmp(m_text, text) == 0;
}

void SVexlornVersionCode::Set(const char* text) { CopyFixedText(m_text, kLength, text); }
bool SVexlornVersionCode::operator==(const char* text) const {
  return text != nullptr && std::strcmp(m_text, text) == 0;
}

// ---- Header ----

bool SVexlornHeadBlock::SetMarker(std::uint8_t marker) {
  if (marker != kMarker) return false;
  m_marker = marker;
  return true;
}

bool SVexlornHeadBlock::SetVersionText(const char* text) {
  if (text == nullptr || (std::strcmp(text, kNewVersionText) != 0 && std::strcmp(text, kOldVersionText) != 0)) {
    return false;
  }
  m_versionText.Set(text);
  return true;
}

bool SVexlornHeadBlock::SetVersionCode(const char* code) {
  if (code == nullptr || (std::strcmp(code, kNewVersionCode) != 0 && std::strcmp(code, kOldVersionCode) != 0)) {
    return false;
  }
  m_versionCode.Set(code);
  return true;
}

bool SVexlornHeadBlock::SetFileType(std::int32_t fileType) {
  if (fileType < 0 || fileType > 3) return false;
  m_fileType = fileType;
  return true;
}

bool SVexlornWptRteHeadBlock::SetFileType(std::int32_t fileType) {
  if (fileType != 1) return false;
  m_fileType = fileType;
  return true;
}

bool SVexlornTrkHeadBlock::SetFileType(std::int32_t fileType) {
  if (fileType != 2) return false;
  m_fileType = fileType;
  return true;
}

bool SVexlornHeadBlock::Serialize(CVexlornArchive& archive) { return SerializeThrough(*this, archive); }

void SVexlornHeadBlock::Store(CVexlornArchive& archive) const {
  archive.WriteByte(m_marker);
  // The full buffers go out: a shorter text is padded with zero bytes.
  archive.WriteText(m_versionText.Get(), SVexlornVersionText::kLength);
  archive.WriteText(m_versionCode.Get(), SVexlornVersionCode::kLength);
  archive.WriteInt32(m_fileType);
}

bool SVexlornHeadBlock::Load(CVexlornArchive& archive) {
  const std::size_t start = archive.GetOffset();
  std::uint8_t marker = 0;
  char text[SVexlornVersionText::kLength + 1] = {};
  char code[SVexlornVersionCode::kLength + 1] = {};
  std::int32_t fileType = 0;
  if (!archive.ReadByte(marker, kInHeader) || !archive.ReadText(text, SVexlornVersionText::kLength, kInHeader) ||
      !archive.ReadText(code, SVexlornVersionCode::kLength, kInHeader) || !archive.ReadInt32(fileType, kInHeader)) {
    return false;
  }
  // A plain header: both document kinds accept any type 0..3 here, so a .wpt file of type 2 passes.
  SVexlornHeadBlock scratch;
  if (!scratch.SetMarker(marker)) return archive.Refuse(start, "marker " + std::to_string(marker) + " not accepted");
  // Each text is compared up to its first zero byte; whatever follows a zero is not looked at.
  if (!scratch.SetVersionText(text)) {
    return archive.Refuse(start + 1, "version text \"" + Printable(text) + "\" not accepted");
  }
  if (!scratch.SetVersionCode(code)) {
    return archive.Refuse(start + 12, "version code \"" + Printable(code) + "\" not accepted");
  }
  if (!scratch.SetFileType(fileType)) {
    return archive.Refuse(start + 14, "file type " + std::to_string(fileType) + " not accepted");
  }
  // Kept as read, past a derived header's own type rule.
  m_marker = scratch.m_marker;
  m_versionText = scratch.m_versionText;
  m_versionCode = scratch.m_versionCode;
  m_fileType = scratch.m_fileType;
  return true;
}

// ---- Waypoint ----

bool SVexlornWptBlock::SetName(std::string name) {
  m_name = std::move(name);
  return true;
}

bool SVexlornWptBlock::SetComment(std::string comment) {
  m_comment = std::move(comment);
  return true;
}

bool SVexlornWptBlock::SetNumber(std::int32_t number) {
  m_number = number;
  return true;
}

bool SVexlornWptBlock::SetSymbol(std::uint8_t symbol) {
  if (symbol > kMaxSymbol) return false;
  m_symbol = symbol;
  return true;
}

bool SVexlornWptBlock::SetRouteUse(std::uint8_t routeUse) {
  if (routeUse > kMaxRouteUse) return false;
  m_routeUse = routeUse;
  return true;
}

bool SVexlornWptBlock::SetRouteUsed(bool used) { return SetRouteUse(used ? 2 : 1); }

bool SVexlornWptBlock::SetAltitude(double metres) {
  m_altitude = metres;
  return true;
}

bool SVexlornWptBlock::SetLongitude(double degrees) {
  m_longitude = degrees;
  return true;
}

bool SVexlornWptBlock::SetLatitude(double degrees) {
  m_latitude = degrees;
  return true;
}

bool SVexlornWptBlock::Serialize(CVexlornArchive& archive) { return SerializeThrough(*this, archive); }

void SVexlornWptBlock::Store(CVexlornArchive& archive) const {
  archive.WriteString(m_name);
  archive.WriteString(m_comment);
  archive.WriteInt32(m_number);
  archive.WriteByte(m_symbol);
  archive.WriteByte(m_routeUse);
  archive.WriteDouble(m_altitude);
  archive.WriteDouble(m_longitude);
  archive.WriteDouble(m_latitude);
}

bool SVexlornWptBlock::Load(CVexlornArchive& archive) {
  std::string name;
  std::string comment;
  std::int32_t number = 0;
  std::uint8_t symbol = 0;
  std::uint8_t routeUse = 0;
  double altitude = 0;
  double longitude = 0;
  double latitude = 0;
  if (!archive.ReadString(name) || !archive.ReadString(comment) || !archive.ReadInt32(number, kInWaypoint)) {
    return false;
  }
  const std::size_t symbolOffset = archive.GetOffset();
  if (!archive.ReadByte(symbol, kInWaypoint) || !archive.ReadByte(routeUse, kInWaypoint) ||
      !archive.ReadDouble(altitude, kInWaypoint) || !archive.ReadDouble(longitude, kInWaypoint) ||
      !archive.ReadDouble(latitude, kInWaypoint)) {
    return false;
  }
  SVexlornWptBlock scratch;
  scratch.SetName(std::move(name));
  scratch.SetComment(std::move(comment));
  scratch.SetNumber(number);
  if (!scratch.SetSymbol(symbol)) {
    return archive.Refuse(symbolOffset, "symbol " + std::to_string(symbol) + " out of range");
  }
  if (!scratch.SetRouteUse(routeUse)) {
    return archive.Refuse(symbolOffset + 1, "route use " + std::to_string(routeUse) + " out of range");
  }
  scratch.SetAltitude(altitude);
  scratch.SetLongitude(longitude);
  scratch.SetLatitude(latitude);
  *this = std::move(scratch);
  return true;
}

// ---- Route point ----

bool SVexlornRwptBlock::SetName(std::string name) {
  m_name = std::move(name);
  return true;
}

bool SVexlornRwptBlock::SetNumber(std::int32_t number) {
  m_number = number;
  return true;
}

bool SVexlornRwptBlock::SetLongitude(double degrees) {
  m_longitude = degrees;
  return true;
}

bool SVexlornRwptBlock::SetLatitude(double degrees) {
  m_latitude = degrees;
  return true;
}

bool SVexlornRwptBlock::SetSymbol(std::uint8_t symbol) {
  if (symbol > kMaxSymbol) return false;
  m_symbol = symbol;
  return true;
}

bool SVexlornRwptBlock::Serialize(CVexlornArchive& archive) { return SerializeThrough(*this, archive); }

void SVexlornRwptBlock::Store(CVexlornArchive& archive) const {
  archive.WriteString(m_name);
  archive.WriteInt32(m_number);
  archive.WriteDouble(m_longitude);
  archive.WriteDouble(m_latitude);
  archive.WriteByte(m_symbol);
}

bool SVexlornRwptBlock::Load(CVexlornArchive& archive) {
  std::string name;
  std::int32_t number = 0;
  double longitude = 0;
  double latitude = 0;
  std::uint8_t symbol = 0;
  if (!archive.ReadString(name) || !archive.ReadInt32(number, kInRoutePoint) ||
      !archive.ReadDouble(longitude, kInRoutePoint) || !archive.ReadDouble(latitude, kInRoutePoint)) {
    return false;
  }
  const std::size_t symbolOffset = archive.GetOffset();
  if (!archive.ReadByte(symbol, kInRoutePoint)) return false;
  SVexlornRwptBlock scratch;
  scratch.SetName(std::move(name));
  scratch.SetNumber(number);
  scratch.SetLongitude(longitude);
  scratch.SetLatitude(latitude);
  if (!scratch.SetSymbol(symbol)) {
    return archive.Refuse(symbolOffset, "symbol " + std::to_string(symbol) + " out of range");
  }
  *this = std::move(scratch);
  return true;
}

// ---- Track node ----

bool SVexlornTnodBlock::SetLongitude(double degrees) {
  m_longitude = degrees;
  return true;
}

bool SVexlornTnodBlock::SetLatitude(double degrees) {
  m_latitude = degrees;
  return true;
}

bool SVexlornTnodBlock::SetAltitude(float metres) {
  m_altitude = metres;
  return true;
}

bool SVexlornTnodBlock::SetTime(std::int64_t seconds) {
  m_time = seconds;
  return true;
}

bool SVexlornTnodBlock::SetValidFix(std::int32_t validFix) {
  m_validFix = validFix;
  return true;
}

bool SVexlornTnodBlock::SetHundredths(std::uint8_t hundredths) {
  if (hundredths > kMaxHundredths) return false;
  m_hundredths = hundredths;
  return true;
}

bool SVexlornTnodBlock::Serialize(CVexlornArchive& archive) { return SerializeThrough(*this, archive); }

void SVexlornTnodBlock::Store(CVexlornArchive& archive) const {
  archive.WriteDouble(m_longitude);
  archive.WriteDouble(m_latitude);
  archive.WriteFloat(m_altitude);
  if (!IsFileTime(m_time)) {
    archive.RefuseValue("track node time " + UtcDateText(m_time) +
                        " lies outside what the file holds, 1901-12-13 20:45:52 to 2038-01-19 03:14:07 UTC");
    return;
  }
  archive.WriteInt32(static_cast<std::int32_t>(m_time));
  archive.WriteInt32(m_validFix);
  archive.WriteByte(m_hundredths);
}

bool SVexlornTnodBlock::Load(CVexlornArchive& archive) {
  const std::size_t start = archive.GetOffset();
  double longitude = 0;
  double latitude = 0;
  float altitude = 0;
  std::int32_t time = 0;
  std::int32_t validFix = 0;
  std::uint8_t hundredths = 0;
  if (!archive.ReadDouble(longitude, kInNode) || !archive.ReadDouble(latitude, kInNode) ||
      !archive.ReadFloat(altitude, kInNode) || !archive.ReadInt32(time, kInNode) ||
      !archive.ReadInt32(validFix, kInNode) || !archive.ReadByte(hundredths, kInNode)) {
    return false;
  }
  SVexlornTnodBlock scratch;
  scratch.SetLongitude(longitude);
  scratch.SetLatitude(latitude);
  scratch.SetAltitude(altitude);
  scratch.SetTime(time);
  scratch.SetValidFix(validFix);
  if (!scratch.SetHundredths(hundredths)) {
    return archive.Refuse(start + 28, "hundredths " + std::to_string(hundredths) + " out of range");
  }
  *this = scratch;
  return true;
}

// ---- Lists ----

template <typename T>
void SVexlornBlockArray<T>::Store(CVexlornArchive& archive, const char* elementName) const {
  archive.WriteCount(m_items.size(), elementName);
  for (const T& item : m_items) item.Store(archive);
}

template <typename T>
bool SVexlornBlockArray<T>::Load(CVexlornArchive& archive, const char* elementName) {
  std::size_t count = 0;
  if (!archive.ReadCount(count, T::kMinSize, elementName)) return false;
  std::vector<T> items;
  // The count is already known to fit the bytes left. A record in memory may be several times its
  // smallest file size, so the up-front reservation is also held to twice the bytes left: a whole
  // track (40 bytes in memory per 29 in the file) still gets its exact room at once.
  items.reserve(std::min(count, 2 * archive.GetBytesLeft() / sizeof(T) + 1));
  for (std::size_t i = 0; i < count; ++i) {
    if (!items.emplace_back().Load(archive)) return false;
  }
  m_items = std::move(items);
  return true;
}

template class SVexlornBlockArray<SVexlornWptBlock>;
template class SVexlornBlockArray<SVexlornRwptBlock>;
template class SVexlornBlockArray<SVexlornTnodBlock>;
template class SVexlornBlockArray<SVexlornRteBlock>;

// ---- Route ----

bool SVexlornRteBlock::SetName(std::string name) {
  m_name = std::move(name);
  return true;
}

bool SVexlornRteBlock::SetNumber(std::int32_t number) {
  m_number = number;
  return true;
}

bool SVexlornRteBlock::SetPoints(SVexlornRwptBlockArray points) {
  m_points = std::move(points);
  return true;
}

bool SVexlornRteBlock::Serialize(CVexlornArchive& archive) { return SerializeThrough(*this, archive); }

void SVexlornRteBlock::Store(CVexlornArchive& archive) const {
  archive.WriteString(m_name);
  archive.WriteInt32(m_number);
  m_points.Store(archive, "route point");
}

bool SVexlornRteBlock::Load(CVexlornArchive& archive) {
  std::string name;
  std::int32_t number = 0;
  SVexlornRwptBlockArray points;
  if (!archive.ReadString(name) || !archive.ReadInt32(number, kInRoute) || !points.Load(archive, "route point")) {
    return false;
  }
  SVexlornRteBlock scratch;
  scratch.SetName(std::move(name));
  scratch.SetNumber(number);
  scratch.SetPoints(std::move(points));
  *this = std::move(scratch);
  return true;
}

// ---- Waypoint/route document ----

void CVexlornFileWpt::Clear() {
  m_waypoints.RemoveAll();
  m_routes.RemoveAll();
}

bool CVexlornFileWpt::Serialize(CVexlornArchive& archive) { return SerializeThrough(*this, archive); }

void CVexlornFileWpt::Store(CVexlornArchive& archive) const {
  m_header.Store(archive);
  m_waypoints.Store(archive, "waypoint");
  m_routes.Store(archive, "route");
}

bool CVexlornFileWpt::Load(CVexlornArchive& archive) {
  CVexlornFileWpt scratch;
  if (!scratch.m_header.Load(archive) || !scratch.m_waypoints.Load(archive, "waypoint") ||
      !scratch.m_routes.Load(archive, "route")) {
    return false;
  }
  *this = std::move(scratch);
  return true;
}

// ---- Track document ----

bool CVexlornFileTrk::SetName(std::string name) {
  m_name = std::move(name);
  return true;
}

void CVexlornFileTrk::Clear() { m_nodes.RemoveAll(); }

bool CVexlornFileTrk::Serialize(CVexlornArchive& archive) { return SerializeThrough(*this, archive); }

void CVexlornFileTrk::Store(CVexlornArchive& archive) const {
  m_header.Store(archive);
  archive.WriteString(m_name);
  m_nodes.Store(archive, "node");
}

bool CVexlornFileTrk::Load(CVexlornArchive& archive) {
  CVexlornFileTrk scratch;
  std::string name;
  if (!scratch.m_header.Load(archive) || !archive.ReadString(name) || !scratch.m_nodes.Load(archive, "node")) {
    return false;
  }
  scratch.SetName(std::move(name));
  *this = std::move(scratch);
  return true;
}
