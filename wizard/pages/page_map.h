// The map region selection page: the regions to copy, the destination, and whether they fit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jobs/map_regions.h"
#include "storage/volume_limits.h"
#include "wizard/pages/property_page.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

// The map job's region selection. Lists the region files of the desktop installations, newest
// first, lets the user tick regions and choose a destination among the drives the card
// connection page found (it fills destinationDrives before this page is first shown), and allows
// Next only while the ticked regions fit the destination's free space as displayed, saying why
// when they do not. A region whose target is already on the destination (an update) counts by
// the size it adds there. A region that
// cannot go to the chosen destination at all (it is its own target there, or it is too large for
// the destination's file system: FAT holds no file of 4 GiB) is shown as not fitting, with the
// reason, and Next is refused while it is ticked. Next makes one file pair per ticked region on
// the chosen destination and creates the target folders.
class CPropertyPageMap : public CPropertyPage_ {
  Q_OBJECT

 public:
  explicit CPropertyPageMap(CWizardState& state);

  bool OnSetActive() override;
  int OnWizardNext() override;
  void DoDataExchange(bool toFields) override;

  void OnAddRegions();
  void OnDestinationChanged();
  void UpdateSelectedSize();
  void UpdateAvailableSize();
  void UpdateNextButton();

  QTreeWidget* RegionList() const { return m_list; }
  QComboBox* DestinationBox() const { return m_destination; }
  QPushButton* AddButton() const { return m_add; }
  QPlainTextEdit* Placement() const { return m_placement; }
  QLabel* AvailableValue() const { return m_available; }
  QLabel* TotalValue() const { return m_total; }
  // Beside the total: the ticked regions need more than the free space; hidden while they fit.
  QLabel* NoRoomText() const { return m_noRoom; }
  // The reason a ticked region cannot go to the destination; hidden while there is none.
  QLabel* RefusalText() const { return m_refusal; }
  const CMapRegionArray& Regions() const { return m_regions; }
  const std::string& DestinationRoot() const { return m_destinationRoot; }
  bool OverCapacity() const { return m_overCapacity; }

  std::vector<std::string> destinationDrives;

 protected:
  // The free bytes of a destination, -1 when they cannot be read. Tests stand in for drives of a
  // chosen size here; nothing else does.
  virtual std::int64_t QueryFreeBytes(const std::string& root) const;
  // The file system of a destination; false when it cannot be read. Tests stand in for a FAT card.
  virtual bool QueryVolumeType(const std::string& root, SVolumeType& type) const;

 private:
  void OnInitDialog();
  void FillRegionList();
  void UntickAll();
  void UpdatePlacement();
  void OnRowChanged();
  void MarkRefusedRows();
  QString RefusalOf(std::size_t row) const;
  std::vector<std::string> TickedPaths() const;

  QTreeWidget* m_list;
  QPushButton* m_add;
  QComboBox* m_destination;
  QPlainTextEdit* m_placement;
  QLabel* m_available;
  QLabel* m_total;
  QLabel* m_noRoom;
  QLabel* m_refusal;

  CMapRegionArray m_regions;
  std::string m_destinationRoot;
  std::string m_searchRoot;
  SRegionFolders m_folders;  // on the destination
  std::uint64_t m_maxFileSize = kNoFileSizeLimit;
  bool m_overCapacity = false;
  bool m_initialised = false;
};
