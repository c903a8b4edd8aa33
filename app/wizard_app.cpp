// The application object and the program's start-up.
#include "app/wizard_app.h"

#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenuBar>
#include <QSocketNotifier>
#include <QVBoxLayout>
#include <cstdio>

#include "app/program_info.h"
#include "app/session_inhibitor.h"
#include "formats/locale_code_page.h"
#include "resources/string_ids.h"
#include "storage/interruption.h"
#include "wizard/pages/dialogs.h"
#include "wizard/pages/wizard_pages.h"

namespace {

constexpr int kProgramIcon = 128;
constexpr int kAboutDialog = 100;

}  // namespace

SWizardServices::SWizardServices(const SWizardOptions& options)
    : waitIndicators(resources),
      ownDialogs(options.dialogs == nullptr
                     ? std::make_unique<CQtDialogs>([this] { return waitIndicators.DialogOwner(); })
                     : nullptr),
      ownPacer(options.pacer == nullptr ? std::make_unique<CEventLoopPacer>() : nullptr),
      dialogs(options.dialogs != nullptr ? *options.dialogs : *ownDialogs),
      pacer(options.pacer != nullptr ? *options.pacer : *ownPacer),
      drives(CreateDriveAccess(options.sysroot)) {
  if (options.programPath.isEmpty()) return;
  // A file beside the program is the user's own choice and wins over the user's language.
  if (resources.LoadOverride(CResourceSource::OverridePathFor(options.programPath))) return;
  const SInstalledTranslation found = CResourceSource::FindInstalledTranslation(
      CResourceSource::TranslationFolderFor(options.programPath), options.uiLanguages);
  if (found.path.isEmpty() || !resources.LoadOverride(found.path)) return;
  installedTranslation = found;
  // Qt's own translation of its standard texts (Retry, Cancel, Yes, No, the file dialogs), when
  // the system has it; without it those few texts stay English.
  auto translator = std::make_unique<QTranslator>();
  if (translator->load(QLocale(found.language), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
      QCoreApplication::installTranslator(translator.get())) {
    qtTexts = std::move(translator);
  }
}

CWizardApp::CWizardApp(const SWizardOptions& options)
    : SWizardServices(options),
      CWizardState(SWizardServices::resources, SWizardServices::dialogs, waitIndicators, SWizardServices::pacer,
                   inlineRunner),
      m_pages(*this),
      m_askSession(options.askSession) {
  unit.SetDriveAccess(drives.get());
  testMode = HasTestSwitch(options.arguments);
  CDiagnostic why;
  codePage = CodePageFromEnvironment("TRANSVANE_CODEPAGE", &why);
  codePageProblem = why.Reason();
}

CWizardApp::~CWizardApp() {
  CloseWaitBox();
  waitIndicators.SetWindow(nullptr, {});
  m_sheet.reset();
}

bool CWizardApp::HasTestSwitch(const QStringList& arguments) {
  for (const QString& argument : arguments) {
    if (argument.toUpper() == QStringLiteral("/T")) return true;
  }
  return false;
}

void CWizardApp::Start() {
  // SIGINT, SIGTERM, SIGHUP: our temporary files go and the program ends; a map copy in progress
  // first winds down as after a cancel. A question open at that moment would hold the copy, so
  // it is closed (answered No) to let the copy see the signal.
  InstallInterruptHandlers();
  if (m_interruptWatch == nullptr && CCooperativeInterrupt::WakeDescriptor() >= 0) {
    m_interruptWatch =
        std::make_unique<QSocketNotifier>(CCooperativeInterrupt::WakeDescriptor(), QSocketNotifier::Read);
    QObject::connect(m_interruptWatch.get(), &QSocketNotifier::activated, [](QSocketDescriptor descriptor) {
      char bytes[16];
      while (::read(static_cast<int>(descriptor), bytes, sizeof bytes) > 0) {
      }
      if (QWidget* question = QApplication::activeModalWidget()) question->close();
    });
  }
  if (m_askSession) CSessionInhibitor::Inhibit(*drives);
  m_sheet = std::make_unique<CPropertySheet_>(*this, Resources());
  waitIndicators.SetWindow(m_sheet.get(), [this]() -> QWidget* { return m_sheet->CurrentPage(); });
  m_sheet->setWindowIcon(Resources().Icon(kProgramIcon));
  // The About item exists only when a translation fills string 101; the program's own table
  // leaves it empty.
  const QString aboutItem = Resources().String(IDS_ABOUT_ITEM);
  if (!aboutItem.isEmpty()) {
    auto* menu = new QMenuBar(m_sheet.get());
    menu->addAction(aboutItem, [this] { ShowAboutBox(); });
    m_sheet->layout()->setMenuBar(menu);
    m_aboutShown = true;
  }
  AddWizardPages(*m_sheet, m_pages, Resources());
  m_sheet->Start();
  m_sheet->show();
}

void CWizardApp::ShowAboutBox() {
  QDialog about(m_sheet.get());
  about.setWindowTitle(Resources().DialogText(kAboutDialog, "caption"));
  auto* icon = new QLabel;
  icon->setPixmap(Resources().Icon(kProgramIcon).pixmap(32, 32));
  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addWidget(new QLabel(Resources().DialogText(kAboutDialog, "line")), 1);
  auto* buttons = new QDialogButtonBox;
  buttons->addButton(Resources().DialogText(kAboutDialog, "ok"), QDialogButtonBox::AcceptRole);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
  auto* layout = new QVBoxLayout(&about);
  layout->addLayout(row);
  layout->addWidget(buttons);
  about.exec();
}

int RunWizardProgram(int argc, char** argv) {
  // --help and --version answer without a window, so they work where no display is.
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  if (const std::string info = ProgramInfoText(arguments); !info.empty()) {
    std::fputs(info.c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  QApplication application(argc, argv);
  SetProgramIdentity();
  SWizardOptions options;
  options.programPath = QCoreApplication::applicationFilePath();
  options.arguments = QCoreApplication::arguments().mid(1);
  options.uiLanguages = QLocale::system().uiLanguages();
  CWizardApp wizard(options);
  wizard.Start();
  return QApplication::exec();
}
