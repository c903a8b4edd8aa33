// The Finish page.
#include "wizard/logic/finish_logic.h"

#include "resources/string_ids.h"
#include "wizard/logic/display_text.h"
#include "wizard/logic/wizard_state.h"

namespace {

constexpr int kSelectionTimer = 1;
constexpr const char* kReasonIndent = "    ";

}  // namespace

std::string ReportText(const std::vector<SReportLine>& report) {
  std::string text;
  for (const SReportLine& line : report) {
    text += line.text + '\n';
    std::size_t start = 0;
    while (start < line.reason.size()) {
      auto end = line.reason.find('\n', start);
      if (end == std::string::npos) end = line.reason.size();
      text += kReasonIndent + line.reason.substr(start, end - start) + '\n';
      start = end + 1;
    }
  }
  return text;
}

CFinishLogic::CFinishLogic(CWizardState& state) : CPageLogic(state, kPageFinish, IDS_TITLE_FINISH) {}

bool CFinishLogic::OnSetActive() {
  SetWizardButtons(kButtonBack | kButtonFinish);
  const bool clean = m_state.report.empty();
  // For a job of no known kind the outcome stays as it was.
  if (m_state.job == 0) m_outcome = String(clean ? IDS_CONVERSION_SUCCESS : IDS_CONVERSION_FAILURES);
  if (m_state.job == 1) m_outcome = String(clean ? IDS_MAP_SUCCESS : IDS_MAP_FAILURES);
  m_volumeNote = VolumeNoteText();
  // Warnings are no failures: the outcome stays a success, and they follow the failures.
  m_detailsShown = !clean || !m_state.warnings.empty();
  m_details = ReportText(m_state.report);
  if (!m_state.warnings.empty()) m_details += Text("warnings") + '\n';
  for (const SSourceWarning& warning : m_state.warnings) m_details += kReasonIndent + warning.Text() + '\n';
  Refresh(kTexts);
  SetTimer(kSelectionTimer, 1);
  return true;
}

std::string CFinishLogic::VolumeNoteText() const {
  switch (m_state.volumeNote) {
    case CWizardState::EVolumeNote::kNone:
      break;
    case CWizardState::EVolumeNote::kUnitEjected:
      return Text("unitEjected");
    case CWizardState::EVolumeNote::kUnitNotEjected:
      return Text("unitNotEjected");
    case CWizardState::EVolumeNote::kStillMounted:
      return ReplaceField(Text("stillMounted"), m_state.volumeName);
  }
  return {};
}

void CFinishLogic::OnTimer(int timerId) {
  KillTimer(timerId);
  Refresh(kCaret);
}

int CFinishLogic::OnWizardBack() {
  m_state.report.clear();
  m_state.warnings.clear();
  m_state.filePairs.Clear();
  m_state.volumeNote = CWizardState::EVolumeNote::kNone;
  if (m_state.job == 0) return kPageDestination;
  if (m_state.job == 1) return kPageMap;
  return 0;
}
