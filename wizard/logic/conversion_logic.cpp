// The conversion and transfer page.
#include "wizard/logic/conversion_logic.h"

#include <vector>

#include "formats/code_page.h"
#include "formats/file_kinds.h"
#include "formats/unit_times.h"
#include "jobs/conversion_job.h"
#include "jobs/gpx_conversion_job.h"
#include "jobs/gpx_unit_targets.h"
#include "jobs/target_naming.h"
#include "resources/string_ids.h"
#include "storage/unit_device.h"
#include "wizard/logic/display_text.h"
#include "wizard/logic/face_services.h"
#include "wizard/logic/wizard_state.h"

namespace {

constexpr int kJobTimer = 1;

}  // namespace

CConversionLogic::CConversionLogic(CWizardState& state) : CPageLogic(state, kPageConversion, IDS_TITLE_CONVERSION) {}

bool CConversionLogic::CodePageNoteShown() const { return !m_state.codePageProblem.empty(); }

std::string CConversionLogic::CodePageNote() const { return ReplaceField(Text("codePageIgnored"), m_state.codePage); }

const std::string& CConversionLogic::CodePageProblem() const { return m_state.codePageProblem; }

bool CConversionLogic::OnSetActive() {
  SetWizardButtons(kButtonNone);
  m_done = false;
  m_status = String(IDS_CONVERSION_RUNNING);
  m_pairCount = m_state.filePairs.Count();
  m_pairsDone = 0;
  m_state.report.clear();
  m_state.warnings.clear();
  m_state.volumeNote = CWizardState::EVolumeNote::kNone;
  m_direction = m_state.direction;
  Refresh(kTexts | kProgress);
  SetTimer(kJobTimer, 1);
  return true;
}

void CConversionLogic::OnTimer(int timerId) {
  KillTimer(timerId);
  if (m_running) return;
  m_running = true;
  m_state.wait.BeginBusyCursor();
  m_state.runner.Run([this] { RunJob(); }, [this] { JobDone(); });
}

void CConversionLogic::RunJob() {
  SConversionContext context;
  context.testMode = m_state.testMode;
  context.unit = &m_state.unit;
  context.tempFolder = m_state.TempFolder();
  CCodePage codePage(m_state.codePage);  // the names of desktop and unit files, towards and from GPX
  const CUnitTimes times;
  context.settings = {&codePage, &times};
  bool anyOnUnit = false;
  const CFilePairs& pairs = m_state.filePairs;
  for (std::size_t done = 0; done < pairs.Count();) {
    const std::string& source = pairs[done].source;
    const bool fromGpx = FileKindOf(source) == EFileKind::kGpx;
    if (m_direction == kDirectionToGpx) {
      ConvertFileToGpx(source, pairs[done].target, codePage, times, m_state);
      ++done;
    } else if (m_direction == kDirectionToDesktop && !fromGpx) {
      ConvertFileToDesktop(source, pairs[done].target, m_state, context.settings);
      ++done;
    } else {
      // The rows of one source follow each other (a .wpt's .upt and .rte, a GPX file's files): it
      // is read once for them.
      std::vector<std::string> targets;
      std::vector<SGpxTarget> parts;
      for (std::size_t i = done; i < pairs.Count() && pairs[i].source == source; ++i) {
        targets.push_back(pairs[i].target);
        parts.push_back({pairs[i].target, pairs[i].part});
      }
      const EGpxOutputs outputs = m_direction == kDirectionToDesktop ? EGpxOutputs::Desktop : EGpxOutputs::Unit;
      const std::vector<bool> converted =
          fromGpx ? ConvertGpxFileToTargets(source, outputs, parts, context, codePage, m_state)
                  : ConvertFileToUnitTargets(source, targets, context, m_state);
      // Files for the desktop are never ejected with, wherever the user put them.
      for (std::size_t i = 0; i < targets.size() && outputs == EGpxOutputs::Unit; ++i)
        anyOnUnit = anyOnUnit || (converted[i] && IsTargetOnUnit(targets[i], context));
      done += targets.size();
    }
    WarnOfReplacedCharacters(source, codePage, m_state);
    m_pairsDone = done;
    if (m_progress != nullptr) m_progress->OnPairsDone(done);
  }
  // One eject request for the whole job, once every file is on the unit; the Finish page tells
  // whether the unit may be unplugged.
  if (anyOnUnit) {
    m_state.volumeNote = m_state.unit.RequestEject() == EEjectResult::Ejected
                             ? CWizardState::EVolumeNote::kUnitEjected
                             : CWizardState::EVolumeNote::kUnitNotEjected;
  }
}

void CConversionLogic::JobDone() {
  m_status = String(IDS_CONVERSION_DONE);
  m_state.wait.EndBusyCursor();
  m_running = false;
  m_done = true;
  Refresh(kTexts | kProgress);
  SetWizardButtons(kButtonNext);
}
