// The desktop product's navigation records and documents: waypoints, routes, track nodes and their files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

class CVexlornArchive;

// Root of every record and document. Serialize writes or reads the object through an archive, in
// the archive's direction, and answers success; loading never changes the object on failure.
class SVexlornObject {
 public:
  SVexlornObject() = default;
  SVexlornObject(const SVexlornObject&) = default;
  SVexlornObject(SVexlornObject&&) = default;
  SVexlornObject& operator=(const SVexlornObject&) = default;
  SVexlornObject& operator=(SVexlornObject&&) = default;
  virtual ~SVexlornObject() = default;

  virtual const char* GetRuntimeClassName() const { return "SVexlornObject"; }
  virtual bool Serialize(CVexlornArchive& archive);
};

// The 11-character version text of a file header, kept zero-terminated in a 12-byte buffer.
class SVexlornVersionText {
 public:
  static constexpr std::size_t kLength = 11;
  explicit SVexlornVersionText(const char* text = "") { Set(text); }
  // Keeps at most kLength characters of a zero-terminated text; the rest of the buffer is zeros.
  void Set(const char* text);
  const char* Get() const { return m_text; }
  bool operator==(const char* text) const;

 private:
  char m_text[kLength + 1];
};

// The 2-character version code of a file header, kept zero-terminated in a 3-byte buffer.
class SVexlornVersionCode {
 public:
  static constexpr std::size_t kLength = 2;
  explicit SVexlornVersionCode(const char* text = "") { Set(text); }
  void Set(const char* text);
  const char* Get() const { return m_text; }
  bool operator==(const char* text) const;

 private:
  char m_text[kLength + 1];
};

// The 18-byte header that starts both binary files. The plain header accepts any of the four file
// types; the two derived headers hold their document's own type.
class SVexlornHeadBlock : public SVexlornObject {
 public:
  static constexpr std::uint8_t kMarker = 13;
  static constexpr const char* kNewVersionText = "56583336 VX";
  static constexpr const char* kOldVersionText = "56583334 VX";
  static constexpr const char* kNewVersionCode = "36";
  static constexpr const char* kOldVersionCode = "34";

  const char* GetRuntimeClassName() const override { return "SVexlornHeadBlock"; }
  bool Serialize(CVexlornArchive& archive) override;
  void Store(CVexlornArchive& archive) const;
  // Reads the four values, checks them by the plain header's rules (any type 0..3, whatever the
  // document) and keeps them as read: an older file keeps its older text and code.
  bool Load(CVexlornArchive& archive);

  std::uint8_t GetMarker() const { return m_marker; }
  const char* GetVersionText() const { return m_versionText.Get(); }
  const char* GetVersionCode() const { return m_versionCode.Get(); }
  std::int32_t GetFileType() const { return m_fileType; }
  bool SetMarker(std::uint8_t marker);
  // Either version is accepted on its own, so the pair "56583334 VX" / "36" passes.
  bool SetVersionText(const char* text);
  bool SetVersionCode(const char* code);
  virtual bool SetFileType(std::int32_t fileType);

 protected:
  std::int32_t m_fileType = 0;

 private:
  std::uint8_t m_marker = kMarker;
  SVexlornVersionText m_versionText{kNewVersionText};
  SVexlornVersionCode m_versionCode{kNewVersionCode};
};

// Header of a waypoint/route document: type 1.
class SVexlornWptRteHeadBlock : public SVexlornHeadBlock {
 public:
  SVexlornWptRteHeadBlock() { m_fileType = 1; }
  const char* GetRuntimeClassName() const override { return "SVexlornWptRteHeadBlock"; }
  bool SetFileType(std::int32_t fileType) override;
};

// Header of a track document: type 2.
class SVexlornTrkHeadBlock : public SVexlornHeadBlock {
 public:
  SVexlornTrkHeadBlock() { m_fileType = 2; }
  const char* GetRuntimeClassName() const override { return "SVexlornTrkHeadBlock"; }
  bool SetFileType(std::int32_t fileType) override;
};

// One waypoint. Latitude is positive SOUTH; longitude positive east; neither is range-checked.
class SVexlornWptBlock : public SVexlornObject {
 public:
  static constexpr std::uint8_t kMaxSymbol = 41;
  static constexpr std::uint8_t kMaxRouteUse = 2;
  // Two empty strings (one byte each) and 30 bytes of numbers.
  static constexpr std::size_t kMinSize = 32;

  const char* GetRuntimeClassName() const override { return "SVexlornWptBlock"; }
  bool Serialize(CVexlornArchive& archive) override;
  void Store(CVexlornArchive& archive) const;
  bool Load(CVexlornArchive& archive);

