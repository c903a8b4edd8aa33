// The wizard sheet's rules: the pages in sheet order, navigation by the pages' results, the
// wizard buttons and whether the wizard may close.
#pragma once

#include <vector>

#include "wizard/logic/page_logic.h"

// What the face of the sheet does for its logic.
class CSheetFace {
 public:
  virtual ~CSheetFace() = default;
  // The page at this index is now current: show it under its title (string TitleId()). Called
  // before the page's own handlers run. Once the buttons it posts apply, the focus rests where the
  // page put it, else on its first control, else on the default button (ButtonsView), never on Back.
  virtual void ShowPage(int index) = 0;
  // Applies the button state after the current handler returns (queued, like a posted message),
  // several in the order posted, so the last one wins.
  virtual void PostWizardButtons(int buttons) = 0;
  // Presses Back as the user does (after a cancelled copy has unwound, to leave its page).
  virtual void PressBack() = 0;
  // Closes the wizard as its window's close button does (QueryClose decides).
  virtual void Close() = 0;
  // Ends the program at once with this exit status (a signal stopped the work).
  virtual void EndProgram(int status) = 0;
};

// What the three buttons show for a button state: Finish stands in Next's place when it is in the
// set, and the button in that place is the default, which Enter presses when it is enabled.
struct SWizardButtonsView {
  bool backEnabled = false;
  bool nextShown = true;
  bool nextEnabled = false;
  bool finishShown = false;
  bool finishEnabled = false;
  EWizardButton defaultButton = kButtonNext;
};
SWizardButtonsView ButtonsView(int buttons);

// Holds the pages' logic in sheet order (it does not own them) and moves between them by the
// navigation results of their handlers: 0 the adjacent page, another page's id that page, the
// page's own id (or an id of no page) stays.
//
// A face that navigates by itself (the Qt sheet) calls PressNext, PressBack and PressFinish. A
// face whose window system moves the pages (a Win32 property sheet) asks LeaveByNext or
// LeaveByBack in PSN_WIZNEXT/PSN_WIZBACK and answers the target page's id (-1 to stay), calls
// Activate(index) in the new page's PSN_SETACTIVE and LeaveByFinish in PSN_WIZFINISH; QueryClose
// answers PSN_QUERYCANCEL and WM_CLOSE.
class CSheetLogic {
 public:
  explicit CSheetLogic(const CWizardState& state) : m_state(state) {}
  CSheetLogic(const CSheetLogic&) = delete;
  CSheetLogic& operator=(const CSheetLogic&) = delete;

  void SetFace(CSheetFace* face) { m_face = face; }
  void AddPage(CPageLogic& page);
  // Shows the first page; once, after the pages are added.
  void Start();

  int PageCount() const { return static_cast<int>(m_pages.size()); }
  CPageLogic& PageAt(int index) const { return *m_pages[static_cast<std::size_t>(index)]; }
  int CurrentIndex() const { return m_current; }
  CPageLogic* CurrentPage() const;
  CPageLogic* PageById(int pageId) const;
  int IndexOf(int pageId) const;  // -1 for no page

  // The index of the page Next (Back) leads to, or -1 to stay. A page that is left first hands its
  // choices to the shared state.
  int LeaveByNext() { return Leave(CurrentPage() != nullptr ? CurrentPage()->OnWizardNext() : 0, +1); }
  int LeaveByBack() { return Leave(CurrentPage() != nullptr ? CurrentPage()->OnWizardBack() : 0, -1); }
  // Whether Finish may close the wizard; the page hands its choices to the state first.
  bool LeaveByFinish();
  // The page at the index becomes current: shown, its fields from the state, then its activation.
  void Activate(int index);
  void PressNext();
  void PressBack();

  // Whether the wizard may close now (its window's close button, Esc): never while the please-wait
  // box shows, and only when the current page lets it.
  bool QueryClose();

  // From the pages.
  void PostWizardButtons(int buttons);
  // The last button state posted, which is the one that stands once the posts apply.
  int PostedButtons() const { return m_posted; }
  void RequestBack();
  void RequestClose();
  void RequestEndProgram(int status);

 private:
  int Leave(int result, int step);

  const CWizardState& m_state;
  CSheetFace* m_face = nullptr;
  std::vector<CPageLogic*> m_pages;
  int m_current = -1;
  int m_posted = kButtonNone;
};
