// A pane with the picture and the summary of one navigation file, for the file selection page.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "preview/preview_content.h"
#include "preview/preview_requests.h"

class CResourceSource;
class QLabel;

namespace preview_detail {
class CPictureView;
}

// The file is read, summed up and drawn on a worker thread in the order CPreviewRequests keeps, so
// the window never waits for it; the results of work overtaken by a newer request are dropped.
// Cheap to call on every change of the selection.
class CFilePreview : public QWidget {
  Q_OBJECT

 public:
  using FRead = FReadNavigation;

  explicit CFilePreview(const CResourceSource& resources, QWidget* parent = nullptr);
  CFilePreview(const CResourceSource& resources, FRead read, QWidget* parent = nullptr);
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
  FRead m_read;
  preview_detail::CPictureView* m_picture;
  QLabel* m_summary;
  QString m_path;
  std::shared_ptr<const SPreviewContent> m_content;
  // Last, so that it is the first to go: no work is left running once the rest goes.
  CPreviewRequests m_requests;
};
