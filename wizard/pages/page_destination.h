// The file selection page: sources on one side, the files they produce on the other.
#pragma once

#include <string>
#include <vector>

#include "wizard/logic/destination_logic.h"
#include "wizard/pages/property_page.h"

class CFilePreview;
class QLabel;
class QListWidget;
class QPushButton;

// The two lists with their buttons, the pictures, the hint and the preview over CDestinationLogic.
// Rows keep the paths' bytes as item data and show them as wide as the list allows, elided in the
// middle, whole in their tooltips; a row the logic marks (a target that exists) gets a warning
// icon. Files dropped from a file manager onto a list are offered to the logic. Beside the lists,
// the preview shows the picture and summary of the source the logic names.
class CPropertyPageDestination : public CPropertyPage_ {
  Q_OBJECT

 public:
  CPropertyPageDestination(CDestinationLogic& logic, const CResourceSource& resources);

  CDestinationLogic& Logic() const { return m_logic; }
  QListWidget* LeftList() const { return m_sides[CDestinationLogic::kLeft].list; }
  QListWidget* RightList() const { return m_sides[CDestinationLogic::kRight].list; }
  QPushButton* LeftBrowse() const { return m_sides[CDestinationLogic::kLeft].browse; }
  QPushButton* LeftRemove() const { return m_sides[CDestinationLogic::kLeft].remove; }
  QPushButton* RightBrowse() const { return m_sides[CDestinationLogic::kRight].browse; }
  QPushButton* RightRemove() const { return m_sides[CDestinationLogic::kRight].remove; }
  QLabel* Hint() const { return m_hint; }
  QLabel* LeftCaption() const { return m_leftCaption; }
  QLabel* RightCaption() const { return m_rightCaption; }
  CFilePreview* Preview() const { return m_preview; }
  QLabel* PreviewTitle() const { return m_previewTitle; }
  // The paths of a list's rows, as their bytes.
  static std::vector<std::string> Rows(const QListWidget* list);

 protected:
  void Render(unsigned parts) override;

 private:
  struct SSide {
    QPushButton* browse = nullptr;
    QPushButton* remove = nullptr;
    QListWidget* list = nullptr;
  };

  bool eventFilter(QObject* watched, QEvent* event) override;
  void OnSelectionChanged(int side);
  void RenderRows();
  void RenderSelection();
  void RenderControls();
  void RenderPreview();

  CDestinationLogic& m_logic;
  SSide m_sides[2];
  QLabel* m_arrow = nullptr;
  QLabel* m_leftCaption = nullptr;
  QLabel* m_rightCaption = nullptr;
  QLabel* m_rightPicture = nullptr;
  QLabel* m_hint = nullptr;
  QLabel* m_previewTitle = nullptr;
  CFilePreview* m_preview = nullptr;
};
