// The file selection page.
#include "wizard/logic/destination_logic.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

#include "formats/ascii_case.h"
#include "formats/code_page.h"
#include "formats/file_kinds.h"
#include "jobs/file_codecs.h"
#include "jobs/gpx_unit_targets.h"
#include "jobs/target_naming.h"
#include "resources/string_ids.h"
#include "storage/file_system.h"
#include "wizard/existing_targets.h"
#include "wizard/logic/display_text.h"
#include "wizard/logic/face_services.h"
#include "wizard/logic/wizard_state.h"

namespace {

// Names of existing files listed in the question before the job; the rest are counted out.
constexpr std::size_t kListedExisting = 10;
constexpr int kIconComputer = 138;
constexpr int kIconUnit = 143;
constexpr int kIconToUnit = 144;
constexpr int kIconToDesktop = 145;

// The "description|patterns" pairs of a string table filter.
std::vector<std::pair<std::string, std::string>> FilterPairs(const std::string& filter) {
  std::vector<std::pair<std::string, std::string>> pairs;
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t bar = filter.find('|'); bar != std::string::npos; bar = filter.find('|', start)) {
    parts.push_back(filter.substr(start, bar - start));
    start = bar + 1;
  }
  for (std::size_t i = 0; i + 1 < parts.size() && !parts[i].empty(); i += 2) pairs.emplace_back(parts[i], parts[i + 1]);
  return pairs;
}

}  // namespace

CDestinationLogic::CDestinationLogic(CWizardState& state)
    : CPageLogic(state, kPageDestination, IDS_TITLE_DESTINATION) {}

std::vector<std::string> CDestinationLogic::Paths(int side) const {
  std::vector<std::string> paths;
  for (const SFileRow& row : m_sides[side].rows) paths.push_back(row.path);
  return paths;
}

SFileRow CDestinationLogic::MakeRow(const std::string& path, int part) const {
  SFileRow row;
  row.path = path;
  row.text = DisplayPath(path);
  row.tip = row.text;
  row.part = part;
  return row;
}

void CDestinationLogic::ClearLists() {
  for (SFileSide& side : m_sides) {
    side.rows.clear();
    side.current = -1;
  }
}

bool CDestinationLogic::OnSetActive() {
  m_state.filePairs.Clear();
  if (m_state.direction != m_lastDirection) ClearLists();
  m_lastDirection = m_state.direction;
  const bool toDesktop = m_state.direction == kDirectionToDesktop;
  const bool toGpx = m_state.direction == kDirectionToGpx;
  m_sourceSide = toDesktop ? kRight : kLeft;
  m_arrowIcon = toDesktop ? kIconToDesktop : kIconToUnit;
  // Exporting, both lists hold files of the computer: the sources (from the computer or the unit)
  // and the GPX files beside the desktop product's documents.
  m_sides[kLeft].caption = Text(toGpx ? "exportCaption" : toDesktop ? "leftCaption" : "toUnitCaption");
  m_sides[kRight].caption = Text(toGpx ? "gpxCaption" : toDesktop ? "toDesktopCaption" : "rightCaption");
  m_rightPicture = toGpx ? kIconComputer : kIconUnit;
  for (int side : {kLeft, kRight}) {
    m_sides[side].browseTip = Text(side == m_sourceSide ? "addTip" : "renameTip");
    m_sides[side].removeTip = Text("removeTip");
  }
  m_focusSide = m_sourceSide;
  MarkExistingTargets();
  UpdateControls();
  Refresh(kRows | kSelection | kControls | kPreview | kFocus);
  return true;
}

void CDestinationLogic::MarkExistingTargets() {
  const std::string replaced = Text("replacedTip");
  for (int side : {kLeft, kRight}) {
    for (SFileRow& row : m_sides[side].rows) {
      row.exists = side == TargetSide() && TargetExists(row.path);
      row.tip = row.exists ? row.text + "\n" + replaced : row.text;
    }
  }
}

void CDestinationLogic::DoDataExchange(bool) { UpdateControls(); }

void CDestinationLogic::UpdateControls() {
  for (int side : {kLeft, kRight}) m_sides[side].removeEnabled = !SelectedRows(side).empty();
  m_sides[m_sourceSide].browseEnabled = true;
  m_sides[TargetSide()].browseEnabled = SelectedRows(TargetSide()).size() == 1;
  SetWizardButtons(HintShown() ? (kButtonBack | kButtonNext) : kButtonBack);
  // The row the user last chose, in whichever list; its pair's source is what the preview shows.
  const int first = m_lastSelected >= 0 ? m_lastSelected : TargetSide();
  int row = SelectedRow(first);
  if (row < 0) row = SelectedRow(1 - first);
  const std::vector<SFileRow>& sources = m_sides[m_sourceSide].rows;
  m_previewSource = row >= 0 && row < static_cast<int>(sources.size()) ? sources[row].path : std::string();
  Refresh(kControls | kPreview);
}

std::string CDestinationLogic::PreviewTitle() const {
  return m_previewSource.empty() ? Text("previewEmpty") : DisplayPath(SECFileSystem().FileNameOf(m_previewSource));
}

