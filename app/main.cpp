// The wizard program.
#include "app/wizard_app.h"

int main(int argc, char** argv) { return RunWizardProgram(argc, argv); }
