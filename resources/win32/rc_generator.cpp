// Writes the Windows wizard's resource scripts from the texts the Linux wizard uses: the string
// table from the built-in table with a translation's numbered lines over it, the dialogs from one
// layout below with each control's text by its key, and the texts file the pages read at run
// time. Also writes the please-wait animation as an uncompressed AVI, the form the animation
// control plays. A build tool: it runs on the machine that builds.
//
//   rc_generator rc OUT.rc TEXTS_OUT BUILT_IN_TEXTS [TRANSLATION] LANGUAGE_MACRO ARTWORK_DIR
//   rc_generator avi OUT.avi WIDTH HEIGHT FRAME_MS FRAME.bgr...
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "resources/text_source.h"
#include "resources/win32/resource_ids.h"

namespace {

constexpr int kIdOk = 1;  // IDOK, the OK button of every dialog

enum class EKind {
  kText,       // static text, left-aligned, wrapped
  kNameText,   // static text, wrapped, with '&' shown as such: the page sets it
  kRightText,  // static text, right-aligned
  kHiddenText,
  kFirstRadio,  // starts a radio group
  kRadio,
  kIcon,        // static picture: the icon of the number in `key`
  kIconButton,  // push button showing an icon the page sets
  kHiddenButton,
  kList,  // list box: several rows selectable, unsorted, both scroll bars
  kProgress,
  kHiddenProgress,
  kRegionList,  // list view in report view
  kDropDown,
  kReadOnlyEdit,  // several lines, no border
  kDetails,       // several lines, read-only, bordered, vertical scroll bar
  kAnimation,
  kOkButton,
  kPicture,  // drawn by the page
  kSummary,  // several lines, read-only, no border, vertical scroll bar
};

struct SControl {
  EKind kind;
  int id;
  const char* key;  // the text's key in the dialog ("hint"), an icon's number, or nullptr
  int x, y, width, height;
};

struct SDialog {
  int id;
  const char* caption;  // key of the caption, or nullptr: pages take theirs from the sheet
  int width, height;
  std::vector<SControl> controls;
};

// Interior wizard pages, below the header band, in dialog units: wider and taller than the
// classic 317 x 143, so that the file selection page has room for its preview beside the lists.
constexpr int kPageWidth = 480;
constexpr int kPageHeight = 210;
// Pages of text start at the header's indent; those with lists or columns use the page's margin.
constexpr int kIndent = 21;
constexpr int kTextWidth = kPageWidth - 2 * kIndent;
constexpr int kMargin = 7;
// The sheet shows an interior page inset from its own edges, which hides a few units at the
// page's right: nothing goes past this line.
constexpr int kContentRight = kPageWidth - 2 * kMargin;
constexpr int kFullWidth = kContentRight - kMargin;
constexpr int kHintTop = kPageHeight - 18;  // the bottom line of every page

// The file selection page: two columns of 138, the arrow between them, the preview at the right.
constexpr int kFileListTop = 62;
constexpr int kFileListHeight = kHintTop - 4 - kFileListTop;
constexpr int kPreviewLeft = 317;
constexpr int kPreviewWidth = kContentRight - kPreviewLeft;
constexpr int kPreviewPictureHeight = 126;
constexpr int kPreviewSummaryTop = 19 + kPreviewPictureHeight + 2;

// The map region selection page: the list, its buttons, and the destination's column at the right.
constexpr int kMapColumnWidth = 111;
constexpr int kMapColumn = kContentRight - kMapColumnWidth;
constexpr int kMapButtons = kMapColumn - 22;
constexpr int kRegionsWidth = kMapButtons - 3 - kMargin;
constexpr int kNoRoomTop = kHintTop - 29;

const std::vector<SDialog>& Dialogs() {
  static const std::vector<SDialog> dialogs = {
      {IDD_ABOUT,
       "caption",
       200,
       56,
       {{EKind::kIcon, IDC_ABOUT_ICON, "128", 10, 10, 21, 20},
        {EKind::kText, IDC_ABOUT_LINE, "line", 40, 14, 150, 10},
        {EKind::kOkButton, kIdOk, "ok", 140, 36, 50, 14}}},
      {IDD_HOST, nullptr, 120, 40, {}},
      {129,
       nullptr,
       kPageWidth,
       kPageHeight,
       {{EKind::kText, IDC_INTRO, "greeting", kIndent, 8, kTextWidth, 12},
        {EKind::kText, IDC_QUESTION, "question", kIndent, 30, kTextWidth, 10},
        {EKind::kFirstRadio, IDC_CHOICE_FIRST, "convert", kIndent + 14, 46, kTextWidth - 14, 12},
        {EKind::kRadio, IDC_CHOICE_SECOND, "maps", kIndent + 14, 62, kTextWidth - 14, 12},
        {EKind::kText, IDC_HINT, "hint", kIndent, kHintTop, kTextWidth, 10}}},
      {130,
       nullptr,
       kPageWidth,
       kPageHeight,
       {{EKind::kText, IDC_INTRO, "prompt", kIndent, 8, kTextWidth, 10},
        {EKind::kFirstRadio, IDC_CHOICE_FIRST, "toUnit", kIndent + 14, 26, kTextWidth - 14, 12},
        {EKind::kRadio, IDC_CHOICE_SECOND, "toDesktop", kIndent + 14, 42, kTextWidth - 14, 12},
        {EKind::kRadio, IDC_CHOICE_THIRD, "toGpx", kIndent + 14, 58, kTextWidth - 14, 12},
        {EKind::kText, IDC_HINT, "hint", kIndent, kHintTop, kTextWidth, 10}}},
      {137,
       nullptr,
       kPageWidth,
       kPageHeight,
       {{EKind::kText, IDC_INTRO, "connect", kIndent, 8, kTextWidth, kHintTop - 12},
        {EKind::kText, IDC_HINT, "ready", kIndent, kHintTop, kTextWidth, 10}}},
      {140,
       nullptr,
       kPageWidth,
       kPageHeight,
       {{EKind::kText, IDC_INTRO, "connect", kIndent, 4, kTextWidth, kHintTop - 8},
        {EKind::kText, IDC_HINT, "ready", kIndent, kHintTop, kTextWidth, 10}}},
      {134,
       nullptr,
       kPageWidth,
       kPageHeight,
       {{EKind::kText, IDC_LEFT_CAPTION, "leftCaption", kMargin, 0, 112, 44},
        {EKind::kIcon, IDC_LEFT_PICTURE, "138", 124, 4, 21, 20},
        {EKind::kIconButton, IDC_LEFT_BROWSE, nullptr, kMargin, 45, 18, 15},
        {EKind::kIconButton, IDC_LEFT_REMOVE, nullptr, 27, 45, 18, 15},
        {EKind::kList, IDC_LEFT_LIST, nullptr, kMargin, kFileListTop, 138, kFileListHeight},
        {EKind::kIcon, IDC_DIRECTION_ARROW, "144", 148, kFileListTop + kFileListHeight / 2 - 10, 21, 20},
        {EKind::kText, IDC_RIGHT_CAPTION, "rightCaption", 172, 0, 112, 44},
        {EKind::kIcon, IDC_RIGHT_PICTURE, "143", 289, 4, 21, 20},
        {EKind::kIconButton, IDC_RIGHT_BROWSE, nullptr, 172, 45, 18, 15},
        {EKind::kIconButton, IDC_RIGHT_REMOVE, nullptr, 192, 45, 18, 15},
        {EKind::kList, IDC_RIGHT_LIST, nullptr, 172, kFileListTop, 138, kFileListHeight},
        {EKind::kNameText, IDC_PREVIEW_TITLE, nullptr, kPreviewLeft, 0, kPreviewWidth, 18},
        {EKind::kPicture, IDC_PREVIEW_PICTURE, nullptr, kPreviewLeft, 19, kPreviewWidth, kPreviewPictureHeight},
        {EKind::kSummary, IDC_PREVIEW_SUMMARY, nullptr, kPreviewLeft, kPreviewSummaryTop, kPreviewWidth,
         kPageHeight - kPreviewSummaryTop},
        {EKind::kHiddenText, IDC_HINT, "hint", kMargin, kHintTop, 303, 10}}},
      {135,
       nullptr,
       kPageWidth,
       kPageHeight,
       {{EKind::kText, IDC_STATUS, nullptr, kIndent, 10, kTextWidth, 10},
        {EKind::kProgress, IDC_FILE_PROGRESS, nullptr, kIndent, 26, kTextWidth, 12},
        {EKind::kText, IDC_BLANK, nullptr, kIndent, 44, kTextWidth, 10},
        {EKind::kHiddenProgress, IDC_SECOND_PROGRESS, nullptr, kIndent, 58, kTextWidth, 12},
        {EKind::kHiddenText, IDC_CODE_PAGE_NOTE, nullptr, kIndent, 78, kTextWidth, 40},
        {EKind::kHiddenText, IDC_HINT, "hint", kIndent, kHintTop, kTextWidth, 10}}},
      {133,
       nullptr,
       kPageWidth,
       kPageHeight,
       {{EKind::kText, IDC_OUTCOME, nullptr, kIndent, 4, kTextWidth, 26},
        {EKind::kHiddenText, IDC_VOLUME_NOTE, nullptr, kIndent, 32, kTextWidth, 18},
        {EKind::kDetails, IDC_DETAILS, nullptr, kIndent, 52, kTextWidth, kHintTop - 4 - 52},
        {EKind::kText, IDC_HINT, "hint", kIndent, kHintTop, kTextWidth, 10}}},
      {139,
       nullptr,
       kPageWidth,
       kPageHeight,
       {{EKind::kText, IDC_REGIONS_PROMPT, "prompt", kMargin, 0, kRegionsWidth, 10},
        {EKind::kRegionList, IDC_REGIONS, nullptr, kMargin, 11, kRegionsWidth, kNoRoomTop - 2 - 11},
        {EKind::kIconButton, IDC_ADD_REGIONS, nullptr, kMapButtons, 11, 18, 15},
        {EKind::kHiddenButton, IDC_UNUSED_BUTTON, nullptr, kMapButtons, 28, 18, 15},
        {EKind::kText, IDC_DESTINATION_PROMPT, "destination", kMapColumn, 0, kMapColumnWidth, 18},
        {EKind::kDropDown, IDC_DESTINATION, nullptr, kMapColumn, 19, kMapColumnWidth, 80},
        {EKind::kReadOnlyEdit, IDC_PLACEMENT, nullptr, kMapColumn, 35, kMapColumnWidth, 20},
        {EKind::kText, IDC_AVAILABLE_LABEL, "available", kMapColumn, 58, 60, 10},
        {EKind::kRightText, IDC_AVAILABLE, "availableValue", kMapColumn + 60, 58, kMapColumnWidth - 60, 10},
        {EKind::kText, IDC_TOTAL_LABEL, "total", kMapColumn, 70, 60, 10},
        {EKind::kRightText, IDC_TOTAL, "totalValue", kMapColumn + 60, 70, kMapColumnWidth - 60, 10},
        {EKind::kIcon, -1, "138", kMapColumn, 82, 21, 20},
        {EKind::kIcon, -1, "130", kMapColumn + 23, 82, 21, 20},
        {EKind::kIcon, -1, "144", kMapColumn + 46, 82, 21, 20},
        {EKind::kHiddenText, IDC_NO_ROOM, nullptr, kMargin, kNoRoomTop, kFullWidth, 10},
        {EKind::kHiddenText, IDC_REFUSAL, nullptr, kMargin, kNoRoomTop + 10, kFullWidth, 18},
        {EKind::kText, IDC_HINT, "hint", kMargin, kHintTop, kFullWidth, 10}}},
      {141,
       nullptr,
       kPageWidth,
       kPageHeight,
       {{EKind::kText, IDC_TRANSFER_STATUS, nullptr, kIndent, 6, kTextWidth, 10},
        {EKind::kText, IDC_COPYING_LABEL, nullptr, kIndent, 22, 60, 10},
        {EKind::kText, IDC_FILE_NAME, nullptr, kIndent + 62, 22, kTextWidth - 62, 10},
        {EKind::kProgress, IDC_FILE_BLOCKS, nullptr, kIndent, 34, kTextWidth, 12},
        {EKind::kText, IDC_TIME_LEFT_LABEL, nullptr, kIndent, 52, 60, 10},
        {EKind::kText, IDC_TIME_LEFT, nullptr, kIndent + 62, 52, kTextWidth - 62, 10},
        {EKind::kProgress, IDC_TOTAL_BLOCKS, nullptr, kIndent, 64, kTextWidth, 12},
        {EKind::kHiddenText, IDC_MADE_ROOM, nullptr, kIndent, 80, kTextWidth, 42},
        {EKind::kText, IDC_HINT, "hint", kIndent, kHintTop, kTextWidth, 10}}},
      {IDD_WAIT_BOX,
       "caption",
       180,
       66,
       {{EKind::kAnimation, IDC_ANIMATION, nullptr, 10, 6, 160, 36},
        {EKind::kText, IDC_WAIT_TEXT, nullptr, 10, 48, 160, 10}}},
  };
  return dialogs;
}

// The pictures every resource set carries, by number and file.
struct SPicture {
  const char* type;
  int id;
  const char* file;
};
const SPicture kPictures[] = {
    {"ICON", IDI_PROGRAM, "128.ico"},  {"ICON", IDI_MAP, "130.ico"},           {"ICON", IDI_ADD_REGIONS, "134.ico"},
    {"ICON", IDI_DESKTOP, "138.ico"},  {"ICON", IDI_REMOVE, "139.ico"},        {"ICON", IDI_BROWSE, "140.ico"},
    {"ICON", IDI_UNIT, "143.ico"},     {"ICON", IDI_ARROW_RIGHT, "144.ico"},   {"ICON", IDI_ARROW_LEFT, "145.ico"},
    {"BITMAP", IDB_HEADER, "131.bmp"}, {"AVI", IDR_WAIT_ANIMATION, "143.avi"},
};

std::string ReadFile(const std::string& path, bool& ok) {
  std::ifstream in(path, std::ios::binary);
  ok = static_cast<bool>(in);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A resource script's string literal: quotes doubled, backslashes and line breaks escaped (a line
// break as CR LF, which edit and static controls both show as one), bytes above 127 kept as they
// are (the script is read as UTF-8).
std::string Literal(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') {
      out += "\"\"";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\r\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Path(const std::string& text) {
  std::string out = "\"";
  for (char c : text) out += c == '\\' ? std::string("/") : std::string(1, c);
  return out + "\"";
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// A control's text with its own '&' shown as such; when `mnemonic`, the first letter not yet taken
// on the dialog becomes its Alt+letter key. Back and Next keep theirs: the sheet's buttons use them.
std::string ControlText(const std::string& text, bool mnemonic, std::set<char>& taken) {
  std::string out;
  bool marked = !mnemonic;
  for (char c : text) {
    if (c == '&') {
      out += "&&";
      continue;
    }
    if (!marked && IsAsciiLetter(c) && taken.count(Lower(c)) == 0) {
      taken.insert(Lower(c));
      out += '&';
      marked = true;
    }
    out += c;
  }
  return out;
}

void WriteControl(std::ostream& rc, const SControl& control, const CTextTable& texts, int dialogId,
                  std::set<char>& taken) {
  const std::string text = control.key != nullptr ? texts.Utf8DialogText(dialogId, control.key) : std::string();
  std::string cls;
  std::string style;
  std::string shown = ControlText(text, false, taken);
  switch (control.kind) {
    case EKind::kText:
      cls = "Static", style = "SS_LEFT | WS_VISIBLE";
      break;
    case EKind::kNameText:
      cls = "Static", style = "SS_LEFT | SS_NOPREFIX | WS_VISIBLE";
      break;
    case EKind::kRightText:
      cls = "Static", style = "SS_RIGHT | WS_VISIBLE";
      break;
    case EKind::kHiddenText:
      cls = "Static", style = "SS_LEFT";
      break;
    case EKind::kFirstRadio:
      cls = "Button", style = "BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP | WS_VISIBLE";
      shown = ControlText(text, true, taken);
      break;
    case EKind::kRadio:
      cls = "Button", style = "BS_AUTORADIOBUTTON | WS_VISIBLE";
      shown = ControlText(text, true, taken);
      break;
    case EKind::kIcon:
      cls = "Static", style = "SS_ICON | WS_VISIBLE";  // at the system's icon size
      shown = control.key;
      break;
    case EKind::kIconButton:
      cls = "Button", style = "BS_PUSHBUTTON | BS_ICON | WS_TABSTOP | WS_VISIBLE";
      break;
    case EKind::kHiddenButton:
      cls = "Button", style = "BS_PUSHBUTTON";
      break;
    case EKind::kList:
      cls = "ListBox",
      style =
          "LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | "
          "WS_VSCROLL | WS_BORDER | "
          "WS_TABSTOP | WS_VISIBLE";
      break;
    case EKind::kProgress:
      cls = "msctls_progress32", style = "PBS_SMOOTH | WS_BORDER | WS_VISIBLE";
      break;
    case EKind::kHiddenProgress:
      cls = "msctls_progress32", style = "PBS_SMOOTH | WS_BORDER";
      break;
    case EKind::kRegionList:
      cls = "SysListView32",
      style = "LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | WS_BORDER | WS_TABSTOP | WS_VISIBLE";
      break;
    case EKind::kDropDown:
      cls = "ComboBox", style = "CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_VISIBLE";
      break;
    case EKind::kReadOnlyEdit:
      cls = "Edit", style = "ES_MULTILINE | ES_READONLY | WS_VISIBLE";
      break;
    case EKind::kDetails:
      cls = "Edit", style = "ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER | WS_TABSTOP";
      break;
    case EKind::kAnimation:
      cls = "SysAnimate32", style = "ACS_CENTER | ACS_TRANSPARENT | WS_VISIBLE";
      break;
    case EKind::kOkButton:
      cls = "Button", style = "BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE";
      break;
    case EKind::kPicture:
      cls = "Static", style = "SS_OWNERDRAW | WS_VISIBLE";
      break;
    case EKind::kSummary:
      cls = "Edit", style = "ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP | WS_VISIBLE";
      break;
  }
  // A CONTROL statement is visible unless its style says otherwise.
  if (style.find("WS_VISIBLE") == std::string::npos) style += " | NOT WS_VISIBLE";
  rc << "  CONTROL " << (control.kind == EKind::kIcon ? shown : Literal(shown)) << ", " << control.id << ", "
     << Literal(cls) << ", WS_CHILD | " << style << ", " << control.x << ", " << control.y << ", " << control.width
     << ", " << control.height << "\n";
}

void WriteDialog(std::ostream& rc, const SDialog& dialog, const CTextTable& texts) {
  const bool page = dialog.id != IDD_ABOUT && dialog.id != IDD_HOST && dialog.id != IDD_WAIT_BOX;
  rc << dialog.id << " DIALOGEX 0, 0, " << dialog.width << ", " << dialog.height << "\n";
  if (page) {
    rc << "STYLE DS_SHELLFONT | DS_CONTROL | WS_CHILD | WS_CAPTION\n";
  } else if (dialog.id == IDD_HOST) {
    rc << "STYLE DS_SHELLFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX\n";
  } else {
    rc << "STYLE DS_SHELLFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION"
       << (dialog.id == IDD_ABOUT ? " | WS_SYSMENU" : "") << "\n";
  }
  // The host window's caption is the program's name, the same in every language.
  const std::string caption = dialog.id == IDD_HOST       ? std::string("Tavrelin Transvane")
                              : dialog.caption != nullptr ? texts.Utf8DialogText(dialog.id, dialog.caption)
                                                          : std::string();
  if (!caption.empty()) rc << "CAPTION " << Literal(caption) << "\n";
  rc << "FONT 8, \"MS Shell Dlg\", 0, 0, 1\nBEGIN\n";
  std::set<char> taken = {'b', 'n'};
  for (const SControl& control : dialog.controls) WriteControl(rc, control, texts, dialog.id, taken);
  rc << "END\n\n";
}

int WriteScript(const std::vector<std::string>& args) {
  // rc OUT.rc TEXTS_OUT BUILT_IN_TEXTS [TRANSLATION] LANGUAGE_MACRO ARTWORK_DIR
  if (args.size() != 6 && args.size() != 7) return 2;
  const bool translated = args.size() == 7;
  bool ok = true;
  std::string lines = ReadFile(args[3], ok);
  if (!ok) {
    std::cerr << "cannot read " << args[3] << "\n";
    return 1;
  }
  if (translated) {
    // The translation's lines come last, so that they replace the built-in ones of the same key.
    lines += "\n" + ReadFile(args[4], ok);
    if (!ok) {
      std::cerr << "cannot read " << args[4] << "\n";
      return 1;
    }
  }
  const std::string& language = args[translated ? 5 : 4];
  const std::string& artwork = args[translated ? 6 : 5];
  const CTextTable texts(lines);

  std::ofstream out(args[2], std::ios::binary);
  out << lines;
  std::ostringstream rc;
  rc << "// Generated from the wizard's texts; edit those, not this file.\n"
     << "#pragma code_page(65001)\n#include <windows.h>\n#include <commctrl.h>\n\n"
     << "LANGUAGE " << language << "\n\n";
  rc << "STRINGTABLE\nBEGIN\n";
  for (int id = IDS_ABOUT_ITEM; id <= IDS_FILTER_GPX; ++id) {
    const std::string text = texts.Utf8String(id);
    if (!text.empty()) rc << "  " << id << ", " << Literal(text) << "\n";
  }
  rc << "END\n\n";
  for (const SDialog& dialog : Dialogs()) WriteDialog(rc, dialog, texts);
  rc << IDR_TEXTS << " " << RT_TEXTS_NAME << " " << Path(args[2]) << "\n";
  for (const SPicture& picture : kPictures) {
    rc << picture.id << " " << picture.type << " " << Path(artwork + "/" + picture.file) << "\n";
  }
  std::ofstream script(args[1], std::ios::binary);
  script << rc.str();
  return script && out ? 0 : 1;
}

void Put32(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}
void Put16(std::string& out, std::uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

// A list or chunk: its four-letter code, its size, its content (padded to an even size).
std::string Chunk(const char* code, const std::string& content) {
  std::string out(code, 4);
  Put32(out, static_cast<std::uint32_t>(content.size()));
  out += content;
  if (content.size() % 2 != 0) out += '\0';
  return out;
}
std::string List(const char* kind, const char* code, const std::string& content) {
  return Chunk(kind, std::string(code, 4) + content);
}

// Frames of raw 24-bit BGR rows, top row first, as one uncompressed video stream of bottom-up
// DIBs with rows padded to four bytes.
int WriteAvi(const std::vector<std::string>& args) {
  // avi OUT.avi WIDTH HEIGHT FRAME_MS FRAME...
  if (args.size() < 6) return 2;
  const std::uint32_t width = static_cast<std::uint32_t>(std::stoul(args[2]));
  const std::uint32_t height = static_cast<std::uint32_t>(std::stoul(args[3]));
  const std::uint32_t frameMs = static_cast<std::uint32_t>(std::stoul(args[4]));
  const std::uint32_t stride = (width * 3 + 3) / 4 * 4;
  const std::uint32_t frameBytes = stride * height;
  std::vector<std::string> frames;
  for (std::size_t i = 5; i < args.size(); ++i) {
    bool ok = true;
    const std::string raw = ReadFile(args[i], ok);
    if (!ok || raw.size() != static_cast<std::size_t>(width) * height * 3) {
      std::cerr << args[i] << ": not " << width << "x" << height << " BGR\n";
      return 1;
    }
    std::string dib;
    for (std::uint32_t row = height; row-- > 0;) {
      dib.append(raw, static_cast<std::size_t>(row) * width * 3, static_cast<std::size_t>(width) * 3);
      dib.append(stride - width * 3, '\0');
    }
    frames.push_back(std::move(dib));
  }
  const auto count = static_cast<std::uint32_t>(frames.size());

  std::string avih;
  for (std::uint32_t v : {frameMs * 1000, frameBytes * 1000 / frameMs, 0u, 0x10u /* AVIF_HASINDEX */, count, 0u, 1u,
                          frameBytes, width, height, 0u, 0u, 0u, 0u}) {
    Put32(avih, v);
  }
  std::string strh = "vidsDIB ";
  for (std::uint32_t v : {0u, 0u, 0u, frameMs, 1000u, 0u, count, frameBytes, 0xFFFFFFFFu, 0u}) Put32(strh, v);
  Put16(strh, 0), Put16(strh, 0), Put16(strh, static_cast<std::uint16_t>(width)),
      Put16(strh, static_cast<std::uint16_t>(height));
  std::string strf;
  for (std::uint32_t v : {40u, width, height}) Put32(strf, v);
  Put16(strf, 1), Put16(strf, 24);
  for (std::uint32_t v : {0u, frameBytes, 0u, 0u, 0u, 0u}) Put32(strf, v);
  const std::string hdrl =
      List("LIST", "hdrl", Chunk("avih", avih) + List("LIST", "strl", Chunk("strh", strh) + Chunk("strf", strf)));

  std::string movi;
  std::string index;
  std::uint32_t offset = 4;
  for (const std::string& frame : frames) {
    index += "00db";
    Put32(index, 0x10 /* AVIIF_KEYFRAME */);
    Put32(index, offset);
    Put32(index, frameBytes);
    const std::string chunk = Chunk("00db", frame);
    movi += chunk;
    offset += static_cast<std::uint32_t>(chunk.size());
  }
  const std::string avi = List("RIFF", "AVI ", hdrl + List("LIST", "movi", movi) + Chunk("idx1", index));
  std::ofstream out(args[1], std::ios::binary);
  out << avi;
  return out ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  int status = 2;
  if (!args.empty() && args[0] == "rc") status = WriteScript(args);
  if (!args.empty() && args[0] == "avi") status = WriteAvi(args);
  if (status == 2) {
    std::cerr << "usage: rc_generator rc OUT.rc TEXTS_OUT BUILT_IN_TEXTS [TRANSLATION] LANGUAGE ARTWORK_DIR\n"
                 "       rc_generator avi OUT.avi WIDTH HEIGHT FRAME_MS FRAME.bgr...\n";
  }
  return status;
}
