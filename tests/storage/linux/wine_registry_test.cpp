// Tests of the reader of Wine's registry files: keys, subkey order, string values, odd input.
#include "storage/linux/wine_registry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

namespace {

using ::testing::ElementsAre;

// Shaped like a system.reg that Wine wrote, with the values a 32-bit installer leaves.
const char kSystemReg[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\Machine\n"
    "\n"
    "#arch=win32\n"
    "\n"
    "[Software\\\\Tavrelin\\\\Vexlorn 2] 1700000000\n"
    "#time=1da1b2c3d4e5f60\n"
    "\"Path\"=\"C:\\\\Program Files\\\\Tavrelin\\\\Vexlorn 2\"\n"
    "\"Version\"=dword:00000200\n"
    "\n"
    "[Software\\\\Tavrelin\\\\Vexlorn 2\\\\Options] 1700000001\n"
    "@=\"default\"\n"
    "\n"
    "[Software\\\\Tavrelin\\\\Vexlorn 3] 1700000002\n"
    "\"Docs\"=str(2):\"%USERPROFILE%\\\\Vexlorn\"\n"
    "\"Path\"=hex(2):43,00,3a,00,5c,00,56,00,\\\n"
    "  33,00,00,00\n"
    "\"Blob\"=hex:01,02,03\n"
    "\n"
    "[Software\\\\Zebra] 1700000003\n";

TEST(WineRegistryTest, ReadsKeysSubkeysAndStringValues) {
  CWineRegistryFile registry;
  registry.Parse(kSystemReg);
  EXPECT_TRUE(registry.HasKey("Software\\Tavrelin"));  // only lying above sections
  EXPECT_TRUE(registry.HasKey("SOFTWARE\\tavrelin\\VEXLORN 2"));
  EXPECT_TRUE(registry.HasKey("Software\\Tavrelin\\"));
  EXPECT_FALSE(registry.HasKey("Software\\Tavrel"));
  EXPECT_FALSE(registry.HasKey("Software\\Tavrelin\\Vexlorn"));
  EXPECT_THAT(registry.SubkeyNames("software\\TAVRELIN"), ElementsAre("Vexlorn 2", "Vexlorn 3"));
  EXPECT_THAT(registry.SubkeyNames("Software"), ElementsAre("Tavrelin", "Zebra"));
  EXPECT_THAT(registry.SubkeyNames(""), ElementsAre("Software"));
  EXPECT_TRUE(registry.SubkeyNames("Software\\Zebra").empty());
  EXPECT_TRUE(registry.SubkeyNames("Nowhere").empty());

  std::string value;
  EXPECT_TRUE(registry.QueryString("Software\\Tavrelin\\Vexlorn 2", "path", value));
  EXPECT_EQ(value, "C:\\Program Files\\Tavrelin\\Vexlorn 2");
  EXPECT_TRUE(registry.QueryString("Software\\Tavrelin\\Vexlorn 3", "Path", value));
  EXPECT_EQ(value, "C:\\V3");
  EXPECT_TRUE(registry.QueryString("Software\\Tavrelin\\Vexlorn 3", "Docs", value));
  EXPECT_EQ(value, "%USERPROFILE%\\Vexlorn");  // not expanded
  EXPECT_TRUE(registry.QueryString("Software\\Tavrelin\\Vexlorn 2\\Options", "", value));
  EXPECT_EQ(value, "default");

  value = "unchanged";
  EXPECT_FALSE(registry.QueryString("Software\\Tavrelin\\Vexlorn 2", "Version", value));
  EXPECT_FALSE(registry.QueryString("Software\\Tavrelin\\Vexlorn 3", "Blob", value));
  EXPECT_FALSE(registry.QueryString("Software\\Tavrelin\\Vexlorn 3", "Missing", value));
  EXPECT_FALSE(registry.QueryString("Software\\Tavrelin", "Path", value));
  EXPECT_EQ(value, "unchanged");
}

TEST(WineRegistryTest, DecodesEscapes) {
  struct SCase {
    const char* written;
    const char* text;
  };
  const SCase cases[] = {
      {R"("C:\\Program Files")", "C:\\Program Files"},
      {R"("say \"hi\"")", "say \"hi\""},
      {R"("caf\xe9")", "caf\xc3\xa9"},
      {R"("\x00e9t\x00e9")", "\xc3\xa9t\xc3\xa9"},  // four digits when a hex digit follows
      {R"("\x263a")", "\xe2\x98\xba"},
      {R"("\xd83d\xde00")", "\xf0\x9f\x98\x80"},  // a surrogate pair
      {R"("\xd83dx")",
       "\xef\xbf\xbd"
       "x"},  // a lone surrogate
      {R"("\xde00")", "\xef\xbf\xbd"},
      {R"("tab\there\nnew\r\e\a")", "tab\there\nnew\r\x1b\a"},
      {R"("\033[0m")", "\x1b[0m"},
      {R"("\1\12")", "\x01\n"},
      {R"("cut\0here")", "cut"},
      {R"("\q\x")", "qx"},
      {"\"raw \xc3\xa9 UTF-8\"", "raw \xc3\xa9 UTF-8"},
      {R"(str(2):"%ProgramFiles%")", "%ProgramFiles%"},
      {R"(str(1):"plain")", "plain"},
      {"hex(1):41,00,42,00,00,00,43,00", "AB"},
      {"hex(2):3d,d8,00,de,21,00", "\xf0\x9f\x98\x80!"},
      {"hex(1):41,00,42", "A"},  // an odd byte left over
      {"hex(2):", ""},
  };
  for (const SCase& c : cases) {
    CWineRegistryFile registry;
    registry.Parse(std::string("[K]\n\"V\"=") + c.written + "\n");
    std::string value;
    EXPECT_TRUE(registry.QueryString("K", "V", value)) << c.written;
    EXPECT_EQ(value, c.text) << c.written;
  }
}

TEST(WineRegistryTest, HeadersAndValueNamesAreEscapedToo) {
  CWineRegistryFile registry;
  registry.Parse(
      "[Software\\\\Tavrelin\\\\Vexlorn \\x00e9dition\\\\x] 0\n"
      "[Software\\\\Brackets\\]\\\\In] 0\n"
      "\"Na\\\"me\"=\"v\"\n"
      "[Software\\\\\\\\Double\\\\\\\\] 0\n"
      "\"Trailing\"=\"t\"\n");
  EXPECT_THAT(registry.SubkeyNames("Software\\Tavrelin"), ElementsAre("Vexlorn \xc3\xa9"
                                                                      "dition"));
  std::string value;
  EXPECT_TRUE(registry.QueryString("Software\\Brackets]\\In", "Na\"me", value));
  // Empty path elements are dropped, as the registry never names a key with an empty name.
  EXPECT_TRUE(registry.QueryString("Software\\Double", "Trailing", value));
  EXPECT_EQ(value, "t");
}

TEST(WineRegistryTest, AcceptsEveryKindOfLineEnd) {
  for (const char* end : {"\n", "\r\n", "\r"}) {
    const std::string e(end);
    CWineRegistryFile registry;
    registry.Parse("WINE REGISTRY Version 2" + e + "[A\\\\B] 1" + e + "\"Path\"=\"x\"" + e + "\"Hex\"=hex(1):41,00,\\" +
                   e + "  42,00" + e + "[A\\\\C] 2" + e);
    std::string value;
    EXPECT_THAT(registry.SubkeyNames("a"), ElementsAre("B", "C"));
    EXPECT_TRUE(registry.QueryString("a\\b", "path", value));
    EXPECT_EQ(value, "x");
    EXPECT_TRUE(registry.QueryString("a\\b", "hex", value));
    EXPECT_EQ(value, "AB");
  }
}

TEST(WineRegistryTest, RepeatedKeysMergeAndLaterValuesWin) {
  CWineRegistryFile registry;
  registry.Parse(
      "[Software\\\\T\\\\Vexlorn 1]\n\"Path\"=\"first\"\n\"Other\"=\"o\"\n"
      "[Software\\\\T\\\\Vexlorn 2]\n"
      "[SOFTWARE\\\\t\\\\VEXLORN 1]\n\"PATH\"=\"second\"\n");
  std::string value;
  EXPECT_TRUE(registry.QueryString("Software\\T\\Vexlorn 1", "Path", value));
  EXPECT_EQ(value, "second");
  EXPECT_TRUE(registry.QueryString("Software\\T\\Vexlorn 1", "Other", value));
  EXPECT_THAT(registry.SubkeyNames("Software\\T"), ElementsAre("Vexlorn 1", "Vexlorn 2"));
}

TEST(WineRegistryTest, SkipsWhatItCannotRead) {
  CWineRegistryFile registry;
  registry.Parse(
      "\"Orphan\"=\"before any key\"\n"
      "[Good]\n"
      "\"Unclosed\"=\"no end\n"
      "\"NoEquals\" \"x\"\n"
      "\"BadHex\"=hex:4\n"
      "\"BadHex2\"=hex:zz,00\n"
      "\"HugeType\"=hex(123456789):00\n"
      "\"StrNoQuote\"=str(2):plain\n"
      "\"Dangling\"=hex(1):41,00,\\\n"  // continued by a line that is not hex: dropped, and the
                                        // line after it is still read
      "[Unclosed header\n"
      "\"Lost\"=\"belongs to no key\"\n"
      "[]\n"
      "\"Lost2\"=\"x\"\n"
      "[Good]\n"
      "\"Fine\"=\"yes\" trailing words\n"
      "\"Cont\"=hex(1):41,00,\\");
  std::string value;
  for (const char* name : {"Unclosed", "NoEquals", "BadHex", "BadHex2", "HugeType", "StrNoQuote", "Dangling", "Lost",
                           "Lost2", "Orphan", "Cont"}) {
    EXPECT_FALSE(registry.QueryString("Good", name, value)) << name;
  }
  EXPECT_TRUE(registry.QueryString("Good", "Fine", value));
  EXPECT_EQ(value, "yes");
  EXPECT_THAT(registry.SubkeyNames(""), ElementsAre("Good"));
}

// Whatever the bytes, parsing ends and the queries answer.
TEST(WineRegistryTest, SurvivesArbitraryInput) {
  std::mt19937 random(20240611);
  const std::string alphabet = "[]\\\"=@:,()\r\n strhexdwo0123456789abcdefxX#;\t";
  const std::string valid(kSystemReg);
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    if (round % 3 == 0) {
      text = valid.substr(0, random() % (valid.size() + 1));
    } else if (round % 3 == 1) {
      text = valid;
      for (int flips = 0; flips < 8; ++flips) text[random() % text.size()] = alphabet[random() % alphabet.size()];
    } else {
      const std::size_t length = random() % 300;
      for (std::size_t i = 0; i < length; ++i) {
        text += random() % 4 == 0 ? static_cast<char>(random() % 256) : alphabet[random() % alphabet.size()];
      }
    }
    CWineRegistryFile registry;
    registry.Parse(text);
    std::string value;
    registry.QueryString("Software\\Tavrelin\\Vexlorn 2", "Path", value);
    for (const std::string& name : registry.SubkeyNames("Software\\Tavrelin")) {
      registry.QueryString("Software\\Tavrelin\\" + name, "Path", value);
    }
  }
}

TEST(WineRegistryTest, AFileThatCannotBeReadIsAnEmptyBranch) {
  CWineRegistryFile registry;
  registry.Parse(kSystemReg);
  EXPECT_FALSE(registry.Load("/nonexistent/system.reg"));
  EXPECT_FALSE(registry.HasKey("Software"));
  EXPECT_FALSE(registry.Load("/"));
  EXPECT_TRUE(registry.Load(std::string(TRANSVANE_SOURCE_DIR) + "/storage/linux/wine_registry.h"));
}

}  // namespace
