// Qt's dialogs behind the pages' dialog interface.
#include "wizard/pages/dialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <vector>

QString QtNameFilters(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty()) break;
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return filters.join(QStringLiteral(";;"));
}

std::vector<std::string> CQtDialogs::OpenFiles(QWidget* parent, const QString& filter, const std::string& folder) {
  const QStringList names =
      QFileDialog::getOpenFileNames(parent, QString(), QFile::decodeName(folder.c_str()), QtNameFilters(filter));
  std::vector<std::string> paths;
  for (const QString& name : names) paths.push_back(QFile::encodeName(name).toStdString());
  return paths;
}

bool CQtDialogs::SaveFile(QWidget* parent, const QString& filter, const std::string& folder,
                          const std::string& fileName, const std::string& defaultExtension, std::string& chosen) {
  QFileDialog dialog(parent, QString(), QFile::decodeName(folder.c_str()), QtNameFilters(filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QString::fromStdString(defaultExtension));
  dialog.selectFile(QFile::decodeName(fileName.c_str()));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  chosen = QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
  return true;
}

bool CQtDialogs::AskRetry(QWidget* parent, const QString& text, const QString& caption) {
  return QMessageBox::warning(parent, caption, text, QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry) ==
         QMessageBox::Retry;
}

bool CQtDialogs::AskYesNo(QWidget* parent, const QString& text, const QString& caption) {
  // The exclamation icon: the one Yes/No question asks whether to abandon work in progress.
  return QMessageBox::warning(parent, caption, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

int CQtDialogs::AskChoice(QWidget* parent, const QString& text, const QString& caption, const QStringList& choices) {
  QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::NoButton, parent);
  std::vector<QPushButton*> buttons;
  for (const QString& choice : choices) buttons.push_back(box.addButton(choice, QMessageBox::ActionRole));
  if (buttons.empty()) return -1;
  box.setDefaultButton(buttons.front());
  box.setEscapeButton(buttons.back());
  box.exec();
  const auto taken = std::find(buttons.begin(), buttons.end(), box.clickedButton());
  return static_cast<int>((taken != buttons.end() ? taken : buttons.end() - 1) - buttons.begin());
}

void CQtDialogs::Warn(QWidget* parent, const QString& text, const QString& caption) {
  QMessageBox::warning(parent, caption, text, QMessageBox::Ok);
}
