// The map region selection page.
#include "wizard/pages/page_map.h"

#include "resources/string_ids.h"

CPropertyPageMap::CPropertyPageMap(CWizardState& state) : CPropertyPage_(state, kPageMap, IDS_TITLE_MAP) {}
