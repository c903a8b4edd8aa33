// The map region selection page: the regions to copy, the destination, and whether they fit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jobs/map_regions.h"
#include "storage/volume_limits.h"
#include "wizard/logic/page_logic.h"

// One row of the region list, as shown.
struct SRegionRow {
  std::string name;  // the file's name
  std::string size;  // megabytes with one decimal
  std::string date;
  // Why the region cannot go to the chosen destination; empty when it can. A refused row shows
  // its size in red and the reason as the tooltip of every column.
  std::string refusal;
  std::string tip;  // of the name's column: the refusal, else the whole path
  bool ticked = false;
};

// Map region selection (139). Lists the region files of the desktop installations, newest first,
// lets the user tick regions and choose a destination among the drives the card connection page
// found (it fills destinationDrives before this page is first shown), and allows Next only while
// the ticked regions fit the destination's free space as displayed, saying why when they do not.
// A region whose target is already on the destination (an update) counts by the size it adds
// there. A region that cannot go to the chosen destination at all (it is its own target there, or
// it is too large for the destination's file system: FAT holds no file of 4 GiB) is shown as not
// fitting, with the reason, and Next is refused while it is ticked. Next makes one file pair per
// ticked region on the chosen destination.
//
// A face drives it with SetTicked for a row's check box, ChooseDestination for the destination
// box, AddRegions for the add button; it shows on Refresh: kRows the rows, kDestinations the box's
// items and the chosen one, kTexts the placement, the available and total sizes (the total red
// while OverCapacity()), the no-room sentence when NoRoomShown() and the refusal when not empty.
class CMapLogic : public CPageLogic {
 public:
  enum EPart : unsigned { kRows = 1, kDestinations = 2, kTexts = 4 };

  explicit CMapLogic(CWizardState& state);

  bool OnSetActive() override;
  int OnWizardNext() override;
  void DoDataExchange(bool toFields) override;

  void SetTicked(int row, bool ticked);
  void ChooseDestination(int index);
  void AddRegions();

  // Filled by the card connection page.
  std::vector<std::string> destinationDrives;

  const std::vector<SRegionRow>& Rows() const { return m_rows; }
  const CMapRegionArray& Regions() const { return m_regions; }
  // The destination box: the drives as the user knows them (the unit's model or the volume's label
  // with the mount point, or the mount point alone), and the one chosen (-1 for none).
  const std::vector<std::string>& DestinationTexts() const { return m_boxTexts; }
  int ChosenDestination() const { return m_chosen; }
  const std::string& DestinationRoot() const { return m_destinationRoot; }
  const std::string& Placement() const { return m_placement; }
  const std::string& Available() const { return m_available; }
  const std::string& Total() const { return m_total; }
  bool OverCapacity() const { return m_overCapacity; }
  bool NoRoomShown() const { return m_noRoomShown; }
  const std::string& Refusal() const { return m_refusal; }

 private:
  void OnInitDialog();
  void OnDestinationChanged();
  void FillRegionList();
  void MarkRefusedRows();
  void UpdatePlacement();
  void UpdateSelectedSize();
  void UpdateAvailableSize();
  void UpdateNextButton();
  std::vector<std::string> TickedPaths() const;

  CMapRegionArray m_regions;
  std::vector<SRegionRow> m_rows;  // row i shows region i
  // The box is filled once, from the drives as the card connection page found them then: a later
  // search may refill destinationDrives, while each item still stands for the drive it shows.
  std::vector<std::string> m_boxDrives;
  std::vector<std::string> m_boxTexts;
  int m_chosen = -1;
  std::string m_destinationRoot;
  std::string m_searchRoot;
  SRegionFolders m_folders;  // on the destination
  std::uint64_t m_maxFileSize = kNoFileSizeLimit;
  std::string m_placement;
  std::string m_available;
  std::string m_total;
  std::string m_refusal;
  bool m_overCapacity = false;
  bool m_noRoomShown = false;
  bool m_initialised = false;
};
