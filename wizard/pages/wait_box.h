// The please-wait box shown while a connection page searches the drives.
#pragma once

#include <QDialog>
#include <QList>
#include <QPixmap>

class CResourceSource;
class QLabel;
class QTimer;

// Modeless box (dialog 138, "USB Connection") that plays animation 143 over and over with the
// text "Please wait ...". It has no parent window: the wizard under it is disabled while it
// shows, and a disabled parent would disable the box and the questions asked on it as well.
class CWaitBox : public QDialog {
  Q_OBJECT

 public:
  explicit CWaitBox(const CResourceSource& resources);

  void Play();
  void Stop();
  int FrameCount() const { return static_cast<int>(m_frames.size()); }
  int CurrentFrame() const { return m_frame; }
  QString Text() const;

 private:
  void ShowFrame(int frame);

  QList<QPixmap> m_frames;
  QLabel* m_animation;
  QLabel* m_text;
  QTimer* m_timer;
  int m_frame = 0;
};
