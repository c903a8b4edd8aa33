// One page of the Win32 wizard: a dialog forwarding to the page's logic and showing its view.
#pragma once

// clang-format off
#include <windows.h>
#include <prsht.h>
// clang-format on

#include <set>
#include <string>

#include "wizard/logic/page_logic.h"

class CResourceTexts;

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
  // A control's notification; true when the page answered it in `result`.
  virtual bool OnNotify(const NMHDR& header, LONG_PTR& result) {
    (void)header;
    (void)result;
    return false;
  }
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
  // The page's tooltip control, made when first asked for.
  HWND Tips();
  void ShowControl(int control, bool shown) const;
  // An icon at the size of a button's (small) or of a picture on the page (large).
  HICON Icon(int id) const;
  HICON Picture(int id) const;

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
