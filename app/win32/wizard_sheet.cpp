// The wizard as a Win32 property sheet, its pages forwarding to their logic.
#include "app/win32/wizard_sheet.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
// clang-format on

#include <algorithm>
#include <atomic>
#include <climits>
#include <mutex>
#include <type_traits>

#include "app/win32/resource_texts.h"
#include "app/win32/services.h"
#include "resources/string_ids.h"
#include "resources/win32/resource_ids.h"
#include "wizard/logic/wizard_pages.h"

namespace {

// The sheet's own buttons.
constexpr int kBackButton = 0x3023;
constexpr int kNextButton = 0x3024;
constexpr int kFinishButton = 0x3025;
constexpr int kHelpButton = 0x0009;

// The one sheet of the program, for the sheet's callback, which carries no data of its own.
CWin32Sheet* g_sheet = nullptr;

// Text for a control: line breaks as CR LF, which static and edit controls show as one.
std::wstring ControlText(const std::string& utf8) {
  std::wstring text;
  for (wchar_t c : Wide(utf8)) {
    if (c == L'\n') text += L'\r';
    text += c;
  }
  return text;
}

// A progress bar's range and position; ranges past what the control holds are scaled down.
void SetBar(HWND bar, std::uint64_t range, std::uint64_t position) {
  std::uint64_t divisor = 1;
  while (range / divisor > static_cast<std::uint64_t>(INT_MAX)) divisor *= 2;
  SendMessageW(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(range / divisor));
  SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(std::min(position, range) / divisor), 0);
}

// Welcome (129) and conversion mode (130): a radio group bound to the choice.
class CChoicePage : public CWin32Page {
 public:
  CChoicePage(CChoicePageLogic& logic, const CResourceTexts& texts, int last)
      : CWin32Page(logic, texts), m_choice(logic), m_last(last) {}

 protected:
  void Show(unsigned parts) override {
    if ((parts & CChoicePageLogic::kChoice) == 0) return;
    const int choice = m_choice.Choice();
    for (int id = IDC_CHOICE_FIRST; id <= m_last; ++id) {
      CheckDlgButton(m_window, id, id - IDC_CHOICE_FIRST == choice ? BST_CHECKED : BST_UNCHECKED);
    }
  }
  void OnCommand(int control, int code) override {
    if (code == BN_CLICKED && control >= IDC_CHOICE_FIRST && control <= m_last &&
        IsDlgButtonChecked(m_window, control) == BST_CHECKED) {
      m_choice.Choose(control - IDC_CHOICE_FIRST);
    }
  }

 private:
  CChoicePageLogic& m_choice;
  int m_last;
};

// Unit and card connection (137, 140): their texts are their dialogs'.
class CConnectionPage : public CWin32Page {
 public:
  using CWin32Page::CWin32Page;
};

// Files selection (134).
class CDestinationPage : public CWin32Page {
 public:
  CDestinationPage(CDestinationLogic& logic, const CResourceTexts& texts)
      : CWin32Page(logic, texts), m_destination(logic) {}

 protected:
  static int List(int side) { return side == CDestinationLogic::kLeft ? IDC_LEFT_LIST : IDC_RIGHT_LIST; }

  void OnInitDialog() override {
    DragAcceptFiles(m_window, TRUE);
    for (int button : {IDC_LEFT_BROWSE, IDC_RIGHT_BROWSE}) {
      SendDlgItemMessageW(m_window, button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(Icon(IDI_BROWSE)));
    }
    for (int button : {IDC_LEFT_REMOVE, IDC_RIGHT_REMOVE}) {
      SendDlgItemMessageW(m_window, button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(Icon(IDI_REMOVE)));
    }
  }

