// The wizard as a Win32 property sheet, its pages forwarding to their logic.
#include "wizard/win32/property_sheet.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "app/win32/resource_texts.h"
#include "resources/string_ids.h"
#include "resources/win32/resource_ids.h"
#include "wizard/logic/wizard_pages.h"
#include "wizard/win32/page_choice.h"
#include "wizard/win32/page_connection.h"
#include "wizard/win32/page_conversion.h"
#include "wizard/win32/page_destination.h"
#include "wizard/win32/page_finish.h"
#include "wizard/win32/page_map.h"
#include "wizard/win32/page_map_transfer.h"

namespace {

// The sheet's own buttons.
constexpr int kBackButton = 0x3023;
constexpr int kNextButton = 0x3024;
constexpr int kFinishButton = 0x3025;
constexpr int kHelpButton = 0x0009;
// The line under the header band.
constexpr int kHeaderLine = 0x3027;

// The one sheet of the program, for the sheet's callback, which carries no data of its own.
CWin32Sheet* g_sheet = nullptr;

}  // namespace

CWin32Sheet::CWin32Sheet(CSheetLogic& logic, CWizardPages& pages, HMODULE resources, const CResourceTexts& texts)
    : m_logic(logic), m_resources(resources), m_texts(texts) {
  m_logic.SetFace(this);
  pages.ForEachInSheetOrder([&](auto& page) {
    using TLogic = std::remove_reference_t<decltype(page)>;
    std::unique_ptr<CWin32Page> face;
    if constexpr (std::is_same_v<TLogic, CWelcomeLogic>) {
      face = std::make_unique<CChoicePage>(page, texts, IDC_CHOICE_SECOND);
    } else if constexpr (std::is_same_v<TLogic, CSelectModeLogic>) {
      face = std::make_unique<CChoicePage>(page, texts, IDC_CHOICE_THIRD);
    } else if constexpr (std::is_same_v<TLogic, CDestinationLogic>) {
      face = std::make_unique<CDestinationPage>(page, texts);
    } else if constexpr (std::is_same_v<TLogic, CConversionLogic>) {
      face = std::make_unique<CConversionPage>(page, texts);
    } else if constexpr (std::is_same_v<TLogic, CFinishLogic>) {
      face = std::make_unique<CFinishPage>(page, texts);
    } else if constexpr (std::is_same_v<TLogic, CMapLogic>) {
      face = std::make_unique<CMapPage>(page, texts);
    } else if constexpr (std::is_same_v<TLogic, CMapTransferLogic>) {
      face = std::make_unique<CMapTransferPage>(page, texts);
    } else {
      face = std::make_unique<CConnectionPage>(page, texts);
    }
    face->m_sheet = this;
    face->m_index = static_cast<int>(m_pages.size());
    page.SetSite(face.get());
    m_pages.push_back(std::move(face));
  });
  pages.AddTo(m_logic);
}

CWin32Sheet::~CWin32Sheet() {
  for (auto& page : m_pages) page->Logic().SetSite(nullptr);
  m_logic.SetFace(nullptr);
}

void CWin32Sheet::Run(HWND owner, HBITMAP picture) {
  const std::wstring caption = m_texts.String(IDS_CAPTION);
  std::vector<HPROPSHEETPAGE> handles;
  m_titles.clear();
  for (const auto& page : m_pages) m_titles.push_back(m_texts.String(page->Logic().TitleId()));
  for (std::size_t i = 0; i < m_pages.size(); ++i) {
    PROPSHEETPAGEW sheetPage = {};
    sheetPage.dwSize = sizeof(sheetPage);
    sheetPage.dwFlags = PSP_USETITLE | PSP_USEHEADERTITLE;
    sheetPage.hInstance = m_resources;
    sheetPage.pszTemplate = MAKEINTRESOURCEW(m_pages[i]->Logic().PageId());
    sheetPage.pfnDlgProc = &CWin32Page::Procedure;
    sheetPage.pszTitle = caption.c_str();
    sheetPage.pszHeaderTitle = m_titles[i].c_str();
    sheetPage.lParam = reinterpret_cast<LPARAM>(m_pages[i].get());
    handles.push_back(CreatePropertySheetPageW(&sheetPage));
  }
  PROPSHEETHEADERW header = {};
  header.dwSize = sizeof(header);
  // The picture is a band as wide as the header (420 × 58), not the 49 × 49 corner picture the
  // sheet would draw from hbmHeader (its white top-left corner, so nothing): the sheet draws the
  // header's white zone and title, and the band is painted over them (see PaintHeaderPicture).
  // It is still the side picture of pages without a header.
  header.dwFlags =
      PSH_WIZARD97 | PSH_HEADER | PSH_WATERMARK | PSH_USEHBMWATERMARK | PSH_USECALLBACK | PSH_NOCONTEXTHELP;
  header.hwndParent = owner;
  header.hInstance = m_resources;
  header.pszCaption = caption.c_str();
  header.nPages = static_cast<UINT>(handles.size());
  header.phpage = handles.data();
  m_picture = picture;
  header.hbmWatermark = picture;
  header.pfnCallback = &CWin32Sheet::Callback;
  g_sheet = this;
  PropertySheetW(&header);
  g_sheet = nullptr;
  m_window = nullptr;
}

