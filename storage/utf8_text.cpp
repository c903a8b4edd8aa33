// UTF-8 one code point at a time.
#include "storage/utf8_text.h"

char32_t DecodeUtf8(std::string_view text, std::size_t at, std::size_t& length) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  length = 0;
  if (lead < 0x80) {
    length = 1;
    return lead;
  }
  std::size_t size = 0;
  char32_t value = 0;
  char32_t smallest = 0;
  if ((lead & 0xE0) == 0xC0) {
    size = 2, value = lead & 0x1F, smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    size = 3, value = lead & 0x0F, smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    size = 4, value = lead & 0x07, smallest = 0x10000;
  } else {
    return 0;
  }
  if (text.size() - at < size) return 0;
  for (std::size_t i = 1; i < size; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    value = value << 6 | (byte(at + i) & 0x3F);
  }
  if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  length = size;
  return value;
}

void AppendUtf8(char32_t value, std::string& out) {
  if (value < 0x80) {
    out += static_cast<char>(value);
  } else if (value < 0x800) {
    out += static_cast<char>(0xC0 | value >> 6);
    out += static_cast<char>(0x80 | (value & 0x3F));
  } else if (value < 0x10000) {
    out += static_cast<char>(0xE0 | value >> 12);
    out += static_cast<char>(0x80 | (value >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (value & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | value >> 18);
    out += static_cast<char>(0x80 | (value >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (value >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (value & 0x3F));
  }
}
