// The map region selection page.
#include "wizard/logic/map_logic.h"

#include "resources/string_ids.h"
#include "storage/file_system.h"
#include "storage/installations.h"
#include "storage/unit_device.h"
#include "wizard/logic/display_text.h"
#include "wizard/logic/face_services.h"
#include "wizard/logic/wizard_state.h"

CMapLogic::CMapLogic(CWizardState& state)
    : CPageLogic(state, kPageMap, IDS_TITLE_MAP), m_available(Text("availableValue")), m_total(Text("totalValue")) {}

bool CMapLogic::OnSetActive() {
  if (!m_initialised) {
    m_initialised = true;
    OnInitDialog();
  }
  for (SRegionRow& row : m_rows) row.ticked = false;
  m_overCapacity = false;
  UpdateSelectedSize();
  UpdateAvailableSize();
  DoDataExchange(false);
  Refresh(kRows | kDestinations | kTexts);
  return true;
}

void CMapLogic::OnInitDialog() {
  UpdatePlacement();
  LoadRegions(CDesktopInstallations().FindRegionFolders(&m_searchRoot), m_regions);
  FillRegionList();
  m_boxDrives = destinationDrives;
  m_boxTexts.clear();
  for (const std::string& drive : m_boxDrives) {
    const std::string name = m_state.unit.DriveName(drive);
    m_boxTexts.push_back(name.empty() ? DisplayPath(drive) : name + " (" + DisplayPath(drive) + ")");
  }
  m_chosen = m_boxDrives.empty() ? -1 : 0;
  OnDestinationChanged();
}

void CMapLogic::DoDataExchange(bool) { UpdateNextButton(); }

void CMapLogic::FillRegionList() {
  m_rows.clear();
  const SECFileSystem fs;
  for (std::size_t i = 0; i < m_regions.Count(); ++i) {
    const CMapRegionEntry& entry = m_regions[i];
    SRegionRow row;
    row.name = DisplayPath(fs.FileNameOf(entry.path));
    row.size = FormatMegabytes(static_cast<std::uint64_t>(entry.size));
    row.date = FormatRegionDate(entry.created);
    m_rows.push_back(row);
  }
  MarkRefusedRows();
}

void CMapLogic::MarkRefusedRows() {
  const SECFileSystem fs;
  for (std::size_t i = 0; i < m_rows.size(); ++i) {
    const CMapRegionEntry& entry = m_regions[i];
    SRegionRow& row = m_rows[i];
    row.refusal.clear();
    if (!m_destinationRoot.empty()) {
      switch (RegionRefusal(entry, RegionTarget(entry.path, m_folders), m_maxFileSize)) {
        case ERegionRefusal::kNone:
          break;
        case ERegionRefusal::kSameFile:
          row.refusal = ReplaceField(Text("sameFile"), DisplayPath(fs.FileNameOf(entry.path)));
          break;
        case ERegionRefusal::kTooLarge:
          row.refusal = ReplaceField(Text("tooLarge"), DisplayPath(fs.FileNameOf(entry.path)));
          break;
      }
    }
    row.tip = row.refusal.empty() ? DisplayPath(entry.path) : row.refusal;
  }
}

void CMapLogic::SetTicked(int row, bool ticked) {
  if (row < 0 || row >= static_cast<int>(m_rows.size())) return;
  m_rows[row].ticked = ticked;
  UpdateSelectedSize();
  DoDataExchange(false);
}

std::vector<std::string> CMapLogic::TickedPaths() const {
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < m_rows.size(); ++i) {
    if (m_rows[i].ticked) paths.push_back(m_regions[i].path);
  }
  return paths;
}

void CMapLogic::UpdateSelectedSize() {
  if (m_rows.empty()) return;
  // A region whose target is already on the destination counts by what it adds to it.
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < m_rows.size(); ++i) {
    if (!m_rows[i].ticked) continue;
    const CMapRegionEntry& entry = m_regions[i];
    sum += AddedSize(entry, m_destinationRoot.empty() ? std::string() : RegionTarget(entry.path, m_folders));
  }
  m_total = FormatSizeText(String(IDS_MEGABYTES), sum);
}

void CMapLogic::ChooseDestination(int index) {
  if (index < -1 || index >= static_cast<int>(m_boxDrives.size())) return;
  m_chosen = index;
  OnDestinationChanged();
}

