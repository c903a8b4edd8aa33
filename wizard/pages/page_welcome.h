// The first page: which job to do.
#pragma once

#include "wizard/logic/choice_pages.h"
#include "wizard/pages/property_page.h"

class QButtonGroup;
class QRadioButton;

// The job's radio group over CWelcomeLogic.
class CPropertyPageWelcome : public CPropertyPage_ {
  Q_OBJECT

 public:
  CPropertyPageWelcome(CWelcomeLogic& logic, const CResourceSource& resources);

  QRadioButton* ConvertChoice() const { return m_convert; }
  QRadioButton* MapsChoice() const { return m_maps; }

 protected:
  void Render(unsigned parts) override;

 private:
  CWelcomeLogic& m_logic;
  QButtonGroup* m_group;
  QRadioButton* m_convert;
  QRadioButton* m_maps;
};
