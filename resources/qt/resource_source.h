// The wizard's resource source: every visible text and image by number, built in or translated.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <map>
#include <string>

#include "resources/text_source.h"

// An installed translation found for the user's languages.
struct SInstalledTranslation {
  QString language;  // as the file names it: "fr", "pt_BR"; empty when none was found
  QString path;
};

// Answers the wizard's texts and images by number. When a translation file loads (the one named
// after the program beside it, else the installed one for the user's language), its texts and
// images replace the built-in ones under the same numbers; whatever it lacks still comes from the
// program itself. String table entries are keyed by their number ("102"), dialog texts by dialog
// and control ("129.greeting").
class CResourceSource : public CTextSource {
 public:
  CResourceSource();
  ~CResourceSource() override;
  CResourceSource(const CResourceSource&) = delete;
  CResourceSource& operator=(const CResourceSource&) = delete;

  // The translation file that belongs to a program file: same folder, base name + "RC.rcc".
  static QString OverridePathFor(const QString& programPath);
  // Where the installed translations of a program file lie: "<prefix>/share/transvane/translations"
  // for a program in "<prefix>/bin". A build tree keeps the same layout, so its programs find the
  // translations it built.
  static QString TranslationFolderFor(const QString& programPath);
  // The installed translation for the user's languages, most preferred first, as
  // QLocale::uiLanguages() gives them ("fr-CA", "fr"): the file of the first language that has one,
  // trying the whole name first and then shorter ones ("transvaneRC_fr_CA.rcc", then
  // "transvaneRC_fr.rcc"). None when English comes first: it is built in.
  static SInstalledTranslation FindInstalledTranslation(const QString& folder, const QStringList& languages);
  // Registers a translation file; false (and the built-in resources stay) when it cannot load.
  bool LoadOverride(const QString& rccPath);
  bool HasOverride() const { return !m_overrideRoot.isEmpty(); }

  QString String(int id) const;
  std::string Utf8String(int id) const override;
  QString DialogText(int dialogId, const char* control) const;
  std::string Utf8DialogText(int dialogId, const char* control) const override;
  // A text by its whole key, for texts that belong to no dialog ("sheet.next").
  QString Text(const QString& key) const;
  QIcon Icon(int id) const;
  QPixmap Bitmap(int id) const;
  // The frames of an animation, in playing order.
  QList<QPixmap> AnimationFrames(int id) const;

 private:
  QString Lookup(const QString& key, bool* found) const;
  QString ImagePath(const QString& relative) const;  // relative path without extension
  static QPixmap LoadImage(const QString& path, const QSize& size = {});

  std::map<QString, QString> m_builtInTexts;
  std::map<QString, QString> m_overrideTexts;
  QString m_overrideFile;
  QString m_overrideRoot;  // where the translation is mapped in the resource tree; empty: none
};