  void Show(unsigned parts) override {
    for (int side : {CDestinationLogic::kLeft, CDestinationLogic::kRight}) {
      const SFileSide& view = m_destination.Side(side);
      HWND list = GetDlgItem(m_window, List(side));
      if ((parts & CDestinationLogic::kRows) != 0) {
        SendMessageW(list, LB_RESETCONTENT, 0, 0);
        for (const SFileRow& row : view.rows) {
          SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(row.text).c_str()));
        }
      }
      if ((parts & (CDestinationLogic::kRows | CDestinationLogic::kSelection)) != 0) {
        for (std::size_t row = 0; row < view.rows.size(); ++row) {
          SendMessageW(list, LB_SETSEL, view.rows[row].selected ? TRUE : FALSE, static_cast<LPARAM>(row));
        }
        if (view.current >= 0) SendMessageW(list, LB_SETCARETINDEX, static_cast<WPARAM>(view.current), FALSE);
      }
      if ((parts & CDestinationLogic::kControls) != 0) {
        const bool left = side == CDestinationLogic::kLeft;
        SetText(left ? IDC_LEFT_CAPTION : IDC_RIGHT_CAPTION, view.caption);
        EnableWindow(GetDlgItem(m_window, left ? IDC_LEFT_BROWSE : IDC_RIGHT_BROWSE), view.browseEnabled);
        EnableWindow(GetDlgItem(m_window, left ? IDC_LEFT_REMOVE : IDC_RIGHT_REMOVE), view.removeEnabled);
        SetTip(left ? IDC_LEFT_BROWSE : IDC_RIGHT_BROWSE, view.browseTip);
        SetTip(left ? IDC_LEFT_REMOVE : IDC_RIGHT_REMOVE, view.removeTip);
      }
    }
    if ((parts & CDestinationLogic::kControls) != 0) {
      SendDlgItemMessageW(m_window, IDC_DIRECTION_ARROW, STM_SETICON,
                          reinterpret_cast<WPARAM>(Icon(m_destination.ArrowIcon())), 0);
      SendDlgItemMessageW(m_window, IDC_RIGHT_PICTURE, STM_SETICON,
                          reinterpret_cast<WPARAM>(Icon(m_destination.RightPicture())), 0);
      ShowControl(IDC_HINT, m_destination.HintShown());
    }
    if ((parts & CDestinationLogic::kFocus) != 0) {
      SetFocus(GetDlgItem(m_window,
                          m_destination.FocusSide() == CDestinationLogic::kLeft ? IDC_LEFT_BROWSE : IDC_RIGHT_BROWSE));
    }
  }

  void OnCommand(int control, int code) override {
    using ESide = CDestinationLogic::ESide;
    if (code == BN_CLICKED) {
      if (control == IDC_LEFT_BROWSE) m_destination.Browse(ESide::kLeft);
      if (control == IDC_RIGHT_BROWSE) m_destination.Browse(ESide::kRight);
      if (control == IDC_LEFT_REMOVE) m_destination.Remove(ESide::kLeft);
      if (control == IDC_RIGHT_REMOVE) m_destination.Remove(ESide::kRight);
    }
    if (code == LBN_SELCHANGE && (control == IDC_LEFT_LIST || control == IDC_RIGHT_LIST)) {
      HWND list = GetDlgItem(m_window, control);
      const LRESULT count = SendMessageW(list, LB_GETSELCOUNT, 0, 0);
      std::vector<int> selected(static_cast<std::size_t>(std::max<LRESULT>(count, 0)));
      if (!selected.empty()) {
        SendMessageW(list, LB_GETSELITEMS, selected.size(), reinterpret_cast<LPARAM>(selected.data()));
      }
      const int current = static_cast<int>(SendMessageW(list, LB_GETCARETINDEX, 0, 0));
      m_destination.SetSelection(control == IDC_LEFT_LIST ? ESide::kLeft : ESide::kRight, selected, current);
    }
  }

  bool OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) override {
    if (message != WM_DROPFILES) return false;
    HDROP drop = reinterpret_cast<HDROP>(wParam);
    std::vector<std::string> files;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
      DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size()));
      files.push_back(Utf8(name.c_str()));
    }
    POINT point = {};
    DragQueryPoint(drop, &point);
    DragFinish(drop);
    // Onto whichever list lies under the drop.
    HWND under = ChildWindowFromPoint(m_window, point);
    const int side =
        under == GetDlgItem(m_window, IDC_RIGHT_LIST) ? CDestinationLogic::kRight : CDestinationLogic::kLeft;
    const std::vector<std::string> taken = m_destination.AcceptsDrop(side, files);
    if (!taken.empty()) m_destination.AddSources(taken);
    result = 0;
    return true;
  }

 private:
  CDestinationLogic& m_destination;
};

// Conversion and transfer (135); the job tells its progress from its own thread.
class CConversionPage : public CWin32Page, private CConversionProgress {
 public:
  CConversionPage(CConversionLogic& logic, const CResourceTexts& texts)
      : CWin32Page(logic, texts), m_conversion(logic) {
    logic.SetProgressObserver(this);
  }
  ~CConversionPage() override { m_conversion.SetProgressObserver(nullptr); }

