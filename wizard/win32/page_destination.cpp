// The file selection page.
#include "wizard/win32/page_destination.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
// clang-format on

#include <algorithm>
#include <vector>

#include "app/win32/resource_texts.h"
#include "app/win32/services.h"
#include "preview/navigation_reader.h"
#include "preview/picture_style.h"
#include "preview/win32/gdiplus_drawing.h"
#include "resources/string_ids.h"
#include "resources/win32/resource_ids.h"
#include "wizard/win32/row_marks.h"

namespace {

int List(int side) { return side == CDestinationLogic::kLeft ? IDC_LEFT_LIST : IDC_RIGHT_LIST; }

COLORREF Paper() {
  return RGB((picture_style::kPaper >> 16) & 0xFF, (picture_style::kPaper >> 8) & 0xFF, picture_style::kPaper & 0xFF);
}

}  // namespace

CDestinationPage::~CDestinationPage() {
  if (m_mark != nullptr) DestroyIcon(m_mark);
}

void CDestinationPage::OnInitDialog() {
  DragAcceptFiles(m_window, TRUE);
  for (int button : {IDC_LEFT_BROWSE, IDC_RIGHT_BROWSE}) {
    SendDlgItemMessageW(m_window, button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(Icon(IDI_BROWSE)));
  }
  for (int button : {IDC_LEFT_REMOVE, IDC_RIGHT_REMOVE}) {
    SendDlgItemMessageW(m_window, button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(Icon(IDI_REMOVE)));
  }
  // The lists draw their rows: the mark of a target that exists, then the path, which loses its
  // middle rather than its end when the row is too narrow; each row's tooltip shows it whole.
  if (m_mark == nullptr) LoadIconMetric(nullptr, IDI_WARNING, LIM_SMALL, &m_mark);
  for (int side : {CDestinationLogic::kLeft, CDestinationLogic::kRight}) {
    HWND list = GetDlgItem(m_window, List(side));
    const LRESULT height = SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
    SendMessageW(list, LB_SETITEMHEIGHT, 0, std::max<LRESULT>(height, GetSystemMetrics(SM_CYSMICON) + 2));
    m_rowTips[side].Attach(Tips(), list, [this, side](int row, int) {
      const std::vector<SFileRow>& rows = m_destination.Side(side).rows;
      return row < static_cast<int>(rows.size()) ? rows[static_cast<std::size_t>(row)].tip : std::string();
    });
  }
}

void CDestinationPage::DrawRow(const DRAWITEMSTRUCT& item) const {
  if (item.itemID == static_cast<UINT>(-1)) {
    if ((item.itemState & ODS_FOCUS) != 0) DrawFocusRect(item.hDC, &item.rcItem);
    return;
  }
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  RECT place = item.rcItem;
  const int icon = GetSystemMetrics(SM_CXSMICON);
  if (item.itemData == kRowMarked && m_mark != nullptr) {
    DrawIconEx(item.hDC, place.left + 1, place.top + (place.bottom - place.top - icon) / 2, m_mark, icon, icon, 0,
               nullptr, DI_NORMAL);
  }
  place.left += icon + 4;
  const LRESULT length = SendMessageW(item.hwndItem, LB_GETTEXTLEN, item.itemID, 0);
  std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
  SendMessageW(item.hwndItem, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(std::max<LRESULT>(length, 0)));
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &place,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_PATH_ELLIPSIS);
  if ((item.itemState & ODS_FOCUS) != 0) DrawFocusRect(item.hDC, &item.rcItem);
}

void CDestinationPage::DrawPicture(const DRAWITEMSTRUCT& item) const {
  const HBRUSH paper = CreateSolidBrush(Paper());
  FillRect(item.hDC, &item.rcItem, paper);
  DeleteObject(paper);
  BITMAP size = {};
  if (m_picture == nullptr || GetObjectW(m_picture.get(), sizeof size, &size) == 0) return;
  HDC source = CreateCompatibleDC(item.hDC);
  const HGDIOBJ before = SelectObject(source, m_picture.get());
  const int width = item.rcItem.right - item.rcItem.left;
  const int height = item.rcItem.bottom - item.rcItem.top;
  BitBlt(item.hDC, item.rcItem.left + (width - size.bmWidth) / 2, item.rcItem.top + (height - size.bmHeight) / 2,
         size.bmWidth, size.bmHeight, source, 0, 0, SRCCOPY);
  SelectObject(source, before);
  DeleteDC(source);
}

