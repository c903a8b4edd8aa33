// The wizard frame: header band with title and picture, the current page, Back and Next/Finish.
#pragma once

#include <QWidget>
#include <vector>

#include "wizard/pages/property_page.h"

class CResourceSource;
class QLabel;
class QPushButton;
class QStackedWidget;

// Holds the pages in sheet order and moves between them by the navigation results of their
// handlers. Every page shows the same caption (string 102) and the header picture (bitmap 131)
// with its own title. There is no Cancel: closing the window ends the wizard, and so does Esc,
// unless the page has work under way (OnQueryCancel). Enter presses the default button from any
// control of a page. After every page change the focus rests on the page's first control, else
// on the default button, never on Back unless the user puts it there.
class CPropertySheet_ : public QWidget {
  Q_OBJECT

 public:
  explicit CPropertySheet_(const CResourceSource& resources, QWidget* parent = nullptr);

  void AddPage(CPropertyPage_* page);  // the sheet owns the page
  // Shows the first page; call once, after the pages are added.
  void Start();

  int CurrentIndex() const { return m_current; }
  CPropertyPage_* CurrentPage() const;
  CPropertyPage_* PageById(int pageId) const;
  int PageCount() const { return static_cast<int>(m_pages.size()); }
  CPropertyPage_* PageAt(int index) const { return m_pages[static_cast<std::size_t>(index)]; }

  void PostWizardButtons(int buttons);
  int WizardButtons() const { return m_buttons; }
  QPushButton* BackButton() const { return m_back; }
  QPushButton* NextButton() const { return m_next; }
  QPushButton* FinishButton() const { return m_finish; }
  QString HeaderTitle() const;

  void PressNext();
  void PressBack();
  void PressFinish();

 signals:
  void Finished();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void ApplyWizardButtons(int buttons);
  void Navigate(int result, int step);
  void Activate(int index);
  // The page's first control that takes the keyboard, visible and enabled; nullptr when none does.
  static QWidget* FirstControl(const CPropertyPage_* page);
  // The focus after a page change: where the page put it, else its first control, else the
  // default button, else the sheet itself.
  void SettleFocus();

  const CResourceSource& m_resources;
  std::vector<CPropertyPage_*> m_pages;
  int m_current = -1;
  int m_buttons = kButtonNone;
  QWidget* m_header = nullptr;
  QLabel* m_title = nullptr;
  QStackedWidget* m_stack = nullptr;
  QPushButton* m_back = nullptr;
  QPushButton* m_next = nullptr;
  QPushButton* m_finish = nullptr;
};
