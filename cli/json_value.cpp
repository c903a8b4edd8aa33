// JSON text with the layout scripts reading the tool's output have always been given.
#include "cli/json_value.h"

#include <cstdio>

#include "storage/utf8_text.h"

namespace {

void Indent(std::string& out, int level) { out.append(static_cast<std::size_t>(level) * 4, ' '); }

void AppendQuoted(std::string& out, const std::string& text) {
  out += '"';
  for (std::size_t at = 0; at < text.size();) {
    std::size_t length = 0;
    const char32_t c = DecodeUtf8(text, at, length);
    if (length == 0) {
      AppendUtf8(0xFFFD, out);
      ++at;
      continue;
    }
    at += length;
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          AppendUtf8(c, out);
        }
    }
  }
  out += '"';
}

}  // namespace

std::string CJsonValue::Document() const {
  std::string out;
  Write(out, 0);
  out += '\n';
  return out;
}

void CJsonValue::Write(std::string& out, int level) const {
  if (std::holds_alternative<std::monostate>(m_value)) {
    out += "null";
  } else if (const bool* flag = std::get_if<bool>(&m_value)) {
    out += *flag ? "true" : "false";
  } else if (const std::int64_t* number = std::get_if<std::int64_t>(&m_value)) {
    out += std::to_string(*number);
  } else if (const std::string* text = std::get_if<std::string>(&m_value)) {
    AppendQuoted(out, *text);
  } else if (const CJsonArray* array = std::get_if<CJsonArray>(&m_value)) {
    out += "[\n";
    for (std::size_t i = 0; i < array->size(); ++i) {
      Indent(out, level + 1);
      (*array)[i].Write(out, level + 1);
      out += i + 1 < array->size() ? ",\n" : "\n";
    }
    Indent(out, level);
    out += ']';
  } else {
    const CJsonObject& object = std::get<CJsonObject>(m_value);
    out += "{\n";
    std::size_t left = object.size();
    for (const auto& [key, value] : object) {
      Indent(out, level + 1);
      AppendQuoted(out, key);
      out += ": ";
      value.Write(out, level + 1);
      out += --left != 0 ? ",\n" : "\n";
    }
    Indent(out, level);
    out += '}';
  }
}
