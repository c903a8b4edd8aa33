// The filter in front of the XML parser: what it rewrites, that block ends never change it, and
// that its markers give back the file's bytes.
#include "formats/xml_input_filter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Filtered(const std::string& text, std::size_t block) {
  CXmlInputFilter filter;
  std::string out, pending;
  char buffer[64];
  for (std::size_t at = 0; at < text.size() || !pending.empty();) {
    const std::size_t more = std::min(block, text.size() - at);
    pending += text.substr(at, more);
    at += more;
    const bool last = at == text.size();
    std::size_t made = 0;
    const std::size_t taken = filter.Filter(pending.data(), pending.size(), last, buffer, sizeof buffer, made);
    out.append(buffer, made);
    pending.erase(0, taken);
    if (last && taken == 0 && made == 0) break;
  }
  return out;
}

const std::string kMarked01 = "\xF4\x8F\xBC\x81";  // the marker of byte 0x01

TEST(XmlInputFilter, RewritesOnlyWhatXmlRefusesWhereverTheBlocksEnd) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"<a b=\"1\">plain &lt;&amp;&#65;&#x42;</a>", "<a b=\"1\">plain &lt;&amp;&#65;&#x42;</a>"},
      {"<a>&#1;\x01&#0;</a>", "<a>" + kMarked01 + kMarked01 + "\xF4\x8F\xBC\x80</a>"},
      {"<a>AT&T &nbsp; &#; &</a>", "<a>AT&amp;T &amp;nbsp; &amp;#; &amp;</a>"},
      {"<a>\xE9t\xC3\xA9</a>", "<a>\xF4\x8F\xBF\xA9t\xC3\xA9</a>"},  // a broken byte, then é
      {"<a>\xF4\x8F\xBD\x81</a>", "<a>\xF4\x8F\xBF\xB4\xF4\x8F\xBE\x8F\xF4\x8F\xBE\xBD\xF4\x8F\xBE\x81</a>"},
      {"<!-- &x; \x01 --><?pi &x; ?><![CDATA[&x; \x01]]>&x;",
       "<!-- &x;   --><?pi &x; ?><![CDATA[&x; " + kMarked01 + "]]>&amp;x;"},
      // A declared code page comes out as UTF-8, a byte it lacks as '?'; a double-byte character
      // whose second byte is a ']' does not end a CDATA section.
      {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE9&#1;\x01</a>",
       "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xC3\xA9" + kMarked01 + kMarked01 + "</a>"},
      {"<?xml version='1.0' encoding='windows-1252'?><a>\x80\x81&T</a>",
       "<?xml version='1.0' encoding='windows-1252'?><a>\xE2\x82\xAC?&amp;T</a>"},
      {"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><a><![CDATA[\x83\x5D]]>\x83\x41</a>",
       "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><a><![CDATA[\xE3\x82\xBE]]>\xE3\x82\xA2</a>"},
      // Another encoding is the parser's to decode.
      {"<?xml version=\"1.0\" encoding=\"x-unknown\"?><a>\xE9&#1;</a>",
       "<?xml version=\"1.0\" encoding=\"x-unknown\"?><a>\xE9&#x10FF01;</a>"},
      {std::string("\xFF\xFE<\0a\0>\0&\0", 10), std::string("\xFF\xFE<\0a\0>\0&\0", 10)},
  };
  for (const auto& c : cases) {
    for (std::size_t block : {c.in.size(), std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7}})
      EXPECT_EQ(Filtered(c.in, block), c.out) << c.in << " in blocks of " << block;
  }
}

TEST(XmlInputFilter, MarkersGiveBackTheBytes) {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  std::string marked;
  for (unsigned char b : bytes) {
    marked += "\xF4\x8F";
    marked += static_cast<char>(0xBC + (b >> 6));
    marked += static_cast<char>(0x80 + (b & 0x3F));
  }
  std::string text = "a" + marked + "\xF4\x8F z";
  EXPECT_TRUE(CXmlInputFilter::Unmark(text));
  EXPECT_EQ(text, "a" + bytes + "\xF4\x8F z");
  std::string plain = "M\xC3\xBCller";
  EXPECT_FALSE(CXmlInputFilter::Unmark(plain));
  EXPECT_EQ(plain, "M\xC3\xBCller");
}

}  // namespace
