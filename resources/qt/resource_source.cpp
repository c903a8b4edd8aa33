// The wizard's resource source: built-in texts and artwork, replaced by a translation's when present.
#include "resources/qt/resource_source.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QRegularExpression>
#include <QResource>
#include <QSvgRenderer>
#include <atomic>

#include "resources/string_table.h"

namespace {

// The texts of a texts.txt in the resource tree (see ParseTextLines).
std::map<QString, QString> ReadTexts(const QString& path) {
  std::map<QString, QString> texts;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return texts;
  for (const auto& [key, text] : ParseTextLines(file.readAll().toStdString()))
    texts[QString::fromStdString(key)] = QString::fromStdString(text);
  return texts;
}

const char* const kBuiltInRoot = ":/transvane";

}  // namespace

CResourceSource::CResourceSource() {
  m_builtInTexts = ReadTexts(QString::fromLatin1(kBuiltInRoot) + QStringLiteral("/texts.txt"));
}

CResourceSource::~CResourceSource() {
  if (HasOverride()) QResource::unregisterResource(m_overrideFile, m_overrideRoot);
}

QString CResourceSource::OverridePathFor(const QString& programPath) {
  const QFileInfo program(programPath);
  return program.dir().filePath(program.completeBaseName() + QStringLiteral("RC.rcc"));
}

QString CResourceSource::TranslationFolderFor(const QString& programPath) {
  return QDir::cleanPath(QFileInfo(programPath).dir().filePath(QStringLiteral("../share/transvane/translations")));
}

SInstalledTranslation CResourceSource::FindInstalledTranslation(const QString& folder, const QStringList& languages) {
  const QDir dir(folder);
  for (const QString& language : languages) {
    QStringList parts = language.split(QRegularExpression(QStringLiteral("[-_.@]")), Qt::SkipEmptyParts);
    if (parts.isEmpty()) continue;
    const QString base = parts.constFirst().toLower();
    if (base == QStringLiteral("en") || base == QStringLiteral("c") || base == QStringLiteral("posix")) return {};
    // Language codes are lower case and territories upper case in the file names ("pt_BR"); a
    // script or encoding part ("Latn", "UTF-8") is tried too and falls away with the shorter names.
    parts.first() = base;
    for (qsizetype i = 1; i < parts.size(); ++i) {
      if (parts[i].size() == 2) parts[i] = parts[i].toUpper();
    }
    for (qsizetype count = parts.size(); count > 0; --count) {
      const QString name = parts.mid(0, count).join(QLatin1Char('_'));
      const QString path = dir.filePath(QStringLiteral("transvaneRC_%1.rcc").arg(name));
      if (QFileInfo(path).isFile()) return {name, path};
    }
  }
  return {};
}

bool CResourceSource::LoadOverride(const QString& rccPath) {
  if (HasOverride()) return false;
  // Each source maps its translation under a root of its own, so two sources never share one.
  static std::atomic<int> counter{0};
  const QString root = QStringLiteral("/transvane-override-%1").arg(counter++);
  if (!QFileInfo(rccPath).isFile() || !QResource::registerResource(rccPath, root)) return false;
  m_overrideFile = rccPath;
  m_overrideRoot = root;
  m_overrideTexts = ReadTexts(QLatin1Char(':') + root + QStringLiteral("/texts.txt"));
  return true;
}

QString CResourceSource::Lookup(const QString& key, bool* found) const {
  auto it = m_overrideTexts.find(key);
  if (it == m_overrideTexts.end()) {
    it = m_builtInTexts.find(key);
    if (it == m_builtInTexts.end()) {
      *found = false;
      return {};
    }
  }
  *found = true;
  return it->second;
}

QString CResourceSource::String(int id) const {
  bool found = false;
  const QString text = Lookup(QString::number(id), &found);
  return found ? text : QString::fromUtf8(BuiltInString(id));
}

std::string CResourceSource::Utf8String(int id) const { return String(id).toStdString(); }

std::string CResourceSource::Utf8DialogText(int dialogId, const char* control) const {
  return DialogText(dialogId, control).toStdString();
}

QString CResourceSource::DialogText(int dialogId, const char* control) const {
  bool found = false;
  return Lookup(QString::number(dialogId) + QLatin1Char('.') + QLatin1String(control), &found);
}

QString CResourceSource::Text(const QString& key) const {
  bool found = false;
  return Lookup(key, &found);
}

QString CResourceSource::ImagePath(const QString& relative) const {
  QStringList roots;
  if (HasOverride()) roots << QLatin1Char(':') + m_overrideRoot;
  roots << QString::fromLatin1(kBuiltInRoot);
  for (const QString& root : roots) {
    for (const char* extension : {".png", ".svg"}) {
      const QString path = root + QLatin1Char('/') + relative + QLatin1String(extension);
      if (QFile::exists(path)) return path;
    }
  }
  return {};
}

QPixmap CResourceSource::LoadImage(const QString& path, const QSize& size) {
  if (path.isEmpty()) return {};
  if (!path.endsWith(QStringLiteral(".svg"))) return QPixmap(path);
  // Vector artwork is drawn here rather than through the image plugins, so the program does
  // not depend on a plugin being installed to show its own pictures.
  QSvgRenderer renderer(path);
  if (!renderer.isValid()) return {};
  QPixmap pixmap(size.isValid() ? size : renderer.defaultSize());
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  renderer.render(&painter);
  return pixmap;
}

QIcon CResourceSource::Icon(int id) const {
  const QString path = ImagePath(QStringLiteral("icons/%1").arg(id));
  QIcon icon;
  if (path.endsWith(QStringLiteral(".svg"))) {
    for (int side : {16, 32, 48, 64}) icon.addPixmap(LoadImage(path, QSize(side, side)));
  } else if (!path.isEmpty()) {
    icon.addPixmap(QPixmap(path));
  }
  return icon;
}

QPixmap CResourceSource::Bitmap(int id) const { return LoadImage(ImagePath(QStringLiteral("bitmaps/%1").arg(id))); }

QList<QPixmap> CResourceSource::AnimationFrames(int id) const {
  // All frames come from the source that holds the first one, so a translation's animation is
  // never mixed with frames of the built-in one.
  const QString first = ImagePath(QStringLiteral("animations/%1/0").arg(id));
  QList<QPixmap> frames;
  if (first.isEmpty()) return frames;
  const QString folder = first.left(first.lastIndexOf(QLatin1Char('/')) + 1);
  const QString extension = first.mid(first.lastIndexOf(QLatin1Char('.')));
  for (int frame = 0;; ++frame) {
    const QString path = folder + QString::number(frame) + extension;
    if (!QFile::exists(path)) break;
    const QPixmap pixmap = LoadImage(path);
    if (pixmap.isNull()) break;
    frames << pixmap;
  }
  return frames;
}
