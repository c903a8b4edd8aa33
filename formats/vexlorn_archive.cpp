// The binary archive of the desktop product's files: little-endian primitives and length-prefixed strings.
#include "formats/vexlorn_archive.h"

#include <algorithm>
#include <limits>

#include "formats/atomic_file.h"
#include "formats/code_page.h"
#include "formats/input_file.h"

namespace {

// What loading from a file asks for at a time.
constexpr std::size_t kReadBlockSize = 256 * 1024;

// The first 16-bit length value after 0xFF that announces a UTF-16 string.
constexpr std::uint16_t kWideMark = 0xFFFE;

void AppendUtf8(std::string& out, std::uint32_t codePoint) {
  if (codePoint < 0x80) {
    out.push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

// The desktop product's narrow strings are the user's bytes in its ANSI code page; its wide strings
// are UTF-16, which go into that code page through UTF-8. A surrogate without its partner cannot be
// converted and becomes '?' (counted in `replaced`), as the platform's own wide-to-narrow
// conversion replaces what it cannot represent.
std::string Utf16LeToUtf8(const std::uint8_t* data, std::size_t units, std::size_t& replaced) {
  std::string out;
  out.reserve(units);
  for (std::size_t i = 0; i < units; ++i) {
    const std::uint32_t unit = data[2 * i] | (data[2 * i + 1] << 8);
    if (unit < 0xD800 || unit > 0xDFFF) {
      AppendUtf8(out, unit);
      continue;
    }
    if (unit <= 0xDBFF && i + 1 < units) {
      const std::uint32_t next = data[2 * i + 2] | (data[2 * i + 3] << 8);
      if (next >= 0xDC00 && next <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
        ++i;
        continue;
      }
    }
    out.push_back('?');
    ++replaced;
  }
  return out;
}

}  // namespace

CVexlornArchive::~CVexlornArchive() = default;

CVexlornArchive::CVexlornArchive(const std::uint8_t* data, std::size_t size, CDiagnostic* why)
    : m_loading(true), m_window(data), m_windowEnd(data == nullptr ? 0 : size), m_size(m_windowEnd), m_why(why) {}

CVexlornArchive::CVexlornArchive(CInputFile& file, CDiagnostic* why)
    : m_loading(true), m_size(file.Size()), m_input(&file), m_why(why) {}

// The store buffer is large enough that a million-node track goes out in about a hundred writes.
CVexlornArchive::CVexlornArchive(CAtomicFile& file, CDiagnostic* why)
    : m_file(&file), m_store(std::make_unique_for_overwrite<std::uint8_t[]>(kStoreBufferSize)), m_why(why) {}

CVexlornArchive::CVexlornArchive(std::vector<std::uint8_t>& out, CDiagnostic* why)
    : m_memory(&out), m_store(std::make_unique_for_overwrite<std::uint8_t[]>(kStoreBufferSize)), m_why(why) {}

bool CVexlornArchive::Fill(std::size_t count) {
  if (m_input == nullptr || m_inputError.HasReason()) return false;
  const auto kept = static_cast<std::size_t>(m_windowEnd - m_position);
  if (m_blockCapacity < std::max(count, kReadBlockSize)) {
    const std::size_t capacity = std::max(count, kReadBlockSize);
    auto larger = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
    if (kept != 0) std::memcpy(larger.get(), m_window + (m_position - m_windowStart), kept);
    m_block = std::move(larger);
    m_blockCapacity = capacity;
  } else if (kept != 0) {
    std::memmove(m_block.get(), m_window + (m_position - m_windowStart), kept);
  }
  m_window = m_block.get();
  m_windowStart = m_position;
  m_windowEnd = m_position + kept;
  auto* const buffer = reinterpret_cast<char*>(m_block.get());
  std::size_t have = kept;
  while (have < count) {
    std::size_t got = 0;
    if (!m_input->Read(buffer + have, m_blockCapacity - have, got, &m_inputError) || got == 0) return false;
    have += got;
    m_windowEnd += got;
  }
  return true;
}

bool CVexlornArchive::ReadBytes(char* out, std::size_t size, std::uint64_t start, const char* what) {
  while (size > 0) {
    if (m_windowEnd == m_position && !Fill(1)) return FailEnd(start, what);
    const std::size_t part = std::min<std::uint64_t>(size, m_windowEnd - m_position);
    std::memcpy(out, m_window + (m_position - m_windowStart), part);
    out += part;
    size -= part;
    m_position += part;
  }
  return true;
}

bool CVexlornArchive::Refuse(std::uint64_t offset, const std::string& reason) {
  return FailAtOffset(m_why, offset, reason);
}

bool CVexlornArchive::FailEnd(std::uint64_t offset, const char* what) {
  // A file that cannot be read any further is no file that ends early.
  if (m_inputError.HasReason()) {
    if (m_why != nullptr) *m_why = m_inputError;
    return false;
  }
  return Refuse(offset, std::string("file ends inside ") + what);
}

bool CVexlornArchive::ReadText(char* buffer, std::size_t size, const char* what) {
  return ReadBytes(buffer, size, m_position, what);
}

// A length prefix: a byte below 0xFF; or 0xFF and a 16-bit value below 0xFFFE; or 0xFF, 0xFFFF and a
// 32-bit value. 0xFF 0xFFFE marks a wide string, whose own prefix of the same forms follows.
bool CVexlornArchive::ReadLength(std::uint64_t& length, bool& wide, std::uint64_t stringOffset) {
  wide = false;
  for (;;) {
    std::uint8_t first = 0;
    if (!TryReadLE(first)) return FailEnd(stringOffset, "a string");
    if (first < 0xFF) {
      length = first;
      return true;
    }
    std::uint16_t middle = 0;
    if (!TryReadLE(middle)) return FailEnd(stringOffset, "a string");
    if (middle == kWideMark) {
      // Only one wide mark may precede a length; a second one is not a length at all.
      if (wide) return Refuse(stringOffset, "wide string marked twice");
      wide = true;
      continue;
    }
    if (middle < 0xFFFF) {
      length = middle;
      return true;
    }
    std::uint32_t full = 0;
    if (!TryReadLE(full)) return FailEnd(stringOffset, "a string");
    length = full;
    return true;
  }
}

bool CVexlornArchive::ReadString(std::string& value) {
  const std::uint64_t start = m_position;
  std::uint64_t length = 0;
  bool wide = false;
  if (!ReadLength(length, wide, start)) return false;
  const std::uint64_t bytes = wide ? 2 * length : length;
  if (bytes > GetBytesLeft()) return FailEnd(start, "a string");
  if (!wide) {
    value.resize(static_cast<std::size_t>(bytes));
    return ReadBytes(value.data(), value.size(), start, "a string");
  }
  std::string units(static_cast<std::size_t>(bytes), '\0');
  if (!ReadBytes(units.data(), units.size(), start, "a string")) return false;
  if (m_codePage == nullptr) {
    if (!m_defaultCodePage) m_defaultCodePage = std::make_unique<CCodePage>();
    m_codePage = m_defaultCodePage.get();
  }
  std::size_t replaced = 0;
  value = m_codePage->FromUtf8(
      Utf16LeToUtf8(reinterpret_cast<const std::uint8_t*>(units.data()), static_cast<std::size_t>(length), replaced));
  m_codePage->CountReplacements(replaced);
  return true;
}

bool CVexlornArchive::ReadCount(std::size_t& count, std::size_t minElementSize, const char* elementName) {
  const std::uint64_t start = m_position;
  std::int32_t raw = 0;
  if (!ReadInt32(raw, "a count")) return false;
  if (raw < 0) return Refuse(start, std::string(elementName) + " count " + std::to_string(raw) + " is negative");
  const std::uint64_t left = GetBytesLeft();
  if (static_cast<std::uint64_t>(raw) > left / minElementSize) {
    return Refuse(start, std::string(elementName) + " count " + std::to_string(raw) + " exceeds what the " +
                             std::to_string(left) + " bytes left can hold");
  }
  count = static_cast<std::size_t>(raw);
  return true;
}

void CVexlornArchive::RefuseValue(const std::string& rule) {
  if (!m_failed) Fail(m_why, rule);
  m_failed = true;
}

void CVexlornArchive::WriteString(std::string_view value) {
  const std::size_t length = value.size();
  if (length > std::numeric_limits<std::uint32_t>::max()) {
    RefuseValue("a string of " + std::to_string(length) + " bytes is too long for the file");
    return;
  }
  if (length < 0xFF) {
    WriteByte(static_cast<std::uint8_t>(length));
  } else if (length < kWideMark) {
    WriteByte(0xFF);
    WriteLE(static_cast<std::uint16_t>(length));
  } else {
    // 0xFFFE would read as the wide mark, so 65534 already takes the 32-bit form.
    WriteByte(0xFF);
    WriteLE(std::uint16_t{0xFFFF});
    WriteLE(static_cast<std::uint32_t>(length));
  }
  WriteRaw(value.data(), length);
}

void CVexlornArchive::WriteCount(std::size_t count, const char* elementName) {
  if (count > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    RefuseValue(std::string(elementName) + " count " + std::to_string(count) + " is too large for the file");
    return;
  }
  WriteInt32(static_cast<std::int32_t>(count));
}

bool CVexlornArchive::Send(const void* data, std::size_t size) {
  if (m_failed) return false;
  if (m_file != nullptr) {
    if (!m_file->Write(data, size, m_why)) {
      m_failed = true;
      return false;
    }
  } else if (m_memory != nullptr) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    m_memory->insert(m_memory->end(), bytes, bytes + size);
  }
  m_written += size;
  return true;
}

bool CVexlornArchive::Drain() {
  const bool sent = Send(m_store.get(), m_used);
  m_used = 0;
  return sent;
}

void CVexlornArchive::WriteLarge(const void* data, std::size_t size) {
  if (!Drain()) return;
  // What does not fit the buffer goes on as it is.
  if (size > kStoreBufferSize) {
    Send(data, size);
    return;
  }
  std::memcpy(m_store.get(), data, size);
  m_used = size;
}

bool CVexlornArchive::Flush() { return Drain(); }
