// The Finish page.
#include "wizard/pages/page_finish.h"

#include <QLabel>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

CPropertyPageFinish::CPropertyPageFinish(CFinishLogic& logic, const CResourceSource& resources)
    : CPropertyPage_(logic, resources),
      m_logic(logic),
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

void CPropertyPageFinish::Render(unsigned parts) {
  if (parts & CFinishLogic::kTexts) {
    m_outcome->setText(Utf8(m_logic.Outcome()));
    m_volumeNote->setText(Utf8(m_logic.VolumeNote()));
    m_volumeNote->setVisible(!m_logic.VolumeNote().empty());
    m_details->setVisible(m_logic.DetailsShown());
    // Plain text: a path or a reason is shown as it is, never read as markup.
    m_details->setPlainText(Utf8(m_logic.Details()));
  }
  if (parts & CFinishLogic::kCaret) {
    QTextCursor cursor = m_details->textCursor();
    cursor.setPosition(0);
    m_details->setTextCursor(cursor);
  }
}
