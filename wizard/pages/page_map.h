// The map region selection page: the regions to copy, the destination, and whether they fit.
#pragma once

#include "wizard/logic/map_logic.h"
#include "wizard/pages/property_page.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

// The region list with its check boxes, the destination box, the placement and the two sizes over
// CMapLogic. A region that cannot go to the destination shows its size in red and the reason as
// its tooltip; the total turns red while the ticked regions do not fit, with the reason beside it.
class CPropertyPageMap : public CPropertyPage_ {
  Q_OBJECT

 public:
  CPropertyPageMap(CMapLogic& logic, const CResourceSource& resources);

  CMapLogic& Logic() const { return m_logic; }
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

 protected:
  void Render(unsigned parts) override;

 private:
  void RenderRows();
  void RenderDestinations();
  void RenderTexts();

  CMapLogic& m_logic;
  QTreeWidget* m_list;
  QPushButton* m_add;
  QComboBox* m_destination;
  QPlainTextEdit* m_placement;
  QLabel* m_available;
  QLabel* m_total;
  QLabel* m_noRoom;
  QLabel* m_refusal;
};
