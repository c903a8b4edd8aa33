// The unit and card connection pages: Next looks for the device before the wizard goes on.
#pragma once

#include <string>
#include <vector>

#include "wizard/logic/page_logic.h"

// Unit connection (137). Next shows the please-wait box and searches for the unit (ten passes,
// RunAttemptLoop), then, when none was found, asks Retry/Cancel; it goes on only when the unit was
// found. In test mode the temporary folder stands in for the unit at once. Back leads to Welcome.
// The page's texts are its dialog's; it has nothing else to show.
class CFindUnitLogic : public CPageLogic {
 public:
  explicit CFindUnitLogic(CWizardState& state);
  void DoDataExchange(bool toFields) override;
  int OnWizardNext() override;
  int OnWizardBack() override { return kPageWelcome; }
};

// Card connection (140). Next searches the removable drives into the region page's destination
// list (ten passes unless the unit turns up, each pass refilling the list) and goes on when the
// list holds a drive; else it asks Retry/Cancel with the please-wait box still up. In test mode it
// goes on at once with the temporary folder as the one destination, standing in for the card.
class CFindCardLogic : public CPageLogic {
 public:
  CFindCardLogic(CWizardState& state, std::vector<std::string>& destinationDrives);
  void DoDataExchange(bool toFields) override;
  int OnWizardNext() override;
  int OnWizardBack() override { return kPageWelcome; }

 private:
  std::vector<std::string>& m_destinationDrives;
};
