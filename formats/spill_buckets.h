// Scratch records on disk, for work whose memory must not grow with the file it reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "formats/diagnostic.h"
#include "platform/files.h"

// Numbered buckets of records. A bucket gathers its records in a small buffer; a full buffer goes
// as one chunk to a scratch file that all buckets share, and a bucket is read back record by record
// in the order they were added. The scratch file is made at the first full buffer, beside a given
// file (on its volume, which that file's writing needs anyway), and removed at once while it stays
// open: nothing is left behind however the program ends.
class CSpillBuckets {
 public:
  static constexpr std::size_t kBufferSize = 16 * 1024;

  // `beside`: a path in the folder that holds the scratch file.
  explicit CSpillBuckets(std::string beside, std::size_t bufferSize = kBufferSize);
  CSpillBuckets(const CSpillBuckets&) = delete;
  CSpillBuckets& operator=(const CSpillBuckets&) = delete;

  // A new empty bucket; answers its number.
  std::size_t AddBucket();
  std::size_t GetBucketCount() const { return m_buckets.size(); }
  // Appends a record: `head` (fixed-size values) followed by `tail` (a name). False, with the reason
  // in GetError, once a write failed; nothing more is kept then.
  bool Add(std::size_t bucket, const void* head, std::size_t headSize, std::string_view tail = {});
  // Forgets a bucket's records; their room in the scratch file is not used again.
  void Clear(std::size_t bucket);
  bool HasFailed() const { return m_failed; }
  const CDiagnostic& GetError() const { return m_error; }

 private:
  friend class CSpillReader;
  struct SChunk {
    std::uint64_t offset;
    std::size_t size;
  };
  struct SBucket {
    std::vector<SChunk> chunks;
    std::string buffer;
  };

  bool Flush(SBucket& bucket);
  // Appends bytes at the end of the scratch file, making it first; the chunk is recorded in `bucket`.
  bool WriteChunk(SBucket& bucket, const char* first, std::size_t firstSize, const char* second,
                  std::size_t secondSize);
  bool ReadChunk(const SChunk& chunk, char* into);
  bool Refuse(std::string rule);

  std::string m_beside;
  std::size_t m_bufferSize;
  std::vector<SBucket> m_buckets;
  platform::CFile m_file;
  std::uint64_t m_end = 0;
  bool m_failed = false;
  CDiagnostic m_error;
};

// Gives one bucket's records in order: those written to the scratch file, then those still in its
// buffer. The buckets must not change while it reads.
class CSpillReader {
 public:
  CSpillReader(CSpillBuckets& buckets, std::size_t bucket);
  // The next record (its head and tail as one text, valid until the next call); false at the end or
  // when the scratch file could not be read (HasFailed of the buckets).
  bool Next(std::string_view& record);
  // The same a run of records at a time (a chunk of the scratch file, or the bucket's buffer), valid
  // until the next call, for a caller that looks at several records at once; TakeRecord takes them
  // off one by one.
  bool NextRun(std::string_view& records);
  static bool TakeRecord(std::string_view& records, std::string_view& record);

 private:
  CSpillBuckets& m_buckets;
  const CSpillBuckets::SBucket& m_bucket;
  std::size_t m_nextChunk = 0;
  bool m_inBuffer = false;
  std::unique_ptr<char[]> m_block;
  std::size_t m_capacity = 0;
  std::string_view m_rest;
};
