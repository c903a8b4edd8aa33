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

// Where an offset of the filtered input lies in the file itself. The filter is run again from
// the start up to that offset; a place inside a rewritten piece is that piece's.
std::uint64_t SourceOffset(CByteSource& source, std::size_t blockSize, std::uint64_t filtered) {
  CBlockReader blocks(source, blockSize);
  CXmlInputFilter filter;
  std::vector<char> out(blockSize);
  std::uint64_t made = 0, taken = 0;
  if (!blocks.Refill()) return taken;
  while (made < filtered) {
    const auto room = static_cast<std::size_t>(std::min<std::uint64_t>(filtered - made, out.size()));
    if (room < CXmlInputFilter::kMaxPiece) return taken + room;
    std::size_t produced = 0;
    const std::size_t consumed =
        filter.Filter(blocks.Data(), blocks.Size(), blocks.AtEnd(), out.data(), room, produced);
    blocks.Take(consumed);
    made += produced;
    taken += consumed;
    if (consumed == 0 && produced == 0 && (blocks.AtEnd() || !blocks.Refill())) break;
  }
  return taken;
}

}  // namespace

void SetGpxRefusal(const CGpxSourceOpener& reopen, std::size_t blockSize, bool changed, const SGpxRefusal& refusal,
                   CDiagnostic& why) {
  why.Set(refusal.rule);
  std::uint64_t offset = refusal.offset;
  if (const auto mapped = changed ? reopen() : nullptr) offset = SourceOffset(*mapped, blockSize, offset);
  const auto source = reopen();
  if (source == nullptr) return;
  CBlockReader blocks(*source, blockSize);
  std::uint64_t at = 0, line = 1, lineStart = 0;
  std::uint64_t tag = 0, tagLine = 0, tagLineStart = 0;  // the last '<' before the place
  bool tagSeen = false;
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
  if (refusal.atElement && tagSeen) {
    why.SetLineAndColumn(tagLine, tag + 1 - tagLineStart + 1);
  } else {
    why.SetLineAndColumn(line, std::min(at, offset) - lineStart + 1);
  }
}
