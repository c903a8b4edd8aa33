// The conversion-mode page.
#include "wizard/pages/page_select_mode.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "jobs/target_naming.h"
#include "resources/string_ids.h"
#include "wizard/pages/wizard_state.h"

CPropertyPageSelectMode::CPropertyPageSelectMode(CWizardState& state)
    : CPropertyPage_(state, kPageSelectMode, IDS_TITLE_SELECT_MODE),
      m_group(new QButtonGroup(this)),
      m_toUnit(new QRadioButton(Text("toUnit"))),
      m_toDesktop(new QRadioButton(Text("toDesktop"))),
      m_toGpx(new QRadioButton(Text("toGpx"))) {
  m_group->addButton(m_toUnit, kDirectionToUnit);
  m_group->addButton(m_toDesktop, kDirectionToDesktop);
  m_group->addButton(m_toGpx, kDirectionToGpx);
  SetTip(m_toGpx, Text("toGpxTip"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(Text("prompt")));
  layout->addWidget(m_toUnit);
  layout->addWidget(m_toDesktop);
  layout->addWidget(m_toGpx);
  layout->addStretch();
  layout->addWidget(new QLabel(Text("hint")));
}

void CPropertyPageSelectMode::DoDataExchange(bool toFields) {
  ExchangeRadioGroup(m_group, m_state.direction, toFields);
  SetWizardButtons(kButtonBack | kButtonNext);
}
