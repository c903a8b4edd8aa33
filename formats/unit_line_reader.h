// The lines of a unit file, a block at a time, in memory bounded by the longest line that can be a
// sentence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "formats/diagnostic.h"
#include "formats/input_file.h"
#include "formats/sentences.h"

// A set of sentence types, as a reader expects them.
constexpr unsigned SentenceTypes(std::initializer_list<int> types) {
  unsigned set = 0;
  for (const int type : types) set |= 1u << type;
  return set;
}

// Hands out the lines of one file, either held by the caller or read from a source in blocks (a
// long file is never held whole). A line ends at LF; a CR just before the LF is dropped, and the
// last line may lack a line end.
//
// No sentence holds a NUL byte, so a line with one is refused where it stands. A line may be as long
// as a name in it, but one longer than a block must show from its first bytes that it is a sentence
// of a type that may come next (see Expect) before more of it is read; otherwise it is refused at
// once, with its line and the column where it departs from every such sentence. A long line is held
// once, in room of its own size when the source can read it again (else in room that grows with
// it), and that room is given back after it.
class CUnitLineReader {
 public:
  // Reads lines of text that the caller keeps alive; title is the file's name without folder and
  // extension (track logs take their default track name from it).
  explicit CUnitLineReader(std::string_view text, std::string title = {});
  // Reads the source a block at a time.
  explicit CUnitLineReader(CByteSource& source, std::string title = {});
  CUnitLineReader(const CUnitLineReader&) = delete;
  CUnitLineReader& operator=(const CUnitLineReader&) = delete;

  // The sentence types that may come next (a set of 1 << ESentenceType) and how a reason names
  // them ("WPL or the end sentence"); none after the end sentence. Any known type until told.
  void Expect(unsigned types, std::string due);

  // Answers false at the end of the text, when the source failed or when a line was refused
  // (HasFailed, with the reason in GetError). A line stays valid until the next call.
  bool ReadLine(std::string_view& line);
  // The line last read is no longer needed: the room a long one took is given back now rather than
  // at the next line.
  void ForgetLine() { Shrink(); }
  // A line longer than a block, from a source that can read it again (a file), is held in room of
  // its own, which the caller may take over instead of copying what it needs of it; TakeLine moves
  // it out (the line read becomes empty).
  bool IsLineApart() const { return m_lineIsApart; }
  std::string TakeLine();
  // 1-based number of the line last read.
  std::uint64_t GetLineNumber() const { return m_lineNumber; }
  const std::string& GetTitle() const { return m_title; }
  bool HasFailed() const { return m_error.HasReason(); }
  const CDiagnostic& GetError() const { return m_error; }
  // Refuses the line last read, which is none of the sentences that may come ("TRK sentence where
  // WPL or the end sentence is due"), at its line and the column where it departs from them; after
  // the end sentence any line is refused. Answers false.
  bool Misplaced(std::string_view line, CDiagnostic* why) const;

 private:
  struct SFree {
    void operator()(char* block) const { std::free(block); }
  };

  void MoveRestToFront();
  // Moves the unread rest to the front and reads behind it, in room for the line begun and one
  // more block; false at the end or on an error.
  bool Fill();
  // Gives back the room of a long line once it was handed out and the caller asks for the next.
  void Shrink();
  // Makes the room `capacity` bytes, keeping what it holds.
  void Resize(std::size_t capacity);
  // Whether the bytes before `end` from the line's start hold a NUL; if so the line is refused.
  bool HoldsNul(std::size_t end);
  // Whether the begun line, longer than a block, can still be a sentence that may come; if not it
  // is refused.
  bool CanBeSentence();
  // Reads the begun line, longer than a block, into m_lineApart: first finds its end a block at a
  // time, then reads it again from its start, so that it is held once and never grown.
  bool ReadLineApart(std::string_view& line);
  // The 1-based column where a line departs from every sentence that may come, and what it is then
  // (in `rule`); 0 when it begins as one of them, or after the end sentence, where none may.
  std::uint64_t Departure(std::string_view begun, std::string& rule) const;
  bool Refuse(std::uint64_t column, std::string rule);

  CByteSource* m_source = nullptr;
  std::unique_ptr<char, SFree> m_block;
  std::size_t m_capacity = 0;
  const char* m_text = nullptr;  // the caller's text, or m_block
  std::size_t m_position = 0;    // where the next line begins
  std::size_t m_end = 0;
  std::size_t m_searched = 0;        // the line end is not before this
  std::size_t m_nulFree = 0;         // no NUL before this, from m_position on
  std::size_t m_nul = kNone;         // the first NUL found behind m_nulFree's last scan
  std::uint64_t m_sourceOffset = 0;  // where m_block begins in the source
  std::string m_lineApart;
  bool m_lineIsApart = false;
  bool m_atEnd = false;
  bool m_begunProven = false;  // the line begun shows it can be a sentence that may come
  std::uint64_t m_lineNumber = 0;
  unsigned m_expected;
  std::string m_due;
  std::string m_title;
  CDiagnostic m_error;

  static constexpr std::size_t kNone = ~std::size_t{0};
};
