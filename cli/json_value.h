// The JSON the command-line tool prints for scripts: a small value tree and its indented text.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

class CJsonValue;
using CJsonArray = std::vector<CJsonValue>;
// Keys are written in sorted order, so a script sees the same text for the same data.
using CJsonObject = std::map<std::string, CJsonValue>;

// null, true/false, a whole number, a text (UTF-8), an array or an object.
class CJsonValue {
 public:
  CJsonValue() = default;
  CJsonValue(bool value) : m_value(value) {}
  CJsonValue(std::int64_t value) : m_value(value) {}
  CJsonValue(std::string value) : m_value(std::move(value)) {}
  CJsonValue(const char* value) : m_value(std::string(value)) {}
  CJsonValue(CJsonArray value) : m_value(std::move(value)) {}
  CJsonValue(CJsonObject value) : m_value(std::move(value)) {}

  // The value as a document: four spaces a level, one member or element a line, a line end after
  // the last brace. Texts escape '"', '\\' and the control characters; bytes that are not UTF-8
  // become U+FFFD, one for each byte, so the document is always valid UTF-8.
  std::string Document() const;

 private:
  void Write(std::string& out, int level) const;

  std::variant<std::monostate, bool, std::int64_t, std::string, CJsonArray, CJsonObject> m_value;
};
