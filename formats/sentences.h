// The unit's checksummed sentences: one class per sentence kind that writes its values as a line
// and parses a line back into values, with every field checked.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "formats/diagnostic.h"
#include "formats/local_time_cache.h"

// Type indexes answered by SentenceType and CSentence::Type. The order is also the search order
// of SentenceType.
enum ESentenceType : int {
  SENTENCE_RTE = 0,
  SENTENCE_WPL = 1,
  SENTENCE_TRK = 2,
  SENTENCE_CMD = 3,
  SENTENCE_XXX = 4,  // unknown or generic
};

// The three-letter code of a type index ("RTE", "WPL", "TRK", "CMD", "XXX"); "XXX" for any other.
const char* SentenceCode(int type);

// The type whose "$PTVL" + code the line begins with (case-sensitive); SENTENCE_XXX when none does.
int SentenceType(std::string_view line);

// XOR of all bytes of the text.
std::uint8_t Checksum(std::string_view text);

// Root of the sentence classes: a list of text fields made by splitting at commas. The list is
// scratch of the last Split only; copying an object copies its values, never that list.
class CFieldList {
 public:
  CFieldList() = default;
  CFieldList(const CFieldList&) noexcept {}
  CFieldList& operator=(const CFieldList&) noexcept { return *this; }
  virtual ~CFieldList() = default;

  // Splits at every comma; empty fields count and nothing is trimmed. Answers the field count.
  virtual int Split(std::string_view text);
  // Fields first..last joined by commas; a negative or too large last means the last field.
  virtual std::string Join(int first, int last) const;
  // The text for the current values.
  virtual std::string Format() const = 0;
  // Takes the values of the text only if all of it is valid; otherwise nothing changes.
  virtual bool Parse(std::string_view text, CDiagnostic* why = nullptr) = 0;
  virtual std::string ToText() const { return Format(); }
  virtual bool FromText(std::string_view text) { return Parse(text); }

  int GetFieldCount() const;
  // The field of the last Split, or an empty text for an index outside the list.
  std::string GetField(int index) const;

 protected:
  std::vector<std::string>& Fields();

 private:
  std::unique_ptr<std::vector<std::string>> m_fields;  // only allocated by Split
};

// Position group of waypoint and track sentences: ddmm.mmm magnitudes with hemisphere letters and
// an integer altitude with its unit letter.
class CPosition : public CFieldList {
 public:
  // The bare group "llll.lll,H,lllll.lll,H,aaaa,U" (no header, no line end).
  std::string Format() const override;
  // Reads the group from fields 1 to 6 of a whole comma-separated line: field 0 is the line's
  // header, so the bare group that Format gives parses only behind a leading field.
  bool Parse(std::string_view text, CDiagnostic* why = nullptr) override;

  // Signed ddmm.mmm. Negative is 'N' and zero or positive 'S' (the desktop side counts south as
  // positive); NaN is refused.
  bool SetLatitude(double ddmm);
  // Signed dddmm.mmm: negative is 'W', zero or positive 'E'; NaN is refused.
  bool SetLongitude(double dddmm);
  // Stores the floor; refused when not finite or outside the 32-bit range.
  bool SetAltitude(double altitude);
  // "F" (feet) or "M" (metres) only.
  bool SetAltitudeUnit(std::string_view unit);

  double GetLatitude() const { return m_latitude; }
  char GetLatitudeHemisphere() const { return m_latitudeHemisphere; }
  double GetLongitude() const { return m_longitude; }
  char GetLongitudeHemisphere() const { return m_longitudeHemisphere; }
  std::int32_t GetAltitude() const { return m_altitude; }
  char GetAltitudeUnit() const { return m_altitudeUnit; }
  // +magnitude for 'S', otherwise -magnitude.
  double GetSignedLatitude() const;
  // +magnitude for 'E', otherwise -magnitude.
  double GetSignedLongitude() const;
  double GetAltitudeMetres() const;

  // Appends the bare group to out.
  void AppendGroup(std::string& out) const;
  // Writes the bare group at p (room for 2 * kNumberRoom + 32 bytes) and answers its end.
  char* WriteGroup(char* p) const;

 private:
  friend class CWplSentence;
  friend class CTrkSentence;
  // Reads fields 1 to 6 of an already split line.
  bool ParseFields(const std::string_view* fields, std::size_t count, CDiagnostic* why);

