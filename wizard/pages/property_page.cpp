// The page base.
#include "wizard/pages/property_page.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QTimer>

#include "resources/qt/resource_source.h"
#include "wizard/pages/property_sheet.h"
#include "wizard/pages/wizard_state.h"

CPropertyPage_::CPropertyPage_(CWizardState& state, int pageId, int titleId)
    : m_state(state), m_pageId(pageId), m_titleId(titleId) {}

void CPropertyPage_::SetWizardButtons(int buttons) {
  if (m_sheet != nullptr) m_sheet->PostWizardButtons(buttons);
}

void CPropertyPage_::SetTimer(int timerId, int milliseconds) {
  QTimer*& timer = m_timers[timerId];
  if (timer == nullptr) {
    timer = new QTimer(this);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [this, timerId] { OnTimer(timerId); });
  }
  timer->start(milliseconds);
}

void CPropertyPage_::KillTimer(int timerId) {
  const auto found = m_timers.find(timerId);
  if (found != m_timers.end()) found->second->stop();
}

QString CPropertyPage_::Text(const char* control) const { return m_state.resources.DialogText(m_pageId, control); }

QString CPropertyPage_::String(int id) const { return m_state.resources.String(id); }

void SetTip(QWidget* control, const QString& text) {
  control->setToolTip(text);
  control->setAccessibleName(text);
}

void ExchangeRadioGroup(QButtonGroup* group, int& value, bool toFields) {
  if (toFields) {
    value = group->checkedId();
    return;
  }
  QAbstractButton* button = group->button(value);
  if (button != nullptr) {
    button->setChecked(true);
    return;
  }
  // Qt keeps one button of an exclusive group checked; lift that to show none.
  group->setExclusive(false);
  for (QAbstractButton* each : group->buttons()) each->setChecked(false);
  group->setExclusive(true);
}
