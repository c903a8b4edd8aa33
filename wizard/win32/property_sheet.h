// The wizard as a Win32 property sheet: the sheet's face over the sheet logic and its pages.
#pragma once

// clang-format off
#include <windows.h>
#include <prsht.h>
// clang-format on

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "wizard/logic/sheet_logic.h"
#include "wizard/win32/property_page.h"

class CResourceTexts;
class CWizardPages;

// The sheet: PropertySheetW in wizard mode with the header band, its nine pages from the dialog
// templates of the resource module, run modally over the owner window.
class CWin32Sheet : public CSheetFace {
 public:
  CWin32Sheet(CSheetLogic& logic, CWizardPages& pages, HMODULE resources, const CResourceTexts& texts);
  ~CWin32Sheet() override;

  // Runs the wizard until it closes.
  void Run(HWND owner, HBITMAP picture);
  // While this answers true (a wait or a job runs), the mouse shows the busy cursor over the
  // sheet, however it moves.
  void SetBusyQuery(std::function<bool()> busy) { m_busy = std::move(busy); }
  HWND Window() const { return m_window; }
  HWND CurrentPage() const;

  void ShowPage(int index) override;
  void PostWizardButtons(int buttons) override;
  void PressBack() override;
  void Close() override;
  void EndProgram(int status) override;

 private:
  friend class CWin32Page;
  static int CALLBACK Callback(HWND window, UINT message, LPARAM lParam);
  static LRESULT CALLBACK Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR self);
  // The sheet's notification to the page at the index; true when it answered in `result`.
  bool OnPageNotify(int index, const NMHDR& header, LONG_PTR& result);
  void ArrangeButtons();
  // The header picture, over the header band the sheet drew.
  void PaintHeaderPicture() const;

  CSheetLogic& m_logic;
  HMODULE m_resources;
  const CResourceTexts& m_texts;
  std::vector<std::unique_ptr<CWin32Page>> m_pages;
  std::vector<std::wstring> m_titles;
  HWND m_window = nullptr;
  std::function<bool()> m_busy;
  HBITMAP m_picture = nullptr;
};
