// The one way the pages ask the user something: open and save dialogs, questions, warnings.
#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

class QWidget;

// Every dialog a page shows goes through this interface: Qt's dialogs in the program, scripted
// answers in the tests. Filters are in the string table's form ("description|patterns||").
class CDialogs {
 public:
  virtual ~CDialogs() = default;
  // Several existing files; empty when the user cancels.
  virtual std::vector<std::string> OpenFiles(QWidget* parent, const QString& filter, const std::string& folder) = 0;
  // One file name to write (the user confirmed any overwrite); false when the user cancels.
  virtual bool SaveFile(QWidget* parent, const QString& filter, const std::string& folder, const std::string& fileName,
                        const std::string& defaultExtension, std::string& chosen) = 0;
  // A Retry/Cancel question with the exclamation icon; true for Retry.
  virtual bool AskRetry(QWidget* parent, const QString& text, const QString& caption) = 0;
  // A Yes/No question with the exclamation icon; true for Yes.
  virtual bool AskYesNo(QWidget* parent, const QString& text, const QString& caption) = 0;
  // A question with the exclamation icon and a button per choice, the first the default; answers
  // the position of the choice taken. Closing the box takes the last choice, which is the one that
  // leaves everything as it was.
  virtual int AskChoice(QWidget* parent, const QString& text, const QString& caption, const QStringList& choices) = 0;
  // A warning with an OK button.
  virtual void Warn(QWidget* parent, const QString& text, const QString& caption) = 0;
};

// Qt's own file dialogs and message boxes.
class CQtDialogs : public CDialogs {
 public:
  std::vector<std::string> OpenFiles(QWidget* parent, const QString& filter, const std::string& folder) override;
  bool SaveFile(QWidget* parent, const QString& filter, const std::string& folder, const std::string& fileName,
                const std::string& defaultExtension, std::string& chosen) override;
  bool AskRetry(QWidget* parent, const QString& text, const QString& caption) override;
  bool AskYesNo(QWidget* parent, const QString& text, const QString& caption) override;
  int AskChoice(QWidget* parent, const QString& text, const QString& caption, const QStringList& choices) override;
  void Warn(QWidget* parent, const QString& text, const QString& caption) override;
};

// "Waypoint/Route (*.wpt)|*.wpt||" becomes Qt's "Waypoint/Route (*.wpt) (*.wpt)": one Qt filter
// per description/pattern pair, patterns separated by spaces instead of ';'.
QString QtNameFilters(const QString& filter);