 protected:
  void Show(unsigned parts) override {
    if ((parts & CConversionLogic::kTexts) != 0) {
      SetText(IDC_STATUS, m_conversion.Status());
      ShowControl(IDC_HINT, m_conversion.HintShown());
      ShowControl(IDC_CODE_PAGE_NOTE, m_conversion.CodePageNoteShown());
      if (m_conversion.CodePageNoteShown()) SetText(IDC_CODE_PAGE_NOTE, m_conversion.CodePageNote());
    }
    if ((parts & CConversionLogic::kProgress) != 0) {
      SetBar(GetDlgItem(m_window, IDC_FILE_PROGRESS), m_conversion.PairCount(), m_conversion.PairsDone());
    }
  }
  void OnProgress() override {
    SetBar(GetDlgItem(m_window, IDC_FILE_PROGRESS), m_conversion.PairCount(), m_done.load());
    UpdateWindow(GetDlgItem(m_window, IDC_FILE_PROGRESS));
  }

 private:
  void OnPairsDone(std::size_t done) override {
    m_done = done;
    PostMessageW(m_window, kProgressMessage, 0, 0);
  }

  CConversionLogic& m_conversion;
  std::atomic<std::size_t> m_done{0};
};

// Finish (133).
class CFinishPage : public CWin32Page {
 public:
  CFinishPage(CFinishLogic& logic, const CResourceTexts& texts) : CWin32Page(logic, texts), m_finish(logic) {}

 protected:
  void Show(unsigned parts) override {
    if ((parts & CFinishLogic::kTexts) != 0) {
      SetText(IDC_OUTCOME, m_finish.Outcome());
      ShowControl(IDC_VOLUME_NOTE, !m_finish.VolumeNote().empty());
      SetText(IDC_VOLUME_NOTE, m_finish.VolumeNote());
      ShowControl(IDC_DETAILS, m_finish.DetailsShown());
      SetText(IDC_DETAILS, m_finish.Details());
    }
    if ((parts & CFinishLogic::kCaret) != 0) SendDlgItemMessageW(m_window, IDC_DETAILS, EM_SETSEL, 0, 0);
  }

 private:
  CFinishLogic& m_finish;
};

// Map region selection (139): a list view with a check box per region.
class CMapPage : public CWin32Page {
 public:
  CMapPage(CMapLogic& logic, const CResourceTexts& texts) : CWin32Page(logic, texts), m_map(logic) {}

 protected:
  void OnInitDialog() override {
    HWND list = GetDlgItem(m_window, IDC_REGIONS);
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    const int widths[] = {170, 60, 80};
    const int titles[] = {IDS_COLUMN_REGION, IDS_COLUMN_SIZE, IDS_COLUMN_DATE};
    for (int column = 0; column < 3; ++column) {
      std::wstring title = m_texts.String(titles[column]);
      LVCOLUMNW header = {};
      header.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
      header.fmt = column == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT;
      header.cx = widths[column];
      header.pszText = title.data();
      ListView_InsertColumn(list, column, &header);
    }
    SendDlgItemMessageW(m_window, IDC_ADD_REGIONS, BM_SETIMAGE, IMAGE_ICON,
                        reinterpret_cast<LPARAM>(Icon(IDI_ADD_REGIONS)));
    SetTip(IDC_ADD_REGIONS, m_texts.Utf8DialogText(kPageMap, "addTip"));
  }

