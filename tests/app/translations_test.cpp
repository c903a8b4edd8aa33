// The shipped text sets: each compiled translation holds every built-in text, with the same
// placeholders and file patterns, so no language shows an English text or a broken message.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QResource>
#include <map>

#include "resources/string_table.h"

namespace {

// The "key=text" lines of a texts.txt, texts left as written (escapes included).
std::map<QString, QString> ReadKeys(const QString& path) {
  std::map<QString, QString> texts;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return texts;
  for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (line.startsWith(QLatin1Char('#')) || equals <= 0) continue;
    texts[line.left(equals)] = line.mid(equals + 1).trimmed();
  }
  return texts;
}

// What a translation must keep of a text, one item a line: its printf fields in order ("%s",
// "%.1lf"), and for a file filter ("Label|*.wpt||") the patterns, the parts after each '|'.
std::string Kept(const QString& text) {
  QStringList kept;
  static const QRegularExpression field(QStringLiteral("%[-+ #0-9.]*[a-z]+|%%"));
  for (auto match = field.globalMatch(text); match.hasNext();) kept << match.next().captured();
  const QStringList parts = text.split(QLatin1Char('|'));
  for (qsizetype i = 1; i < parts.size(); i += 2) kept << QStringLiteral("|") + parts[i];
  return kept.join(QLatin1Char('\n')).toStdString();
}

TEST(TranslationsTest, EveryLanguageHasEveryBuiltInTextWithItsPlaceholdersAndPatterns) {
  // The built-in texts: the dialog texts and every entry of the string table that is not empty
  // (string ids are 16-bit numbers).
  std::map<QString, QString> builtIn = ReadKeys(QStringLiteral(":/transvane/texts.txt"));
  ASSERT_FALSE(builtIn.empty());
  for (int id = 0; id < 65536; ++id) {
    if (*BuiltInString(id) != '\0') builtIn[QString::number(id)] = QString::fromUtf8(BuiltInString(id));
  }

  const QStringList sources = QDir(QStringLiteral(TRANSVANE_SOURCE_DIR "/resources/translations"))
                                  .entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
  ASSERT_GE(sources.size(), 5) << "French, German, Spanish, Italian and Dutch at least";
  for (const QString& source : sources) {
    const QString language = source.chopped(4);
    const QString rcc = QStringLiteral(TRANSVANE_TRANSLATION_DIR "/transvaneRC_%1.rcc").arg(language);
    const QString root = QStringLiteral("/check-") + language;
    ASSERT_TRUE(QResource::registerResource(rcc, root)) << "no compiled translation " << rcc.toStdString();
    const std::map<QString, QString> translated = ReadKeys(QLatin1Char(':') + root + QStringLiteral("/texts.txt"));
    for (const auto& [key, english] : builtIn) {
      const auto it = translated.find(key);
      if (it == translated.end()) {
        ADD_FAILURE() << language.toStdString() << " lacks " << key.toStdString() << "=" << english.toStdString();
        continue;
      }
      EXPECT_FALSE(it->second.isEmpty()) << language.toStdString() << " " << key.toStdString();
      EXPECT_EQ(Kept(it->second), Kept(english))
          << language.toStdString() << " " << key.toStdString() << "=" << it->second.toStdString();
    }
    for (const auto& [key, text] : translated) {
      EXPECT_TRUE(builtIn.count(key)) << language.toStdString() << " has " << key.toStdString()
                                      << ", which the program does not show";
    }
    QResource::unregisterResource(rcc, root);
  }
}

}  // namespace