  const std::string& GetName() const { return m_name; }
  const std::string& GetComment() const { return m_comment; }
  std::int32_t GetNumber() const { return m_number; }
  std::uint8_t GetSymbol() const { return m_symbol; }
  std::uint8_t GetRouteUse() const { return m_routeUse; }
  double GetAltitude() const { return m_altitude; }
  double GetLongitude() const { return m_longitude; }
  double GetLatitude() const { return m_latitude; }

  bool SetName(std::string name);
  bool SetComment(std::string comment);
  bool SetNumber(std::int32_t number);
  bool SetSymbol(std::uint8_t symbol);
  bool SetRouteUse(std::uint8_t routeUse);
  // What the conversion stores: 2 when a route names the waypoint, 1 when none does (0 is only carried).
  bool SetRouteUsed(bool used);
  bool SetAltitude(double metres);
  bool SetLongitude(double degrees);
  bool SetLatitude(double degrees);

 private:
  std::string m_name;
  std::string m_comment;
  std::int32_t m_number = 0;
  std::uint8_t m_symbol = 0;
  std::uint8_t m_routeUse = 0;
  double m_altitude = 0;
  double m_longitude = 0;
  double m_latitude = 0;
};

// One point of a route: a waypoint named again with its coordinates and symbol. Nothing ties it to
// the waypoint list beyond what the writer put there; the reader does not check the name or number.
class SVexlornRwptBlock : public SVexlornObject {
 public:
  static constexpr std::uint8_t kMaxSymbol = 41;
  static constexpr std::size_t kMinSize = 22;

  const char* GetRuntimeClassName() const override { return "SVexlornRwptBlock"; }
  bool Serialize(CVexlornArchive& archive) override;
  void Store(CVexlornArchive& archive) const;
  bool Load(CVexlornArchive& archive);

  const std::string& GetName() const { return m_name; }
  std::int32_t GetNumber() const { return m_number; }
  double GetLongitude() const { return m_longitude; }
  double GetLatitude() const { return m_latitude; }
  std::uint8_t GetSymbol() const { return m_symbol; }

  bool SetName(std::string name);
  bool SetNumber(std::int32_t number);
  bool SetLongitude(double degrees);
  bool SetLatitude(double degrees);
  bool SetSymbol(std::uint8_t symbol);

 private:
  std::string m_name;
  std::int32_t m_number = 0;
  double m_longitude = 0;
  double m_latitude = 0;
  std::uint8_t m_symbol = 0;
};

// One track node, always 29 bytes in the file.
class SVexlornTnodBlock : public SVexlornObject {
 public:
  static constexpr std::uint8_t kMaxHundredths = 99;
  static constexpr std::size_t kMinSize = 29;  // every node has this size

  const char* GetRuntimeClassName() const override { return "SVexlornTnodBlock"; }
  bool Serialize(CVexlornArchive& archive) override;
  void Store(CVexlornArchive& archive) const;
  bool Load(CVexlornArchive& archive);

  double GetLongitude() const { return m_longitude; }
  double GetLatitude() const { return m_latitude; }
  float GetAltitude() const { return m_altitude; }
  std::int64_t GetTime() const { return m_time; }
  std::int32_t GetValidFix() const { return m_validFix; }
  std::uint8_t GetHundredths() const { return m_hundredths; }

  bool SetLongitude(double degrees);
  bool SetLatitude(double degrees);
  bool SetAltitude(float metres);
  // Seconds since 1970-01-01 UTC; negative times are carried as they are. The file holds 32 bits
  // (1901-12-13 20:45:52 to 2038-01-19 03:14:07 UTC); in memory a node holds any time, so that a
  // unit's track log of 2040 reaches GPX. The conversions give a time the file cannot hold the
  // unit's "no time" (see CUnitTimes) before they store it; storing one fails instead of wrapping it.
  bool SetTime(std::int64_t seconds);
  static bool IsFileTime(std::int64_t seconds) {
    return seconds >= std::numeric_limits<std::int32_t>::min() && seconds <= std::numeric_limits<std::int32_t>::max();
  }
  // We write 1 or 0, but any value is kept: other writers may use other non-zero values for "valid".
  bool SetValidFix(std::int32_t validFix);
  bool SetHundredths(std::uint8_t hundredths);

 private:
  double m_longitude = 0;
  double m_latitude = 0;
  std::int64_t m_time = 0;
  float m_altitude = 0;
  std::int32_t m_validFix = 0;
  std::uint8_t m_hundredths = 0;
};

