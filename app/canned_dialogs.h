// Dialogs answered without a user, for driving the wizard from a program: the screenshots and the
// tests that run the wizard in a process of its own.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "wizard/logic/face_services.h"

// The open dialog picks the given files; every other dialog is cancelled, and a question takes
// the answer that leaves everything as it was.
class CCannedDialogs : public CDialogs {
 public:
  explicit CCannedDialogs(std::vector<std::string> files) : m_files(std::move(files)) {}
  void SetFiles(std::vector<std::string> files) { m_files = std::move(files); }

  std::vector<std::string> OpenFiles(const std::string&, const std::string&) override { return m_files; }
  bool SaveFile(const std::string&, const std::string&, const std::string&, const std::string&, std::string&) override {
    return false;
  }
  bool AskRetry(const std::string&, const std::string&) override { return false; }
  bool AskYesNo(const std::string&, const std::string&) override { return false; }
  int AskChoice(const std::string&, const std::string&, const std::vector<std::string>& choices) override {
    return static_cast<int>(choices.size()) - 1;
  }
  void Warn(const std::string&, const std::string&) override {}

 private:
  std::vector<std::string> m_files;
};
