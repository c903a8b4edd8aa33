// The conversion-mode page: which way the files are converted.
#pragma once

#include "wizard/pages/property_page.h"

class QButtonGroup;
class QRadioButton;

// Binds the direction choice to `direction`; Next and Back keep their default neighbours.
class CPropertyPageSelectMode : public CPropertyPage_ {
  Q_OBJECT

 public:
  explicit CPropertyPageSelectMode(CWizardState& state);

  void DoDataExchange(bool toFields) override;

  QRadioButton* ToUnitChoice() const { return m_toUnit; }
  QRadioButton* ToDesktopChoice() const { return m_toDesktop; }

 private:
  QButtonGroup* m_group;
  QRadioButton* m_toUnit;
  QRadioButton* m_toDesktop;
};
