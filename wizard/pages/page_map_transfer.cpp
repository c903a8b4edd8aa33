// The map transfer page.
#include "wizard/pages/page_map_transfer.h"

#include <QCoreApplication>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "resources/string_ids.h"
#include "storage/file_system.h"
#include "storage/interruption.h"
#include "wizard/map_transfer.h"
#include "wizard/pages/dialogs.h"
#include "wizard/pages/progress_bar.h"
#include "wizard/pages/property_sheet.h"
#include "wizard/pages/wizard_state.h"

namespace {

constexpr int kTransferTimer = 1010;

// Progress bars count in int; a job past 2^31 blocks (128 TiB) simply shows as full.
int BarValue(std::uint64_t blocks) { return static_cast<int>(std::min<std::uint64_t>(blocks, INT_MAX)); }

}  // namespace

CPropertyPageMapTransfer::CPropertyPageMapTransfer(CWizardState& state)
    : CPropertyPage_(state, kPageMapTransfer, IDS_TITLE_MAP_TRANSFER),
      m_status(new QLabel(String(IDS_TRANSFER_RUNNING))),
      m_copyingLabel(new QLabel(String(IDS_COPYING_FILE))),
      m_fileName(new QLabel),
      m_fileBar(new CProgressBar),
      m_timeLeft(new QLabel),
      m_totalBar(new CProgressBar),
      m_madeRoom(new QLabel),
      m_hint(new QLabel(Text("hint"))) {
  m_fileBar->setTextVisible(false);
  m_totalBar->setTextVisible(false);
  m_madeRoom->setWordWrap(true);
  m_madeRoom->setTextFormat(Qt::PlainText);
  m_madeRoom->hide();
  auto* file = new QGridLayout;
  file->addWidget(m_copyingLabel, 0, 0);
  file->addWidget(m_fileName, 0, 1);
  file->addWidget(m_fileBar, 1, 0, 1, 2);
  file->setColumnStretch(1, 1);
  auto* total = new QGridLayout;
  total->addWidget(new QLabel(String(IDS_TIME_LEFT)), 0, 0);
  total->addWidget(m_timeLeft, 0, 1);
  total->addWidget(m_totalBar, 1, 0, 1, 2);
  total->setColumnStretch(1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_status);
  layout->addSpacing(12);
  layout->addLayout(file);
  layout->addSpacing(12);
  layout->addLayout(total);
  layout->addSpacing(12);
  layout->addWidget(m_madeRoom);
  layout->addStretch();
  layout->addWidget(m_hint);
}

void CPropertyPageMapTransfer::DoDataExchange(bool toFields) {
  if (toFields) return;
  m_fileName->setText(QFile::decodeName(m_fileNameText.c_str()));
  m_timeLeft->setText(QString::fromStdString(m_timeLeftText));
}

bool CPropertyPageMapTransfer::OnSetActive() {
  if (!m_watchingSheet && m_sheet != nullptr) {
    m_watchingSheet = true;
    connect(m_sheet, &CPropertySheet_::Finished, this, &CPropertyPageMapTransfer::OnSheetClosed);
  }
  SetWizardButtons(kButtonBack);
  m_status->setText(String(IDS_TRANSFER_RUNNING));
  m_state.report.clear();
  m_state.warnings.clear();
  m_madeRoom->hide();
  m_fileNameText.clear();
  m_timeLeftText.clear();
  m_fileBar->setRange(0, 0);
  m_fileBar->setValue(0);
  m_totalBar->setValue(0);
  m_totalBlocks = RunTransfer(m_state.filePairs, nullptr, m_state);
  m_doneBlocks = 0;
  m_totalBar->setRange(0, BarValue(m_totalBlocks));
  m_totalBar->setValue(0);
  DoDataExchange(false);
  m_startTick = TickCountMs();
  SetTimer(kTransferTimer, 1);
  return CPropertyPage_::OnSetActive();
}

