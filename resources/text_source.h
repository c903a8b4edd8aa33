// The wizard's texts by number, as UTF-8: what the page logic shows and asks, whatever draws it.
#pragma once

#include <map>
#include <string>

// Answers the string table's entries and the texts of the dialogs' controls. The Qt wizard's
// resource source and the Win32 string table both answer through it, so the page logic picks its
// texts without knowing which toolkit shows them.
class CTextSource {
 public:
  virtual ~CTextSource() = default;
  // The text of a string id; the built-in one when no translation replaces it.
  virtual std::string Utf8String(int id) const = 0;
  // The text of a control of a dialog ("134", "hint"); empty when there is none.
  virtual std::string Utf8DialogText(int dialogId, const char* control) const = 0;
};

// The "key=text" lines of a texts.txt: "\n" stands for a line break and "\\" for a backslash;
// lines starting with '#' are comments. A line without '=' is skipped rather than refusing the
// file, so a translation with one bad line still translates the rest.
std::map<std::string, std::string> ParseTextLines(const std::string& content);

// A text source over the lines of a texts.txt, string table entries keyed by their number ("102"),
// dialog texts by dialog and control ("129.greeting"); string ids it lacks come from the built-in
// string table.
class CTextTable : public CTextSource {
 public:
  explicit CTextTable(const std::string& content = {}) : m_texts(ParseTextLines(content)) {}
  std::string Utf8String(int id) const override;
  std::string Utf8DialogText(int dialogId, const char* control) const override;

 private:
  std::map<std::string, std::string> m_texts;
};
