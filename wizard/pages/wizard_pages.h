// Puts a Qt page for each of the nine pages' logic into a sheet, in sheet order.
#pragma once

class CPropertySheet_;
class CResourceSource;
class CWizardPages;

void AddWizardPages(CPropertySheet_& sheet, CWizardPages& pages, const CResourceSource& resources);