void CPropertyPageMapTransfer::OnTimer(int timerId) {
  if (timerId != kTransferTimer) return;
  KillTimer(kTransferTimer);
  m_copyingLabel->show();
  m_hint->setEnabled(false);
  m_startTick = TickCountMs();
  m_cancelled = false;
  m_running = true;
  STransferOutcome outcome;
  int signal = 0;
  {
    // SIGINT, SIGTERM or SIGHUP stops the copy as a cancel does, and then the program.
    const CCooperativeInterrupt interrupt;
    RunTransfer(m_state.filePairs, this, m_state, &outcome);
    signal = CCooperativeInterrupt::Signal();
  }
  m_running = false;
  if (signal != 0) {
    QCoreApplication::exit(InterruptExitStatus(signal));
    return;
  }

  if (m_cancelled) {
    // The copy has stopped and removed what it added; only now may the region page, and with it
    // a new set of file pairs, come back.
    m_cancelled = false;
    m_hint->setEnabled(true);
    if (m_sheetClosed) return;
    ShowCancelled(outcome);
    m_leaving = true;
    if (m_sheet != nullptr) m_sheet->PressBack();
    m_leaving = false;
    return;
  }
  m_copyingLabel->hide();
  OnFileStart({});
  m_status->setText(String(IDS_TRANSFER_DONE));
  if (!outcome.madeRoom.empty()) {
    QString text = Text("madeRoom");
    for (const std::string& target : outcome.madeRoom) text += "\n" + QFile::decodeName(target.c_str());
    m_madeRoom->setText(text);
    m_madeRoom->show();
  }
  m_hint->setEnabled(true);
  SetWizardButtons(kButtonNext);
}

void CPropertyPageMapTransfer::ShowCancelled(const STransferOutcome& cancelled) {
  // The region whose older copy went to make room, and whose new copy was not finished.
  std::vector<std::string> lost;
  if (std::find(cancelled.madeRoom.begin(), cancelled.madeRoom.end(), cancelled.stopped) != cancelled.madeRoom.end())
    lost.push_back(cancelled.stopped);
  if (cancelled.kept.empty() && cancelled.removed.empty() && lost.empty()) return;
  QString text = Text("cancelled");
  const auto list = [&](const char* heading, const std::vector<std::string>& targets) {
    if (targets.empty()) return;
    text += "\n\n" + Text(heading);
    for (const std::string& target : targets) text += "\n" + QFile::decodeName(target.c_str());
  };
  list("kept", cancelled.kept);
  list("removed", cancelled.removed);
  list("lost", lost);
  m_state.dialogs.Warn(this, text, String(IDS_CAPTION));
}

void CPropertyPageMapTransfer::DispatchMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void CPropertyPageMapTransfer::OnFileStart(const std::string& source) {
  DispatchMessages();
  m_fileBar->setRange(0, source.empty() ? 0 : BarValue(CountBlocks(source)));
  m_fileBar->setValue(0);
  m_fileNameText = SECFileSystem().FileNameOf(source);
  DoDataExchange(false);
}

void CPropertyPageMapTransfer::OnBlockCopied() {
  DispatchMessages();
  // A cancel answered just now: the copy stops after this block, so nothing more is shown.
  if (m_cancelled) return;
  m_fileBar->setValue(std::min(m_fileBar->value() + 1, m_fileBar->maximum()));
  ++m_doneBlocks;
  m_totalBar->setValue(BarValue(std::min(m_doneBlocks, m_totalBlocks)));
  m_timeLeftText = FormatTimeLeft(TickCountMs() - m_startTick, m_doneBlocks, m_totalBlocks);
  DoDataExchange(false);
}

int CPropertyPageMapTransfer::OnWizardBack() {
  if (m_leaving) return kPageMap;
  // Back is offered only while a copy runs, and one cancel is enough.
  if (!m_running || m_cancelled) return PageId();
  if (!m_state.dialogs.AskYesNo(this, String(IDS_CANCEL_TRANSFER), String(IDS_CAPTION))) return PageId();
  m_cancelled = true;
  m_fileNameText.clear();
  m_timeLeftText.clear();
  m_startTick = 0;
  m_totalBlocks = 0;
  DoDataExchange(false);
  return PageId();
}

int CPropertyPageMapTransfer::OnWizardNext() { return m_running ? PageId() : kPageFinish; }

void CPropertyPageMapTransfer::OnSheetClosed() {
  // Closing the wizard abandons the job: the copy stops as after a confirmed cancel.
  if (!m_running) return;
  m_sheetClosed = true;
  m_cancelled = true;
}
