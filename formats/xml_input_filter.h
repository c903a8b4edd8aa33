// What a GPX file may hold that a conforming XML parser refuses, made acceptable on the way in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// GPX files from other programs break XML in small ways that Transvane has always read through:
// control characters and bytes that are not UTF-8 in names, references to control characters
// ("&#1;", and "&#0;", which must not cut a name short), a bare '&' ("AT&T") and references to
// entities that no one declared ("&nbsp;", read as the text they are). The filter passes a file
// through unchanged except for these:
// - a byte that XML cannot carry (a control character, a byte of a broken UTF-8 sequence) becomes
//   a marker, the private character U+10FF00 plus the byte, which Unmark turns back into the byte
//   once the parser has read the text; so does every byte of a real U+10FF00..U+10FFFF, so that
//   Unmark gives back exactly the bytes of the file;
// - a character reference to a control character becomes the marker of that byte;
// - a '&' that starts no character reference and none of the five predefined entity references
//   becomes "&amp;", so that it stays text: no entity is ever expanded, which also keeps the
//   parser from any entity expansion blow-up.
// Comments, CDATA sections and processing instructions are left as they are, except for bytes
// XML cannot carry. A file that declares another encoding than UTF-8 only has its references
// seen to (its bytes are the parser's to decode); a UTF-16 or UTF-32 file passes untouched.
class CXmlInputFilter {
 public:
  // Filters from `in` into `out`, answering the bytes of `in` taken; what is held back (the start
  // of a construct that goes on in the next block) must be offered again with what follows. Stops
  // when `out` has no room for the next piece. `last` says that no more input will come.
  std::size_t Filter(const char* in, std::size_t size, bool last, char* out, std::size_t room, std::size_t& produced);
  // Whether any output differed from its input: only then are places in the output not places
  // in the file.
  bool HasChanged() const { return m_changed; }

  // Turns the markers in parsed UTF-8 text back into the bytes they stand for; answers whether
  // there were any.
  static bool Unmark(std::string& text);

  // Room a single piece may need in the output (a marker written as a reference).
  static constexpr std::size_t kMaxPiece = 16;

 private:
  enum class EMode { Unknown, Utf8, Other, Off };
  enum class EState { Text, Comment, CData, Instruction };

  // Decides the mode from the start of the file; false while more of it is needed.
  bool DecideMode(const char* in, std::size_t size, bool last);
  // Writes the marker of a byte; false without room.
  bool Mark(unsigned char byte, char*& out, char* end);

  EMode m_mode = EMode::Unknown;
  EState m_state = EState::Text;
  char m_previous = 0;  // the byte before the next one, across blocks
  bool m_changed = false;
};
