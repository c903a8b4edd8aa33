// The card connection page: collects the removable drives that can receive map regions.
#pragma once

#include "wizard/pages/property_page.h"

class CPropertyPageMap;

// Next searches the removable drives (ten passes unless the unit turns up) into the map page's
// destination list and goes on when the list holds at least one drive; in test mode it goes on
// at once with the temporary folder as the one destination, standing in for the card.
class CPropertyPageFindCard : public CPropertyPage_ {
  Q_OBJECT

 public:
  CPropertyPageFindCard(CWizardState& state, CPropertyPageMap& mapPage);

  void DoDataExchange(bool toFields) override;
  int OnWizardNext() override;
  int OnWizardBack() override { return kPageWelcome; }

 private:
  CPropertyPageMap& m_mapPage;
};
