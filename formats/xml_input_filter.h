// What a GPX file may hold that a conforming XML parser refuses, made acceptable on the way in.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "formats/code_page.h"

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
// XML cannot carry. A file that declares an ANSI code page (windows-1252, ISO-8859-1, Shift_JIS,
// ... as old tools write them) is decoded to UTF-8 through the program's own code pages, so that
// every platform reads it alike whatever its XML parser knows; a byte the page does not define
// becomes '?' (counted). A file that declares another encoding only has its references seen to
// (its bytes are the parser's to decode); a UTF-16 or UTF-32 file passes untouched.
class CXmlInputFilter {
 public:
  CXmlInputFilter();
  ~CXmlInputFilter();
  CXmlInputFilter(const CXmlInputFilter&) = delete;
  CXmlInputFilter& operator=(const CXmlInputFilter&) = delete;

  // Decides from the start of the file (all of it there is, `last` when that is the whole file)
  // how the file is filtered; false while more of it is needed. Filter does it when not done yet.
  bool Begin(const char* in, std::size_t size, bool last);
  // Whether the output is UTF-8 decoded from the code page the file declares: the parser must
  // then take it as UTF-8 and pay no heed to the declaration.
  bool Decodes() const { return m_mode == EMode::Decoded; }
  // Bytes the declared code page does not define, each read as '?'.
  std::size_t GetReplacementCount() const { return m_decoder ? m_decoder->GetReplacementCount() : 0; }

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
  enum class EMode { Unknown, Utf8, Decoded, Other, Off };
  enum class EState { Text, Comment, CData, Instruction };

  // Takes the declared encoding as a code page when it is an ANSI one.
  void UseCodePage(const std::string& name);
  // Decodes the characters of the code page at in (bytes from 0x80 on, a double-byte character's
  // second byte whatever it is) into out, as many as fit; answers the bytes taken, 0 when the
  // input ends inside a character and more is to come.
  std::size_t Decode(const char* in, const char* end, bool last, char*& out, char* outEnd);
  // Writes the marker of a byte; false without room.
  bool Mark(unsigned char byte, char*& out, char* end);

  EMode m_mode = EMode::Unknown;
  EState m_state = EState::Text;
  char m_previous = 0;  // the byte before the next one, across blocks
  bool m_changed = false;
  std::unique_ptr<CCodePage> m_decoder;
  std::array<bool, 256> m_leadByte{};  // of a double-byte character in the declared code page
};
