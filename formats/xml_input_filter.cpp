// What a GPX file may hold that a conforming XML parser refuses, made acceptable on the way in.
#include "formats/xml_input_filter.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "formats/ascii_case.h"

namespace {

// A reference longer than this is not one of ours to look at.
constexpr std::size_t kMaxReference = 40;

bool IsControl(unsigned char c) { return c < 0x20 && c != '\t' && c != '\n' && c != '\r'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsNameByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '_' || c == ':' || c == '.' ||
         c == '-' || static_cast<unsigned char>(c) >= 0x80;
}

// The length of the UTF-8 sequence at p that XML can carry (1 to 4), 0 for a broken one, -1 when
// the input ends inside it. The private characters of the markers (U+10FF00 and on) and U+FFFE and
// U+FFFF answer their length negated beyond -1, so that their bytes are marked one by one.
int Utf8Length(const unsigned char* p, const unsigned char* end) {
  const unsigned char lead = *p;
  int length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  for (int i = 1; i < length; ++i) {
    if (p + i >= end) return -1;
    const unsigned char c = p[i];
    if (i == 1 ? (c < low || c > high) : (c < 0x80 || c > 0xBF)) return 0;
  }
  if ((lead == 0xF4 && p[1] == 0x8F && p[2] >= 0xBC) || (lead == 0xEF && p[1] == 0xBF && p[2] >= 0xBE)) return -length;
  return length;
}

// Skips whole words of text that hold no byte the filter looks at: none at or above 0x80 or below
// 0x20 (line ends stop it too; the byte loop sees to them), no '&', '!' or '?'. Most of a file goes
// by eight bytes at a time.
const char* SkipPlainText(const char* p, const char* end) {
  if constexpr (std::endian::native != std::endian::little) return p;
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
  const auto hasZero = [](std::uint64_t x) { return (x - kOnes) & ~x & kHighs; };
  while (end - p >= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    if (((word | (word - kOnes * 0x20)) & kHighs) != 0 || hasZero(word ^ (kOnes * '&')) != 0 ||
        hasZero(word ^ (kOnes * '!')) != 0 || hasZero(word ^ (kOnes * '?')) != 0)
      break;
    p += 8;
  }
  return p;
}

bool StartsWith(const char* p, const char* end, std::string_view text) {
  return static_cast<std::size_t>(end - p) >= text.size() && std::memcmp(p, text.data(), text.size()) == 0;
}

// Whether the rest of [p, end) could still begin with `text` (it is shorter and agrees so far).
bool MayStartWith(const char* p, const char* end, std::string_view text) {
  const auto left = static_cast<std::size_t>(end - p);
  return left < text.size() && std::memcmp(p, text.data(), left) == 0;
}

}  // namespace

CXmlInputFilter::CXmlInputFilter() = default;
CXmlInputFilter::~CXmlInputFilter() = default;

bool CXmlInputFilter::Begin(const char* in, std::size_t size, bool last) {
  if (m_mode != EMode::Unknown) return true;
  if (size < 4 && !last) return false;
  const auto* bytes = reinterpret_cast<const unsigned char*>(in);
  // A file in 16 or 32 bits has a byte-order mark or zero bytes in its first characters.
  if ((size >= 2 && ((bytes[0] == 0xFE && bytes[1] == 0xFF) || (bytes[0] == 0xFF && bytes[1] == 0xFE))) ||
      (size >= 2 && (bytes[0] == 0 || bytes[1] == 0))) {
    m_mode = EMode::Off;
    return true;
  }
  std::string_view start(in, size);
  if (start.substr(0, 3) == "\xEF\xBB\xBF") start.remove_prefix(3);
  constexpr std::string_view kDeclaration = "<?xml";
  if (start.size() < kDeclaration.size() && kDeclaration.substr(0, start.size()) == start && !last) return false;
  m_mode = EMode::Utf8;
  if (start.substr(0, kDeclaration.size()) != kDeclaration) return true;
  constexpr std::size_t kMaxDeclaration = 1024;
  const std::size_t close = start.substr(0, kMaxDeclaration).find("?>");
  if (close == std::string_view::npos && start.size() < kMaxDeclaration && !last) {
    m_mode = EMode::Unknown;
    return false;
  }
  const std::string_view declaration = start.substr(0, close);
  const std::size_t name = declaration.find("encoding");
  if (name == std::string_view::npos) return true;
  std::size_t at = declaration.find_first_of("'\"", name);
  if (at == std::string_view::npos) return true;
  const std::size_t finish = declaration.find(declaration[at], at + 1);
  const std::string encoding =
      AsciiLower(declaration.substr(at + 1, finish == std::string_view::npos ? 0 : finish - at - 1));
  if (encoding != "utf-8" && encoding != "utf8") UseCodePage(encoding);
  return true;
}

