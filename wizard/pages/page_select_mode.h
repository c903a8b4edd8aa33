// The conversion-mode page: which way the files are converted.
#pragma once

#include "wizard/logic/choice_pages.h"
#include "wizard/pages/property_page.h"

class QButtonGroup;
class QRadioButton;

// The direction's radio group over CSelectModeLogic (to the unit, to the desktop product, or any
// of their files to GPX).
class CPropertyPageSelectMode : public CPropertyPage_ {
  Q_OBJECT

 public:
  CPropertyPageSelectMode(CSelectModeLogic& logic, const CResourceSource& resources);

  QRadioButton* ToUnitChoice() const { return m_toUnit; }
  QRadioButton* ToDesktopChoice() const { return m_toDesktop; }
  QRadioButton* ToGpxChoice() const { return m_toGpx; }

 protected:
  void Render(unsigned parts) override;

 private:
  CSelectModeLogic& m_logic;
  QButtonGroup* m_group;
  QRadioButton* m_toUnit;
  QRadioButton* m_toDesktop;
  QRadioButton* m_toGpx;
};
