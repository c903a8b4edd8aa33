// The conversion-mode page: which way the files are converted.
#pragma once

#include "wizard/pages/property_page.h"

class QButtonGroup;
class QRadioButton;

// Binds the direction choice to `direction` (to the unit, to the desktop product, or any of their
// files to GPX); Next and Back keep their default neighbours.
class CPropertyPageSelectMode : public CPropertyPage_ {
  Q_OBJECT

 public:
  explicit CPropertyPageSelectMode(CWizardState& state);

  void DoDataExchange(bool toFields) override;

  QRadioButton* ToUnitChoice() const { return m_toUnit; }
  QRadioButton* ToDesktopChoice() const { return m_toDesktop; }
  QRadioButton* ToGpxChoice() const { return m_toGpx; }

 private:
  QButtonGroup* m_group;
  QRadioButton* m_toUnit;
  QRadioButton* m_toDesktop;
  QRadioButton* m_toGpx;
};