void CXmlInputFilter::UseCodePage(const std::string& name) {
  m_mode = EMode::Other;
  auto page = std::make_unique<CCodePage>(name);
  if (!page->IsUsable()) return;
  // A byte that begins a double-byte character makes one character with the byte after it (a
  // letter, or one from 0xA1 on for the EUC pages); a byte of a single-byte page stays one of two.
  const auto isOne = [&page](char lead, char trail) {
    const char pair[] = {lead, trail};
    const std::string decoded = page->ToUtf8(std::string_view(pair, 2));
    const auto characters = std::count_if(decoded.begin(), decoded.end(),
                                          [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
    return characters == 1 && decoded != "?";
  };
  for (int byte = 0x80; byte <= 0xFF; ++byte)
    m_leadByte[byte] = isOne(static_cast<char>(byte), 'A') || isOne(static_cast<char>(byte), '\xA1');
  page->ResetReplacementCount();
  m_decoder = std::move(page);
  m_mode = EMode::Decoded;
}

std::size_t CXmlInputFilter::Decode(const char* in, const char* end, bool last, char*& out, char* outEnd) {
  // A character of a code page is at most three bytes of UTF-8 (it lies in the Basic Multilingual
  // Plane), as many as the two bytes of a double-byte one give at the most.
  const auto most = static_cast<std::size_t>(outEnd - out) / 3;
  const char* p = in;
  while (p < end && static_cast<unsigned char>(*p) >= 0x80) {
    const bool pair = m_leadByte[static_cast<unsigned char>(*p)];
    if (pair && end - p < 2 && !last) break;
    const std::size_t length = pair && end - p >= 2 && static_cast<unsigned char>(p[1]) >= 0x40 ? 2 : 1;
    if (static_cast<std::size_t>(p - in) + length > most) break;
    p += length;
  }
  if (p == in) return 0;
  const std::string utf8 = m_decoder->ToUtf8(std::string_view(in, static_cast<std::size_t>(p - in)));
  std::memcpy(out, utf8.data(), utf8.size());
  out += utf8.size();
  m_changed = true;
  return static_cast<std::size_t>(p - in);
}

bool CXmlInputFilter::Mark(unsigned char byte, char*& out, char* end) {
  if (m_mode == EMode::Utf8 || m_mode == EMode::Decoded) {
    if (end - out < 4) return false;
    // U+10FF00 + byte in UTF-8.
    *out++ = static_cast<char>(0xF4);
    *out++ = static_cast<char>(0x8F);
    *out++ = static_cast<char>(0xBC + (byte >> 6));
    *out++ = static_cast<char>(0x80 + (byte & 0x3F));
    m_changed = true;
    return true;
  }
  if (end - out < 10) return false;
  constexpr char kHex[] = "0123456789ABCDEF";
  std::memcpy(out, "&#x10FF", 7);
  out[7] = kHex[byte >> 4];
  out[8] = kHex[byte & 0xF];
  out[9] = ';';
  out += 10;
  m_changed = true;
  return true;
}

std::size_t CXmlInputFilter::Filter(const char* in, std::size_t size, bool last, char* out, std::size_t room,
                                    std::size_t& produced) {
  produced = 0;
  if (!Begin(in, size, last)) return 0;
  if (m_mode == EMode::Off) {
    produced = std::min(size, room);
    std::memcpy(out, in, produced);
    return produced;
  }
  const bool utf8 = m_mode == EMode::Utf8 || m_mode == EMode::Decoded;
  const char* p = in;
  const char* const end = in + size;
  char* o = out;
  char* const oend = out + room;
  // Copies n bytes as they are.
  const auto copy = [&](std::size_t n) {
    std::memcpy(o, p, n);
    o += n;
    p += n;
    m_previous = p[-1];
  };
  // Stops before the piece at p: for more input (unless it is the last) or for room.
  const auto finish = [&]() {
    produced = static_cast<std::size_t>(o - out);
    return static_cast<std::size_t>(p - in);
  };

  while (p < end) {
    // The run of bytes nothing needs to be done about, copied as one (no further than there is room).
    const char* run = p;
    const char* const runEnd = p + std::min(end - p, oend - o);
    for (; p < runEnd; ++p) {
      // Whole words where it can (a line end ends one such stretch, not the run).
      if (m_state == EState::Text && (p = SkipPlainText(p, runEnd)) == runEnd) break;
      const auto c = static_cast<unsigned char>(*p);
      if (IsControl(c) || (utf8 && c >= 0x80)) break;
      if (m_state == EState::Text ? (c == '&' || c == '!' || c == '?')
                                  : c == (m_state == EState::Comment ? '-'
                                          : m_state == EState::CData ? ']'
                                                                     : '?'))
        break;
    }
    const auto plain = static_cast<std::size_t>(p - run);
    p = run;
    if (plain != 0) copy(plain);
    if (p == end) break;
    if (oend - o < static_cast<std::ptrdiff_t>(kMaxPiece)) return finish();

    const auto c = static_cast<unsigned char>(*p);
    if (IsControl(c)) {
      // Inside a comment or instruction nobody reads it: a blank keeps the place.
      if (m_state == EState::Comment || m_state == EState::Instruction) {
        *o++ = ' ';
        m_previous = ' ';
        ++p;
      } else if (m_state == EState::CData && !utf8) {
        copy(1);  // not ours to repair in another encoding
      } else {
        Mark(c, o, oend);
        m_previous = *p++;
      }
      continue;
    }
    if (c >= 0x80 && m_mode == EMode::Decoded) {
      const std::size_t taken = Decode(p, end, last, o, oend);
      if (taken == 0) return finish();
      p += taken;
      m_previous = p[-1];
      continue;
    }
    if (c >= 0x80) {
      const int length =
          Utf8Length(reinterpret_cast<const unsigned char*>(p), reinterpret_cast<const unsigned char*>(end));
      if (length == -1 && !last) return finish();
      if (length > 0) {
        copy(static_cast<std::size_t>(length));
      } else if (m_state == EState::Comment || m_state == EState::Instruction) {
        *o++ = ' ';
        m_previous = ' ';
        ++p;
      } else {
        // A broken sequence is marked a byte at a time; a character of the markers' own range
        // (or one XML refuses) has all its bytes marked.
        const int marked = length < -1 ? -length : 1;
        for (int i = 0; i < marked; ++i) Mark(static_cast<unsigned char>(*p++), o, oend);
        m_previous = p[-1];
      }
      continue;
    }
    switch (m_state) {
      case EState::Comment:
        if (MayStartWith(p, end, "-->") && !last) return finish();
        if (StartsWith(p, end, "-->")) {
          copy(3);
          m_state = EState::Text;
        } else {
          copy(1);
        }
        continue;
      case EState::CData:
        if (MayStartWith(p, end, "]]>") && !last) return finish();
        if (StartsWith(p, end, "]]>")) {
          copy(3);
          m_state = EState::Text;
        } else {
          copy(1);
        }
        continue;
      case EState::Instruction:
        if (MayStartWith(p, end, "?>") && !last) return finish();
        if (StartsWith(p, end, "?>")) {
          copy(2);
          m_state = EState::Text;
        } else {
          copy(1);
        }
        continue;
      case EState::Text:
        break;
    }
    const char before = p == in ? m_previous : p[-1];
    if (c == '?') {
      if (before == '<') m_state = EState::Instruction;
      copy(1);
      continue;
    }
    if (c == '!') {
      if (before == '<') {
        if ((MayStartWith(p, end, "!--") || MayStartWith(p, end, "![CDATA[")) && !last) return finish();
        if (StartsWith(p, end, "!--")) {
          copy(3);
          m_state = EState::Comment;
          continue;
        }
        if (StartsWith(p, end, "![CDATA[")) {
          copy(8);
          m_state = EState::CData;
          continue;
        }
      }
      copy(1);
      continue;
    }
    // A '&': a character reference, one of the five entity references, or text.
    const char* q = p + 1;
    const char* const limit = std::min(end, p + kMaxReference);
    if (q < limit && *q == '#') {
      ++q;
      const bool hex = q < limit && *q == 'x';
      if (hex) ++q;
      const char* const digits = q;
      unsigned long value = 0;
      while (q < limit && (hex ? HexValue(*q) >= 0 : IsDigit(*q))) {
        if (value <= 0x10FFFF) value = value * (hex ? 16 : 10) + static_cast<unsigned>(hex ? HexValue(*q) : *q - '0');
        ++q;
      }
      if (q == end && !last) return finish();
      if (q != digits && q < limit && *q == ';') {
        if (value < 0x20 && IsControl(static_cast<unsigned char>(value))) {
          Mark(static_cast<unsigned char>(value), o, oend);
          p = q + 1;
          m_previous = ';';
        } else {
          copy(static_cast<std::size_t>(q + 1 - p));  // the parser judges every other reference
        }
        continue;
      }
    } else {
      while (q < limit && IsNameByte(*q)) ++q;
      if (q == end && !last) return finish();
      const std::string_view name(p + 1, static_cast<std::size_t>(q - p - 1));
      if (q < limit && *q == ';' &&
          (name == "lt" || name == "gt" || name == "amp" || name == "quot" || name == "apos")) {
        copy(static_cast<std::size_t>(q + 1 - p));
        continue;
      }
    }
    std::memcpy(o, "&amp;", 5);
    o += 5;
    ++p;
    m_previous = '&';
    m_changed = true;
  }
  return finish();
}

bool CXmlInputFilter::Unmark(std::string& text) {
  std::size_t at = text.find('\xF4');
  if (at == std::string::npos) return false;
  bool any = false;
  std::size_t to = at;
  for (std::size_t from = at; from < text.size();) {
    const auto* c = reinterpret_cast<const unsigned char*>(text.data() + from);
    if (c[0] == 0xF4 && from + 3 < text.size() && c[1] == 0x8F && c[2] >= 0xBC && c[2] <= 0xBF && c[3] >= 0x80 &&
        c[3] <= 0xBF) {
      text[to++] = static_cast<char>(((c[2] - 0xBC) << 6) | (c[3] - 0x80));
      from += 4;
      any = true;
    } else {
      text[to++] = text[from++];
    }
  }
  text.resize(to);
  return any;
}
