// The application: test switch, --help and --version, translation files, report lines, please-wait
// box, session request.
#include "app/wizard_app.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QFileInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include "app/program_info.h"
#include "app/session_inhibitor.h"
#include "resources/string_ids.h"
#include "storage/interruption.h"
#include "tests/wizard/pages/wizard_test_support.h"
#include "wizard/pages/dialogs.h"
#include "wizard/pages/page_welcome.h"
#include "wizard/pages/wait_box.h"

namespace {

TEST(WizardAppTest, OnlySlashTInAnyLetterCaseSwitchesTestModeOn) {
  const std::vector<std::pair<QStringList, bool>> cases = {
      {{}, false}, {{"x", "/t", "y"}, true}, {{"/T"}, true}, {{"-T"}, false}, {{"/TEST"}, false}, {{"T"}, false},
  };
  for (const auto& [arguments, expected] : cases)
    EXPECT_EQ(CWizardApp::HasTestSwitch(arguments), expected) << arguments.join(' ').toStdString();
}

TEST(WizardAppTest, OnlyHelpAndVersionAnswerWithoutTheWizard) {
  const std::vector<std::pair<QStringList, std::string>> cases = {
      {{"--version"}, "transvane " TRANSVANE_VERSION "\n"},
      {{"/T", "--version", "--help"}, "transvane " TRANSVANE_VERSION "\n"},
      {{"--help"}, "Usage: transvane [/T]\n"},
      {{"x", "--help", "--version"}, "Usage: transvane [/T]\n"},
      {{}, ""},
      {{"/T"}, ""},
      {{"-h"}, ""},
      {{"-v"}, ""},
      {{"--HELP"}, ""},
      {{"help"}, ""},
  };
  for (const auto& [arguments, expected] : cases) {
    EXPECT_EQ(ProgramInfoText(arguments).substr(0, expected.size()), expected) << arguments.join(' ').toStdString();
    EXPECT_EQ(ProgramInfoText(arguments).empty(), expected.empty()) << arguments.join(' ').toStdString();
  }
}

TEST(WizardAppTest, TheTranslationFileIsNamedAfterTheProgram) {
  EXPECT_EQ(CResourceSource::OverridePathFor("/opt/tv/transvane").toStdString(), "/opt/tv/transvaneRC.rcc");
  EXPECT_EQ(CResourceSource::OverridePathFor("/opt/tv/Transvane.exe").toStdString(), "/opt/tv/TransvaneRC.rcc");
}

class WizardAppFixture : public ::testing::Test {
 protected:
  WizardAppFixture() { TestApplication(); }
  // The program file is `program` in the temporary folder.
  std::unique_ptr<CWizardApp> MakeApp(const QStringList& arguments = {}, const QStringList& uiLanguages = {},
                                      const std::string& program = "transvane") {
    SWizardOptions options;
    options.programPath = QString::fromStdString(folder.Path() + "/" + program);
    options.arguments = arguments;
    options.uiLanguages = uiLanguages;
    options.sysroot = folder.Path() + "/empty-machine";
    options.dialogs = &dialogs;
    options.pacer = &pacer;
    options.askSession = false;
    return std::make_unique<CWizardApp>(options);
  }
  // Compiles a translation holding texts.txt into the given file of the temporary folder.
  void BuildTranslation(const std::string& rccName, const std::string& texts) {
    const std::string source = folder.Path() + "/translation";
    folder.File("translation/texts.txt", texts);
    folder.File("translation/t.qrc", "<RCC><qresource prefix=\"/\"><file>texts.txt</file></qresource></RCC>");
    QProcess rcc;
    rcc.setWorkingDirectory(QString::fromStdString(source));
    rcc.start(QStringLiteral(TRANSVANE_RCC), {QStringLiteral("-binary"), QStringLiteral("t.qrc"), QStringLiteral("-o"),
                                              QString::fromStdString(folder.Path() + "/" + rccName)});
    ASSERT_TRUE(rcc.waitForFinished(30000));
    ASSERT_EQ(rcc.exitCode(), 0) << rcc.readAllStandardError().toStdString();
  }

  CTempFolder folder;
  CScriptedDialogs dialogs;
  CCountingPacer pacer;
};

// A signal noted while a copy runs must reach the copy even when the cancel question holds it:
// the question is closed (answered No), and the copy sees the signal after its block.
TEST_F(WizardAppFixture, ASignalDuringACopyClosesTheQuestionThatHoldsIt) {
  auto app = MakeApp();
  app->Start();
  const CCooperativeInterrupt copy;
  ::raise(SIGTERM);
  EXPECT_EQ(CCooperativeInterrupt::Signal(), SIGTERM);
  // Should the question stay open, Yes is pressed after a while, so the test fails instead of hanging.
  QTimer::singleShot(20000, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
      box->button(QMessageBox::Yes)->click();
  });
  EXPECT_FALSE(CQtDialogs([&]() -> QWidget* {
                 return &app->Sheet();
               }).AskYesNo("Do you want to cancel the transfer in progress?", "Caption"));
}