  double m_latitude = 0;
  double m_longitude = 0;
  std::int32_t m_altitude = 0;
  char m_latitudeHemisphere = 'N';
  char m_longitudeHemisphere = 'W';
  char m_altitudeUnit = 'F';
};

// One waypoint reference (name, icon) inside a route sentence.
class CRouteEntry : public CFieldList {
 public:
  // "name,icon".
  std::string Format() const override;
  // Exactly two fields: name and icon.
  bool Parse(std::string_view text, CDiagnostic* why = nullptr) override;

  bool SetName(std::string_view name);  // commas become dots
  bool SetIcon(std::string_view icon);  // up to two letters a-z
  const std::string& GetName() const { return m_name; }
  const std::string& GetIcon() const { return m_icon; }

 private:
  friend class CRteWaypointsSentence;
  std::string m_name;
  std::string m_icon;
};

// A "$PTVLxxx,...*hh" line. Format gives the whole line ending in "\n"; Parse accepts the line
// with or without that line end.
class CSentence : public CFieldList {
 public:
  // Sentence split: the checksum after the last '*' of the last field becomes a field of its own.
  // Answers 0 (and an empty list) when there is no such '*' or only one field.
  int Split(std::string_view text) override;
  std::string Format() const override;
  // Checks header, checksum field and checksum only; each concrete sentence then reads its fields.
  bool Parse(std::string_view text, CDiagnostic* why = nullptr) override;
  virtual int Type() const { return SENTENCE_XXX; }

  // Appends the complete line with the given line end; times (may be null) speeds up track times.
  void AppendLine(std::string& out, std::string_view lineEnd = "\n", CLocalTimeCache* times = nullptr) const;

 protected:
  // Small list of field views over the parsed text; holds short sentences without allocating.
  class CFieldViews {
   public:
    void Clear();
    void Push(std::string_view field) {
      if (m_more.empty() && m_size < kInline)
        m_inline[m_size++] = field;
      else
        PushMore(field);
    }
    // Room for `count` more fields without a check each: the split of a line pushes a word's commas
    // this way.
    bool HasInlineRoom(std::size_t count) const { return m_more.empty() && m_size + count <= kInline; }
    void PushInline(std::string_view field) { m_inline[m_size++] = field; }
    std::size_t Size() const { return m_size; }
    const std::string_view* Data() const { return m_more.empty() ? m_inline : m_more.data(); }
    std::string_view operator[](std::size_t index) const { return Data()[index]; }

   private:
    void PushMore(std::string_view field);

    static constexpr std::size_t kInline = 16;
    std::string_view m_inline[kInline];
    std::vector<std::string_view> m_more;
    std::size_t m_size = 0;
  };

  // Verification shared by every sentence: splits the text into fields (checksum last) and checks
  // the header against Type() and the checksum.
  bool Verify(std::string_view text, CFieldViews& fields, CDiagnostic* why) const;
  // Splits the text before the '*' into fields at its commas and answers the XOR of its bytes
  // after the '$', both in one pass.
  static std::uint8_t SplitAndSum(std::string_view body, CFieldViews& fields);
  // The comma-separated fields after the header, without checksum and line end.
  virtual void AppendBody(std::string& out, CLocalTimeCache* times) const = 0;
};

// A user point: position, name, comment and icon.
class CWplSentence : public CSentence {
 public:
  // 11 or 12 fields; a 12th field (before the checksum) must be a decimal number and is ignored.
  bool Parse(std::string_view text, CDiagnostic* why = nullptr) override;
  // The same, the text's room kept for the longer of name and comment instead of a copy of it: for
  // a line as long as a name in it.
  bool ParseTaking(std::string&& text, CDiagnostic* why = nullptr);
  int Type() const override { return SENTENCE_WPL; }

  const CPosition& GetPosition() const { return m_position; }
  bool SetPosition(const CPosition& position);
  const std::string& GetName() const { return m_name; }
  bool SetName(std::string_view name);  // commas become dots
  const std::string& GetComment() const { return m_comment; }
  bool SetComment(std::string_view comment);  // commas become dots
  // Hand the text over and leave it empty, for a reader's sink that keeps no sentence.
  std::string TakeName() { return std::exchange(m_name, {}); }
  std::string TakeComment() { return std::exchange(m_comment, {}); }
  const std::string& GetIcon() const { return m_icon; }
  bool SetIcon(std::string_view icon);  // up to two letters a-z

 protected:
  void AppendBody(std::string& out, CLocalTimeCache* times) const override;

