// The file selection page.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <memory>
#include <mutex>
#include <string>
#include <type_traits>

#include "preview/preview_content.h"
#include "preview/preview_requests.h"
#include "wizard/logic/destination_logic.h"
#include "wizard/win32/list_row_tips.h"
#include "wizard/win32/property_page.h"

// A GDI bitmap, deleted with its owner.
struct SDeleteBitmap {
  void operator()(HBITMAP bitmap) const { DeleteObject(bitmap); }
};
using UBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, SDeleteBitmap>;

// The preview of the chosen row's source is read, summed up and drawn on a worker thread in the
// order CPreviewRequests keeps; the worker leaves each result in a slot and posts kPreviewMessage.
class CDestinationPage : public CWin32Page {
 public:
  CDestinationPage(CDestinationLogic& logic, const CResourceTexts& texts)
      : CWin32Page(logic, texts), m_destination(logic) {}
  ~CDestinationPage() override;

 protected:
  void OnInitDialog() override;
  void Show(unsigned parts) override;
  void OnCommand(int control, int code) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void DrawRow(const DRAWITEMSTRUCT& item) const;
  void DrawPicture(const DRAWITEMSTRUCT& item) const;
  void ShowPreview();
  void DrawPreview();
  void TakePreviewResults();

  CDestinationLogic& m_destination;
  HICON m_mark = nullptr;
  CListRowTips m_rowTips[2];

  std::string m_previewPath;  // the file the preview shows or is reading
  std::shared_ptr<const SPreviewContent> m_content;
  UBitmap m_picture;

  // What the worker left for the window, under m_slotLock: the latest content and picture with
  // their request numbers.
  std::mutex m_slotLock;
  int m_contentRequest = 0;
  std::shared_ptr<const SPreviewContent> m_arrivedContent;
  int m_pictureRequest = 0;
  UBitmap m_arrivedPicture;

  // Last, so that it is the first to go: no work is left running once the rest goes.
  CPreviewRequests m_requests;
};
