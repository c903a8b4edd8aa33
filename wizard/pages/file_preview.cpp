// The picture and summary pane of one navigation file.
#include "wizard/pages/file_preview.h"

#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <string>
#include <utility>

#include "preview/navigation_reader.h"
#include "preview/picture_style.h"
#include "preview/qt/qt_drawing.h"
#include "resources/qt/resource_source.h"
#include "resources/string_ids.h"

namespace preview_detail {

// Shows the latest picture in the middle of its room; it never asks for more room than it has,
// so a new picture cannot make the pane grow.
class CPictureView : public QWidget {
 public:
  explicit CPictureView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(160, 120);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  }
  void SetPicture(const QImage& picture) {
    m_picture = picture;
    update();
  }
  const QImage& Picture() const { return m_picture; }
  std::function<void()> onResize;

 protected:
  void resizeEvent(QResizeEvent*) override {
    if (onResize) onResize();
  }
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgba(picture_style::kPaper));
    if (m_picture.isNull()) return;
    const QSizeF size = m_picture.deviceIndependentSize();
    painter.drawImage(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), m_picture);
  }

 private:
  QImage m_picture;
};

}  // namespace preview_detail

namespace {

QImage DrawContent(const SPreviewContent& content, const QSize& size, qreal ratio) {
  if (!content.read) {
    QImage blank(size * ratio, QImage::Format_ARGB32_Premultiplied);
    blank.setDevicePixelRatio(ratio);
    blank.fill(QColor::fromRgba(picture_style::kPaper));
    return blank;
  }
  const CQtTextMeasure measure;
  return DrawingImage(content.picture->Draw(size.width(), size.height(), measure), measure, ratio);
}

}  // namespace

CFilePreview::CFilePreview(const CResourceSource& resources, QWidget* parent)
    : CFilePreview(resources, ReadNavigationFile, parent) {}

CFilePreview::CFilePreview(const CResourceSource& resources, FRead read, QWidget* parent)
    : QWidget(parent), m_resources(resources), m_read(std::move(read)) {
  m_picture = new preview_detail::CPictureView(this);
  // The picture's room changes with the pane and with the summary's lines under it.
  m_picture->onResize = [this] { Draw(); };
  m_summary = new QLabel(this);
  m_summary->setTextFormat(Qt::PlainText);  // names from files are never markup
  m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_summary->setWordWrap(true);
  m_summary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_picture, 1);
  layout->addWidget(m_summary);
}

// The work posts to this object: m_requests, its last member, waits for the worker.
CFilePreview::~CFilePreview() = default;

void CFilePreview::ShowFile(const QString& path) {
  m_path = path;
  m_content.reset();
  const int request = m_requests.NewFile();
  m_picture->SetPicture(QImage());
  if (path.isEmpty()) {
    m_summary->clear();
    emit Shown();
    return;
  }
  m_summary->setText(m_resources.String(IDS_PLEASE_WAIT));
  const SSummaryWords words = SummaryWordsOf(
      [this](const std::string& key) { return m_resources.Text(QString::fromStdString(key)).toStdString(); });
  const std::string failure = m_resources.String(IDS_ERROR_LOADING).toStdString();
  const QSize screen = this->screen()->size() * devicePixelRatioF();
  const int finestSide = std::max(screen.width(), screen.height());
  m_requests.Run([this, read = m_read, file = path.toStdString(), words, failure, request,
                  finestSide](const std::atomic<bool>& stop) {
    std::shared_ptr<const SPreviewContent> content = ReadPreviewContent(read, file, words, failure, finestSide, &stop);
    if (stop.load()) return;  // a newer file is wanted
    QMetaObject::invokeMethod(
        this, [this, request, content = std::move(content)] { TakeContent(request, content); }, Qt::QueuedConnection);
  });
}

void CFilePreview::TakeContent(int request, std::shared_ptr<const SPreviewContent> content) {
  if (!m_requests.IsLatestFile(request)) return;
  m_content = std::move(content);
  m_summary->setText(QString::fromStdString(m_content->text));
  Draw();
}

void CFilePreview::Draw() {
  if (!m_content) return;
  const int request = m_requests.NewPicture();
  const QSize size = m_picture->size();
  const qreal ratio = m_picture->devicePixelRatioF();
  m_requests.Run([this, content = m_content, size, ratio, request](const std::atomic<bool>&) {
    QImage picture = DrawContent(*content, size, ratio);
    QMetaObject::invokeMethod(
        this, [this, request, picture = std::move(picture)] { TakePicture(request, picture); }, Qt::QueuedConnection);
  });
}

void CFilePreview::TakePicture(int request, const QImage& picture) {
  if (!m_requests.IsLatestPicture(request)) return;
  m_picture->SetPicture(picture);
  emit Shown();
}

QString CFilePreview::SummaryText() const { return m_summary->text(); }

QImage CFilePreview::Picture() const { return m_picture->Picture(); }