std::vector<int> CDestinationLogic::SelectedRows(int side) const {
  std::vector<int> rows;
  const std::vector<SFileRow>& list = m_sides[side].rows;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i].selected) rows.push_back(static_cast<int>(i));
  }
  return rows;
}

int CDestinationLogic::SelectedRow(int side) const {
  const SFileSide& list = m_sides[side];
  if (list.current >= 0 && list.current < static_cast<int>(list.rows.size()) && list.rows[list.current].selected)
    return list.current;
  const std::vector<int> rows = SelectedRows(side);
  return rows.empty() ? -1 : rows.front();
}

void CDestinationLogic::SetSelection(int side, const std::vector<int>& selectedRows, int current) {
  std::vector<SFileRow>& rows = m_sides[side].rows;
  for (SFileRow& row : rows) row.selected = false;
  for (int row : selectedRows) {
    if (row >= 0 && row < static_cast<int>(rows.size())) rows[row].selected = true;
  }
  m_sides[side].current = current;
  m_lastSelected = side;
  UpdateControls();
}

void CDestinationLogic::Browse(int side) {
  if (side == m_sourceSide) {
    AddSourceFiles();
  } else {
    ChangeTargetName();
  }
}

void CDestinationLogic::Remove(int side) { RemoveSelectedRows(side); }

bool CDestinationLogic::TakesSource(const std::string& source) const {
  const std::vector<EFileKind> kinds = SourceKindsOf(m_state.direction);
  const std::optional<EFileKind> kind = FileKindOf(source);
  return kind && std::find(kinds.begin(), kinds.end(), *kind) != kinds.end();
}

std::vector<std::string> CDestinationLogic::AcceptsDrop(int side, const std::vector<std::string>& files) const {
  std::vector<std::string> taken;
  if (side != m_sourceSide) return taken;
  for (const std::string& file : files) {
    std::error_code error;
    if (std::filesystem::is_regular_file(file, error) && TakesSource(file)) taken.push_back(file);
  }
  return taken;
}

std::vector<CDestinationLogic::STarget> CDestinationLogic::TargetsOf(const std::string& source) {
  const bool toDesktop = m_state.direction == kDirectionToDesktop;
  std::vector<STarget> targets;
  if (FileKindOf(source) == EFileKind::kGpx && m_state.direction != kDirectionToGpx) {
    // What a GPX file gives depends on what it holds: it is read now, and a file that cannot be
    // converted is named with the reason instead of vanishing from the choice.
    CCodePage codePage;
    std::vector<SGpxTarget> parts;
    CDiagnostic why;
    bool read = false;
    {
      const CBusyCursor busy(m_state.wait);
      read = toDesktop ? TargetsForGpxFileToDesktop(source, m_state.DesktopDocumentsFolder(), codePage, parts, &why)
                       : TargetsForGpxFile(source, m_state.unit, m_state.testMode, codePage, parts, &why);
    }
    if (!read) {
      m_state.dialogs.Warn(ReplaceField(Text("gpxUnusable"), DisplayPath(source)) + "\n" + why.Reason(),
                           String(IDS_CAPTION));
    }
    for (const SGpxTarget& part : parts) targets.push_back({part.path, part.track});
    return targets;
  }
  std::vector<std::string> paths;
  switch (m_state.direction) {
    case kDirectionToDesktop:
      paths = TargetsForUnitFile(source, m_state.DesktopDocumentsFolder());
      break;
    case kDirectionToGpx:
      paths = TargetsForGpxExport(source, m_state.DesktopDocumentsFolder());
      break;
    default:
      paths = TargetsForDesktopFile(source, m_state.unit, m_state.testMode);
      break;
  }
  for (const std::string& path : paths) targets.push_back({path});
  return targets;
}

// One filter for every kind the direction takes, then one for each kind ("Waypoint/Route (*.wpt) -
// Track (*.trk)|*.wpt;*.trk|Waypoint/Route (*.wpt)|*.wpt|Track (*.trk)|*.trk||"), from the kinds'
// own filters.
std::string CDestinationLogic::OpenFilter() const {
  std::string labels;
  std::string patterns;
  std::string each;
  for (const EFileKind kind : SourceKindsOf(m_state.direction)) {
    const auto pairs = FilterPairs(String(FileCodecOf(kind).filterId));
    if (pairs.empty()) continue;
    const auto& [label, pattern] = pairs.front();
    labels += (labels.empty() ? "" : " - ") + label;
    patterns += (patterns.empty() ? "" : ";") + pattern;
    each += "|" + label + "|" + pattern;
  }
  return labels + "|" + patterns + each + "||";
}

void CDestinationLogic::AddSourceFiles() {
  // Unit files, and any file to export, are picked from the unit first; the desktop product's
  // files from its documents folder.
  const std::string folder =
      m_state.direction == kDirectionToUnit ? m_state.DesktopDocumentsFolder() : m_state.unit.Drive();
  AddSources(m_state.dialogs.OpenFiles(OpenFilter(), folder));
}

