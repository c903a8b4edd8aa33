// The map region selection page: the regions to copy, the destination, and whether they fit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wizard/map_regions.h"
#include "wizard/pages/property_page.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

// The map job's region selection. Lists the region files of the desktop installations, newest
// first, lets the user tick regions and choose a destination among the drives the card
// connection page found (it fills destinationDrives before this page is first shown), and allows
// Next only while the ticked regions fit the destination's free space as displayed. Next makes
// one file pair per ticked region on the chosen destination and creates the target folders.
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
  const CMapRegionArray& Regions() const { return m_regions; }
  const std::string& DestinationRoot() const { return m_destinationRoot; }
  bool OverCapacity() const { return m_overCapacity; }

  std::vector<std::string> destinationDrives;

 protected:
  // The free bytes of a destination, -1 when they cannot be read. Tests stand in for drives of a
  // chosen size here; nothing else does.
  virtual std::int64_t QueryFreeBytes(const std::string& root) const;

 private:
  void OnInitDialog();
  void FillRegionList();
  void UntickAll();
  void UpdatePlacement();
  void OnRowChanged();
  std::vector<std::string> TickedPaths() const;

  QTreeWidget* m_list;
  QPushButton* m_add;
  QComboBox* m_destination;
  QPlainTextEdit* m_placement;
  QLabel* m_available;
  QLabel* m_total;

  CMapRegionArray m_regions;
  std::string m_destinationRoot;
  std::string m_searchRoot;
  bool m_overCapacity = false;
  bool m_initialised = false;
};
