// A tolerant reader of Wine's registry files.
#include "storage/linux/wine_registry.h"

#include <cstdint>
#include <fstream>
#include <unordered_set>

#include "formats/ascii_case.h"

namespace {

// system.reg of a well-used prefix is a few megabytes; far more is not a registry file.
constexpr std::streamoff kMaxFileSize = 256LL * 1024 * 1024;

std::vector<std::string> SplitKeyPath(std::string_view path) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= path.size()) {
    auto end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) names.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

std::string FoldedPath(const std::vector<std::string>& names) {
  std::string path;
  for (const std::string& name : names) {
    if (!path.empty()) path += '\\';
    path += AsciiLower(name);
  }
  return path;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Collects UTF-16 code units (from escapes or hex data) and raw bytes into UTF-8; a surrogate
// without its partner becomes U+FFFD.
class CUtf8Builder {
 public:
  explicit CUtf8Builder(std::string& out) : m_out(out) {}
  void Unit(std::uint32_t unit) {
    if (m_high != 0) {
      if (unit >= 0xDC00 && unit <= 0xDFFF) {
        AppendUtf8(m_out, 0x10000 + ((m_high - 0xD800) << 10) + (unit - 0xDC00));
        m_high = 0;
        return;
      }
      Flush();
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      m_high = unit;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      AppendUtf8(m_out, 0xFFFD);
    } else {
      AppendUtf8(m_out, unit);
    }
  }
  void Byte(char byte) {
    Flush();
    m_out += byte;
  }
  void Flush() {
    if (m_high != 0) AppendUtf8(m_out, 0xFFFD);
    m_high = 0;
  }

 private:
  std::string& m_out;
  std::uint32_t m_high = 0;
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads escaped text from pos up to the unescaped terminator, leaving pos after it. Wine writes
// C escapes, octal for other control characters and \xNNNN for UTF-16 code units above 127.
bool DecodeEscaped(std::string_view line, std::size_t& pos, char terminator, std::string& out) {
  CUtf8Builder text(out);
  while (pos < line.size()) {
    const char c = line[pos++];
    if (c == terminator) {
      text.Flush();
      return true;
    }
    if (c != '\\') {
      text.Byte(c);
      continue;
    }
    if (pos >= line.size()) break;
    const char e = line[pos++];
    switch (e) {
      case 'n':
        text.Unit('\n');
        break;
      case 'r':
        text.Unit('\r');
        break;
      case 't':
        text.Unit('\t');
        break;
      case 'a':
        text.Unit('\a');
        break;
      case 'b':
        text.Unit('\b');
        break;
      case 'e':
        text.Unit(27);
        break;
      case 'f':
        text.Unit('\f');
        break;
      case 'v':
        text.Unit('\v');
        break;
      case 'x': {
        std::uint32_t unit = 0;
        int digits = 0;
        while (digits < 4 && pos < line.size() && HexDigit(line[pos]) >= 0) {
          unit = unit * 16 + static_cast<std::uint32_t>(HexDigit(line[pos++]));
          ++digits;
        }
        if (digits == 0) {
          text.Byte('x');
        } else {
          text.Unit(unit);
        }
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          std::uint32_t unit = static_cast<std::uint32_t>(e - '0');
          for (int digits = 1; digits < 3 && pos < line.size() && line[pos] >= '0' && line[pos] <= '7'; ++digits) {
            unit = unit * 8 + static_cast<std::uint32_t>(line[pos++] - '0');
          }
          text.Unit(unit);
        } else {
          text.Byte(e);
        }
    }
  }
  text.Flush();
  return false;
}

void SkipSpaces(std::string_view line, std::size_t& pos) {
  while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
}

bool ConsumePrefix(std::string_view line, std::size_t& pos, std::string_view prefix) {
  if (line.substr(pos, prefix.size()) != prefix) return false;
  pos += prefix.size();
  return true;
}

// "(N):" after "str" or "hex": the type number in hex.
bool ReadTypeNumber(std::string_view line, std::size_t& pos, unsigned& type) {
  if (!ConsumePrefix(line, pos, "(")) return false;
  type = 0;
  int digits = 0;
  while (pos < line.size() && HexDigit(line[pos]) >= 0) {
    if (++digits > 8) return false;
    type = type * 16 + static_cast<unsigned>(HexDigit(line[pos++]));
  }
  return digits > 0 && ConsumePrefix(line, pos, "):");
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n' && text[i] != '\r') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// Comma-separated byte pairs; a line ending in "\" continues on the next line. lineIndex moves
// past the continuation lines only when the whole value was read, so a broken value never
// swallows the lines after it.
bool ReadHexBytes(const std::vector<std::string_view>& lines, std::size_t& lineIndex, std::size_t pos,
                  std::string& bytes) {
  std::size_t last = lineIndex;
  std::string_view line = lines[last];
  while (true) {
    SkipSpaces(line, pos);
    if (pos >= line.size()) {
      lineIndex = last;
      return true;
    }
    if (line[pos] == ',') {
      ++pos;
      continue;
    }
    if (line[pos] == '\\') {
      std::size_t rest = pos + 1;
      SkipSpaces(line, rest);
      if (rest != line.size() || last + 1 >= lines.size()) return false;
      line = lines[++last];
      pos = 0;
      continue;
    }
    if (pos + 1 >= line.size() || HexDigit(line[pos]) < 0 || HexDigit(line[pos + 1]) < 0) return false;
    bytes += static_cast<char>(HexDigit(line[pos]) * 16 + HexDigit(line[pos + 1]));
    pos += 2;
  }
}

std::string Utf16LeToUtf8(const std::string& bytes) {
  std::string out;
  CUtf8Builder text(out);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const std::uint32_t unit = static_cast<unsigned char>(bytes[i]) |
                               (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8);
    if (unit == 0) break;
    text.Unit(unit);
  }
  text.Flush();
  return out;
}

}  // namespace

bool CWineRegistryFile::Load(const std::string& path) {
  m_keys.clear();
  m_index.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || size > kMaxFileSize) return false;
  in.seekg(0);
  std::string text(static_cast<std::size_t>(size), '\0');
  if (size > 0 && !in.read(text.data(), size)) return false;
  Parse(text);
  return true;
}

