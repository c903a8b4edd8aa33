// Paths and fields in the texts the pages show.
#include "wizard/logic/display_text.h"

namespace {

// The length of the well-formed UTF-8 sequence at text[i], 0 when there is none.
std::size_t SequenceLength(const std::string& text, std::size_t i) {
  const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;   // the range of the second byte, narrower for some leads (no overlong
  unsigned char high = 0xBF;  // forms, no surrogates, nothing past U+10FFFF)
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

std::string DisplayPath(const std::string& path) {
  std::string shown;
  shown.reserve(path.size());
  for (std::size_t i = 0; i < path.size();) {
    const std::size_t length = SequenceLength(path, i);
    if (length == 0) {
      shown += "\xEF\xBF\xBD";
      ++i;
    } else {
      shown.append(path, i, length);
      i += length;
    }
  }
  return shown;
}

std::string ReplaceField(std::string text, const std::string& value) {
  for (std::size_t at = text.find("%s"); at != std::string::npos; at = text.find("%s", at + value.size())) {
    text.replace(at, 2, value);
  }
  return text;
}
