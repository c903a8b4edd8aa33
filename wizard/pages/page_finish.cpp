// The Finish page.
#include "wizard/pages/page_finish.h"

#include <QLabel>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include "resources/string_ids.h"
#include "wizard/pages/wizard_state.h"

namespace {

constexpr int kSelectionTimer = 1;
constexpr const char* kReasonIndent = "    ";

// Every line of the report, each followed by its reason indented under it, line by line.
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

}  // namespace

CPropertyPageFinish::CPropertyPageFinish(CWizardState& state)
    : CPropertyPage_(state, kPageFinish, IDS_TITLE_FINISH),
      m_outcome(new QLabel),
      m_volumeNote(new QLabel),
      m_details(new QTextEdit) {
  m_outcome->setWordWrap(true);
  m_volumeNote->setWordWrap(true);
  m_volumeNote->setTextFormat(Qt::PlainText);  // it may hold a volume's label
  m_outcome->setMinimumHeight(3 * m_outcome->fontMetrics().lineSpacing());
  m_outcome->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  m_details->setReadOnly(true);
  m_details->setAcceptRichText(false);
  m_details->setLineWrapMode(QTextEdit::NoWrap);
  // Scroll bars appear when the lines do not fit, so a long report can be read to its end.
  m_details->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  m_details->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_outcome);
  layout->addWidget(m_volumeNote);
  layout->addWidget(m_details, 1);
  layout->addStretch();
  layout->addWidget(new QLabel(Text("hint")));
}

bool CPropertyPageFinish::OnSetActive() {
  SetWizardButtons(kButtonBack | kButtonFinish);
  const bool clean = m_state.report.empty();
  if (m_state.job == 0) m_outcome->setText(String(clean ? IDS_CONVERSION_SUCCESS : IDS_CONVERSION_FAILURES));
  if (m_state.job == 1) m_outcome->setText(String(clean ? IDS_MAP_SUCCESS : IDS_MAP_FAILURES));
  m_volumeNote->setText(VolumeNote());
  m_volumeNote->setVisible(!m_volumeNote->text().isEmpty());
  // Warnings are no failures: the outcome stays a success, and they follow the failures.
  m_details->setVisible(!clean || !m_state.warnings.empty());
  QString details = QString::fromStdString(ReportText(m_state.report));
  if (!m_state.warnings.empty()) details += Text("warnings") + QLatin1Char('\n');
  for (const SSourceWarning& warning : m_state.warnings)
    details += QString::fromUtf8(kReasonIndent) + QString::fromStdString(warning.Text()) + QLatin1Char('\n');
  // Plain text: a path or a reason is shown as it is, never read as markup.
  m_details->setPlainText(details);
  SetTimer(kSelectionTimer, 1);
  return true;
}

QString CPropertyPageFinish::VolumeNote() const {
  switch (m_state.volumeNote) {
    case CWizardState::EVolumeNote::kNone:
      break;
    case CWizardState::EVolumeNote::kUnitEjected:
      return Text("unitEjected");
    case CWizardState::EVolumeNote::kUnitNotEjected:
      return Text("unitNotEjected");
    case CWizardState::EVolumeNote::kStillMounted:
      return Text("stillMounted").replace(QStringLiteral("%s"), QString::fromStdString(m_state.volumeName));
  }
  return {};
}

void CPropertyPageFinish::OnTimer(int timerId) {
  KillTimer(timerId);
  QTextCursor cursor = m_details->textCursor();
  cursor.setPosition(0);
  m_details->setTextCursor(cursor);
}

int CPropertyPageFinish::OnWizardBack() {
  m_state.report.clear();
  m_state.warnings.clear();
  m_state.filePairs.Clear();
  m_state.volumeNote = CWizardState::EVolumeNote::kNone;
  if (m_state.job == 0) return kPageDestination;
  if (m_state.job == 1) return kPageMap;
  return 0;
}