 private:
  // Every rule of Parse, the values left in the fields and position.
  bool Check(std::string_view text, CFieldViews& fields, CPosition& position, CDiagnostic* why) const;

  CPosition m_position;
  std::string m_name;
  std::string m_comment;
  std::string m_icon;
};

// Header of a route sentence: this sentence's place in its route's group, the kind letter and the
// route's number and name.
class CRteSentence : public CSentence {
 public:
  // At least 7 fields: header, total, number, kind, route number, route name, checksum.
  bool Parse(std::string_view text, CDiagnostic* why = nullptr) override;
  int Type() const override { return SENTENCE_RTE; }
  // Any text of exactly one character.
  virtual bool CheckKind(std::string_view kind) const;

  std::uint32_t GetTotal() const { return m_total; }
  bool SetTotal(std::uint32_t total);  // not 0 and not below the number
  std::uint32_t GetNumber() const { return m_number; }
  bool SetNumber(std::uint32_t number);  // not 0 and not above the total
  char GetKind() const { return m_kind; }
  bool SetKind(std::string_view kind);  // what CheckKind accepts
  std::int32_t GetRouteNumber() const { return m_routeNumber; }
  bool SetRouteNumber(std::int32_t routeNumber);
  const std::string& GetRouteName() const { return m_routeName; }
  bool SetRouteName(std::string_view routeName);  // commas become dots

 protected:
  void AppendBody(std::string& out, CLocalTimeCache* times) const override;
  bool ParseHeader(const CFieldViews& fields, CDiagnostic* why);

 private:
  std::uint32_t m_total = 1;
  std::uint32_t m_number = 1;
  std::int32_t m_routeNumber = 0;
  char m_kind = 'x';
  std::string m_routeName;
};

// The route sentence the unit's files use (kind 'c'): the header followed by name,icon pairs.
class CRteWaypointsSentence : public CRteSentence {
 public:
  CRteWaypointsSentence();
  // The header, then an even number of entry fields; entries with an empty name are dropped.
  bool Parse(std::string_view text, CDiagnostic* why = nullptr) override;
  // Only "c".
  bool CheckKind(std::string_view kind) const override;

  bool AddEntry(const CRouteEntry& entry);
  void ClearEntries() { m_entries.clear(); }
  const std::vector<CRouteEntry>& GetEntries() const { return m_entries; }

 protected:
  void AppendBody(std::string& out, CLocalTimeCache* times) const override;

 private:
  std::vector<CRouteEntry> m_entries;
};

// One track point: position, local date and time with hundredths, fix validity and track name.
class CTrkSentence : public CSentence {
 public:
  // Exactly 12 fields; the local date and time become a calendar time as mktime sees them.
  bool Parse(std::string_view text, CDiagnostic* why = nullptr) override;
  // Parse with a cache for the local-time conversion (one cache per file).
  bool ParseWithCache(std::string_view text, CDiagnostic* why, CLocalTimeCache* times);
  int Type() const override { return SENTENCE_TRK; }

  const CPosition& GetPosition() const { return m_position; }
  bool SetPosition(const CPosition& position);
  std::time_t GetTime() const { return m_time; }
  bool SetTime(std::time_t time);
  unsigned GetHundredths() const { return m_hundredths; }
  bool SetHundredths(unsigned hundredths);  // 0 to 99
  bool IsValid() const { return m_validity == 'A'; }
  char GetValidity() const { return m_validity; }
  bool SetValid(bool valid);  // 'A' or 'V'
  const std::string& GetName() const { return m_name; }
  bool SetName(std::string_view name);  // commas become dots
  // Gives a name that is empty or blank the default text (both without trailing white space);
  // a blank default leaves the name as it is.
  bool FillName(std::string_view defaultName);

 protected:
  void AppendBody(std::string& out, CLocalTimeCache* times) const override;

 private:
  CPosition m_position;
  std::time_t m_time = 0;
  std::uint8_t m_hundredths = 0;
  char m_validity = 'A';
  std::string m_name;
};

// The end marker "$PTVLCMD,END*37" that closes every unit file.
class CCmdEndSentence : public CSentence {
 public:
  // Exactly the field "END".
  bool Parse(std::string_view text, CDiagnostic* why = nullptr) override;
  int Type() const override { return SENTENCE_CMD; }

 protected:
  void AppendBody(std::string& out, CLocalTimeCache* times) const override;
};
