// Qt's file dialogs and message boxes for the pages' questions.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "wizard/logic/face_services.h"

class QWidget;

// Each dialog sits on the window the owner function answers when it is asked (the please-wait box
// while it shows, else the current page); on none when there is no owner function.
class CQtDialogs : public CDialogs {
 public:
  explicit CQtDialogs(std::function<QWidget*()> owner = {}) : m_owner(std::move(owner)) {}

  std::vector<std::string> OpenFiles(const std::string& filter, const std::string& folder) override;
  bool SaveFile(const std::string& filter, const std::string& folder, const std::string& fileName,
                const std::string& defaultExtension, std::string& chosen) override;
  bool AskRetry(const std::string& text, const std::string& caption) override;
  bool AskYesNo(const std::string& text, const std::string& caption) override;
  int AskChoice(const std::string& text, const std::string& caption, const std::vector<std::string>& choices) override;
  void Warn(const std::string& text, const std::string& caption) override;

 private:
  QWidget* Owner() const { return m_owner ? m_owner() : nullptr; }

  std::function<QWidget*()> m_owner;
};

// "Waypoint/Route (*.wpt)|*.wpt||" becomes Qt's "Waypoint/Route (*.wpt) (*.wpt)": one Qt filter
// per description/pattern pair, patterns separated by spaces instead of ';'.
QString QtNameFilters(const QString& filter);
