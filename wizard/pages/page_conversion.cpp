// The conversion and transfer page.
#include "wizard/pages/page_conversion.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

#include "formats/code_page.h"
#include "formats/file_kinds.h"
#include "formats/unit_times.h"
#include "resources/string_ids.h"
#include "storage/unit_device.h"
#include "wizard/conversion_job.h"
#include "wizard/gpx_conversion_job.h"
#include "wizard/gpx_unit_targets.h"
#include "wizard/pages/progress_bar.h"
#include "wizard/pages/wizard_state.h"
#include "wizard/target_naming.h"

namespace {

constexpr int kJobTimer = 1;

}  // namespace

CPropertyPageConversion::CPropertyPageConversion(CWizardState& state)
    : CPropertyPage_(state, kPageConversion, IDS_TITLE_CONVERSION),
      m_status(new QLabel),
      m_fileProgress(new CProgressBar),
      m_codePageNote(new QLabel),
      m_secondProgress(new CProgressBar),
      m_hint(new QLabel(Text("hint"))) {
  m_fileProgress->setTextVisible(false);
  m_secondProgress->setTextVisible(false);
  m_codePageNote->setWordWrap(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_status);
  layout->addWidget(m_fileProgress);
  layout->addWidget(new QLabel);  // the blank line, which this job does not use
  layout->addWidget(m_secondProgress);
  layout->addWidget(m_codePageNote);
  layout->addStretch();
  layout->addWidget(m_hint);
}

bool CPropertyPageConversion::OnSetActive() {
  SetWizardButtons(kButtonNone);
  m_done = false;
  m_hint->hide();
  // A TRANSVANE_CODEPAGE that cannot be used is said here, where the names are converted; the
  // reason itself is the label's tooltip.
  m_codePageNote->setVisible(!m_state.codePageProblem.empty());
  m_codePageNote->setText(Text("codePageIgnored").replace("%s", QString::fromStdString(m_state.codePage)));
  m_codePageNote->setToolTip(QString::fromStdString(m_state.codePageProblem));
  m_status->setText(String(IDS_CONVERSION_RUNNING));
  m_fileProgress->setRange(0, static_cast<int>(m_state.filePairs.Count()));
  m_fileProgress->setValue(0);
  m_secondProgress->setRange(0, 0);
  m_secondProgress->hide();
  m_state.report.clear();
  m_state.warnings.clear();
  m_state.volumeNote = CWizardState::EVolumeNote::kNone;
  m_direction = m_state.direction;
  SetTimer(kJobTimer, 1);
  return true;
}

void CPropertyPageConversion::OnTimer(int timerId) {
  KillTimer(timerId);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // No events are processed while the pairs are converted: the job cannot be cancelled or the
  // wizard closed half-way; the progress bar is painted directly.
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
    if (m_direction == kDirectionToDesktop) {
      ConvertFileToDesktop(source, pairs[done].target, m_state, context.settings);
      ++done;
    } else if (m_direction == kDirectionToGpx) {
      ConvertFileToGpx(source, pairs[done].target, codePage, times, m_state);
      ++done;
    } else {
      // The rows of one source follow each other (a .wpt's .upt and .rte, a GPX file's files): it
      // is read once for them.
      std::vector<std::string> targets;
      std::vector<SGpxUnitTarget> parts;
      for (std::size_t i = done; i < pairs.Count() && pairs[i].source == source; ++i) {
        targets.push_back(pairs[i].target);
        parts.push_back({pairs[i].target, pairs[i].part});
      }
      const std::vector<bool> converted = FileKindOf(source) == EFileKind::kGpx
                                              ? ConvertGpxFileToUnitTargets(source, parts, context, codePage, m_state)
                                              : ConvertFileToUnitTargets(source, targets, context, m_state);
      for (std::size_t i = 0; i < targets.size(); ++i)
        anyOnUnit = anyOnUnit || (converted[i] && IsTargetOnUnit(targets[i], context));
      done += targets.size();
    }
    WarnOfReplacedCharacters(source, codePage, m_state);
    m_fileProgress->setValue(static_cast<int>(done));
    m_fileProgress->repaint();
  }
  // One eject request for the whole job, once every file is on the unit; the Finish page tells
  // whether the unit may be unplugged.
  if (anyOnUnit) {
    m_state.volumeNote = m_state.unit.RequestEject() == EEjectResult::Ejected
                             ? CWizardState::EVolumeNote::kUnitEjected
                             : CWizardState::EVolumeNote::kUnitNotEjected;
  }
  m_status->setText(String(IDS_CONVERSION_DONE));
  QApplication::restoreOverrideCursor();
  m_hint->show();
  m_done = true;
  SetWizardButtons(kButtonNext);
}
