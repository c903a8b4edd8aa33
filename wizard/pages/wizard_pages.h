// Puts the nine pages into a sheet, in sheet order.
#pragma once

class CPropertySheet_;
class CWizardState;

// Welcome, card connection, map region selection, map transfer, unit connection, conversion
// mode, file selection, conversion and transfer, Finish. Navigation to the adjacent page follows
// this order, so it is part of the flows: FindUnit → SelectMode → Destination → Conversion →
// Finish, and Map → MapTransfer.
void AddWizardPages(CPropertySheet_& sheet, CWizardState& state);
