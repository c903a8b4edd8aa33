// Scratch records on disk.
#include "formats/spill_buckets.h"

#include "formats/atomic_file.h"

namespace {

// Each record is preceded by its length, 7 bits to a byte (one byte for a short record).
constexpr std::size_t kMaxLengthSize = 10;

std::size_t PutLength(char* out, std::uint64_t length) {
  std::size_t size = 0;
  for (; length >= 0x80; length >>= 7) out[size++] = static_cast<char>(length | 0x80);
  out[size++] = static_cast<char>(length);
  return size;
}

}  // namespace

CSpillBuckets::CSpillBuckets(std::string beside, std::size_t bufferSize)
    : m_beside(std::move(beside)), m_bufferSize(bufferSize) {}

std::size_t CSpillBuckets::AddBucket() {
  m_buckets.emplace_back();
  return m_buckets.size() - 1;
}

bool CSpillBuckets::Refuse(std::string rule) {
  if (!m_failed) m_error.Set(std::move(rule));
  m_failed = true;
  for (SBucket& bucket : m_buckets) {
    bucket.chunks.clear();
    std::string().swap(bucket.buffer);
  }
  return false;
}

bool CSpillBuckets::Add(std::size_t index, const void* head, std::size_t headSize, std::string_view tail) {
  if (m_failed) return false;
  SBucket& bucket = m_buckets[index];
  char length[kMaxLengthSize];
  const std::size_t lengthSize = PutLength(length, headSize + tail.size());
  const std::size_t needed = lengthSize + headSize + tail.size();
  if (bucket.buffer.size() + needed > m_bufferSize && !Flush(bucket)) return false;
  if (needed > m_bufferSize) {
    // A record larger than a buffer (a very long name) goes straight to the file as a chunk of its
    // own, without a copy in memory.
    std::string front(length, lengthSize);
    front.append(static_cast<const char*>(head), headSize);
    return WriteChunk(bucket, front.data(), front.size(), tail.data(), tail.size());
  }
  if (bucket.buffer.capacity() < m_bufferSize) bucket.buffer.reserve(m_bufferSize);
  bucket.buffer.append(length, lengthSize);
  bucket.buffer.append(static_cast<const char*>(head), headSize);
  bucket.buffer.append(tail);
  return true;
}

void CSpillBuckets::Clear(std::size_t index) {
  m_buckets[index].chunks.clear();
  m_buckets[index].buffer.clear();
}

bool CSpillBuckets::Flush(SBucket& bucket) {
  if (bucket.buffer.empty()) return true;
  if (!WriteChunk(bucket, bucket.buffer.data(), bucket.buffer.size(), nullptr, 0)) return false;
  bucket.buffer.clear();
  return true;
}

bool CSpillBuckets::WriteChunk(SBucket& bucket, const char* first, std::size_t firstSize, const char* second,
                               std::size_t secondSize) {
  std::string error;
  if (!m_file.IsOpen() && !CreateScratchFile(m_beside, m_file, &error))
    return Refuse("cannot create a scratch file beside " + m_beside + ": " + error);
  const SChunk chunk{m_end, firstSize + secondSize};
  if (!m_file.WriteAt(m_end, first, firstSize, &error) ||
      (secondSize > 0 && !m_file.WriteAt(m_end + firstSize, second, secondSize, &error)))
    return Refuse("cannot write a scratch file beside " + m_beside + ": " + error);
  m_end += chunk.size;
  bucket.chunks.push_back(chunk);
  return true;
}

bool CSpillBuckets::ReadChunk(const SChunk& chunk, char* into) {
  std::string error;
  std::size_t got = 0;
  if (!m_file.ReadAt(chunk.offset, into, chunk.size, got, &error))
    return Refuse("cannot read back a scratch file beside " + m_beside + ": " + error);
  if (got < chunk.size) return Refuse("cannot read back a scratch file beside " + m_beside + ": it became shorter");
  return true;
}

// ---- CSpillReader ----

CSpillReader::CSpillReader(CSpillBuckets& buckets, std::size_t bucket)
    : m_buckets(buckets), m_bucket(buckets.m_buckets[bucket]) {}

bool CSpillReader::NextRun(std::string_view& records) {
  if (m_buckets.HasFailed() || m_inBuffer) return false;
  if (m_nextChunk < m_bucket.chunks.size()) {
    const CSpillBuckets::SChunk& chunk = m_bucket.chunks[m_nextChunk++];
    if (chunk.size > m_capacity) {
      m_block.reset();  // the old block is not needed while the larger one is read
      m_block = std::make_unique_for_overwrite<char[]>(chunk.size);
      m_capacity = chunk.size;
    }
    if (!m_buckets.ReadChunk(chunk, m_block.get())) return false;
    records = std::string_view(m_block.get(), chunk.size);
  } else {
    m_inBuffer = true;
    records = m_bucket.buffer;
  }
  return true;
}

bool CSpillReader::TakeRecord(std::string_view& records, std::string_view& record) {
  if (records.empty()) return false;
  std::uint64_t length = 0;
  std::size_t at = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(records[at++]);
    length |= std::uint64_t{byte & 0x7Fu} << shift;
    if (byte < 0x80) break;
  }
  record = records.substr(at, static_cast<std::size_t>(length));
  records.remove_prefix(at + static_cast<std::size_t>(length));
  return true;
}

bool CSpillReader::Next(std::string_view& record) {
  while (!TakeRecord(m_rest, record)) {
    if (!NextRun(m_rest)) return false;
  }
  return true;
}
