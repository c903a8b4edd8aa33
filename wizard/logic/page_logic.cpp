// The base of every page's logic.
#include "wizard/logic/page_logic.h"

#include "resources/text_source.h"
#include "wizard/logic/sheet_logic.h"
#include "wizard/logic/wizard_state.h"

CPageLogic::CPageLogic(CWizardState& state, int pageId, int titleId)
    : m_state(state), m_pageId(pageId), m_titleId(titleId) {}

void CPageLogic::SetWizardButtons(int buttons) {
  if (m_sheet != nullptr) m_sheet->PostWizardButtons(buttons);
}

void CPageLogic::SetTimer(int timerId, int milliseconds) {
  if (m_site != nullptr) m_site->SetTimer(timerId, milliseconds);
}

void CPageLogic::KillTimer(int timerId) {
  if (m_site != nullptr) m_site->KillTimer(timerId);
}

void CPageLogic::Refresh(unsigned parts) {
  if (m_site != nullptr) m_site->Refresh(parts);
}

std::string CPageLogic::String(int id) const { return m_state.texts.Utf8String(id); }

std::string CPageLogic::Text(const char* control) const { return m_state.texts.Utf8DialogText(m_pageId, control); }
