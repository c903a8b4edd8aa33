// The Qt application object that QtDBus needs, for commands that ask the platform about drives.
#pragma once

#include <QCoreApplication>
#include <memory>

// A QCoreApplication when none exists yet (the command-line tool otherwise runs without one);
// keep the answer alive for as long as the drive access is used. Empty when one exists already.
std::unique_ptr<QCoreApplication> CreateCoreApplicationIfNone();
