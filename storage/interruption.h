// What the programs do when they are interrupted by SIGINT, SIGTERM or SIGHUP: our temporary files
// and folders go, and the process ends with 128 + the signal's number (130, 143, 129).
#pragma once

// Installs the handlers, once, on the main thread before any other thread starts. Outside a
// CCooperativeInterrupt a signal removes every registered temporary file and folder (see
// formats/atomic_file.h) and ends the process at once: the files already written are whole, as
// every file is written beside its target and renamed only when complete.
void InstallInterruptHandlers();

// The exit status of a run ended by a signal.
inline int InterruptExitStatus(int signal) { return 128 + signal; }

// While one exists, the work it covers winds down by itself: the first signal is only noted
// (Signal() turns non-zero and a byte arrives on WakeDescriptor(), for an event loop), and the
// work checks Signal() where it can stop cleanly. A second signal ends the process at once, as
// without a cooperative scope.
class CCooperativeInterrupt {
 public:
  CCooperativeInterrupt();
  ~CCooperativeInterrupt();
  CCooperativeInterrupt(const CCooperativeInterrupt&) = delete;
  CCooperativeInterrupt& operator=(const CCooperativeInterrupt&) = delete;

  // The signal noted since the scope began; 0 when none.
  static int Signal();
  // Readable when a signal was noted; -1 before InstallInterruptHandlers. Reading it is the
  // reader's business; it never blocks the handler.
  static int WakeDescriptor();
};
