// The unit and card connection pages: what to connect, and Next when ready.
#pragma once

#include "wizard/pages/property_page.h"

// The texts of its dialog (137 for the unit, 140 for the card) over CFindUnitLogic or
// CFindCardLogic, which search when Next is pressed.
class CPropertyPageConnection : public CPropertyPage_ {
  Q_OBJECT

 public:
  CPropertyPageConnection(CPageLogic& logic, const CResourceSource& resources);
};
