// The map region selection page: the destinations the card connection page found.
#pragma once

#include <string>
#include <vector>

#include "wizard/pages/property_page.h"

// The map job's region selection. The card connection page fills destinationDrives (the mount
// points of the ready removable drives) before this page is shown.
class CPropertyPageMap : public CPropertyPage_ {
  Q_OBJECT

 public:
  explicit CPropertyPageMap(CWizardState& state);

  std::vector<std::string> destinationDrives;
};
