// Private folders for files on their way elsewhere: staged conversions, standard input and output.
#pragma once

#include <string>

// The system's folder for temporary files ($TMPDIR when it is set, else /tmp; on Windows the
// user's temporary folder).
std::string DefaultTemporaryFolder();

// A folder of our own, made in `parent` as "<name>.XXXXXX". It is removed with everything in it
// at the end, or by the interrupt handler when the run is interrupted. Path() is empty when it
// could not be made; Error() then says where and why.
class CStagingFolder {
 public:
  explicit CStagingFolder(const std::string& name, const std::string& parent = DefaultTemporaryFolder());
  ~CStagingFolder();
  CStagingFolder(const CStagingFolder&) = delete;
  CStagingFolder& operator=(const CStagingFolder&) = delete;

  const std::string& Path() const { return m_path; }
  const std::string& Error() const { return m_error; }

 private:
  std::string m_path;
  std::string m_error;
  int m_slot = -1;
};
