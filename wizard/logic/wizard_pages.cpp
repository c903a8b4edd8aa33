// The nine pages' logic in sheet order.
#include "wizard/logic/wizard_pages.h"

#include "wizard/logic/sheet_logic.h"

CWizardPages::CWizardPages(CWizardState& state)
    : welcome(state),
      map(state),
      findCard(state, map.destinationDrives),
      mapTransfer(state),
      findUnit(state),
      selectMode(state),
      destination(state),
      conversion(state),
      finish(state) {}

void CWizardPages::AddTo(CSheetLogic& sheet) {
  ForEachInSheetOrder([&sheet](CPageLogic& page) { sheet.AddPage(page); });
}