// An ordered list of records held by value: Add stores a copy, GetAt answers a copy.
template <typename T>
class SVexlornBlockArray {
 public:
  std::size_t GetCount() const { return m_items.size(); }
  // The index must be below GetCount(); callers iterate from 0.
  T GetAt(std::size_t index) const { return m_items.at(index); }
  std::size_t Add(const T& item) {
    m_items.push_back(item);
    return m_items.size() - 1;
  }
  std::size_t Add(T&& item) {
    m_items.push_back(std::move(item));
    return m_items.size() - 1;
  }
  void RemoveAll() { m_items.clear(); }
  void Reserve(std::size_t count) { m_items.reserve(count); }

  // Read-only walks without copies, for callers that only look.
  typename std::vector<T>::const_iterator begin() const { return m_items.begin(); }
  typename std::vector<T>::const_iterator end() const { return m_items.end(); }

  void Store(CVexlornArchive& archive, const char* elementName) const;
  bool Load(CVexlornArchive& archive, const char* elementName);

 private:
  std::vector<T> m_items;
};

using SVexlornWptBlockArray = SVexlornBlockArray<SVexlornWptBlock>;
using SVexlornRwptBlockArray = SVexlornBlockArray<SVexlornRwptBlock>;
using SVexlornTnodBlockArray = SVexlornBlockArray<SVexlornTnodBlock>;

// One route: a name, a number and its points in order.
class SVexlornRteBlock : public SVexlornObject {
 public:
  // An empty name (one byte), the number and a zero point count.
  static constexpr std::size_t kMinSize = 9;

  const char* GetRuntimeClassName() const override { return "SVexlornRteBlock"; }
  bool Serialize(CVexlornArchive& archive) override;
  void Store(CVexlornArchive& archive) const;
  bool Load(CVexlornArchive& archive);

  const std::string& GetName() const { return m_name; }
  std::int32_t GetNumber() const { return m_number; }
  const SVexlornRwptBlockArray& GetPoints() const { return m_points; }
  SVexlornRwptBlockArray& GetPoints() { return m_points; }

  bool SetName(std::string name);
  bool SetNumber(std::int32_t number);
  bool SetPoints(SVexlornRwptBlockArray points);

 private:
  std::string m_name;
  std::int32_t m_number = 0;
  SVexlornRwptBlockArray m_points;
};

using SVexlornRteBlockArray = SVexlornBlockArray<SVexlornRteBlock>;

// The contents of one .wpt file: header, waypoints and routes.
class CVexlornFileWpt : public SVexlornObject {
 public:
  const char* GetRuntimeClassName() const override { return "CVexlornFileWpt"; }
  bool Serialize(CVexlornArchive& archive) override;
  void Store(CVexlornArchive& archive) const;
  // Replaces the whole document, header included, or leaves it exactly as it was.
  bool Load(CVexlornArchive& archive);

  const SVexlornWptRteHeadBlock& GetHeader() const { return m_header; }
  SVexlornWptRteHeadBlock& GetHeader() { return m_header; }
  const SVexlornWptBlockArray& GetWaypoints() const { return m_waypoints; }
  SVexlornWptBlockArray& GetWaypoints() { return m_waypoints; }
  const SVexlornRteBlockArray& GetRoutes() const { return m_routes; }
  SVexlornRteBlockArray& GetRoutes() { return m_routes; }
  // Empties waypoints and routes; the header stays as it is.
  void Clear();

 private:
  SVexlornWptRteHeadBlock m_header;
  SVexlornWptBlockArray m_waypoints;
  SVexlornRteBlockArray m_routes;
};

// The contents of one .trk file: header, the track's name and its nodes.
class CVexlornFileTrk : public SVexlornObject {
 public:
  const char* GetRuntimeClassName() const override { return "CVexlornFileTrk"; }
  bool Serialize(CVexlornArchive& archive) override;
  void Store(CVexlornArchive& archive) const;
  // Replaces the whole document, header included, or leaves it exactly as it was.
  bool Load(CVexlornArchive& archive);

  const SVexlornTrkHeadBlock& GetHeader() const { return m_header; }
  SVexlornTrkHeadBlock& GetHeader() { return m_header; }
  const std::string& GetName() const { return m_name; }
  bool SetName(std::string name);
  const SVexlornTnodBlockArray& GetNodes() const { return m_nodes; }
  SVexlornTnodBlockArray& GetNodes() { return m_nodes; }
  // Empties the nodes; the name and the header stay as they are.
  void Clear();

 private:
  SVexlornTrkHeadBlock m_header;
  std::string m_name;
  SVexlornTnodBlockArray m_nodes;
};
