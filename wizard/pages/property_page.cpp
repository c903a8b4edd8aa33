// The Qt page base.
#include "wizard/pages/property_page.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QTimer>

#include "resources/qt/resource_source.h"
#include "wizard/logic/choice_pages.h"

CPropertyPage_::CPropertyPage_(CPageLogic& logic, const CResourceSource& resources)
    : m_resources(resources), m_logic(logic) {
  m_logic.SetSite(this);
}

CPropertyPage_::~CPropertyPage_() { m_logic.SetSite(nullptr); }

void CPropertyPage_::SetTimer(int timerId, int milliseconds) {
  QTimer*& timer = m_timers[timerId];
  if (timer == nullptr) {
    timer = new QTimer(this);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [this, timerId] { m_logic.OnTimer(timerId); });
  }
  timer->start(milliseconds);
}

void CPropertyPage_::KillTimer(int timerId) {
  const auto found = m_timers.find(timerId);
  if (found != m_timers.end()) found->second->stop();
}

QString CPropertyPage_::Text(const char* control) const { return m_resources.DialogText(PageId(), control); }

QString CPropertyPage_::String(int id) const { return m_resources.String(id); }

void SetTip(QWidget* control, const QString& text) {
  control->setToolTip(text);
  control->setAccessibleName(text);
}

void BindChoice(QButtonGroup* group, CChoicePageLogic& logic) {
  QObject::connect(group, &QButtonGroup::idToggled, group, [&logic](int id, bool checked) {
    if (checked) logic.Choose(id);
  });
}

void ShowRadioChoice(QButtonGroup* group, int choice) {
  QAbstractButton* button = group->button(choice);
  if (button != nullptr) {
    button->setChecked(true);
    return;
  }
  // Qt keeps one button of an exclusive group checked; lift that to show none.
  group->setExclusive(false);
  for (QAbstractButton* each : group->buttons()) each->setChecked(false);
  group->setExclusive(true);
}
