// What the wizard's pages share.
#include "wizard/logic/wizard_state.h"

#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "resources/string_table.h"
#include "resources/text_source.h"
#include "storage/file_system.h"
#include "storage/installations.h"
#include "storage/staging_folder.h"
#include "storage/volume_limits.h"
#include "wizard/logic/face_services.h"

CWizardState::CWizardState(const CTextSource& textSource, CDialogs& dialogService, CWaitIndicators& waitIndicators,
                           CAttemptPacer& searchPacer, CJobRunner& jobRunner)
    : texts(textSource), dialogs(dialogService), wait(waitIndicators), pacer(searchPacer), runner(jobRunner) {}

bool CWizardState::AddReportLine(int messageId, const std::string& path, const std::string& reason) {
  report.push_back({FormatMessageWithPath(texts.Utf8String(messageId), platform::NativePath(path)), reason});
  return false;
}

void CWizardState::ShowWaitBox() {
  CloseWaitBox();
  wait.ShowWaitBox();
  m_waitBoxShown = true;
}

void CWizardState::CloseWaitBox() {
  if (!m_waitBoxShown) return;
  m_waitBoxShown = false;
  wait.CloseWaitBox();
}

std::string CWizardState::TempFolder() const {
  // The long form: links resolved, so that paths made in it compare with those the file dialogs
  // answer. A folder that cannot be resolved is taken as it is named.
  const std::string temp = DefaultTemporaryFolder();
  std::error_code error;
  const std::filesystem::path canonical = std::filesystem::canonical(temp, error);
  return error ? temp : canonical.string();
}

std::string CWizardState::DesktopDocumentsFolder() const { return CDesktopInstallations().DesktopDocumentsFolder(); }

std::int64_t CWizardState::QueryFreeBytes(const std::string& root) const {
  return SECFileSystem().QueryFreeBytes(root);
}

bool CWizardState::QueryVolumeType(const std::string& root, SVolumeType& type) const {
  return ::QueryVolumeType(root, type);
}