void CMapLogic::OnDestinationChanged() {
  if (m_chosen >= 0) m_destinationRoot = m_boxDrives[static_cast<std::size_t>(m_chosen)];
  SVolumeType volume;
  const bool known = !m_destinationRoot.empty() && m_state.QueryVolumeType(m_destinationRoot, volume);
  m_maxFileSize = known ? MaxFileSize(volume) : kNoFileSizeLimit;
  UpdatePlacement();
  MarkRefusedRows();
  UpdateSelectedSize();
  UpdateAvailableSize();
  DoDataExchange(false);
  Refresh(kRows | kDestinations | kTexts);
}

void CMapLogic::UpdatePlacement() {
  // The folders named as on the chosen destination, which is where Next puts the regions; before
  // a destination is chosen, as the unit record names them.
  std::string background;
  std::string detail;
  if (!m_destinationRoot.empty()) {
    const SECFileSystem fs;
    m_folders = RegionFoldersOn(m_destinationRoot);
    background = fs.FileNameOf(m_folders.background);
    detail = fs.FileNameOf(m_folders.detail);
  } else {
    background = m_state.unit.GetUnitFolder(CUnitDevice::kBackgroundMaps, false);
    detail = m_state.unit.GetUnitFolder(CUnitDevice::kDetailMaps, false);
  }
  m_placement = DisplayPath("/" + background + "/*.tdx\n/" + detail + "/*.imi");
}

void CMapLogic::UpdateAvailableSize() {
  std::int64_t free = m_state.QueryFreeBytes(m_destinationRoot);
  if (free < 0) free = 0;
  m_available = FormatSizeText(String(IDS_MEGABYTES), static_cast<std::uint64_t>(free));
}

void CMapLogic::UpdateNextButton() {
  bool anyTicked = false;
  m_refusal.clear();
  for (const SRegionRow& row : m_rows) {
    if (!row.ticked) continue;
    anyTicked = true;
    if (m_refusal.empty()) m_refusal = row.refusal;
  }
  const bool candidate = m_chosen >= 0 && !destinationDrives.empty() && anyTicked;
  bool allowed = false;
  bool fits = true;
  if (candidate) {
    // The values as displayed, rounded to 0.1 MB: what the user reads is what is compared. A
    // region that cannot go to this destination at all does not fit either.
    fits = FitsAsDisplayed(m_available, m_total);
    allowed = m_refusal.empty() && fits;
    m_overCapacity = !allowed;
  }
  // Beside the red total, in words, why Next is refused; a refused region has its own reason.
  // Without a candidate the colour stays as it was: red until the next comparison or visit.
  m_noRoomShown = !fits && m_refusal.empty();
  SetWizardButtons(allowed ? (kButtonBack | kButtonNext) : kButtonBack);
  Refresh(kTexts);
}

void CMapLogic::AddRegions() {
  // The dialog opens in the folder above the first installation, where the others usually lie.
  std::string folder;
  const auto separator = m_searchRoot.find_last_of("/\\");
  if (separator != std::string::npos) folder = m_searchRoot.substr(0, separator);
  const std::vector<std::string> chosen = m_state.dialogs.OpenFiles(String(IDS_FILTER_MAP_REGIONS), folder);
  if (chosen.empty()) return;
  for (const std::string& path : chosen) {
    if (m_regions.IsNewPath(path)) m_regions.InsertByDate(MakeRegionEntry(path));
  }
  FillRegionList();
  UpdateSelectedSize();
  DoDataExchange(false);
  Refresh(kRows);
}

int CMapLogic::OnWizardNext() {
  for (const SRegionRow& row : m_rows) {
    if (row.ticked && !row.refusal.empty()) return PageId();
  }
  FillRegionPairs(TickedPaths(), m_destinationRoot, m_state.filePairs);
  if (m_state.filePairs.Empty()) return PageId();
  // The destination is written from here on, and the map job does not eject it. In test mode it
  // is the temporary folder, which is not unplugged.
  if (!m_state.testMode) {
    m_state.volumeNote = CWizardState::EVolumeNote::kStillMounted;
    m_state.volumeName = m_boxTexts[static_cast<std::size_t>(m_chosen)];
  }
  return 0;
}
