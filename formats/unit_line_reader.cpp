// The lines of a unit file, a block at a time.
#include "formats/unit_line_reader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "formats/sentences.h"

namespace {

// What a reader asks its source for at a time.
constexpr std::size_t kReadBlockSize = 256 * 1024;
// A line longer than this must show that it can be a sentence before more of it is read.
constexpr std::size_t kLongLine = kReadBlockSize;
// Room beyond this was taken by a long line and is given back after it.
constexpr std::size_t kShrinkAbove = 4 * kReadBlockSize;

constexpr unsigned kKnownTypes = SentenceTypes({SENTENCE_RTE, SENTENCE_WPL, SENTENCE_TRK, SENTENCE_CMD});

}  // namespace

CUnitLineReader::CUnitLineReader(std::string_view text, std::string title)
    : m_text(text.data()),
      m_end(text.size()),
      m_atEnd(true),
      m_expected(kKnownTypes),
      m_due("a sentence"),
      m_title(std::move(title)) {}

CUnitLineReader::CUnitLineReader(CByteSource& source, std::string title)
    : m_source(&source), m_expected(kKnownTypes), m_due("a sentence"), m_title(std::move(title)) {}

void CUnitLineReader::Expect(unsigned types, std::string due) {
  m_expected = types;
  m_due = std::move(due);
}

void CUnitLineReader::Resize(std::size_t capacity) {
  // Grown in place where the allocator can (a large block is remapped, not copied), so that a long
  // line is never held twice on its way.
  char* block = static_cast<char*>(std::realloc(m_block.get(), capacity));
  if (block == nullptr) throw std::bad_alloc();
  static_cast<void>(m_block.release());
  m_block.reset(block);
  m_capacity = capacity;
  m_text = block;
}

void CUnitLineReader::MoveRestToFront() {
  m_sourceOffset += m_position;
  const std::size_t kept = m_end - m_position;
  if (kept != 0 && m_position != 0) std::memmove(m_block.get(), m_block.get() + m_position, kept);
  m_searched -= m_position;
  m_nulFree = m_nulFree > m_position ? m_nulFree - m_position : 0;
  if (m_nul != kNone) m_nul -= m_position;
  m_position = 0;
  m_end = kept;
}

bool CUnitLineReader::Fill() {
  if (m_atEnd) return false;
  MoveRestToFront();
  const std::size_t kept = m_end;
  if (m_capacity - kept < kReadBlockSize) Resize(std::max(kept + kReadBlockSize, m_capacity + m_capacity / 2));
  // A block at a time even into more room: what follows a long line is not read ahead of need.
  std::size_t got = 0;
  if (!m_source->Read(m_block.get() + kept, kReadBlockSize, got, &m_error)) {
    m_atEnd = true;
    return false;
  }
  m_end += got;
  m_atEnd = got == 0;
  return got != 0;
}

void CUnitLineReader::Shrink() {
  if (m_lineApart.capacity() > kShrinkAbove) std::string().swap(m_lineApart);
  m_lineApart.clear();
  m_lineIsApart = false;
  const std::size_t kept = m_end - m_position;
  if (m_source == nullptr || m_capacity <= kShrinkAbove || kept > kReadBlockSize) return;
  MoveRestToFront();
  Resize(2 * kReadBlockSize);
}

bool CUnitLineReader::Refuse(std::uint64_t column, std::string rule) {
  m_error.Set(std::move(rule));
  m_error.SetLineAndColumn(m_lineNumber + 1, column);
  m_atEnd = true;
  return false;
}

bool CUnitLineReader::HoldsNul(std::size_t end) {
  if (m_nul == kNone && m_nulFree < end) {
    // Everything read so far at once: the search costs little beside reading.
    const std::size_t from = std::max(m_nulFree, m_position);
    const void* nul = std::memchr(m_text + from, '\0', m_end - from);
    m_nul = nul == nullptr ? kNone : static_cast<std::size_t>(static_cast<const char*>(nul) - m_text);
    m_nulFree = m_end;
  }
  return m_nul != kNone && m_nul < end;
}

