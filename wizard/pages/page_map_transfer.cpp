// The map transfer page.
#include "wizard/pages/page_map_transfer.h"

#include "resources/string_ids.h"

CPropertyPageMapTransfer::CPropertyPageMapTransfer(CWizardState& state)
    : CPropertyPage_(state, kPageMapTransfer, IDS_TITLE_MAP_TRANSFER) {}
