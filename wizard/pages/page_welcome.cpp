// The first page: which job to do.
#include "wizard/pages/page_welcome.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

CPropertyPageWelcome::CPropertyPageWelcome(CWelcomeLogic& logic, const CResourceSource& resources)
    : CPropertyPage_(logic, resources),
      m_logic(logic),
      m_group(new QButtonGroup(this)),
      m_convert(new QRadioButton(Text("convert"))),
      m_maps(new QRadioButton(Text("maps"))) {
  m_group->addButton(m_convert, 0);
  m_group->addButton(m_maps, 1);
  BindChoice(m_group, m_logic);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(Text("greeting")));
  layout->addSpacing(12);
  layout->addWidget(new QLabel(Text("question")));
  layout->addWidget(m_convert);
  layout->addWidget(m_maps);
  layout->addStretch();
  layout->addWidget(new QLabel(Text("hint")));
}

void CPropertyPageWelcome::Render(unsigned) { ShowRadioChoice(m_group, m_logic.Choice()); }
