// A wizard page's decisions apart from the controls that show them: the base of the nine pages'
// logic, their ids, the wizard buttons, and what a face does for a page.
#pragma once

#include <string>

class CSheetLogic;
class CWizardState;

// Page ids are the numbers of the pages' dialogs; navigation handlers answer 0 for the adjacent
// page in sheet order, another page's id to jump there, or the page's own id to stay.
enum EPageId : int {
  kPageWelcome = 129,
  kPageSelectMode = 130,
  kPageFinish = 133,
  kPageDestination = 134,
  kPageConversion = 135,
  kPageFindUnit = 137,
  kPageMap = 139,
  kPageFindCard = 140,
  kPageMapTransfer = 141,
};

// Wizard buttons; Finish takes the place of Next when it is in the set.
enum EWizardButton : int { kButtonNone = 0, kButtonBack = 1, kButtonNext = 2, kButtonFinish = 4 };

// What the face of one page does for its logic: the Qt page, the Win32 dialog procedure, or a
// test's recorder.
class CPageSite {
 public:
  virtual ~CPageSite() = default;
  // A single-shot timer: once the window system is idle again, after about `milliseconds`, the face
  // calls OnTimer(timerId) of the logic, so that the page is painted before the work begins.
  // Setting a timer that is set restarts it.
  virtual void SetTimer(int timerId, int milliseconds) = 0;
  virtual void KillTimer(int timerId) = 0;
  // The parts of the page's view named by the mask (each page names its own) changed: the face
  // reads them from the logic and writes its controls.
  virtual void Refresh(unsigned parts) = 0;
};

// The base of every page's logic. The sheet logic calls the handlers; a face adds what its
// controls tell (a choice, a click, a selection) through each page's own operations, and shows the
// page's view whenever its site is told to refresh it. The handlers run on the window's thread.
class CPageLogic {
 public:
  CPageLogic(CWizardState& state, int pageId, int titleId);
  virtual ~CPageLogic() = default;
  CPageLogic(const CPageLogic&) = delete;
  CPageLogic& operator=(const CPageLogic&) = delete;

  int PageId() const { return m_pageId; }
  int TitleId() const { return m_titleId; }
  void SetSheet(CSheetLogic* sheet) { m_sheet = sheet; }
  // The face that shows the page; none (nullptr) leaves timers and refreshes unsent.
  void SetSite(CPageSite* site) { m_site = site; }

  // The page becomes current (also after Back); true accepts.
  virtual bool OnSetActive() { return true; }
  virtual int OnWizardNext() { return 0; }
  virtual int OnWizardBack() { return 0; }
  // Whether the wizard may close by Finish.
  virtual bool OnWizardFinish() { return true; }
  // The wizard is about to close (its window closed, or Esc): true lets it close now.
  virtual bool OnQueryCancel() { return true; }
  // toFields true: the page's choices to the shared state, as the page is left (by Next or Back);
  // false: the shared state to the page, each time it is shown.
  virtual void DoDataExchange(bool toFields) { (void)toFields; }
  virtual void OnTimer(int timerId) { (void)timerId; }

 protected:
  // Posted to the sheet: requests take effect after the current handler, the last one wins.
  void SetWizardButtons(int buttons);
  void SetTimer(int timerId, int milliseconds);
  void KillTimer(int timerId);
  void Refresh(unsigned parts);
  // The string table's text of an id, and the text of a control of this page's dialog.
  std::string String(int id) const;
  std::string Text(const char* control) const;

  CWizardState& m_state;
  CSheetLogic* m_sheet = nullptr;

 private:
  CPageSite* m_site = nullptr;
  int m_pageId;
  int m_titleId;
};
