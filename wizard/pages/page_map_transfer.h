// The map transfer page: copies the chosen map regions onto the destination.
#pragma once

#include "wizard/pages/property_page.h"

// The map job's transfer; Next leads to the Finish page.
class CPropertyPageMapTransfer : public CPropertyPage_ {
  Q_OBJECT

 public:
  explicit CPropertyPageMapTransfer(CWizardState& state);

  int OnWizardNext() override { return kPageFinish; }
};
