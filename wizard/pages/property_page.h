// The page base: what the sheet calls on every page, and the services a page uses.
#pragma once

#include <QString>
#include <QWidget>
#include <map>

class CPropertySheet_;
class CWizardState;
class QTimer;

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

// Every page derives from this base. A page holds the controls of its dialog and reaches the rest
// of the wizard only through the shared state and the navigation results it answers.
class CPropertyPage_ : public QWidget {
  Q_OBJECT

 public:
  CPropertyPage_(CWizardState& state, int pageId, int titleId);

  int PageId() const { return m_pageId; }
  int TitleId() const { return m_titleId; }
  void AttachToSheet(CPropertySheet_* sheet) { m_sheet = sheet; }

  virtual bool OnSetActive() { return true; }
  virtual int OnWizardNext() { return 0; }
  virtual int OnWizardBack() { return 0; }
  virtual bool OnWizardFinish() { return true; }
  // The wizard is about to close (its window closed, or Esc): true lets it close now.
  virtual bool OnQueryCancel() { return true; }
  // toFields true: controls to the shared state; false: the shared state to the controls.
  virtual void DoDataExchange(bool toFields) { (void)toFields; }
  virtual void OnTimer(int timerId) { (void)timerId; }

 protected:
  // Queued to the sheet: requests take effect after the current handler, the last one wins.
  void SetWizardButtons(int buttons);
  // A single-shot timer that calls OnTimer(timerId) once the window system is idle again, so the
  // page paints before the work starts.
  void SetTimer(int timerId, int milliseconds);
  void KillTimer(int timerId);
  QString Text(const char* control) const;
  QString String(int id) const;

  CWizardState& m_state;
  CPropertySheet_* m_sheet = nullptr;

 private:
  int m_pageId;
  int m_titleId;
  std::map<int, QTimer*> m_timers;
};

class QButtonGroup;

// Names a control that shows an icon only: the tooltip and what a screen reader says.
void SetTip(QWidget* control, const QString& text);

// A radio group read as the position of its checked button (-1 when none is checked); writing a
// value checks the button at that position, and a value outside the group checks none.
void ExchangeRadioGroup(QButtonGroup* group, int& value, bool toFields);
