// The please-wait box.
#include "wizard/pages/wait_box.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "resources/qt/resource_source.h"
#include "resources/string_ids.h"

namespace {
constexpr int kAnimation = 143;
constexpr int kDialog = 138;
constexpr int kFrameMs = 120;
}  // namespace

CWaitBox::CWaitBox(const CResourceSource& resources)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_frames(resources.AnimationFrames(kAnimation)),
      m_animation(new QLabel),
      m_text(new QLabel(resources.String(IDS_PLEASE_WAIT))),
      m_timer(new QTimer(this)) {
  setWindowTitle(resources.DialogText(kDialog, "caption"));
  setModal(false);
  m_animation->setAlignment(Qt::AlignCenter);
  m_text->setAlignment(Qt::AlignCenter);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_animation);
  layout->addWidget(m_text);
  connect(m_timer, &QTimer::timeout, this, [this] { ShowFrame((m_frame + 1) % std::max(1, FrameCount())); });
  ShowFrame(0);
}

void CWaitBox::ShowFrame(int frame) {
  m_frame = frame;
  if (frame < FrameCount()) m_animation->setPixmap(m_frames[frame]);
}

void CWaitBox::Play() {
  ShowFrame(0);
  if (FrameCount() > 1) m_timer->start(kFrameMs);
}

void CWaitBox::Stop() { m_timer->stop(); }

QString CWaitBox::Text() const { return m_text->text(); }
