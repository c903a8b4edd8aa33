// The wizard started from the installed tree as a French user starts it (LANGUAGE=fr, set by
// ctest): it finds the installed French texts beside its bin/ folder.
#include <gtest/gtest.h>

#include <QLocale>
#include <QPushButton>

#include "app/wizard_app.h"
#include "tests/wizard/pages/wizard_test_support.h"

namespace {

TEST(InstalledWizardTest, SpeaksTheUsersLanguageFromTheInstalledTranslations) {
  ASSERT_EQ(qgetenv("LANGUAGE"), QByteArray("fr")) << "ctest runs this test with LANGUAGE=fr";
  TestApplication();
  CTempFolder folder;
  CScriptedDialogs dialogs;
  CCountingPacer pacer;
  SWizardOptions options;
  options.programPath = QStringLiteral(TRANSVANE_INSTALLED_PROGRAM);
  options.arguments = {QStringLiteral("/T")};
  options.uiLanguages = QLocale::system().uiLanguages();
  options.sysroot = folder.Path();
  options.dialogs = &dialogs;
  options.pacer = &pacer;
  options.askSession = false;
  CWizardApp app(options);
  app.Start();
  EXPECT_EQ(app.InstalledTranslation().language.toStdString(), "fr");
  EXPECT_EQ(app.Sheet().HeaderTitle().toStdString(), "Bienvenue");
  EXPECT_EQ(app.Sheet().NextButton()->text().toStdString(), "Suivant >");
}

}  // namespace