int CALLBACK CWin32Sheet::Callback(HWND window, UINT message, LPARAM) {
  if (message == PSCB_INITIALIZED && g_sheet != nullptr) {
    g_sheet->m_window = window;
    g_sheet->ArrangeButtons();
    SetWindowSubclass(window, &CWin32Sheet::Subclass, 1, reinterpret_cast<DWORD_PTR>(g_sheet));
  }
  return 0;
}

LRESULT CALLBACK CWin32Sheet::Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR self) {
  // Every window of the sheet, its pages and their controls included, asks the sheet for its
  // cursor before setting its own.
  const auto* sheet = reinterpret_cast<const CWin32Sheet*>(self);
  if (message == WM_SETCURSOR && sheet->m_busy && sheet->m_busy()) {
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    return TRUE;
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(window, &CWin32Sheet::Subclass, 1);
  const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
  if (message == WM_PAINT) sheet->PaintHeaderPicture();
  return result;
}

void CWin32Sheet::PaintHeaderPicture() const {
  BITMAP size = {};
  if (m_picture == nullptr || GetObjectW(m_picture, sizeof(size), &size) == 0) return;
  // The header ends at the line under it, else where the page begins.
  RECT below = {};
  HWND line = GetDlgItem(m_window, kHeaderLine);
  HWND page = CurrentPage();
  if (line != nullptr && IsWindowVisible(line)) {
    GetWindowRect(line, &below);
  } else if (page != nullptr) {
    GetWindowRect(page, &below);
  } else {
    return;
  }
  MapWindowPoints(nullptr, m_window, reinterpret_cast<POINT*>(&below), 2);
  RECT client = {};
  GetClientRect(m_window, &client);
  const int height = std::min<int>(size.bmHeight, below.top);
  if (height <= 0) return;
  // At the header's right end, as high as the header allows, multiplied into what the sheet drew
  // there: the band's white left end leaves the header's colour and the title as they are, and
  // the title stays readable where the band has colour.
  const int left = std::max<int>(0, client.right - size.bmWidth);
  const int width = client.right - left;
  const int top = std::max<int>(0, (below.top - height) / 2);
  BITMAPINFO format = {};
  format.bmiHeader.biSize = sizeof(format.bmiHeader);
  format.bmiHeader.biWidth = width;
  format.bmiHeader.biHeight = -height;  // top-down rows
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  HDC dc = GetDC(m_window);
  HDC memory = CreateCompatibleDC(dc);
  void* bits = nullptr;
  HBITMAP canvas = CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (canvas != nullptr) {
    std::vector<std::uint32_t> band(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    // The band's rows from the right end of the picture.
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ oldSource = SelectObject(source, m_picture);
    HGDIOBJ oldCanvas = SelectObject(memory, canvas);
    BitBlt(memory, 0, 0, width, height, source, size.bmWidth - width, 0, SRCCOPY);
    GdiFlush();
    std::copy_n(static_cast<const std::uint32_t*>(bits), band.size(), band.begin());
    BitBlt(memory, 0, 0, width, height, dc, left, top, SRCCOPY);
    GdiFlush();
    // The header's own colour, at its top-left corner, which nothing covers. A pixel still of
    // that colour, or already showing the band over it, gets the band over it; any other (the
    // title's) is multiplied with the band. So a second paint over a part the sheet did not
    // draw again leaves it as it was.
    const COLORREF corner = GetPixel(dc, 1, 1);
    const std::uint32_t background = (GetRValue(corner) << 16) | (GetGValue(corner) << 8) | GetBValue(corner);
    const auto multiply = [](std::uint32_t a, std::uint32_t b) {
      std::uint32_t mixed = 0;
      for (int shift = 0; shift < 24; shift += 8) {
        mixed |= ((((a >> shift) & 0xFF) * ((b >> shift) & 0xFF) + 127) / 255) << shift;
      }
      return mixed;
    };
    auto* pixels = static_cast<std::uint32_t*>(bits);
    for (std::size_t i = 0; i < band.size(); ++i) {
      const std::uint32_t shown = pixels[i] & 0xFFFFFF;
      const std::uint32_t over = multiply(background, band[i]);
      pixels[i] = shown == background || shown == over ? over : multiply(shown, band[i]);
    }
    BitBlt(dc, left, top, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, oldCanvas);
    SelectObject(source, oldSource);
    DeleteDC(source);
    DeleteObject(canvas);
  }
  DeleteDC(memory);
  ReleaseDC(m_window, dc);
}

void CWin32Sheet::ArrangeButtons() {
  // Cancel and Help hidden; Back, Next and Finish moved right to end where the last of those that
  // were shown ended (a sheet without help has no Help button to make room for).
  const auto placeOf = [this](int id) {
    RECT place = {};
    GetWindowRect(GetDlgItem(m_window, id), &place);
    MapWindowPoints(nullptr, m_window, reinterpret_cast<POINT*>(&place), 2);
    return place;
  };
  const LONG nextEnd = placeOf(kNextButton).right;
  LONG end = nextEnd;
  for (int hidden : {IDCANCEL, kHelpButton}) {
    HWND control = GetDlgItem(m_window, hidden);
    if (control != nullptr && (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0)
      end = std::max(end, placeOf(hidden).right);
    ShowWindow(control, SW_HIDE);
  }
  for (int button : {kBackButton, kNextButton, kFinishButton}) {
    const RECT place = placeOf(button);
    SetWindowPos(GetDlgItem(m_window, button), nullptr, place.left + (end - nextEnd), place.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
  }
  RECT sheet = {};
  GetWindowRect(m_window, &sheet);
  SetWindowPos(m_window, nullptr, sheet.left - sheet.left / 2, sheet.top - sheet.top / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
}

HWND CWin32Sheet::CurrentPage() const { return m_window != nullptr ? PropSheet_GetCurrentPageHwnd(m_window) : nullptr; }

bool CWin32Sheet::OnPageNotify(int index, const NMHDR& header, LONG_PTR& result) {
  auto pageIdAt = [this](int target) -> LONG_PTR {
    return target < 0 ? -1 : static_cast<LONG_PTR>(m_logic.PageAt(target).PageId());
  };
  switch (header.code) {
    case PSN_SETACTIVE:
      m_logic.Activate(index);
      result = 0;
      return true;
    case PSN_WIZNEXT:
      result = pageIdAt(m_logic.LeaveByNext());
      return true;
    case PSN_WIZBACK:
      result = pageIdAt(m_logic.LeaveByBack());
      return true;
    case PSN_WIZFINISH:
      // Nonzero keeps the wizard open.
      result = m_logic.LeaveByFinish() ? FALSE : TRUE;
      return true;
    case PSN_QUERYCANCEL:
      result = m_logic.QueryClose() ? FALSE : TRUE;
      return true;
    default:
      return false;
  }
}

void CWin32Sheet::ShowPage(int index) {
  if (m_window != nullptr) {
    PropSheet_SetHeaderTitle(m_window, index, m_titles[static_cast<std::size_t>(index)].c_str());
  }
}

void CWin32Sheet::PostWizardButtons(int buttons) {
  DWORD flags = 0;
  if ((buttons & kButtonBack) != 0) flags |= PSWIZB_BACK;
  if ((buttons & kButtonNext) != 0) flags |= PSWIZB_NEXT;
  if ((buttons & kButtonFinish) != 0) flags |= PSWIZB_FINISH;
  if (m_window != nullptr) PostMessageW(m_window, PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(flags));
}

void CWin32Sheet::PressBack() {
  if (m_window != nullptr) PostMessageW(m_window, PSM_PRESSBUTTON, PSBTN_BACK, 0);
}

void CWin32Sheet::Close() {
  if (m_window != nullptr) PostMessageW(m_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

void CWin32Sheet::EndProgram(int status) { PostQuitMessage(status); }
