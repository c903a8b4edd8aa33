// The picture's PNG painted by Qt Gui, on the offscreen platform when the program has no window.
#include "preview/png_painter.h"

#include <stdlib.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>

#include "preview/qt/qt_drawing.h"

namespace {

// Qt's notes about its own set-up (no runtime folder, fonts) are not the program's to print; only
// its errors are.
void QtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

// Measuring and drawing text needs a Qt application with a platform; offscreen needs no display.
// The application keeps references to argc and argv for its whole life.
std::unique_ptr<QGuiApplication> CreateGuiApplicationIfNone() {
  if (QCoreApplication::instance() != nullptr) return nullptr;
  static int argc = 1;
  static char name[] = "transvane";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  qInstallMessageHandler(QtMessages);
  return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

struct CPngPainter::SState {
  std::unique_ptr<QGuiApplication> application = CreateGuiApplicationIfNone();
  CQtTextMeasure measure;
};

CPngPainter::CPngPainter() : m_state(std::make_unique<SState>()) {}

CPngPainter::~CPngPainter() = default;

const CTextMeasure& CPngPainter::Measure() const { return m_state->measure; }

bool CPngPainter::WritePng(const SDrawing& drawing, std::string& bytes, std::string& reason) const {
  const QImage image = DrawingImage(drawing, m_state->measure);
  if (image.isNull()) {
    reason = "not enough memory for a picture of " + std::to_string(static_cast<int>(drawing.width)) + "x" +
             std::to_string(static_cast<int>(drawing.height));
    return false;
  }
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) {
    reason = "the PNG could not be made";
    return false;
  }
  bytes.assign(png.constData(), static_cast<std::size_t>(png.size()));
  return true;
}
