// A pane with the picture and the summary of one navigation file, for the file selection page.
#pragma once

#include <QImage>
#include <QString>
#include <QThreadPool>
#include <QWidget>
#include <memory>

class CResourceSource;
class QLabel;
struct SPreviewContent;

namespace preview_detail {
class CPictureView;
}

// The file is read, summed up and drawn on a worker thread, so the page stays responsive
// however long the file is; a newer file or size replaces older work that has not started, and
// the results of work overtaken by a newer request are dropped. Cheap to call on every change of
// the selection.
class CFilePreview : public QWidget {
  Q_OBJECT

 public:
  explicit CFilePreview(const CResourceSource& resources, QWidget* parent = nullptr);
  ~CFilePreview() override;

  // Shows this file; an empty path empties the pane.
  void ShowFile(const QString& path);
  const QString& ShownPath() const { return m_path; }
  // What the pane shows: the summary's lines or the reason the file cannot be shown.
  QString SummaryText() const;
  QImage Picture() const;

 signals:
  // The latest file's summary and its picture at the pane's present size are on show.
  void Shown();

 private:
  void Draw();
  void TakeContent(int request, std::shared_ptr<const SPreviewContent> content);
  void TakePicture(int request, const QImage& picture);

  const CResourceSource& m_resources;
  preview_detail::CPictureView* m_picture;
  QLabel* m_summary;
  QString m_path;
  std::shared_ptr<const SPreviewContent> m_content;
  int m_fileRequest = 0;
  int m_drawRequest = 0;
  QThreadPool m_pool;
};
