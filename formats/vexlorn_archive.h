// The binary archive of the desktop product's files: little-endian primitives and length-prefixed strings.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "formats/diagnostic.h"

class CAtomicFile;
class CCodePage;
class CInputFile;

// One pass over a file, either storing or loading. Loading reads from bytes held by the caller, or
// from a file a block at a time, and keeps the offset, so that a refusal can say where it happened;
// every read answers false once the bytes run out. Storing collects the bytes in a large buffer that goes to a
// CAtomicFile (or to memory) in big blocks; a failed write is latched and reported by Flush.
class CVexlornArchive {
 public:
  // Loading: `data` must stay valid while the archive is used.
  CVexlornArchive(const std::uint8_t* data, std::size_t size, CDiagnostic* why = nullptr);
  // Loading from an open file in blocks; its size when opened bounds the counts.
  CVexlornArchive(CInputFile& file, CDiagnostic* why = nullptr);
  // Storing into a file opened by the caller; Flush before committing it.
  CVexlornArchive(CAtomicFile& file, CDiagnostic* why = nullptr);
  // Storing into memory: the bytes are appended to `out` by Flush.
  explicit CVexlornArchive(std::vector<std::uint8_t>& out, CDiagnostic* why = nullptr);
  ~CVexlornArchive();
  CVexlornArchive(const CVexlornArchive&) = delete;
  CVexlornArchive& operator=(const CVexlornArchive&) = delete;

  bool IsStoring() const { return !m_loading; }
  bool IsLoading() const { return m_loading; }
  // Bytes read or written so far.
  std::uint64_t GetOffset() const { return IsLoading() ? m_position : m_written + m_used; }
  std::uint64_t GetBytesLeft() const { return m_position < m_size ? m_size - m_position : 0; }

  // Loading. `what` names the value for the reason, e.g. "a waypoint" gives
  // "file ends inside a waypoint at offset 40".
  bool ReadByte(std::uint8_t& value, const char* what) { return ReadLE(value, what); }
  bool ReadInt32(std::int32_t& value, const char* what) { return ReadLE(value, what); }
  bool ReadFloat(float& value, const char* what) { return ReadLE(value, what); }
  bool ReadDouble(double& value, const char* what) { return ReadLE(value, what); }
  // Exactly `size` raw bytes.
  bool ReadText(char* buffer, std::size_t size, const char* what);
  // A length-prefixed string; the wide form is converted from UTF-16LE into the code page given
  // to the archive (CP1252 without one), where a character it cannot hold becomes '?' and is
  // counted there.
  bool ReadString(std::string& value);
  void SetCodePage(CCodePage* codePage) { m_codePage = codePage; }
  // A list's element count, refused when negative or when the bytes left could not hold that many
  // elements of at least `minElementSize` bytes each, so a hostile count never reserves memory.
  bool ReadCount(std::size_t& count, std::size_t minElementSize, const char* elementName);
  // Records why the value read at `offset` was refused; answers false.
  bool Refuse(std::uint64_t offset, const std::string& reason);

  // Storing. Failures are latched: later writes are dropped and Flush answers false.
  void WriteByte(std::uint8_t value) { WriteLE(value); }
  void WriteInt32(std::int32_t value) { WriteLE(value); }
  void WriteFloat(float value) { WriteLE(value); }
  void WriteDouble(double value) { WriteLE(value); }
  void WriteText(const char* text, std::size_t size) { WriteRaw(text, size); }
  void WriteString(std::string_view value);
  void WriteCount(std::size_t count, const char* elementName);
  // A value the file cannot hold: the store fails with this rule (the first one stays).
  void RefuseValue(const std::string& rule);
  // Sends the buffered bytes on; answers whether everything written so far arrived.
  bool Flush();
  bool HasFailed() const { return m_failed; }

 private:
  template <typename T>
  bool ReadLE(T& value, const char* what) {
    return TryReadLE(value) || FailEnd(m_position, what);
  }
  // The same without a reason when the bytes run out.
  template <typename T>
  bool TryReadLE(T& value) {
    if (m_windowEnd - m_position < sizeof(T) && !Fill(sizeof(T))) return false;
    const std::uint8_t* bytes = m_window + (m_position - m_windowStart);
    if constexpr (std::endian::native == std::endian::little || sizeof(T) == 1) {
      std::memcpy(&value, bytes, sizeof(T));
    } else {
      value = LoadSwapped<T>(bytes);
    }
    m_position += sizeof(T);
    return true;
  }

  template <typename T>
  void WriteLE(T value) {
    std::uint8_t bytes[sizeof(T)];
    if constexpr (std::endian::native == std::endian::little || sizeof(T) == 1) {
      std::memcpy(bytes, &value, sizeof(T));
    } else {
      StoreSwapped(value, bytes);
    }
    WriteRaw(bytes, sizeof(T));
  }

  // Inline, so that the small values of every record are copied without a call.
  void WriteRaw(const void* data, std::size_t size) {
    if (m_used + size > kStoreBufferSize) {
      WriteLarge(data, size);
      return;
    }
    std::memcpy(m_store.get() + m_used, data, size);
    m_used += size;
  }
  void WriteLarge(const void* data, std::size_t size);

  // Byte-reversing helpers for big-endian hosts.
  template <typename T>
  static T LoadSwapped(const std::uint8_t* bytes) {
    std::uint8_t reversed[sizeof(T)];
    for (std::size_t i = 0; i < sizeof(T); ++i) reversed[i] = bytes[sizeof(T) - 1 - i];
    T value;
    std::memcpy(&value, reversed, sizeof(T));
    return value;
  }
  template <typename T>
  static void StoreSwapped(T value, std::uint8_t* bytes) {
    std::uint8_t native[sizeof(T)];
    std::memcpy(native, &value, sizeof(T));
    for (std::size_t i = 0; i < sizeof(T); ++i) bytes[i] = native[sizeof(T) - 1 - i];
  }

  bool FailEnd(std::uint64_t offset, const char* what);
  bool ReadLength(std::uint64_t& length, bool& wide, std::uint64_t stringOffset);
  // Makes at least `count` bytes from the position on readable in the window; false when the
  // input ends (or fails) first.
  bool Fill(std::size_t count);
  // Copies `size` bytes from the position on, across as many fills as it takes.
  bool ReadBytes(char* out, std::size_t size, std::uint64_t start, const char* what);
  bool Drain();
  // Hands bytes on to the file or the memory; a failure is latched.
  bool Send(const void* data, std::size_t size);

  bool m_loading = false;
  // Loading: the bytes from absolute offset m_windowStart to m_windowEnd are at m_window.
  const std::uint8_t* m_window = nullptr;
  std::uint64_t m_windowStart = 0;
  std::uint64_t m_windowEnd = 0;
  std::uint64_t m_size = 0;
  std::uint64_t m_position = 0;
  CInputFile* m_input = nullptr;
  CCodePage* m_codePage = nullptr;
  std::unique_ptr<CCodePage> m_defaultCodePage;  // made at the first wide string without a code page
  std::unique_ptr<std::uint8_t[]> m_block;
  std::size_t m_blockCapacity = 0;
  CDiagnostic m_inputError;
  // Storing.
  CAtomicFile* m_file = nullptr;
  std::vector<std::uint8_t>* m_memory = nullptr;
  static constexpr std::size_t kStoreBufferSize = 256 * 1024;
  std::unique_ptr<std::uint8_t[]> m_store;
  std::size_t m_used = 0;
  std::size_t m_written = 0;
  bool m_failed = false;
  CDiagnostic* m_why = nullptr;
};
