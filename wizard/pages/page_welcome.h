// The first page: which job to do.
#pragma once

#include "wizard/pages/property_page.h"

class QButtonGroup;
class QRadioButton;

// Binds the job choice to `job` and sends Next to the unit or the card connection page.
class CPropertyPageWelcome : public CPropertyPage_ {
  Q_OBJECT

 public:
  explicit CPropertyPageWelcome(CWizardState& state);

  int OnWizardNext() override;
  void DoDataExchange(bool toFields) override;

  QRadioButton* ConvertChoice() const { return m_convert; }
  QRadioButton* MapsChoice() const { return m_maps; }

 private:
  QButtonGroup* m_group;
  QRadioButton* m_convert;
  QRadioButton* m_maps;
};