std::size_t CWineRegistryFile::KeyFor(const std::vector<std::string>& names) {
  std::string folded = FoldedPath(names);
  const auto found = m_index.find(folded);
  if (found != m_index.end()) return found->second;
  m_keys.push_back({folded, names, {}});
  m_index.emplace(std::move(folded), m_keys.size() - 1);
  return m_keys.size() - 1;
}

void CWineRegistryFile::Parse(std::string_view text) {
  m_keys.clear();
  m_index.clear();
  const auto lines = SplitLines(text);
  constexpr std::size_t kNoKey = static_cast<std::size_t>(-1);
  std::size_t current = kNoKey;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    std::size_t pos = 0;
    SkipSpaces(line, pos);
    if (pos >= line.size()) continue;
    if (line[pos] == '[') {
      ++pos;
      std::string path;
      const bool closed = DecodeEscaped(line, pos, ']', path);
      const auto names = SplitKeyPath(path);
      // Values after a header that cannot be read belong to no key we know, so they are dropped.
      current = closed && !names.empty() ? KeyFor(names) : kNoKey;
      continue;
    }
    SValue value;
    if (line[pos] == '@') {
      ++pos;
    } else if (line[pos] == '"') {
      ++pos;
      std::string name;
      if (!DecodeEscaped(line, pos, '"', name)) continue;
      value.foldedName = AsciiLower(name);
    } else {
      continue;  // comments (';', '#'), Wine's "#time=" notes, the file's header, stray text
    }
    SkipSpaces(line, pos);
    if (!ConsumePrefix(line, pos, "=")) continue;
    SkipSpaces(line, pos);
    bool read = false;
    if (ConsumePrefix(line, pos, "\"")) {
      value.type = 1;
      read = DecodeEscaped(line, pos, '"', value.data);
    } else if (ConsumePrefix(line, pos, "str")) {
      read = ReadTypeNumber(line, pos, value.type) && ConsumePrefix(line, pos, "\"") &&
             DecodeEscaped(line, pos, '"', value.data);
    } else if (ConsumePrefix(line, pos, "dword:")) {
      std::uint32_t number = 0;
      int digits = 0;
      while (pos < line.size() && HexDigit(line[pos]) >= 0 && digits < 8) {
        number = number * 16 + static_cast<std::uint32_t>(HexDigit(line[pos++]));
        ++digits;
      }
      read = digits > 0;
      value.type = 4;
      value.hex = true;
      for (int shift = 0; shift < 32; shift += 8) value.data += static_cast<char>((number >> shift) & 0xFF);
    } else if (ConsumePrefix(line, pos, "hex")) {
      value.type = 3;
      value.hex = true;
      read = (ConsumePrefix(line, pos, ":") || ReadTypeNumber(line, pos, value.type)) &&
             ReadHexBytes(lines, i, pos, value.data);
    }
    if (!read || current == kNoKey) continue;
    auto& values = m_keys[current].values;
    bool replaced = false;
    for (SValue& existing : values) {
      if (existing.foldedName == value.foldedName) {
        existing = value;
        replaced = true;
      }
    }
    if (!replaced) values.push_back(std::move(value));
  }
}

bool CWineRegistryFile::HasKey(const std::string& keyPath) const {
  const std::string folded = FoldedPath(SplitKeyPath(keyPath));
  if (folded.empty()) return !m_keys.empty();
  if (m_index.count(folded) != 0) return true;
  const std::string prefix = folded + '\\';
  for (const SKey& key : m_keys) {
    if (key.foldedPath.compare(0, prefix.size(), prefix) == 0) return true;
  }
  return false;
}

std::vector<std::string> CWineRegistryFile::SubkeyNames(const std::string& keyPath) const {
  const auto parent = SplitKeyPath(keyPath);
  const std::string folded = FoldedPath(parent);
  const std::string prefix = folded.empty() ? std::string() : folded + '\\';
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  for (const SKey& key : m_keys) {
    if (key.names.size() <= parent.size() || key.foldedPath.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string& name = key.names[parent.size()];
    if (seen.insert(AsciiLower(name)).second) names.push_back(name);
  }
  return names;
}

bool CWineRegistryFile::QueryString(const std::string& keyPath, const std::string& valueName,
                                    std::string& value) const {
  const auto key = m_index.find(FoldedPath(SplitKeyPath(keyPath)));
  if (key == m_index.end()) return false;
  const std::string name = AsciiLower(valueName);
  for (const SValue& candidate : m_keys[key->second].values) {
    if (candidate.foldedName != name) continue;
    if (candidate.type != 1 && candidate.type != 2) return false;
    if (candidate.hex) {
      value = Utf16LeToUtf8(candidate.data);
    } else {
      value = candidate.data.substr(0, candidate.data.find('\0'));
    }
    return true;
  }
  return false;
}