  void Show(unsigned parts) override {
    if ((parts & CMapLogic::kRows) != 0) {
      HWND list = GetDlgItem(m_window, IDC_REGIONS);
      m_filling = true;
      ListView_DeleteAllItems(list);
      int index = 0;
      for (const SRegionRow& row : m_map.Rows()) {
        std::wstring name = Wide(row.name);
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = index;
        item.pszText = name.data();
        ListView_InsertItem(list, &item);
        std::wstring size = Wide(row.size);
        std::wstring date = Wide(row.date);
        ListView_SetItemText(list, index, 1, size.data());
        ListView_SetItemText(list, index, 2, date.data());
        ListView_SetCheckState(list, index, row.ticked);
        ++index;
      }
      m_filling = false;
    }
    if ((parts & CMapLogic::kDestinations) != 0) {
      HWND box = GetDlgItem(m_window, IDC_DESTINATION);
      SendMessageW(box, CB_RESETCONTENT, 0, 0);
      for (const std::string& text : m_map.DestinationTexts()) {
        SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
      }
      SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(m_map.ChosenDestination()), 0);
    }
    if ((parts & CMapLogic::kTexts) != 0) {
      SetText(IDC_PLACEMENT, m_map.Placement());
      SetText(IDC_AVAILABLE, m_map.Available());
      SetText(IDC_TOTAL, m_map.Total());
      ShowControl(IDC_NO_ROOM, m_map.NoRoomShown());
      if (m_map.NoRoomShown()) SetText(IDC_NO_ROOM, m_texts.Utf8DialogText(kPageMap, "noRoom"));
      ShowControl(IDC_REFUSAL, !m_map.Refusal().empty());
      SetText(IDC_REFUSAL, m_map.Refusal());
    }
  }

  void OnCommand(int control, int code) override {
    if (control == IDC_ADD_REGIONS && code == BN_CLICKED) m_map.AddRegions();
    if (control == IDC_DESTINATION && code == CBN_SELCHANGE) {
      m_map.ChooseDestination(static_cast<int>(SendDlgItemMessageW(m_window, IDC_DESTINATION, CB_GETCURSEL, 0, 0)));
    }
  }

  void OnNotify(const NMHDR& header) override {
    if (header.idFrom != IDC_REGIONS || header.code != LVN_ITEMCHANGED || m_filling) return;
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    // The check box is the item's state image: 1 unticked, 2 ticked.
    if ((change.uChanged & LVIF_STATE) == 0 || ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) == 0) {
      return;
    }
    m_map.SetTicked(change.iItem, ((change.uNewState & LVIS_STATEIMAGEMASK) >> 12) == 2);
  }

  // The total in red while the ticked regions do not fit.
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override {
    if (message != WM_CTLCOLORSTATIC || reinterpret_cast<HWND>(lParam) != GetDlgItem(m_window, IDC_TOTAL) ||
        !m_map.OverCapacity()) {
      return false;
    }
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, RGB(255, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    result = reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_3DFACE));
    return true;
  }

 private:
  CMapLogic& m_map;
  bool m_filling = false;
};

// Map transfer (141); the copy tells its progress from its own thread, the latest kept here.
class CMapTransferPage : public CWin32Page, private CTransferObserver {
 public:
  CMapTransferPage(CMapTransferLogic& logic, const CResourceTexts& texts)
      : CWin32Page(logic, texts), m_transfer(logic) {
    logic.SetProgressObserver(this);
  }
  ~CMapTransferPage() override { m_transfer.SetProgressObserver(nullptr); }

 protected:
  void OnInitDialog() override {
    SetText(IDC_COPYING_LABEL, m_texts.Utf8String(IDS_COPYING_FILE));
    SetText(IDC_TIME_LEFT_LABEL, m_texts.Utf8String(IDS_TIME_LEFT));
  }

  void Show(unsigned parts) override {
    if ((parts & CMapTransferLogic::kTexts) != 0) {
      SetText(IDC_TRANSFER_STATUS, m_transfer.Status());
      ShowControl(IDC_COPYING_LABEL, m_transfer.CopyingShown());
      EnableWindow(GetDlgItem(m_window, IDC_HINT), m_transfer.HintEnabled());
      ShowControl(IDC_MADE_ROOM, !m_transfer.MadeRoom().empty());
      SetText(IDC_MADE_ROOM, m_transfer.MadeRoom());
    }
    if ((parts & CMapTransferLogic::kProgress) != 0) ShowProgress(m_transfer.Progress(), true);
    if ((parts & CMapTransferLogic::kFileAndTime) != 0) ShowProgress(m_transfer.Progress(), false);
  }

