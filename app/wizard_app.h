// The application object: start-up, the shared wizard state and the services the pages use.
#pragma once

#include <QString>
#include <QStringList>
#include <QTranslator>
#include <memory>
#include <string>

#include "resources/qt/resource_source.h"
#include "storage/removable_drives.h"
#include "wizard/logic/attempt_loop.h"
#include "wizard/logic/face_services.h"
#include "wizard/logic/wizard_pages.h"
#include "wizard/logic/wizard_state.h"
#include "wizard/pages/property_sheet.h"
#include "wizard/pages/qt_services.h"

class QSocketNotifier;

// How the program was started. Tests set the dialogs, the pacer and a fake drive tree.
struct SWizardOptions {
  QString programPath;             // the program file; its translation file lies beside it
  QStringList arguments;           // the command line after the program name
  QStringList uiLanguages;         // the user's languages, most preferred first; none: English
  std::string sysroot = "/";       // where the removable drives are looked up
  CDialogs* dialogs = nullptr;     // nullptr: Qt's dialogs
  CAttemptPacer* pacer = nullptr;  // nullptr: waits that keep the window system running
  bool askSession = true;          // ask the desktop session not to automount
};

// The services the application owns; a base of CWizardApp so they exist before the state that
// refers to them.
struct SWizardServices {
  explicit SWizardServices(const SWizardOptions& options);

  CResourceSource resources;
  SInstalledTranslation installedTranslation;  // the one taken, when no file beside the program was
  std::unique_ptr<QTranslator> qtTexts;        // Qt's own texts (dialog buttons) in the same language
  CQtWaitIndicators waitIndicators;
  std::unique_ptr<CDialogs> ownDialogs;
  std::unique_ptr<CAttemptPacer> ownPacer;
  CDialogs& dialogs;
  CAttemptPacer& pacer;
  CInlineJobRunner inlineRunner;
  std::unique_ptr<CDriveAccess> drives;
};

// Holds the state the pages share for the whole run and shows the wizard as the program's main
// window. Closing the wizard ends the program.
class CWizardApp : private SWizardServices, public CWizardState {
 public:
  explicit CWizardApp(const SWizardOptions& options);
  ~CWizardApp() override;

  // Test mode: any argument equal to "/T" once upper-cased ("/t" too; not "-T" or "/TEST").
  static bool HasTestSwitch(const QStringList& arguments);

  // Builds the sheet with its nine pages and shows it.
  void Start();
  CPropertySheet_& Sheet() { return *m_sheet; }
  const CResourceSource& Resources() const { return SWizardServices::resources; }
  // The installed translation in use; its language is empty when the texts are the built-in
  // English ones or come from the file beside the program.
  const SInstalledTranslation& InstalledTranslation() const { return installedTranslation; }
  bool AboutItemShown() const { return m_aboutShown; }
  void ShowAboutBox();

  // The please-wait box while it shows, else nullptr.
  CWaitBox* WaitBox() const { return waitIndicators.Box(); }

 private:
  CWizardPages m_pages;
  std::unique_ptr<CPropertySheet_> m_sheet;
  std::unique_ptr<QSocketNotifier> m_interruptWatch;
  bool m_askSession;
  bool m_aboutShown = false;
};

// The program: a CWizardApp from the command line, run until the wizard closes.
int RunWizardProgram(int argc, char** argv);
