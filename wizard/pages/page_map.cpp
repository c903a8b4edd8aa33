// The map region selection page.
#include "wizard/pages/page_map.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "resources/qt/resource_source.h"
#include "resources/string_ids.h"

namespace {

constexpr int kIconAdd = 134;
constexpr int kDecorations[] = {138, 130, 144};
constexpr int kColumnCheck = 0;
constexpr int kColumnRegion = 1;
constexpr int kColumnSize = 2;
constexpr int kColumnDate = 3;
// Column widths in dialog units: a quarter of the font's mean character width each.
constexpr int kColumnWidths[] = {20, 90, 55, 80};
const QColor kRed(255, 0, 0);

QLabel* Decoration(const CResourceSource& resources, int iconId) {
  auto* label = new QLabel;
  label->setPixmap(resources.Icon(iconId).pixmap(32, 32));
  return label;
}

}  // namespace

CPropertyPageMap::CPropertyPageMap(CMapLogic& logic, const CResourceSource& resources)
    : CPropertyPage_(logic, resources),
      m_logic(logic),
      m_list(new QTreeWidget),
      m_add(new QPushButton(resources.Icon(kIconAdd), QString())),
      m_destination(new QComboBox),
      m_placement(new QPlainTextEdit),
      m_available(new QLabel),
      m_total(new QLabel),
      m_noRoom(new QLabel(Text("noRoom"))),
      m_refusal(new QLabel) {
  m_list->setRootIsDecorated(false);
  m_list->setUniformRowHeights(true);
  m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_list->setHeaderLabels({QString(), String(IDS_COLUMN_REGION), String(IDS_COLUMN_SIZE), String(IDS_COLUMN_DATE)});
  const int unit = m_list->fontMetrics().averageCharWidth();
  for (int column = kColumnCheck; column <= kColumnDate; ++column) {
    m_list->setColumnWidth(column, kColumnWidths[column] * unit / 4);
  }
  m_list->header()->setStretchLastSection(false);
  m_list->headerItem()->setTextAlignment(kColumnSize, Qt::AlignRight | Qt::AlignVCenter);
  m_list->headerItem()->setTextAlignment(kColumnDate, Qt::AlignRight | Qt::AlignVCenter);
  connect(m_list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* row, int column) {
    if (column == kColumnCheck)
      m_logic.SetTicked(m_list->indexOfTopLevelItem(row), row->checkState(kColumnCheck) == Qt::Checked);
  });

  SetTip(m_add, Text("addTip"));
  connect(m_add, &QPushButton::clicked, this, [this] { m_logic.AddRegions(); });
  m_destination->setEditable(false);
  connect(m_destination, &QComboBox::currentIndexChanged, this,
          [this](int index) { m_logic.ChooseDestination(index); });
  m_placement->setReadOnly(true);
  m_placement->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_placement->setMaximumHeight(3 * m_placement->fontMetrics().lineSpacing() + 12);
  m_available->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  m_total->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  for (QLabel* reason : {m_refusal, m_noRoom}) {
    reason->setWordWrap(true);
    QPalette red = reason->palette();
    red.setColor(QPalette::WindowText, kRed);
    reason->setPalette(red);
    reason->hide();
  }

  auto* listRow = new QHBoxLayout;
  listRow->addWidget(m_list, 1);
  auto* side = new QVBoxLayout;
  side->addWidget(m_add);
  side->addStretch();
  for (int icon : kDecorations) side->addWidget(Decoration(resources, icon));
  listRow->addLayout(side);

  auto* sizes = new QGridLayout;
  sizes->addWidget(new QLabel(Text("available")), 0, 0);
  sizes->addWidget(m_available, 0, 1);
  sizes->addWidget(new QLabel(Text("total")), 1, 0);
  sizes->addWidget(m_total, 1, 1);
  sizes->addWidget(m_noRoom, 1, 2);
  sizes->setColumnStretch(2, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(Text("prompt")));
  layout->addLayout(listRow, 1);
  layout->addWidget(new QLabel(Text("destination")));
  auto* destinationRow = new QHBoxLayout;
  destinationRow->addWidget(m_destination, 1);
  destinationRow->addWidget(m_placement, 2);
  layout->addLayout(destinationRow);
  layout->addLayout(sizes);
  layout->addWidget(m_refusal);
  layout->addWidget(new QLabel(Text("hint")));
  RenderTexts();
}

void CPropertyPageMap::Render(unsigned parts) {
  if (parts & CMapLogic::kRows) RenderRows();
  if (parts & CMapLogic::kDestinations) RenderDestinations();
  if (parts & CMapLogic::kTexts) RenderTexts();
}

void CPropertyPageMap::RenderRows() {
  const QSignalBlocker quiet(m_list);
  const std::vector<SRegionRow>& rows = m_logic.Rows();
  // The items are kept where there are rows for them, so the list keeps its place.
  while (m_list->topLevelItemCount() > static_cast<int>(rows.size()))
    delete m_list->takeTopLevelItem(m_list->topLevelItemCount() - 1);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    QTreeWidgetItem* item = m_list->topLevelItem(static_cast<int>(i));
    if (item == nullptr) {
      item = new QTreeWidgetItem;
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
      item->setTextAlignment(kColumnSize, Qt::AlignRight | Qt::AlignVCenter);
      item->setTextAlignment(kColumnDate, Qt::AlignRight | Qt::AlignVCenter);
      m_list->addTopLevelItem(item);
    }
    const SRegionRow& row = rows[i];
    item->setCheckState(kColumnCheck, row.ticked ? Qt::Checked : Qt::Unchecked);
    item->setText(kColumnRegion, Utf8(row.name));
    item->setText(kColumnSize, Utf8(row.size));
    item->setText(kColumnDate, Utf8(row.date));
    // Shown as not fitting: the size in red, the reason on every column.
    item->setForeground(kColumnSize, row.refusal.empty() ? QBrush() : QBrush(kRed));
    for (int column = kColumnCheck; column <= kColumnDate; ++column)
      item->setToolTip(column, Utf8(column == kColumnRegion ? row.tip : row.refusal));
  }
}

void CPropertyPageMap::RenderDestinations() {
  const QSignalBlocker quiet(m_destination);
  const std::vector<std::string>& texts = m_logic.DestinationTexts();
  if (m_destination->count() != static_cast<int>(texts.size())) {
    m_destination->clear();
    for (const std::string& text : texts) {
      m_destination->addItem(Utf8(text));
      m_destination->setItemData(m_destination->count() - 1, Utf8(text), Qt::ToolTipRole);
    }
  }
  m_destination->setCurrentIndex(m_logic.ChosenDestination());
}

void CPropertyPageMap::RenderTexts() {
  if (m_placement->toPlainText() != Utf8(m_logic.Placement())) m_placement->setPlainText(Utf8(m_logic.Placement()));
  m_available->setText(Utf8(m_logic.Available()));
  m_total->setText(Utf8(m_logic.Total()));
  QPalette colours = m_total->palette();
  colours.setColor(QPalette::WindowText, m_logic.OverCapacity() ? kRed : QColor(0, 0, 0));
  m_total->setPalette(colours);
  m_noRoom->setVisible(m_logic.NoRoomShown());
  m_refusal->setText(Utf8(m_logic.Refusal()));
  m_refusal->setVisible(!m_logic.Refusal().empty());
  update();
}