  void OnProgress() override {
    STransferProgress latest;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      latest = m_latest;
    }
    ShowProgress(latest, true);
    UpdateWindow(m_window);
  }

 private:
  void ShowProgress(const STransferProgress& progress, bool bars) {
    SetText(IDC_FILE_NAME, progress.fileName);
    SetText(IDC_TIME_LEFT, progress.timeLeft);
    if (!bars) return;
    SetBar(GetDlgItem(m_window, IDC_FILE_BLOCKS), progress.fileBlocks, progress.fileDone);
    SetBar(GetDlgItem(m_window, IDC_TOTAL_BLOCKS), progress.totalBlocks, progress.totalDone);
  }

  void OnTransferProgress(const STransferProgress& progress) override {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_latest = progress;
    }
    PostMessageW(m_window, kProgressMessage, 0, 0);
  }

  CMapTransferLogic& m_transfer;
  std::mutex m_mutex;
  STransferProgress m_latest;
};

}  // namespace

void CWin32Page::SetTimer(int timerId, int milliseconds) {
  if (m_window != nullptr)
    ::SetTimer(m_window, static_cast<UINT_PTR>(timerId), static_cast<UINT>(milliseconds), nullptr);
}

void CWin32Page::KillTimer(int timerId) {
  if (m_window != nullptr) ::KillTimer(m_window, static_cast<UINT_PTR>(timerId));
}

void CWin32Page::Refresh(unsigned parts) {
  if (m_window == nullptr) {
    m_pending |= parts;
    return;
  }
  Show(parts);
}

void CWin32Page::SetText(int control, const std::string& utf8) const {
  SetDlgItemTextW(m_window, control, ControlText(utf8).c_str());
}

void CWin32Page::SetTip(int control, const std::string& utf8) {
  if (m_tips == nullptr) {
    m_tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_window, nullptr, nullptr, nullptr);
  }
  std::wstring text = Wide(utf8);
  TTTOOLINFOW tool = {};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = m_window;
  tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(m_window, control));
  tool.lpszText = text.data();
  // Added once, its text replaced afterwards.
  const bool added = !m_tipped.insert(control).second;
  SendMessageW(m_tips, added ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CWin32Page::ShowControl(int control, bool shown) const {
  ShowWindow(GetDlgItem(m_window, control), shown ? SW_SHOW : SW_HIDE);
}

HICON CWin32Page::Icon(int id) const {
  return static_cast<HICON>(LoadImageW(m_sheet->m_resources, MAKEINTRESOURCEW(id), IMAGE_ICON, 0, 0, LR_SHARED));
}

INT_PTR CALLBACK CWin32Page::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* page = reinterpret_cast<CWin32Page*>(reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam);
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
    page->m_window = window;
    page->OnInitDialog();
    // What the logic showed before the window existed, and the rest of its view.
    page->m_pending = 0;
    page->Show(~0u);
    return TRUE;
  }
  auto* page = reinterpret_cast<CWin32Page*>(GetWindowLongPtrW(window, DWLP_USER));
  if (page == nullptr) return FALSE;
  INT_PTR result = 0;
  switch (message) {
    case WM_NOTIFY: {
      const NMHDR& header = *reinterpret_cast<const NMHDR*>(lParam);
      LONG_PTR answer = 0;
      if (page->m_sheet->OnPageNotify(page->m_index, header, answer)) {
        SetWindowLongPtrW(window, DWLP_MSGRESULT, answer);
        return TRUE;
      }
      page->OnNotify(header);
      return FALSE;
    }
    case WM_COMMAND:
      page->OnCommand(LOWORD(wParam), HIWORD(wParam));
      return FALSE;
    case WM_TIMER:
      // The logic's timers fire once.
      ::KillTimer(window, wParam);
      page->m_logic.OnTimer(static_cast<int>(wParam));
      return TRUE;
    case kProgressMessage:
      page->OnProgress();
      return TRUE;
    case WM_DESTROY:
      if (page->m_tips != nullptr) DestroyWindow(page->m_tips);
      page->m_tips = nullptr;
      page->m_tipped.clear();
      page->m_window = nullptr;
      return FALSE;
    default:
      return page->OnMessage(message, wParam, lParam, result) ? result : FALSE;
  }
}

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
  header.dwFlags = PSH_WIZARD97 | PSH_HEADER | PSH_WATERMARK | PSH_USEHBMHEADER | PSH_USEHBMWATERMARK |
                   PSH_USECALLBACK | PSH_NOCONTEXTHELP;
  header.hwndParent = owner;
  header.hInstance = m_resources;
  header.pszCaption = caption.c_str();
  header.nPages = static_cast<UINT>(handles.size());
  header.phpage = handles.data();
  header.hbmHeader = picture;
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
  }
  return 0;
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
