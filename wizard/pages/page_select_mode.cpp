// The conversion-mode page.
#include "wizard/pages/page_select_mode.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "jobs/target_naming.h"

CPropertyPageSelectMode::CPropertyPageSelectMode(CSelectModeLogic& logic, const CResourceSource& resources)
    : CPropertyPage_(logic, resources),
      m_logic(logic),
      m_group(new QButtonGroup(this)),
      m_toUnit(new QRadioButton(Text("toUnit"))),
      m_toDesktop(new QRadioButton(Text("toDesktop"))),
      m_toGpx(new QRadioButton(Text("toGpx"))) {
  m_group->addButton(m_toUnit, kDirectionToUnit);
  m_group->addButton(m_toDesktop, kDirectionToDesktop);
  m_group->addButton(m_toGpx, kDirectionToGpx);
  BindChoice(m_group, m_logic);
  SetTip(m_toGpx, Text("toGpxTip"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(Text("prompt")));
  layout->addWidget(m_toUnit);
  layout->addWidget(m_toDesktop);
  layout->addWidget(m_toGpx);
  layout->addStretch();
  layout->addWidget(new QLabel(Text("hint")));
}

void CPropertyPageSelectMode::Render(unsigned) { ShowRadioChoice(m_group, m_logic.Choice()); }
