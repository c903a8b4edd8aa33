// The picture and summary pane of one navigation file.
#include "wizard/pages/file_preview.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <functional>
#include <string>
#include <utility>

#include "formats/code_page.h"
#include "resources/resource_source.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "wizard/preview/navigation_picture.h"
#include "wizard/preview/navigation_reader.h"
#include "wizard/preview/navigation_summary.h"
#include "wizard/preview/picture_style.h"
#include "wizard/preview/summary_text.h"

// What the worker made of one file: its data for drawing, and the text under the picture.
struct SPreviewContent {
  bool read = false;
  SNavigationData data;
  QString text;
};

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

SSummaryWords Words(const CResourceSource& resources) {
  const auto word = [&](const char* key) { return resources.Text(QLatin1String(key)).toStdString(); };
  SSummaryWords words;
  words.waypoints = word("preview.waypoints");
  words.routes = word("preview.routes");
  words.routePoints = word("preview.routePoints");
  words.tracks = word("preview.tracks");
  words.trackPoints = word("preview.trackPoints");
  words.route = word("preview.route");
  words.track = word("preview.track");
  words.points = word("preview.points");
  words.timeSpan = word("preview.timeSpan");
  words.bounds = word("preview.bounds");
  words.withoutPosition = word("preview.withoutPosition");
  words.withoutTime = word("preview.withoutTime");
  return words;
}

std::shared_ptr<const SPreviewContent> ReadContent(const QString& path, const SSummaryWords& words,
                                                   const QString& failure) {
  auto content = std::make_shared<SPreviewContent>();
  CCodePage codePage;
  CDiagnostic why;
  const std::string file = path.toStdString();
  content->read = ReadNavigationFile(file, content->data, codePage, &why);
  if (!content->read) {
    content->text = QString::fromStdString(FormatMessageWithPath(failure.toStdString(), file) + '\n' + why.Reason());
    return content;
  }
  QStringList lines;
  for (const std::string& line : SummaryLines(SummariseNavigation(content->data), words)) {
    lines << QString::fromStdString(line);
  }
  content->text = lines.join(QLatin1Char('\n'));
  return content;
}

QImage DrawContent(const SPreviewContent& content, const QSize& size, qreal ratio) {
  QImage picture(size * ratio, QImage::Format_ARGB32_Premultiplied);
  if (picture.isNull()) return picture;
  picture.setDevicePixelRatio(ratio);
  QPainter painter(&picture);
  if (content.read) {
    CNavigationPicture(content.data).Draw(painter, QSizeF(size));
  } else {
    painter.fillRect(QRectF(QPointF(), QSizeF(size)), QColor::fromRgba(picture_style::kPaper));
  }
  return picture;
}

}  // namespace

CFilePreview::CFilePreview(const CResourceSource& resources, QWidget* parent)
    : QWidget(parent), m_resources(resources) {
  m_pool.setMaxThreadCount(1);
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

CFilePreview::~CFilePreview() {
  // The workers post to this object: none may be left running when it goes.
  m_pool.clear();
  m_pool.waitForDone();
}

void CFilePreview::ShowFile(const QString& path) {
  m_path = path;
  m_content.reset();
  const int request = ++m_fileRequest;
  ++m_drawRequest;
  m_pool.clear();
  m_picture->SetPicture(QImage());
  if (path.isEmpty()) {
    m_summary->clear();
    emit Shown();
    return;
  }
  m_summary->setText(m_resources.String(IDS_PLEASE_WAIT));
  const SSummaryWords words = Words(m_resources);
  const QString failure = m_resources.String(IDS_ERROR_LOADING);
  m_pool.start([this, path, words, failure, request] {
    std::shared_ptr<const SPreviewContent> content = ReadContent(path, words, failure);
    QMetaObject::invokeMethod(
        this, [this, request, content = std::move(content)] { TakeContent(request, content); }, Qt::QueuedConnection);
  });
}

void CFilePreview::TakeContent(int request, std::shared_ptr<const SPreviewContent> content) {
  if (request != m_fileRequest) return;
  m_content = std::move(content);
  m_summary->setText(m_content->text);
  Draw();
}

void CFilePreview::Draw() {
  if (!m_content) return;
  const int request = ++m_drawRequest;
  m_pool.clear();
  const QSize size = m_picture->size();
  const qreal ratio = m_picture->devicePixelRatioF();
  m_pool.start([this, content = m_content, size, ratio, request] {
    QImage picture = DrawContent(*content, size, ratio);
    QMetaObject::invokeMethod(
        this, [this, request, picture = std::move(picture)] { TakePicture(request, picture); }, Qt::QueuedConnection);
  });
}

void CFilePreview::TakePicture(int request, const QImage& picture) {
  if (request != m_drawRequest) return;
  m_picture->SetPicture(picture);
  emit Shown();
}

QString CFilePreview::SummaryText() const { return m_summary->text(); }

QImage CFilePreview::Picture() const { return m_picture->Picture(); }
