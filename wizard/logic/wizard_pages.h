// The nine pages' logic, in sheet order.
#pragma once

#include "wizard/logic/choice_pages.h"
#include "wizard/logic/connection_pages.h"
#include "wizard/logic/conversion_logic.h"
#include "wizard/logic/destination_logic.h"
#include "wizard/logic/finish_logic.h"
#include "wizard/logic/map_logic.h"
#include "wizard/logic/map_transfer_logic.h"

class CSheetLogic;

// Welcome, card connection, map region selection, map transfer, unit connection, conversion
// mode, file selection, conversion and transfer, Finish. Navigation to the adjacent page follows
// this order, so it is part of the flows: FindUnit → SelectMode → Destination → Conversion →
// Finish, and Map → MapTransfer. A face makes one page of its own for each, in this order.
class CWizardPages {
 public:
  explicit CWizardPages(CWizardState& state);

  // Calls visit with each page's logic, as its own type, in sheet order.
  template <typename FVisit>
  void ForEachInSheetOrder(FVisit&& visit) {
    visit(welcome);
    visit(findCard);
    visit(map);
    visit(mapTransfer);
    visit(findUnit);
    visit(selectMode);
    visit(destination);
    visit(conversion);
    visit(finish);
  }
  // Adds every page to the sheet, in sheet order.
  void AddTo(CSheetLogic& sheet);

  CWelcomeLogic welcome;
  CMapLogic map;  // before the card page, which fills its destinations
  CFindCardLogic findCard;
  CMapTransferLogic mapTransfer;
  CFindUnitLogic findUnit;
  CSelectModeLogic selectMode;
  CDestinationLogic destination;
  CConversionLogic conversion;
  CFinishLogic finish;
};
