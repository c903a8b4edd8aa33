// What the programs do when they are interrupted by SIGINT, SIGTERM or SIGHUP (on Windows Ctrl-C
// or Ctrl-Break, a closed console window, the end of the session): our temporary files and folders
// go, and the process ends with 128 + the signal's number (130, 143, 129), the same on both.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Installs the handlers, once, on the main thread before any other thread starts. Outside a
// CCooperativeInterrupt a signal removes every registered temporary file and folder (see
// formats/atomic_file.h), writes the run's note (CInterruptNote) when it has one, and ends the
// process at once: the files already written are whole, as every file is written beside its
// target and renamed only when complete.
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

// What a run says on standard error when a signal ends it at once, after our temporary files went:
// its heading, the files it finished, the files of the step in progress (each "written whole" when
// the signal finds another file in its place than when the step named it, for every file is
// renamed into place whole; else "left as it was"), the input of that step and those not begun,
// and a closing line. One note at a time, made and changed on the main thread only; each change
// holds the signals back, so that the handler never meets half of one.
class CInterruptNote {
 public:
  // heading: the first line, without its line end. waitingLabel: what the lines of the inputs
  // not begun begin with ("not converted").
  CInterruptNote(const std::string& heading, const std::string& waitingLabel);
  ~CInterruptNote();
  CInterruptNote(const CInterruptNote&) = delete;
  CInterruptNote& operator=(const CInterruptNote&) = delete;

  void SetHeading(const std::string& heading);
  void SetClosing(const std::string& closing);
  // The run's inputs as shown, in the order it takes them; each BeginStep takes the next one.
  void SetInputs(const std::vector<std::string>& shown);
  // The next input is now in progress: named "not finished" until EndStep.
  void BeginStep();
  // A file the step in progress may put in place, as it is now.
  void Watch(const std::string& path, const std::string& shown);
  // A file of the step in progress was put in place whole.
  void Finished(const std::string& path);
  // The step is over; its files that did not finish were reported by the run itself.
  void EndStep();

  // A step for its life.
  class CStep {
   public:
    explicit CStep(CInterruptNote& note) : m_note(note) { m_note.BeginStep(); }
    ~CStep() { m_note.EndStep(); }
    CStep(const CStep&) = delete;
    CStep& operator=(const CStep&) = delete;

   private:
    CInterruptNote& m_note;
  };

  // Writes the note to standard error: async-signal-safe (the file checks and write only).
  static void WriteCurrent() noexcept;

 private:
  struct SWatched {
    std::string path;
    std::string shown;
    bool existed = false;
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
  };
  void Write() const noexcept;

  std::string m_heading;
  std::string m_finished;  // whole lines
  std::vector<SWatched> m_watched;
  std::string m_current;  // the line of the input in progress
  std::string m_waitingLabel;
  std::vector<std::string> m_inputs;
  std::size_t m_next = 0;  // the first input not begun
  std::string m_closing;
};
