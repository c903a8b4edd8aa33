// The conversion and transfer page.
#include "wizard/pages/page_conversion.h"

#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "wizard/pages/progress_bar.h"

CPropertyPageConversion::CPropertyPageConversion(CConversionLogic& logic, const CResourceSource& resources)
    : CPropertyPage_(logic, resources),
      m_logic(logic),
      m_status(new QLabel),
      m_fileProgress(new CProgressBar),
      m_codePageNote(new QLabel),
      m_secondProgress(new CProgressBar),
      m_hint(new QLabel(Text("hint"))) {
  m_logic.SetProgressObserver(this);
  m_fileProgress->setTextVisible(false);
  m_secondProgress->setTextVisible(false);
  m_secondProgress->setRange(0, 0);  // this job does not use it
  m_secondProgress->hide();
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

void CPropertyPageConversion::Render(unsigned parts) {
  if (parts & CConversionLogic::kTexts) {
    m_status->setText(Utf8(m_logic.Status()));
    m_hint->setVisible(m_logic.HintShown());
    // A TRANSVANE_CODEPAGE that cannot be used is said here, where the names are converted; the
    // reason itself is the label's tooltip.
    m_codePageNote->setVisible(m_logic.CodePageNoteShown());
    m_codePageNote->setText(Utf8(m_logic.CodePageNote()));
    m_codePageNote->setToolTip(Utf8(m_logic.CodePageProblem()));
  }
  if (parts & CConversionLogic::kProgress) {
    m_fileProgress->setRange(0, static_cast<int>(std::min<std::size_t>(m_logic.PairCount(), INT_MAX)));
    m_fileProgress->setValue(static_cast<int>(std::min<std::size_t>(m_logic.PairsDone(), INT_MAX)));
  }
}

void CPropertyPageConversion::OnPairsDone(std::size_t done) {
  m_fileProgress->setValue(static_cast<int>(std::min<std::size_t>(done, INT_MAX)));
  m_fileProgress->repaint();
}
