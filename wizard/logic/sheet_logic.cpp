// The wizard sheet's rules.
#include "wizard/logic/sheet_logic.h"

#include "wizard/logic/wizard_state.h"

SWizardButtonsView ButtonsView(int buttons) {
  SWizardButtonsView view;
  view.finishShown = (buttons & kButtonFinish) != 0;
  view.finishEnabled = view.finishShown;
  view.nextShown = !view.finishShown;
  view.nextEnabled = view.nextShown && (buttons & kButtonNext) != 0;
  view.backEnabled = (buttons & kButtonBack) != 0;
  view.defaultButton = view.finishShown ? kButtonFinish : kButtonNext;
  return view;
}

void CSheetLogic::AddPage(CPageLogic& page) {
  page.SetSheet(this);
  m_pages.push_back(&page);
}

void CSheetLogic::Start() {
  if (m_current < 0 && !m_pages.empty()) Activate(0);
}

CPageLogic* CSheetLogic::CurrentPage() const { return m_current < 0 ? nullptr : &PageAt(m_current); }

CPageLogic* CSheetLogic::PageById(int pageId) const {
  const int index = IndexOf(pageId);
  return index < 0 ? nullptr : &PageAt(index);
}

int CSheetLogic::IndexOf(int pageId) const {
  for (int i = 0; i < PageCount(); ++i) {
    if (PageAt(i).PageId() == pageId) return i;
  }
  return -1;
}

int CSheetLogic::Leave(int result, int step) {
  CPageLogic* page = CurrentPage();
  if (page == nullptr) return -1;
  int target = -1;
  if (result == 0) {
    target = m_current + step;
  } else if (result != page->PageId()) {
    target = IndexOf(result);
  }
  if (target < 0 || target >= PageCount()) return -1;
  page->DoDataExchange(true);
  return target;
}

bool CSheetLogic::LeaveByFinish() {
  CPageLogic* page = CurrentPage();
  if (page == nullptr || !page->OnWizardFinish()) return false;
  page->DoDataExchange(true);
  return true;
}

void CSheetLogic::Activate(int index) {
  m_current = index;
  CPageLogic& page = PageAt(index);
  if (m_face != nullptr) m_face->ShowPage(index);
  page.DoDataExchange(false);
  page.OnSetActive();
}

void CSheetLogic::PressNext() {
  const int target = LeaveByNext();
  if (target >= 0) Activate(target);
}

void CSheetLogic::PressBack() {
  const int target = LeaveByBack();
  if (target >= 0) Activate(target);
}

bool CSheetLogic::QueryClose() {
  if (m_state.WaitBoxShown()) return false;
  CPageLogic* page = CurrentPage();
  return page == nullptr || page->OnQueryCancel();
}

void CSheetLogic::PostWizardButtons(int buttons) {
  m_posted = buttons;
  if (m_face != nullptr) m_face->PostWizardButtons(buttons);
}

void CSheetLogic::RequestBack() {
  if (m_face != nullptr) m_face->PressBack();
}

void CSheetLogic::RequestClose() {
  if (m_face != nullptr) m_face->Close();
}

void CSheetLogic::RequestEndProgram(int status) {
  if (m_face != nullptr) m_face->EndProgram(status);
}