void CDestinationLogic::AddSources(const std::vector<std::string>& chosen) {
  std::vector<std::string> sources;
  for (const std::string& source : chosen) {
    if (TakesSource(source)) sources.push_back(source);
  }
  // A target is never one of the job's sources, listed already or coming with this choice.
  std::vector<std::string> allSources = Paths(m_sourceSide);
  allSources.insert(allSources.end(), sources.begin(), sources.end());
  std::vector<SFileRow>& sourceRows = m_sides[m_sourceSide].rows;
  std::vector<SFileRow>& targetRows = m_sides[TargetSide()].rows;
  for (const std::string& source : sources) {
    for (const STarget& target : TargetsOf(source)) {
      const std::string unique = UniqueTargetName(target.path, Paths(TargetSide()), allSources);
      sourceRows.push_back(MakeRow(source));
      targetRows.push_back(MakeRow(unique, target.part));
    }
  }
  // Whether or not the user chose anything, the last target row is the one selected.
  for (SFileRow& row : targetRows) row.selected = false;
  if (!targetRows.empty()) {
    targetRows.back().selected = true;
    m_sides[TargetSide()].current = static_cast<int>(targetRows.size()) - 1;
    m_lastSelected = TargetSide();
  }
  m_focusSide = TargetSide();
  MarkExistingTargets();
  UpdateControls();
  Refresh(kRows | kSelection | kFocus);
}

void CDestinationLogic::ChangeTargetName() {
  std::vector<SFileRow>& targets = m_sides[TargetSide()].rows;
  const std::vector<int> selected = SelectedRows(TargetSide());
  if (selected.size() != 1) return;
  SFileRow& row = targets[selected.front()];

  SECFileSystem files;
  const std::string extension = AsciiLower(files.ExtensionOf(row.path));
  // The save dialog's filter is the target kind's; none for a name of no kind.
  const std::optional<EFileKind> kind = FileKindOf(row.path);
  const std::string filter = kind ? String(FileCodecOf(*kind).filterId) : std::string();
  const std::string folder = files.FolderOf(row.path);
  if (!folder.empty() && !files.IsFolder(folder)) files.CreateFolderChain(folder);

  std::string chosen;
  if (m_state.dialogs.SaveFile(filter, folder, files.FileNameOf(row.path), extension, chosen)) {
    // A name no row begins with is free, unless it is the same file as a row or as one of the
    // job's own sources: the job would overwrite a file it still has to read.
    if (UniqueTargetName(chosen, Paths(TargetSide()), Paths(m_sourceSide)) != chosen) {
      m_state.dialogs.Warn(Text("duplicateText"), Text("duplicateCaption"));
    } else {
      const bool selectedRow = row.selected;
      row = MakeRow(chosen, row.part);
      row.selected = selectedRow;
      row.namedInDialog = true;
      MarkExistingTargets();
      Refresh(kRows | kSelection);
    }
  }
  UpdateControls();
}

void CDestinationLogic::RemoveSelectedRows(int side) {
  std::vector<SFileRow>& list = m_sides[side].rows;
  std::vector<SFileRow>& other = m_sides[1 - side].rows;
  const std::vector<int> rows = SelectedRows(side);
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    list.erase(list.begin() + *it);
    if (*it < static_cast<int>(other.size())) other.erase(other.begin() + *it);
  }
  for (SFileSide& each : m_sides) each.current = -1;
  m_lastSelected = side;
  UpdateControls();
  Refresh(kRows | kSelection);
}

int CDestinationLogic::OnWizardNext() {
  const std::vector<std::string> sources = Paths(m_sourceSide);
  std::vector<std::string> targets = Paths(TargetSide());
  std::vector<bool> namedInDialog;
  for (const SFileRow& row : m_sides[TargetSide()].rows) namedInDialog.push_back(row.namedInDialog);
  const std::vector<std::size_t> existing = RowsToConfirm(targets, namedInDialog, m_state.unit.Drive());
  if (!existing.empty()) {
    // Asked once for all of them: keeping both gives the new files numbered names.
    std::string names;
    for (std::size_t i = 0; i < existing.size() && i < kListedExisting; ++i)
      names += DisplayPath(targets[existing[i]]) + "\n";
    if (existing.size() > kListedExisting) names += "(+" + std::to_string(existing.size() - kListedExisting) + ")\n";
    enum { kKeepBoth, kReplace, kGoBack };
    const int answer = m_state.dialogs.AskChoice(ReplaceField(Text("replaceQuestion"), names), String(IDS_CAPTION),
                                                 {Text("keepBoth"), Text("replace"), Text("goBack")});
    if (answer != kKeepBoth && answer != kReplace) return PageId();
    if (answer == kKeepBoth) targets = KeepBothNames(targets, existing, sources);
  }
  m_state.filePairs.Clear();
  const std::vector<SFileRow>& targetRows = m_sides[TargetSide()].rows;
  for (std::size_t i = 0; i < sources.size() && i < targets.size(); ++i)
    m_state.filePairs.Set(targets[i], sources[i], targetRows[i].part);
  ClearLists();
  UpdateControls();
  Refresh(kRows | kSelection);
  return 0;
}
