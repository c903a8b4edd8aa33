// The file selection page: sources on one side, the files they produce on the other.
#pragma once

#include <string>
#include <vector>

#include "wizard/pages/property_page.h"

class CFilePreview;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// Row i of the source list and row i of the target list form one pair. Converting to the unit, the
// left list holds the sources (desktop and GPX files) and the right one the unit files; converting
// to the desktop, the right list holds the sources (unit and GPX files) and the left one the
// desktop files made from them; exporting to GPX, the left list holds desktop and unit files and
// the right one the GPX files. Files dropped from a file manager onto the source list are added as
// if chosen in the open dialog. A target row that names an existing file is marked; before the
// job, Next asks once whether to replace those off the unit or to keep both. Rows keep the paths'
// bytes unchanged, whatever their encoding, and show them as wide as the list allows, elided in
// the middle, whole in their tooltips. Beside the lists, a preview shows the picture and summary
// of the source of the row last selected.
class CPropertyPageDestination : public CPropertyPage_ {
  Q_OBJECT

 public:
  explicit CPropertyPageDestination(CWizardState& state);

  bool OnSetActive() override;
  int OnWizardNext() override;
  void DoDataExchange(bool toFields) override;

  void AddSourceFiles();
  // Adds the sources of the kinds the direction takes, in order, each with its targets.
  void AddSources(const std::vector<std::string>& sources);
  void ChangeTargetName();
  void RemoveSelectedRows(QListWidget* list, QListWidget* other);
  void UpdateControls();

  QListWidget* LeftList() const { return m_left.list; }
  QListWidget* RightList() const { return m_right.list; }
  QPushButton* LeftBrowse() const { return m_left.browse; }
  QPushButton* LeftRemove() const { return m_left.remove; }
  QPushButton* RightBrowse() const { return m_right.browse; }
  QPushButton* RightRemove() const { return m_right.remove; }
  QLabel* Hint() const { return m_hint; }
  QLabel* LeftCaption() const { return m_leftCaption; }
  QLabel* RightCaption() const { return m_rightCaption; }
  // The picture and summary of the source of the row last selected, in either list.
  CFilePreview* Preview() const { return m_preview; }
  QLabel* PreviewTitle() const { return m_previewTitle; }
  int ArrowIcon() const { return m_arrowIcon; }
  static std::vector<std::string> Rows(const QListWidget* list);

 private:
  struct SListSide {
    QPushButton* browse = nullptr;
    QPushButton* remove = nullptr;
    QListWidget* list = nullptr;
  };

  struct STarget {
    std::string path;
    int part = 0;  // CFilePairs::SPair::part
  };

  bool eventFilter(QObject* watched, QEvent* event) override;
  void OnBrowse(const SListSide& side);
  bool TakesSource(const std::string& source) const;
  std::vector<STarget> TargetsOf(const std::string& source);
  QString OpenFilter() const;
  static void AppendRow(QListWidget* list, const std::string& path, int part = 0);
  static void SetRowPath(QListWidgetItem* item, const std::string& path);
  // The current row when it is selected, else the first selected one; -1 when none is.
  static int SelectedRow(const QListWidget* list);
  // Marks each target row that names an existing file, which the job would replace.
  void MarkExistingTargets();
  void UpdatePreview();
  void ShowPreviewOf(const std::string& source);

  SListSide m_left;
  SListSide m_right;
  SListSide* m_sourceSide = &m_left;
  SListSide* m_targetSide = &m_right;
  QLabel* m_arrow = nullptr;
  QLabel* m_leftCaption = nullptr;
  QLabel* m_rightCaption = nullptr;
  QLabel* m_rightPicture = nullptr;
  QLabel* m_hint = nullptr;
  QLabel* m_previewTitle = nullptr;
  CFilePreview* m_preview = nullptr;
  const QListWidget* m_lastSelected = nullptr;  // the list whose selection changed last
  int m_lastDirection = 0;
  int m_arrowIcon = 144;
};
