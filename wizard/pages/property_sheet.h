// The wizard frame: header band with title and picture, the current page, Back and Next/Finish.
#pragma once

#include <QWidget>
#include <vector>

#include "wizard/logic/sheet_logic.h"
#include "wizard/pages/property_page.h"

class CResourceSource;
class CWizardState;
class QLabel;
class QPushButton;
class QStackedWidget;

// Shows the sheet logic's pages in sheet order: every page under the same caption (string 102)
// and the header picture (bitmap 131) with its own title, Back and Next (or Finish in its place)
// below. There is no Cancel: closing the window ends the wizard, and so does Esc, when the logic
// lets it. Enter presses the default button from any control of a page. After every page change
// the focus rests on the page's first control, else on the default button, never on Back unless
// the user puts it there.
class CPropertySheet_ : public QWidget, private CSheetFace {
  Q_OBJECT

 public:
  CPropertySheet_(const CWizardState& state, const CResourceSource& resources, QWidget* parent = nullptr);

  void AddPage(CPropertyPage_* page);  // the sheet owns the page; its logic joins the sheet's
  // Shows the first page; call once, after the pages are added.
  void Start();

  CSheetLogic& Logic() { return m_logic; }
  int CurrentIndex() const { return m_logic.CurrentIndex(); }
  CPropertyPage_* CurrentPage() const;
  CPropertyPage_* PageById(int pageId) const;
  int PageCount() const { return static_cast<int>(m_pages.size()); }
  CPropertyPage_* PageAt(int index) const { return m_pages[static_cast<std::size_t>(index)]; }

  // The button state applied (a posted one applies once the handler that posted it returns).
  int WizardButtons() const { return m_buttons; }
  QPushButton* BackButton() const { return m_back; }
  QPushButton* NextButton() const { return m_next; }
  QPushButton* FinishButton() const { return m_finish; }
  QString HeaderTitle() const;

  void PressNext();
  void PressBack() override;
  void PressFinish();

 signals:
  void Finished();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // CSheetFace
  void ShowPage(int index) override;
  void PostWizardButtons(int buttons) override;
  void Close() override { close(); }
  void EndProgram(int status) override;

  void ApplyWizardButtons(int buttons);
  QPushButton* DefaultButton() const;
  // The page's first control that takes the keyboard, visible and enabled; nullptr when none does.
  static QWidget* FirstControl(const CPropertyPage_* page);
  // The focus after a page change: where the page put it, else its first control, else the
  // default button, else the sheet itself.
  void SettleFocus();

  const CResourceSource& m_resources;
  CSheetLogic m_logic;
  std::vector<CPropertyPage_*> m_pages;
  int m_buttons = kButtonNone;
  QWidget* m_header = nullptr;
  QLabel* m_title = nullptr;
  QStackedWidget* m_stack = nullptr;
  QPushButton* m_back = nullptr;
  QPushButton* m_next = nullptr;
  QPushButton* m_finish = nullptr;
};
