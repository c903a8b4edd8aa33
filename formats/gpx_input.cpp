// The input of a GPX parse, and places in it.
#include "formats/gpx_input.h"

#include <algorithm>
#include <vector>

void CInputPump::Begin() {
  while (!m_filter.Begin(m_blocks.Data(), m_blocks.Size(), m_blocks.AtEnd())) {
    if (!m_blocks.Refill()) {
      m_failed = true;
      return;
    }
  }
}

void CInputPump::Fill(SInputBlock& block) {
  block.size = block.taken = 0;
  if (m_failed) {
    block.failed = block.last = m_done = true;
    return;
  }
  while (block.capacity - block.size >= CXmlInputFilter::kMaxPiece) {
    std::size_t produced = 0;
    const std::size_t taken = m_filter.Filter(m_blocks.Data(), m_blocks.Size(), m_blocks.AtEnd(),
                                              block.data.get() + block.size, block.capacity - block.size, produced);
    m_blocks.Take(taken);
    block.size += produced;
    if (taken != 0 || produced != 0) continue;
    if (m_blocks.AtEnd()) {
      block.last = m_done = true;
      return;
    }
    if (!m_blocks.Refill()) {
      block.failed = block.last = m_done = m_failed = true;
      return;
    }
  }
}

namespace {

// Where offsets of the filtered input (ascending) lie in the file itself, in place. The filter is
// run again from the start up to the last of them; a place inside a rewritten piece is that piece's.
void SourceOffsets(CByteSource& source, std::size_t blockSize, std::vector<std::uint64_t>& offsets) {
  CBlockReader blocks(source, blockSize);
  CXmlInputFilter filter;
  std::vector<char> out(blockSize);
  std::uint64_t made = 0, taken = 0;
  std::size_t next = 0;
  if (blocks.Refill()) {
    while (next < offsets.size()) {
      const std::uint64_t filtered = offsets[next];
      const auto room =
          static_cast<std::size_t>(std::min<std::uint64_t>(filtered - std::min(made, filtered), out.size()));
      if (room == 0) {
        offsets[next++] = taken;
        continue;
      }
      if (room < CXmlInputFilter::kMaxPiece) {
        offsets[next++] = taken + room;
        continue;
      }
      std::size_t produced = 0;
      const std::size_t consumed =
          filter.Filter(blocks.Data(), blocks.Size(), blocks.AtEnd(), out.data(), room, produced);
      blocks.Take(consumed);
      made += produced;
      taken += consumed;
      if (consumed == 0 && produced == 0 && (blocks.AtEnd() || !blocks.Refill())) break;
    }
  }
  for (; next < offsets.size(); ++next) offsets[next] = taken;
}

}  // namespace

std::vector<SSourcePlace> LocateGpxOffsets(const CGpxSourceOpener& reopen, std::size_t blockSize, bool changed,
                                           std::vector<std::uint64_t> offsets, bool atElement) {
  std::vector<SSourcePlace> places(offsets.size());
  if (const auto mapped = changed ? reopen() : nullptr) SourceOffsets(*mapped, blockSize, offsets);
  const auto source = reopen();
  if (source == nullptr) return places;
  CBlockReader blocks(*source, blockSize);
  std::uint64_t at = 0, line = 1, lineStart = 0;
  std::uint64_t tag = 0, tagLine = 0, tagLineStart = 0;  // the last '<' before the place
  bool tagSeen = false;
  for (std::size_t next = 0; next < offsets.size(); ++next) {
    const std::uint64_t offset = offsets[next];
    while (at < offset && blocks.Refill() && blocks.Size() != 0) {
      const char* bytes = blocks.Data();
      const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(blocks.Size(), offset - at));
      for (std::size_t i = 0; i < count; ++i) {
        if (bytes[i] == '\n') {
          ++line;
          lineStart = at + i + 1;
        } else if (bytes[i] == '<') {
          tagSeen = true;
          tag = at + i;
          tagLine = line;
          tagLineStart = lineStart;
        }
      }
      blocks.Take(count);
      at += count;
    }
    places[next] = atElement && tagSeen ? SSourcePlace::AtLine(tagLine, tag + 1 - tagLineStart + 1)
                                        : SSourcePlace::AtLine(line, std::min(at, offset) - lineStart + 1);
  }
  return places;
}

void SetGpxRefusal(const CGpxSourceOpener& reopen, std::size_t blockSize, bool changed, const SGpxRefusal& refusal,
                   CDiagnostic& why) {
  why.Set(refusal.rule);
  const SSourcePlace place = LocateGpxOffsets(reopen, blockSize, changed, {refusal.offset}, refusal.atElement).front();
  if (place.line != 0) why.SetLineAndColumn(place.line, place.column);
}
