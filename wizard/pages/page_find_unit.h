// The unit connection page: waits for the unit before the conversion job goes on.
#pragma once

#include "wizard/pages/property_page.h"

// Next searches for the unit (ten passes, then a Retry/Cancel question) and goes on only when it
// was found; in test mode the temporary folder stands in for the unit at once.
class CPropertyPageFindUnit : public CPropertyPage_ {
  Q_OBJECT

 public:
  explicit CPropertyPageFindUnit(CWizardState& state);

  void DoDataExchange(bool toFields) override;
  int OnWizardNext() override;
  int OnWizardBack() override { return kPageWelcome; }
};

// One detection pass with the busy cursor shown; drives, when given, receives every ready drive.
bool FindUnitWithBusyCursor(CWizardState& state, std::vector<std::string>* drives);