void CDestinationPage::ShowPreview() {
  SetText(IDC_PREVIEW_TITLE, m_destination.PreviewTitle());
  const std::string& path = m_destination.PreviewSource();
  if (path == m_previewPath) return;
  m_previewPath = path;
  m_content.reset();
  m_picture.reset();
  InvalidateRect(GetDlgItem(m_window, IDC_PREVIEW_PICTURE), nullptr, FALSE);
  const int request = m_requests.NewFile();
  if (path.empty()) {
    SetText(IDC_PREVIEW_SUMMARY, std::string());
    return;
  }
  SetText(IDC_PREVIEW_SUMMARY, m_texts.Utf8String(IDS_PLEASE_WAIT));
  const SSummaryWords words = SummaryWordsOf([this](const std::string& key) { return m_texts.Utf8Text(key); });
  const std::string failure = m_texts.Utf8String(IDS_ERROR_LOADING);
  const int finestSide = std::max(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  HWND window = m_window;
  m_requests.Run([this, window, path, words, failure, finestSide, request](const std::atomic<bool>& stop) {
    std::shared_ptr<const SPreviewContent> content =
        ReadPreviewContent(ReadNavigationFile, path, words, failure, finestSide, &stop);
    if (stop.load()) return;  // a newer file is wanted
    {
      const std::lock_guard<std::mutex> hold(m_slotLock);
      m_contentRequest = request;
      m_arrivedContent = std::move(content);
    }
    PostMessageW(window, kPreviewMessage, 0, 0);
  });
}

void CDestinationPage::DrawPreview() {
  const int request = m_requests.NewPicture();
  RECT room = {};
  GetClientRect(GetDlgItem(m_window, IDC_PREVIEW_PICTURE), &room);
  HWND window = m_window;
  m_requests.Run([this, window, content = m_content, room, request](const std::atomic<bool>&) {
    UBitmap picture;
    if (content->read) {
      const CGdiplusSession painter;
      picture.reset(
          painter.PaintForWindow(content->picture->Draw(room.right, room.bottom, painter.Measure()), Paper()));
    }
    {
      const std::lock_guard<std::mutex> hold(m_slotLock);
      m_pictureRequest = request;
      m_arrivedPicture = std::move(picture);
    }
    PostMessageW(window, kPreviewMessage, 0, 0);
  });
}

void CDestinationPage::TakePreviewResults() {
  std::shared_ptr<const SPreviewContent> content;
  UBitmap picture;
  int contentRequest = 0;
  int pictureRequest = 0;
  {
    const std::lock_guard<std::mutex> hold(m_slotLock);
    content = std::move(m_arrivedContent);
    contentRequest = m_contentRequest;
    picture = std::move(m_arrivedPicture);
    pictureRequest = m_pictureRequest;
  }
  if (content != nullptr && m_requests.IsLatestFile(contentRequest)) {
    m_content = std::move(content);
    SetText(IDC_PREVIEW_SUMMARY, m_content->text);
    DrawPreview();
  }
  if (picture != nullptr && m_requests.IsLatestPicture(pictureRequest) && m_content != nullptr) {
    m_picture = std::move(picture);
    InvalidateRect(GetDlgItem(m_window, IDC_PREVIEW_PICTURE), nullptr, FALSE);
  }
}

void CDestinationPage::Show(unsigned parts) {
  for (int side : {CDestinationLogic::kLeft, CDestinationLogic::kRight}) {
    const SFileSide& view = m_destination.Side(side);
    HWND list = GetDlgItem(m_window, List(side));
    if ((parts & CDestinationLogic::kRows) != 0) {
      SendMessageW(list, LB_RESETCONTENT, 0, 0);
      for (const SFileRow& row : view.rows) {
        const LRESULT index = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(row.text).c_str()));
        SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(index), row.exists ? kRowMarked : kRowUnmarked);
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
                        reinterpret_cast<WPARAM>(Picture(m_destination.ArrowIcon())), 0);
    SendDlgItemMessageW(m_window, IDC_RIGHT_PICTURE, STM_SETICON,
                        reinterpret_cast<WPARAM>(Picture(m_destination.RightPicture())), 0);
    ShowControl(IDC_HINT, m_destination.HintShown());
  }
  if ((parts & CDestinationLogic::kPreview) != 0) ShowPreview();
  if ((parts & CDestinationLogic::kFocus) != 0) {
    SetFocus(GetDlgItem(m_window,
                        m_destination.FocusSide() == CDestinationLogic::kLeft ? IDC_LEFT_BROWSE : IDC_RIGHT_BROWSE));
  }
}

void CDestinationPage::OnCommand(int control, int code) {
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

bool CDestinationPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (message == WM_DRAWITEM && (wParam == IDC_LEFT_LIST || wParam == IDC_RIGHT_LIST)) {
    DrawRow(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    result = TRUE;
    return true;
  }
  if (message == WM_DRAWITEM && wParam == IDC_PREVIEW_PICTURE) {
    DrawPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    result = TRUE;
    return true;
  }
  if (message == kPreviewMessage) {
    TakePreviewResults();
    result = 0;
    return true;
  }
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
  const int side = under == GetDlgItem(m_window, IDC_RIGHT_LIST) ? CDestinationLogic::kRight : CDestinationLogic::kLeft;
  const std::vector<std::string> taken = m_destination.AcceptsDrop(side, files);
  if (!taken.empty()) m_destination.AddSources(taken);
  result = 0;
  return true;
}
