// The nine pages in sheet order.
#include "wizard/pages/wizard_pages.h"

#include "wizard/pages/page_conversion.h"
#include "wizard/pages/page_destination.h"
#include "wizard/pages/page_find_card.h"
#include "wizard/pages/page_find_unit.h"
#include "wizard/pages/page_finish.h"
#include "wizard/pages/page_map.h"
#include "wizard/pages/page_map_transfer.h"
#include "wizard/pages/page_select_mode.h"
#include "wizard/pages/page_welcome.h"
#include "wizard/pages/property_sheet.h"

void AddWizardPages(CPropertySheet_& sheet, CWizardState& state) {
  auto* map = new CPropertyPageMap(state);
  sheet.AddPage(new CPropertyPageWelcome(state));
  sheet.AddPage(new CPropertyPageFindCard(state, *map));
  sheet.AddPage(map);
  sheet.AddPage(new CPropertyPageMapTransfer(state));
  sheet.AddPage(new CPropertyPageFindUnit(state));
  sheet.AddPage(new CPropertyPageSelectMode(state));
  sheet.AddPage(new CPropertyPageDestination(state));
  sheet.AddPage(new CPropertyPageConversion(state));
  sheet.AddPage(new CPropertyPageFinish(state));
}