TEST_F(WizardAppFixture, WithoutATranslationTheProgramsOwnTextsServeAndThereIsNoAboutItem) {
  BuildTranslation("RC.rcc", "102=Wrong caption\n");  // a file named only RC.rcc is not used
  auto app = MakeApp();
  app->Start();
  EXPECT_EQ(app->Sheet().windowTitle().toStdString(), "Tavrelin Transvane - v1.07");
  EXPECT_FALSE(app->AboutItemShown());
  EXPECT_EQ(app->Sheet().findChild<QMenuBar*>(), nullptr);
  EXPECT_FALSE(app->testMode);
}

TEST_F(WizardAppFixture, ATranslationBesideTheProgramReplacesTextsAndReportMessages) {
  BuildTranslation("transvaneRC.rcc",
                   "102=Tavrelin Transvane - v1.07 (FR)\n101=A propos...\n129.greeting=Bienvenue dans Tavrelin "
                   "Transvane.\n120=Erreur au chargement de %s.\n");
  auto app = MakeApp({"/t"});
  app->Start();
  EXPECT_TRUE(app->testMode);
  EXPECT_EQ(app->Sheet().windowTitle().toStdString(), "Tavrelin Transvane - v1.07 (FR)");
  EXPECT_TRUE(app->AboutItemShown());
  bool greeted = false;
  for (const QLabel* label : app->Sheet().PageById(kPageWelcome)->findChildren<QLabel*>()) {
    greeted = greeted || label->text() == QStringLiteral("Bienvenue dans Tavrelin Transvane.");
  }
  EXPECT_TRUE(greeted);
  // What the translation does not hold still comes from the program.
  EXPECT_EQ(app->Resources().String(IDS_TITLE_WELCOME).toStdString(), "Welcome");
  EXPECT_FALSE(app->AddReportLine(IDS_ERROR_LOADING, "/d/a b.wpt"));
  EXPECT_FALSE(app->AddReportLine(IDS_ERROR_CONVERTING, "/d/100%.wpt"));
  EXPECT_EQ(ReportTexts(app->report),
            (std::vector<std::string>{"Erreur au chargement de /d/a b.wpt.",
                                      "An error occured while converting file /d/100%.wpt."}));
}

TEST_F(WizardAppFixture, StartUpTakesTheFileBesideTheProgramElseTheUsersLanguageElseEnglish) {
  // The program in bin/, two of the built translations where the installation puts them.
  std::filesystem::create_directories(folder.Path() + "/bin");
  std::filesystem::create_directories(folder.Path() + "/share/transvane/translations");
  for (const char* language : {"fr", "de"}) {
    const std::string name = std::string("transvaneRC_") + language + ".rcc";
    std::filesystem::copy_file(std::string(TRANSVANE_TRANSLATION_DIR) + "/" + name,
                               folder.Path() + "/share/transvane/translations/" + name);
  }
  const bool qtTranslated = QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_fr.qm");
  struct SCase {
    QStringList languages;
    const char* title;
    const char* language;
  };
  const std::vector<SCase> cases = {
      {{"fr-CA", "fr"}, "Bienvenue", "fr"},       {{"fr_CA"}, "Bienvenue", "fr"},
      {{"ja", "de-Latn-DE"}, "Willkommen", "de"}, {{"de"}, "Willkommen", "de"},
      {{"en-US", "fr"}, "Welcome", ""},           {{"C", "fr"}, "Welcome", ""},
      {{"pt-BR", "ja"}, "Welcome", ""},           {{}, "Welcome", ""},
  };
  for (const SCase& c : cases) {
    auto app = MakeApp({}, c.languages, "bin/transvane");
    app->Start();
    EXPECT_EQ(app->Sheet().HeaderTitle().toStdString(), c.title) << c.languages.join(' ').toStdString();
    EXPECT_EQ(app->InstalledTranslation().language.toStdString(), c.language);
    // Qt's own buttons follow when the system has Qt's translations.
    const QString cancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
    if (qtTranslated) {
      EXPECT_EQ(cancel == QStringLiteral("Annuler"), c.language == std::string("fr")) << cancel.toStdString();
    }
  }
  // A file beside the program is the user's own and wins over the language; an installed file that
  // does not load leaves the built-in English.
  BuildTranslation("bin/transvaneRC.rcc", "111=Mon accueil\n");
  auto own = MakeApp({}, {"de"}, "bin/transvane");
  own->Start();
  EXPECT_EQ(own->Sheet().HeaderTitle().toStdString(), "Mon accueil");
  own.reset();
  std::filesystem::remove(folder.Path() + "/bin/transvaneRC.rcc");
  folder.File("share/transvane/translations/transvaneRC_it.rcc", "not a resource file");
  auto broken = MakeApp({}, {"it"}, "bin/transvane");
  broken->Start();
  EXPECT_EQ(broken->Sheet().HeaderTitle().toStdString(), "Welcome");
}

