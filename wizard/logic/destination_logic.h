// The file selection page: sources on one side, the files they produce on the other.
#pragma once

#include <string>
#include <vector>

#include "wizard/logic/page_logic.h"

// One row of a list: a path (its bytes kept as chosen or named, whatever their encoding) and how
// it is shown.
struct SFileRow {
  std::string path;
  std::string text;     // the path as the user reads it (UTF-8)
  std::string tip;      // the whole path, and for a target that exists, that it will be replaced
  bool exists = false;  // a target that names an existing file: marked
  bool selected = false;
  int part = 0;                // CFilePairs::SPair::part of a target row
  bool namedInDialog = false;  // a target named in the save dialog, which asked before an overwrite
};

// One side of the page: its list and the two buttons above it (browse: add sources on the source
// side, rename the selected target on the other; remove: the selected rows, with the rows at the
// same positions of the other list).
struct SFileSide {
  std::vector<SFileRow> rows;
  int current = -1;  // the list's current row, as the face last told it
  std::string caption;
  bool browseEnabled = false;
  bool removeEnabled = false;
  std::string browseTip;  // the buttons show icons only: what they do is in their tooltips
  std::string removeTip;
};

// Files selection (134). Row i of the source list and row i of the target list form one pair.
// Converting to the unit, the left list holds the sources (desktop and GPX files) and the right one
// the unit files; converting to the desktop, the right list holds the sources (unit and GPX files)
// and the left one the desktop files made from them; exporting to GPX, the left list holds desktop
// and unit files and the right one the GPX files. A target row that names an existing file is
// marked; before the job, Next asks once whether to replace those off the unit or to keep both.
// Next makes the pairs and empties both lists.
//
// A face drives it with Browse(side) and Remove(side) for the buttons, SetSelection whenever the
// user changes a list's selection, AcceptsDrop/AddSources for files dropped onto a list; it shows
// on Refresh: kRows the lists' rows, kSelection the rows' selected flags and current rows (set by
// the logic, as after adding), kControls the captions, pictures, buttons, tips and hint, kPreview
// the source to preview with its title, kFocus the browse button to give the keyboard focus.
class CDestinationLogic : public CPageLogic {
 public:
  enum ESide : int { kLeft = 0, kRight = 1 };
  enum EPart : unsigned { kRows = 1, kSelection = 2, kControls = 4, kPreview = 8, kFocus = 16 };

  explicit CDestinationLogic(CWizardState& state);

  bool OnSetActive() override;
  int OnWizardNext() override;
  void DoDataExchange(bool toFields) override;

  void Browse(int side);
  void Remove(int side);
  // The user's selection of a list, rows in any order; current is the list's current row.
  void SetSelection(int side, const std::vector<int>& selectedRows, int current);
  // Of the files dropped onto a list, those it takes: onto the source list, existing files of the
  // kinds the direction takes (as the open dialog offers); none onto the target list.
  std::vector<std::string> AcceptsDrop(int side, const std::vector<std::string>& files) const;
  // Adds the sources of the kinds the direction takes, in order, each with its targets.
  void AddSources(const std::vector<std::string>& sources);
  void AddSourceFiles();
  void ChangeTargetName();
  void RemoveSelectedRows(int side);

  const SFileSide& Side(int side) const { return m_sides[side]; }
  int SourceSide() const { return m_sourceSide; }
  int TargetSide() const { return 1 - m_sourceSide; }
  std::vector<std::string> Paths(int side) const;
  int ArrowIcon() const { return m_arrowIcon; }
  int RightPicture() const { return m_rightPicture; }
  bool HintShown() const { return !m_sides[TargetSide()].rows.empty(); }
  // The source of the row last selected, in either list (a target row stands for the file it is
  // made from); empty when no row is selected.
  const std::string& PreviewSource() const { return m_previewSource; }
  std::string PreviewTitle() const;
  int FocusSide() const { return m_focusSide; }

 private:
  struct STarget {
    std::string path;
    int part = 0;
  };

  bool TakesSource(const std::string& source) const;
  std::vector<STarget> TargetsOf(const std::string& source);
  std::string OpenFilter() const;
  // The current row when it is selected, else the first selected one; -1 when none is.
  int SelectedRow(int side) const;
  std::vector<int> SelectedRows(int side) const;
  SFileRow MakeRow(const std::string& path, int part = 0) const;
  // Marks each target row that names an existing file, which the job would replace.
  void MarkExistingTargets();
  void ClearLists();
  // The buttons, the hint, the wizard's buttons and the preview from the lists as they are.
  void UpdateControls();

  SFileSide m_sides[2];
  int m_sourceSide = kLeft;
  int m_lastSelected = -1;  // the side whose selection changed last
  int m_lastDirection = 0;
  int m_arrowIcon = 144;
  int m_rightPicture = 143;
  int m_focusSide = kLeft;
  std::string m_previewSource;
};
