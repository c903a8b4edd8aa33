// What the wizard program answers without opening a window: --help, --version, and the name the
// desktop knows it by.
#pragma once

#include <QStringList>
#include <string>

// The text that `transvane --help` or `transvane --version` prints, for the first of the two on
// the command line (the arguments after the program name); empty when neither is there and the
// wizard starts. Every other argument is left to the wizard's own rule (only "/T" counts).
std::string ProgramInfoText(const QStringList& arguments);

// Names the application as its desktop entry does, so the desktop matches the window with the
// entry and shows its icon: the window class on X11, the app id on Wayland.
void SetProgramIdentity();
