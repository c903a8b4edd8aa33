// The input of a GPX parse: the file read a block at a time and filtered for the parser, and a
// place in what the parser read told as a place in the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "formats/diagnostic.h"
#include "formats/input_file.h"
#include "formats/source_warning.h"
#include "formats/xml_input_filter.h"

// A source read a block at a time into a buffer, the bytes not yet taken kept in front.
class CBlockReader {
 public:
  CBlockReader(CByteSource& source, std::size_t size)
      : m_source(source), m_block(std::make_unique_for_overwrite<char[]>(size)), m_capacity(size) {}

  const char* Data() const { return m_block.get() + m_begin; }
  std::size_t Size() const { return m_end - m_begin; }
  bool AtEnd() const { return m_atEnd; }
  std::uint64_t BytesRead() const { return m_read; }
  void Take(std::size_t count) { m_begin += count; }
  // Reads behind what is left; false on a read error (its reason in Error()).
  bool Refill() {
    if (m_atEnd) return true;
    const std::size_t left = Size();
    if (left != 0 && m_begin != 0) std::memmove(m_block.get(), m_block.get() + m_begin, left);
    m_begin = 0;
    m_end = left;
    std::size_t got = 0;
    if (!m_source.Read(m_block.get() + m_end, m_capacity - m_end, got, &m_error)) return false;
    m_end += got;
    m_read += got;
    m_atEnd = got == 0;
    return true;
  }
  const CDiagnostic& Error() const { return m_error; }

 private:
  CByteSource& m_source;
  std::unique_ptr<char[]> m_block;
  std::size_t m_capacity;
  std::size_t m_begin = 0;
  std::size_t m_end = 0;
  std::uint64_t m_read = 0;
  bool m_atEnd = false;
  CDiagnostic m_error;
};

// A block of the filtered input on its way to the parser.
struct SInputBlock {
  explicit SInputBlock(std::size_t capacity)
      : data(std::make_unique_for_overwrite<char[]>(capacity)), capacity(capacity) {}

  std::unique_ptr<char[]> data;
  std::size_t capacity;
  std::size_t size = 0;
  std::size_t taken = 0;  // by the parser
  bool last = false;      // nothing follows it
  bool failed = false;    // the source could not be read (the reason is the pump's)
};

// The file read and filtered into blocks for the parser, on the reading thread, so that the
// parsing thread does nothing but parse.
class CInputPump {
 public:
  CInputPump(CByteSource& source, std::size_t blockSize) : m_blocks(source, blockSize) {}

  // Reads the start of the file until the filter knows how to take it; a read error ends the
  // input.
  void Begin();
  // Fills the block with what follows; the block that ends the input (or fails) is the last one.
  void Fill(SInputBlock& block);
  bool Done() const { return m_done; }

  bool Decodes() const { return m_filter.Decodes(); }
  std::size_t GetReplacementCount() const { return m_filter.GetReplacementCount(); }
  bool HasChanged() const { return m_filter.HasChanged(); }
  bool IsEmpty() const { return m_blocks.AtEnd() && m_blocks.BytesRead() == 0; }
  const CDiagnostic& Error() const { return m_blocks.Error(); }

 private:
  CBlockReader m_blocks;
  CXmlInputFilter m_filter;
  bool m_done = false;
  bool m_failed = false;
};

// A refusal kept for the end: what, and where in the parser's input.
struct SGpxRefusal {
  bool set = false;
  bool atElement = false;  // the place is the name of the element whose start tag ends at `offset`
  std::uint64_t offset = 0;
  std::string rule;
};

// The input again from its start, to find the place of a refusal; null when it cannot be had.
using CGpxSourceOpener = std::function<std::unique_ptr<CByteSource>()>;

// The places of offsets of the parser's input (ascending), as line and column (1-based, in bytes,
// lines ending at LF) of the file's own bytes, found in one pass: with atElement, where the name
// of the element whose start tag ends there begins. Unknown (line 0) when the file cannot be read
// again. `changed` says that the filter rewrote the input, so that offsets in it are mapped back.
std::vector<SSourcePlace> LocateGpxOffsets(const CGpxSourceOpener& reopen, std::size_t blockSize, bool changed,
                                           std::vector<std::uint64_t> offsets, bool atElement);

// Puts the rule of a refusal into `why` with its place, as line and column (1-based, in bytes,
// lines ending at LF) of the file's own bytes; for an element, where its name begins. `changed`
// says that the filter rewrote the input, so that offsets in it are mapped back to the file's.
void SetGpxRefusal(const CGpxSourceOpener& reopen, std::size_t blockSize, bool changed, const SGpxRefusal& refusal,
                   CDiagnostic& why);
