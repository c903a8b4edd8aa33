// The Qt page base: a page's widgets over its logic, and the timers and refreshes the logic asks for.
#pragma once

#include <QString>
#include <QWidget>
#include <map>
#include <string>

#include "wizard/logic/page_logic.h"

class CChoicePageLogic;
class CResourceSource;
class QButtonGroup;
class QTimer;

// Every Qt page derives from this base. A page builds the controls of its dialog, tells its
// logic what the user does with them, and writes them from the logic's view when the logic asks
// (Render). All decisions are the logic's.
class CPropertyPage_ : public QWidget, public CPageSite {
  Q_OBJECT

 public:
  CPropertyPage_(CPageLogic& logic, const CResourceSource& resources);
  ~CPropertyPage_() override;

  CPageLogic& Logic() const { return m_logic; }
  int PageId() const { return m_logic.PageId(); }
  int TitleId() const { return m_logic.TitleId(); }

  // CPageSite: single-shot timers that call the logic's OnTimer once the window system is idle
  // again, so the page paints before the work starts; a refresh renders the parts named.
  void SetTimer(int timerId, int milliseconds) override;
  void KillTimer(int timerId) override;
  void Refresh(unsigned parts) override { Render(parts); }

 protected:
  // Writes the controls from the logic's view, the parts named by the page's logic.
  virtual void Render(unsigned parts) { (void)parts; }
  // A text of this page's dialog (its template's static texts).
  QString Text(const char* control) const;
  QString String(int id) const;

  const CResourceSource& m_resources;

 private:
  CPageLogic& m_logic;
  std::map<int, QTimer*> m_timers;
};

// UTF-8 from the logic to a widget.
inline QString Utf8(const std::string& text) { return QString::fromStdString(text); }

// Names a control that shows an icon only: the tooltip and what a screen reader says.
void SetTip(QWidget* control, const QString& text);

// Tells the logic each button the user checks in a radio group.
void BindChoice(QButtonGroup* group, CChoicePageLogic& logic);

// Shows a radio group's choice: the button at that position checked, none for a value outside the
// group.
void ShowRadioChoice(QButtonGroup* group, int choice);
