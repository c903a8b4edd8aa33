// The unit connection page.
#include "wizard/pages/page_find_unit.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

#include "resources/string_ids.h"
#include "wizard/pages/attempt_loop.h"
#include "wizard/pages/dialogs.h"
#include "wizard/pages/wizard_state.h"

bool FindUnitWithBusyCursor(CWizardState& state, std::vector<std::string>* drives) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool found = state.unit.FindUnit(drives);
  QApplication::restoreOverrideCursor();
  return found;
}

CPropertyPageFindUnit::CPropertyPageFindUnit(CWizardState& state)
    : CPropertyPage_(state, kPageFindUnit, IDS_TITLE_FIND_UNIT) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(Text("connect")));
  layout->addStretch();
  layout->addWidget(new QLabel(Text("ready")));
}

void CPropertyPageFindUnit::DoDataExchange(bool) { SetWizardButtons(kButtonBack | kButtonNext); }

int CPropertyPageFindUnit::OnWizardNext() {
  bool found = false;
  for (;;) {
    m_state.ShowWaitBox(this);
    if (m_state.testMode) {
      m_state.unit.SetDrive(m_state.TempFolder());
      found = true;
    } else {
      found = RunAttemptLoop([this] { return FindUnitWithBusyCursor(m_state, nullptr); }, m_state.pacer);
    }
    m_state.CloseWaitBox();
    if (found || !m_state.dialogs.AskRetry(this, String(IDS_NO_UNIT_FOUND), String(IDS_CAPTION))) break;
  }
  return found ? 0 : PageId();
}