TEST_F(WizardAppFixture, ThePleaseWaitBoxAnimatesOverTheDisabledWizard) {
  auto app = MakeApp();
  app->Start();
  app->ShowWaitBox();
  ASSERT_NE(app->WaitBox(), nullptr);
  EXPECT_FALSE(app->Sheet().isEnabled());
  EXPECT_TRUE(app->WaitBox()->isVisible());
  EXPECT_TRUE(app->WaitBox()->isEnabled());
  EXPECT_EQ(app->WaitBox()->windowTitle().toStdString(), "USB Connection");
  EXPECT_EQ(app->WaitBox()->Text().toStdString(), "Please wait ...");
  EXPECT_GT(app->WaitBox()->FrameCount(), 1);
  EXPECT_TRUE(WaitUntil([&] { return app->WaitBox()->CurrentFrame() != 0; })) << "the animation plays";

  app->Sheet().close();
  EXPECT_TRUE(app->Sheet().isVisible()) << "a disabled wizard is not closed";
  app->CloseWaitBox();
  EXPECT_EQ(app->WaitBox(), nullptr);
  EXPECT_TRUE(app->Sheet().isEnabled());
  app->CloseWaitBox();  // nothing to close
  EXPECT_TRUE(app->Sheet().isEnabled());
}

// A drive source that does or does not mount volumes itself.
class CMountingDrives : public CDriveAccess {
 public:
  explicit CMountingDrives(bool mounts) : m_mounts(mounts) {}
  std::vector<CRemovableDrive> EnumerateRemovableDrives() override { return {}; }
  bool IsMediaReady(const CRemovableDrive&) override { return false; }
  std::uint64_t QueryTotalFreeBytes(const CRemovableDrive&) override { return 0; }
  EEjectResult RequestEject(const std::string&) override { return EEjectResult::Unsupported; }
  bool CanMountRemovableMedia() const override { return m_mounts; }

 private:
  bool m_mounts;
};

// GNOME's session manager on a private bus: records the calls it receives.
class CFakeSessionManager : public QDBusVirtualObject {
 public:
  std::vector<QDBusMessage> calls;
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    calls.push_back(message);
    connection.send(message.createReply(QVariant::fromValue(7u)));
    return true;
  }
  QString introspect(const QString&) const override { return {}; }
};

class SessionInhibitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApplication();
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (!m_daemon.waitForStarted(5000) || !m_daemon.waitForReadyRead(5000)) GTEST_SKIP() << "no dbus-daemon";
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
  }
  void TearDown() override {
    QDBusConnection::disconnectFromBus(QStringLiteral("service"));
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    m_daemon.kill();
    m_daemon.waitForFinished();
  }
  QDBusConnection Connect(const QString& name) { return QDBusConnection::connectToBus(m_address, name); }

  QProcess m_daemon;
  QString m_address;
};

TEST_F(SessionInhibitorTest, AsksTheSessionManagerNotToAutomountOnlyWhenWeMountOurselves) {
  QDBusConnection client = Connect(QStringLiteral("client"));
  ASSERT_TRUE(client.isConnected());
  EXPECT_FALSE(CSessionInhibitor::Inhibit(CMountingDrives(true), client)) << "no session manager: nothing is sent";

  CFakeSessionManager manager;
  QDBusConnection service = Connect(QStringLiteral("service"));
  ASSERT_TRUE(service.registerVirtualObject(QStringLiteral("/org/gnome/SessionManager"), &manager));
  ASSERT_TRUE(service.registerService(QStringLiteral("org.gnome.SessionManager")));

  EXPECT_FALSE(CSessionInhibitor::Inhibit(CMountingDrives(false), client));
  EXPECT_TRUE(CSessionInhibitor::Inhibit(CMountingDrives(true), client));
  ASSERT_TRUE(WaitUntil([&] { return !manager.calls.empty(); }));
  QCoreApplication::processEvents();
  ASSERT_EQ(manager.calls.size(), 1u) << "the mount-table source never asks";
  const QDBusMessage& call = manager.calls[0];
  EXPECT_EQ(call.interface().toStdString(), "org.gnome.SessionManager");
  EXPECT_EQ(call.member().toStdString(), "Inhibit");
  ASSERT_EQ(call.arguments().size(), 4);
  EXPECT_EQ(call.arguments()[1].toUInt(), 0u);
  EXPECT_EQ(call.arguments()[3].toUInt(), 16u);
}

TEST(SessionInhibitorNoBusTest, WithoutABusNothingHappens) {
  TestApplication();
  const QDBusConnection none = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), "none");
  EXPECT_FALSE(CSessionInhibitor::Inhibit(CMountingDrives(true), none));
}

}  // namespace
