// The unit and card connection pages.
#include "wizard/logic/connection_pages.h"

#include "resources/string_ids.h"
#include "wizard/logic/attempt_loop.h"
#include "wizard/logic/face_services.h"
#include "wizard/logic/wizard_state.h"

namespace {

// One detection pass with the busy cursor shown; drives, when given, receives every ready drive.
bool SearchOnce(CWizardState& state, std::vector<std::string>* drives) {
  const CBusyCursor busy(state.wait);
  return state.unit.FindUnit(drives);
}

}  // namespace

CFindUnitLogic::CFindUnitLogic(CWizardState& state) : CPageLogic(state, kPageFindUnit, IDS_TITLE_FIND_UNIT) {}

void CFindUnitLogic::DoDataExchange(bool) { SetWizardButtons(kButtonBack | kButtonNext); }

int CFindUnitLogic::OnWizardNext() {
  bool found = false;
  for (;;) {
    m_state.ShowWaitBox();
    if (m_state.testMode) {
      m_state.unit.SetDrive(m_state.TempFolder());
      found = true;
    } else {
      found = RunAttemptLoop([this] { return SearchOnce(m_state, nullptr); }, m_state.pacer);
    }
    m_state.CloseWaitBox();
    if (found || !m_state.dialogs.AskRetry(String(IDS_NO_UNIT_FOUND), String(IDS_CAPTION))) break;
  }
  return found ? 0 : PageId();
}

CFindCardLogic::CFindCardLogic(CWizardState& state, std::vector<std::string>& destinationDrives)
    : CPageLogic(state, kPageFindCard, IDS_TITLE_FIND_CARD), m_destinationDrives(destinationDrives) {}

void CFindCardLogic::DoDataExchange(bool) { SetWizardButtons(kButtonBack | kButtonNext); }

int CFindCardLogic::OnWizardNext() {
  if (m_state.testMode) {
    // Nothing is searched: the temporary folder stands in for the card, as it does for the unit.
    m_destinationDrives = {m_state.TempFolder()};
    return 0;
  }
  m_state.ShowWaitBox();
  for (;;) {
    // A pass stops the loop early only when it recognises the unit; card readers alone take
    // all ten passes. Each pass refills the list.
    RunAttemptLoop([this] { return SearchOnce(m_state, &m_destinationDrives); }, m_state.pacer);
    if (!m_destinationDrives.empty()) break;
    // The please-wait box stays up during the question, which therefore sits on the box.
    if (!m_state.dialogs.AskRetry(String(IDS_NO_CARD_FOUND), String(IDS_CAPTION))) {
      m_state.CloseWaitBox();
      return PageId();
    }
  }
  m_state.CloseWaitBox();
  return 0;
}
