// The Welcome and conversion-mode pages.
#include "wizard/logic/choice_pages.h"

#include "resources/string_ids.h"
#include "wizard/logic/wizard_state.h"

CChoicePageLogic::CChoicePageLogic(CWizardState& state, int pageId, int titleId, int& field, int buttons)
    : CPageLogic(state, pageId, titleId), m_field(field), m_buttons(buttons) {}

void CChoicePageLogic::DoDataExchange(bool toFields) {
  if (toFields) {
    m_field = m_choice;
  } else {
    m_choice = m_field;
    Refresh(kChoice);
  }
  SetWizardButtons(m_buttons);
}

CWelcomeLogic::CWelcomeLogic(CWizardState& state)
    : CChoicePageLogic(state, kPageWelcome, IDS_TITLE_WELCOME, state.job, kButtonNext) {}

int CWelcomeLogic::OnWizardNext() {
  DoDataExchange(true);
  if (m_state.job == 0) return kPageFindUnit;
  if (m_state.job == 1) return kPageFindCard;
  return 0;
}

CSelectModeLogic::CSelectModeLogic(CWizardState& state)
    : CChoicePageLogic(state, kPageSelectMode, IDS_TITLE_SELECT_MODE, state.direction, kButtonBack | kButtonNext) {}
