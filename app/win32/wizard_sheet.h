// The wizard as a Win32 property sheet: the sheet's face and one dialog per page, each forwarding
// to the page's logic and showing its view.
#pragma once

// clang-format off
#include <windows.h>
#include <prsht.h>
// clang-format on

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "wizard/logic/sheet_logic.h"

class CResourceTexts;
class CWizardPages;

// One page's dialog: its procedure hands the sheet's notifications to the sheet logic and the
// controls' to the page's logic; Refresh writes the controls from the logic's view. A refresh asked
// before the page's window exists waits for it.
class CWin32Page : public CPageSite {
 public:
  CWin32Page(CPageLogic& logic, const CResourceTexts& texts) : m_logic(logic), m_texts(texts) {}
  ~CWin32Page() override = default;

  CPageLogic& Logic() const { return m_logic; }
  HWND Window() const { return m_window; }
  void SetTimer(int timerId, int milliseconds) override;
  void KillTimer(int timerId) override;
  void Refresh(unsigned parts) override;

  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  // What each page adds: its controls' first set-up, their view, their notifications.
  virtual void OnInitDialog() {}
  virtual void Show(unsigned parts) { (void)parts; }
  virtual void OnCommand(int control, int code) {
    (void)control;
    (void)code;
  }
  virtual void OnNotify(const NMHDR& header) { (void)header; }
  virtual void OnProgress() {}
  // A page's own handling of other messages; true when it answered.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    (void)message;
    (void)wParam;
    (void)lParam;
    (void)result;
    return false;
  }

  void SetText(int control, const std::string& utf8) const;
  // The control's tooltip; the buttons that show icons only say what they do in theirs.
  void SetTip(int control, const std::string& utf8);
  void ShowControl(int control, bool shown) const;
  HICON Icon(int id) const;

  CPageLogic& m_logic;
  const CResourceTexts& m_texts;
  HWND m_window = nullptr;

 private:
  HWND m_tips = nullptr;
  std::set<int> m_tipped;  // controls that have a tooltip
  friend class CWin32Sheet;
  class CWin32Sheet* m_sheet = nullptr;
  int m_index = 0;
  unsigned m_pending = 0;
};

// The sheet: PropertySheetW in wizard mode with the header band, its nine pages from the dialog
// templates of the resource module, run modally over the owner window.
class CWin32Sheet : public CSheetFace {
 public:
  CWin32Sheet(CSheetLogic& logic, CWizardPages& pages, HMODULE resources, const CResourceTexts& texts);
  ~CWin32Sheet() override;

  // Runs the wizard until it closes.
  void Run(HWND owner, HBITMAP picture);
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
  // The sheet's notification to the page at the index; true when it answered in `result`.
  bool OnPageNotify(int index, const NMHDR& header, LONG_PTR& result);
  void ArrangeButtons();

  CSheetLogic& m_logic;
  HMODULE m_resources;
  const CResourceTexts& m_texts;
  std::vector<std::unique_ptr<CWin32Page>> m_pages;
  std::vector<std::wstring> m_titles;
  HWND m_window = nullptr;
};
