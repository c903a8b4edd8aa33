// What the wizard's pages share.
#include "wizard/pages/wizard_state.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "resources/qt/resource_source.h"
#include "resources/string_table.h"
#include "storage/installations.h"

CWizardState::CWizardState(const CResourceSource& resourceSource, CDialogs& dialogService, CAttemptPacer& searchPacer)
    : resources(resourceSource), dialogs(dialogService), pacer(searchPacer) {}

bool CWizardState::AddReportLine(int messageId, const std::string& path, const std::string& reason) {
  report.push_back({FormatMessageWithPath(resources.Utf8String(messageId), path), reason});
  return false;
}

std::string CWizardState::TempFolder() const {
  const QString temp = QDir::tempPath();
  const QString canonical = QFileInfo(temp).canonicalFilePath();
  return QFile::encodeName(canonical.isEmpty() ? temp : canonical).toStdString();
}

std::string CWizardState::DesktopDocumentsFolder() const { return CDesktopInstallations().DesktopDocumentsFolder(); }
