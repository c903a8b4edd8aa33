// Qt's dialogs behind the pages' dialog interface.
#include "wizard/pages/dialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <algorithm>

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

namespace {

QString Utf8(const std::string& text) { return QString::fromStdString(text); }

QString Path(const std::string& bytes) { return QFile::decodeName(QByteArray::fromStdString(bytes)); }

std::string Bytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

std::vector<std::string> CQtDialogs::OpenFiles(const std::string& filter, const std::string& folder) {
  const QStringList names =
      QFileDialog::getOpenFileNames(Owner(), QString(), Path(folder), QtNameFilters(Utf8(filter)));
  std::vector<std::string> paths;
  for (const QString& name : names) paths.push_back(Bytes(name));
  return paths;
}

bool CQtDialogs::SaveFile(const std::string& filter, const std::string& folder, const std::string& fileName,
                          const std::string& defaultExtension, std::string& chosen) {
  QFileDialog dialog(Owner(), QString(), Path(folder), QtNameFilters(Utf8(filter)));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(Utf8(defaultExtension));
  dialog.selectFile(Path(fileName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  chosen = Bytes(dialog.selectedFiles().constFirst());
  return true;
}

bool CQtDialogs::AskRetry(const std::string& text, const std::string& caption) {
  return QMessageBox::warning(Owner(), Utf8(caption), Utf8(text), QMessageBox::Retry | QMessageBox::Cancel,
                              QMessageBox::Retry) == QMessageBox::Retry;
}

bool CQtDialogs::AskYesNo(const std::string& text, const std::string& caption) {
  // The exclamation icon: the one Yes/No question asks whether to abandon work in progress.
  return QMessageBox::warning(Owner(), Utf8(caption), Utf8(text), QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

int CQtDialogs::AskChoice(const std::string& text, const std::string& caption,
                          const std::vector<std::string>& choices) {
  QMessageBox box(QMessageBox::Warning, Utf8(caption), Utf8(text), QMessageBox::NoButton, Owner());
  std::vector<QPushButton*> buttons;
  for (const std::string& choice : choices) buttons.push_back(box.addButton(Utf8(choice), QMessageBox::ActionRole));
  if (buttons.empty()) return -1;
  box.setDefaultButton(buttons.front());
  box.setEscapeButton(buttons.back());
  box.exec();
  const auto taken = std::find(buttons.begin(), buttons.end(), box.clickedButton());
  return static_cast<int>((taken != buttons.end() ? taken : buttons.end() - 1) - buttons.begin());
}

void CQtDialogs::Warn(const std::string& text, const std::string& caption) {
  QMessageBox::warning(Owner(), Utf8(caption), Utf8(text), QMessageBox::Ok);
}
