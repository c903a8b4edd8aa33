// The nine Qt pages in sheet order.
#include "wizard/pages/wizard_pages.h"

#include "wizard/logic/wizard_pages.h"
#include "wizard/pages/page_connection.h"
#include "wizard/pages/page_conversion.h"
#include "wizard/pages/page_destination.h"
#include "wizard/pages/page_finish.h"
#include "wizard/pages/page_map.h"
#include "wizard/pages/page_map_transfer.h"
#include "wizard/pages/page_select_mode.h"
#include "wizard/pages/page_welcome.h"
#include "wizard/pages/property_sheet.h"

namespace {

// The Qt page of each kind of page logic.
CPropertyPage_* MakePage(CWelcomeLogic& logic, const CResourceSource& r) { return new CPropertyPageWelcome(logic, r); }
CPropertyPage_* MakePage(CFindCardLogic& logic, const CResourceSource& r) {
  return new CPropertyPageConnection(logic, r);
}
CPropertyPage_* MakePage(CMapLogic& logic, const CResourceSource& r) { return new CPropertyPageMap(logic, r); }
CPropertyPage_* MakePage(CMapTransferLogic& logic, const CResourceSource& r) {
  return new CPropertyPageMapTransfer(logic, r);
}
CPropertyPage_* MakePage(CFindUnitLogic& logic, const CResourceSource& r) {
  return new CPropertyPageConnection(logic, r);
}
CPropertyPage_* MakePage(CSelectModeLogic& logic, const CResourceSource& r) {
  return new CPropertyPageSelectMode(logic, r);
}
CPropertyPage_* MakePage(CDestinationLogic& logic, const CResourceSource& r) {
  return new CPropertyPageDestination(logic, r);
}
CPropertyPage_* MakePage(CConversionLogic& logic, const CResourceSource& r) {
  return new CPropertyPageConversion(logic, r);
}
CPropertyPage_* MakePage(CFinishLogic& logic, const CResourceSource& r) { return new CPropertyPageFinish(logic, r); }

}  // namespace

void AddWizardPages(CPropertySheet_& sheet, CWizardPages& pages, const CResourceSource& resources) {
  pages.ForEachInSheetOrder([&](auto& logic) { sheet.AddPage(MakePage(logic, resources)); });
}
