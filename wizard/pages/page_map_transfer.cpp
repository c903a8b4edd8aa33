// The map transfer page.
#include "wizard/pages/page_map_transfer.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "resources/string_ids.h"
#include "wizard/pages/progress_bar.h"

namespace {

// Progress bars count in int; a job past 2^31 blocks (128 TiB) simply shows as full.
int BarValue(std::uint64_t blocks) { return static_cast<int>(std::min<std::uint64_t>(blocks, INT_MAX)); }

}  // namespace

CPropertyPageMapTransfer::CPropertyPageMapTransfer(CMapTransferLogic& logic, const CResourceSource& resources)
    : CPropertyPage_(logic, resources),
      m_logic(logic),
      m_status(new QLabel),
      m_copyingLabel(new QLabel(String(IDS_COPYING_FILE))),
      m_fileName(new QLabel),
      m_fileBar(new CProgressBar),
      m_timeLeft(new QLabel),
      m_totalBar(new CProgressBar),
      m_madeRoom(new QLabel),
      m_hint(new QLabel(Text("hint"))) {
  m_logic.SetProgressObserver(this);
  m_fileBar->setTextVisible(false);
  m_totalBar->setTextVisible(false);
  m_madeRoom->setWordWrap(true);
  m_madeRoom->setTextFormat(Qt::PlainText);
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
  Render(CMapTransferLogic::kTexts);
}

void CPropertyPageMapTransfer::Render(unsigned parts) {
  if (parts & CMapTransferLogic::kTexts) {
    m_status->setText(Utf8(m_logic.Status()));
    m_copyingLabel->setVisible(m_logic.CopyingShown());
    m_hint->setEnabled(m_logic.HintEnabled());
    m_madeRoom->setText(Utf8(m_logic.MadeRoom()));
    m_madeRoom->setVisible(!m_logic.MadeRoom().empty());
  }
  if (parts & CMapTransferLogic::kProgress) ShowProgress(m_logic.Progress());
  if (parts & CMapTransferLogic::kFileAndTime) {
    m_fileName->setText(Utf8(m_logic.Progress().fileName));
    m_timeLeft->setText(Utf8(m_logic.Progress().timeLeft));
  }
}

void CPropertyPageMapTransfer::ShowProgress(const STransferProgress& progress) {
  m_fileName->setText(Utf8(progress.fileName));
  m_timeLeft->setText(Utf8(progress.timeLeft));
  m_fileBar->setRange(0, BarValue(progress.fileBlocks));
  m_fileBar->setValue(BarValue(progress.fileDone));
  m_totalBar->setRange(0, BarValue(progress.totalBlocks));
  m_totalBar->setValue(BarValue(progress.totalDone));
}

void CPropertyPageMapTransfer::OnTransferProgress(const STransferProgress& progress) {
  ShowProgress(progress);
  // The copy runs on this thread: between its blocks the window system paints, and Back or
  // closing the wizard asks whether to cancel.
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}