std::uint64_t CUnitLineReader::Departure(std::string_view begun, std::string& rule) const {
  if (m_expected == 0) {
    rule = "text after the end sentence";
    return 0;
  }
  std::size_t best = 0;
  for (int type = SENTENCE_RTE; type < SENTENCE_XXX; ++type) {
    if ((m_expected & SentenceTypes({type})) == 0) continue;
    char start[8] = {'$', 'P', 'T', 'V', 'L'};
    std::memcpy(start + 5, SentenceCode(type), 3);
    std::size_t same = 0;
    while (same < sizeof start && same < begun.size() && begun[same] == start[same]) ++same;
    if (same == sizeof start) return 0;
    best = std::max(best, same);
  }
  const int type = SentenceType(begun);
  const std::string what = type != SENTENCE_XXX ? std::string(SentenceCode(type)) + " sentence"
                           : begun.empty()      ? "empty line"
                                                : "unknown text";
  rule = what + " where " + m_due + " is due";
  return best + 1;
}

bool CUnitLineReader::Misplaced(std::string_view line, CDiagnostic* why) const {
  std::string rule;
  const std::uint64_t column = Departure(line, rule);
  if (why != nullptr) {
    why->Set(rule);
    why->SetLineAndColumn(m_lineNumber, column);
  }
  return false;
}

bool CUnitLineReader::CanBeSentence() {
  if (HoldsNul(m_end)) return Refuse(m_nul - m_position + 1, "NUL byte, which no sentence holds");
  if (m_begunProven) return true;
  std::string rule;
  const std::uint64_t column = Departure(std::string_view(m_text + m_position, m_end - m_position), rule);
  m_begunProven = column == 0 && m_expected != 0;
  return m_begunProven || Refuse(column, std::move(rule));
}

bool CUnitLineReader::ReadLine(std::string_view& line) {
  if (HasFailed()) return false;
  Shrink();
  std::size_t end = 0;
  bool ended = false;
  for (;;) {
    const auto* lf = m_searched < m_end
                         ? static_cast<const char*>(std::memchr(m_text + m_searched, '\n', m_end - m_searched))
                         : nullptr;
    if (lf != nullptr) {
      end = static_cast<std::size_t>(lf - m_text);
      ended = true;
      break;
    }
    m_searched = m_end;
    if (m_end - m_position > kLongLine) {
      if (!CanBeSentence()) return false;
      if (m_source != nullptr && m_source->CanReadAgain()) return ReadLineApart(line);
    }
    if (!Fill()) {
      if (HasFailed() || m_position >= m_end) return false;
      end = m_end;
      break;
    }
  }
  if (HoldsNul(end)) return Refuse(m_nul - m_position + 1, "NUL byte, which no sentence holds");
  ++m_lineNumber;
  line = std::string_view(m_text + m_position, end - m_position);
  if (ended && !line.empty() && line.back() == '\r') line.remove_suffix(1);
  m_position = ended ? end + 1 : end;
  m_searched = m_position;
  m_begunProven = false;
  return true;
}

bool CUnitLineReader::ReadLineApart(std::string_view& line) {
  // The bytes of the line read so far show no line end and no NUL; they are let go, and the rest of
  // the line is searched a block at a time.
  const std::uint64_t start = m_sourceOffset + m_position;
  std::uint64_t end = 0;
  bool ended = false;
  for (;;) {
    m_position = m_end;
    end = m_sourceOffset + m_end;
    if (!Fill()) {
      if (HasFailed()) return false;
      break;
    }
    const auto* lf = static_cast<const char*>(std::memchr(m_text, '\n', m_end));
    const std::size_t scanned = lf != nullptr ? static_cast<std::size_t>(lf - m_text) : m_end;
    if (const void* nul = std::memchr(m_text, '\0', scanned))
      return Refuse(m_sourceOffset + static_cast<std::size_t>(static_cast<const char*>(nul) - m_text) - start + 1,
                    "NUL byte, which no sentence holds");
    if (lf != nullptr) {
      end = m_sourceOffset + scanned;
      ended = true;
      m_position = scanned + 1;
      break;
    }
  }
  m_searched = m_nulFree = m_position;
  m_nul = kNone;
  // Room of the line's own size, filled once.
  m_lineApart.resize(static_cast<std::size_t>(end - start));
  if (!m_source->ReadAt(start, m_lineApart.data(), m_lineApart.size(), &m_error)) {
    m_atEnd = true;
    return false;
  }
  if (ended && !m_lineApart.empty() && m_lineApart.back() == '\r') m_lineApart.pop_back();
  ++m_lineNumber;
  m_lineIsApart = true;
  m_begunProven = false;
  line = m_lineApart;
  return true;
}

std::string CUnitLineReader::TakeLine() {
  m_lineIsApart = false;
  return std::exchange(m_lineApart, {});
}
