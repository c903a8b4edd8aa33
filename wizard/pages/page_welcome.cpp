// The first page: which job to do.
#include "wizard/pages/page_welcome.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "resources/string_ids.h"
#include "wizard/pages/wizard_state.h"

CPropertyPageWelcome::CPropertyPageWelcome(CWizardState& state)
    : CPropertyPage_(state, kPageWelcome, IDS_TITLE_WELCOME),
      m_group(new QButtonGroup(this)),
      m_convert(new QRadioButton(Text("convert"))),
      m_maps(new QRadioButton(Text("maps"))) {
  m_group->addButton(m_convert, 0);
  m_group->addButton(m_maps, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(Text("greeting")));
  layout->addSpacing(12);
  layout->addWidget(new QLabel(Text("question")));
  layout->addWidget(m_convert);
  layout->addWidget(m_maps);
  layout->addStretch();
  layout->addWidget(new QLabel(Text("hint")));
}

void CPropertyPageWelcome::DoDataExchange(bool toFields) {
  ExchangeRadioGroup(m_group, m_state.job, toFields);
  SetWizardButtons(kButtonNext);
}

int CPropertyPageWelcome::OnWizardNext() {
  DoDataExchange(true);
  if (m_state.job == 0) return kPageFindUnit;
  if (m_state.job == 1) return kPageFindCard;
  return 0;
}
