// The folder that a job's files go into, made only when a file is about to be written there.
#pragma once

#include <string>
#include <vector>

// Makes the folder with its missing levels on the first Prepare, and takes the levels it made away
// again when it goes, each one that nothing landed in (deepest first): a job that fails or is
// cancelled leaves the folders as it found them, plus those holding a file it finished.
class COutputFolder {
 public:
  explicit COutputFolder(std::string folder) : m_folder(std::move(folder)) {}
  ~COutputFolder();
  COutputFolder(const COutputFolder&) = delete;
  COutputFolder& operator=(const COutputFolder&) = delete;

  // True when the folder is there; false, with Reason(), when it cannot be made or used.
  bool Prepare();
  // Why Prepare failed, naming the folder (see FolderFailure).
  const std::string& Reason() const { return m_reason; }

 private:
  std::string m_folder;
  std::vector<std::string> m_made;  // deepest first
  bool m_prepared = false;
  bool m_ready = false;
  std::string m_reason;
};

// Why a folder cannot be made or used, after the system refused it with errorNumber: a level of
// its path that is a file, or a link to nothing; a path or a name too long for the system or the
// volume; otherwise the system's own reason. Names the folder.
std::string FolderFailure(const std::string& folder, int errorNumber);
