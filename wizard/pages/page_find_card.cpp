// The card connection page.
#include "wizard/pages/page_find_card.h"

#include <QLabel>
#include <QVBoxLayout>

#include "resources/string_ids.h"
#include "wizard/pages/attempt_loop.h"
#include "wizard/pages/dialogs.h"
#include "wizard/pages/page_find_unit.h"
#include "wizard/pages/page_map.h"
#include "wizard/pages/wizard_state.h"

CPropertyPageFindCard::CPropertyPageFindCard(CWizardState& state, CPropertyPageMap& mapPage)
    : CPropertyPage_(state, kPageFindCard, IDS_TITLE_FIND_CARD), m_mapPage(mapPage) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(Text("connect")));
  layout->addStretch();
  layout->addWidget(new QLabel(Text("ready")));
}

void CPropertyPageFindCard::DoDataExchange(bool) { SetWizardButtons(kButtonBack | kButtonNext); }

int CPropertyPageFindCard::OnWizardNext() {
  std::vector<std::string>& drives = m_mapPage.destinationDrives;
  if (m_state.testMode) {
    // Nothing is searched: the temporary folder stands in for the card, as it does for the unit.
    drives = {m_state.TempFolder()};
    return 0;
  }
  m_state.ShowWaitBox(this);
  for (;;) {
    // A pass stops the loop early only when it recognises the unit; card readers alone take
    // all ten passes. Each pass refills the list.
    RunAttemptLoop([&] { return FindUnitWithBusyCursor(m_state, &drives); }, m_state.pacer);
    if (!drives.empty()) break;
    // The please-wait box stays up during the question, which therefore sits on the box.
    if (!m_state.dialogs.AskRetry(m_state.WaitBox(), String(IDS_NO_CARD_FOUND), String(IDS_CAPTION))) {
      m_state.CloseWaitBox();
      return PageId();
    }
  }
  m_state.CloseWaitBox();
  return 0;
}
