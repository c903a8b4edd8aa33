// What a face (the Qt wizard, the Win32 wizard, a test) gives the page logic: its dialogs, its
// signs of waiting, and the way it runs long work.
#pragma once

#include <functional>
#include <string>
#include <vector>

// Every question and file dialog of the pages. Texts and captions are UTF-8; paths (folders, file
// names, the files chosen) are the file system's bytes; filters are in the string table's form
// ("description|patterns||"). The face chooses the owner window: the please-wait box while it
// shows (the wizard under it is disabled), else the current page.
class CDialogs {
 public:
  virtual ~CDialogs() = default;
  // Several existing files; empty when the user cancels.
  virtual std::vector<std::string> OpenFiles(const std::string& filter, const std::string& folder) = 0;
  // One file name to write (the user confirmed any overwrite); false when the user cancels.
  virtual bool SaveFile(const std::string& filter, const std::string& folder, const std::string& fileName,
                        const std::string& defaultExtension, std::string& chosen) = 0;
  // A Retry/Cancel question with the exclamation icon; true for Retry.
  virtual bool AskRetry(const std::string& text, const std::string& caption) = 0;
  // A Yes/No question with the exclamation icon; true for Yes.
  virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
  // A question with the exclamation icon and a button per choice, the first the default; answers
  // the position of the choice taken. Closing the box takes the last choice, which is the one that
  // leaves everything as it was.
  virtual int AskChoice(const std::string& text, const std::string& caption,
                        const std::vector<std::string>& choices) = 0;
  // A warning with an OK button.
  virtual void Warn(const std::string& text, const std::string& caption) = 0;
};

// The two signs that the wizard is busy: the please-wait box (dialog 138 with its animation) over
// the current page, the wizard disabled while it shows, and the busy cursor.
class CWaitIndicators {
 public:
  virtual ~CWaitIndicators() = default;
  virtual void ShowWaitBox() = 0;
  virtual void CloseWaitBox() = 0;
  // Nested pairs keep the cursor busy until the outermost ends.
  virtual void BeginBusyCursor() = 0;
  virtual void EndBusyCursor() = 0;
};

// The busy cursor for a scope.
class CBusyCursor {
 public:
  explicit CBusyCursor(CWaitIndicators& wait) : m_wait(wait) { m_wait.BeginBusyCursor(); }
  ~CBusyCursor() { m_wait.EndBusyCursor(); }
  CBusyCursor(const CBusyCursor&) = delete;
  CBusyCursor& operator=(const CBusyCursor&) = delete;

 private:
  CWaitIndicators& m_wait;
};

// Runs a page's long work (the conversion job, the map transfer). `work` may run on a thread of
// the face's choosing; what it reports on the way goes to the page's observer from that thread.
// `done` runs on the window's thread once `work` has returned, and only then may the wizard move
// on. Until `done`, the page logic keeps its buttons off and refuses to close.
class CJobRunner {
 public:
  virtual ~CJobRunner() = default;
  virtual void Run(std::function<void()> work, std::function<void()> done) = 0;
};

// Runs both at once on the calling thread: the Qt wizard (whose observers let the window system
// work between blocks) and the tests.
class CInlineJobRunner : public CJobRunner {
 public:
  void Run(std::function<void()> work, std::function<void()> done) override {
    work();
    done();
  }
};
