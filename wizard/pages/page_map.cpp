// The map region selection page.
#include "wizard/pages/page_map.h"

#include <QComboBox>
#include <QFile>
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
#include "storage/file_system.h"
#include "storage/installations.h"
#include "storage/unit_device.h"
#include "wizard/pages/dialogs.h"
#include "wizard/pages/wizard_state.h"

namespace {

constexpr int kIconAdd = 134;
constexpr int kDecorations[] = {138, 130, 144};
constexpr int kColumnCheck = 0;
constexpr int kColumnRegion = 1;
constexpr int kColumnSize = 2;
constexpr int kColumnDate = 3;
// Column widths in dialog units: a quarter of the font's mean character width each.
constexpr int kColumnWidths[] = {20, 90, 55, 80};

QString Bytes(const std::string& text) { return QFile::decodeName(text.c_str()); }

// A destination as the user knows it: the unit's model or the volume's label with the mount
// point, or the mount point alone.
QString DestinationText(const std::string& name, const std::string& root) {
  return name.empty() ? Bytes(root) : QStringLiteral("%1 (%2)").arg(QString::fromUtf8(name), Bytes(root));
}

QLabel* Decoration(const CResourceSource& resources, int iconId) {
  auto* label = new QLabel;
  label->setPixmap(resources.Icon(iconId).pixmap(32, 32));
  return label;
}

}  // namespace

CPropertyPageMap::CPropertyPageMap(CWizardState& state)
    : CPropertyPage_(state, kPageMap, IDS_TITLE_MAP),
      m_list(new QTreeWidget),
      m_add(new QPushButton(state.resources.Icon(kIconAdd), QString())),
      m_destination(new QComboBox),
      m_placement(new QPlainTextEdit),
      m_available(new QLabel(Text("availableValue"))),
      m_total(new QLabel(Text("totalValue"))),
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
  connect(m_list, &QTreeWidget::itemChanged, this, &CPropertyPageMap::OnRowChanged);
  connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CPropertyPageMap::OnRowChanged);

  SetTip(m_add, Text("addTip"));
  connect(m_add, &QPushButton::clicked, this, &CPropertyPageMap::OnAddRegions);
  m_destination->setEditable(false);
  connect(m_destination, &QComboBox::currentIndexChanged, this, &CPropertyPageMap::OnDestinationChanged);
  m_placement->setReadOnly(true);
  m_placement->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_placement->setMaximumHeight(3 * m_placement->fontMetrics().lineSpacing() + 12);
  m_available->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  m_total->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  for (QLabel* reason : {m_refusal, m_noRoom}) {
    reason->setWordWrap(true);
    QPalette red = reason->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    reason->setPalette(red);
    reason->hide();
  }

  auto* listRow = new QHBoxLayout;
  listRow->addWidget(m_list, 1);
  auto* side = new QVBoxLayout;
  side->addWidget(m_add);
  side->addStretch();
  for (int icon : kDecorations) side->addWidget(Decoration(state.resources, icon));
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
}

std::int64_t CPropertyPageMap::QueryFreeBytes(const std::string& root) const {
  return SECFileSystem().QueryFreeBytes(root);
}

bool CPropertyPageMap::QueryVolumeType(const std::string& root, SVolumeType& type) const {
  return ::QueryVolumeType(root, type);
}

bool CPropertyPageMap::OnSetActive() {
  if (!m_initialised) {
    m_initialised = true;
    OnInitDialog();
  }
  UntickAll();
  m_overCapacity = false;
  UpdateSelectedSize();
  UpdateAvailableSize();
  DoDataExchange(false);
  return CPropertyPage_::OnSetActive();
}

void CPropertyPageMap::OnInitDialog() {
  UpdatePlacement();
  LoadRegions(CDesktopInstallations().FindRegionFolders(&m_searchRoot), m_regions);
  FillRegionList();
  {
    // The box is filled once, from the drives as the card connection page found them then.
    const QSignalBlocker quiet(m_destination);
    m_destination->clear();
    // Each item keeps its drive's own bytes: a later search may refill destinationDrives, while the
    // box still shows the drives of this first one.
    for (const std::string& drive : destinationDrives) {
      m_destination->addItem(DestinationText(m_state.unit.DriveName(drive), drive), QByteArray::fromStdString(drive));
      m_destination->setItemData(m_destination->count() - 1, m_destination->itemText(m_destination->count() - 1),
                                 Qt::ToolTipRole);
    }
    m_destination->setCurrentIndex(destinationDrives.empty() ? -1 : 0);
  }
  OnDestinationChanged();
}

void CPropertyPageMap::DoDataExchange(bool) { UpdateNextButton(); }

void CPropertyPageMap::FillRegionList() {
  const QSignalBlocker quiet(m_list);
  m_list->clear();
  const SECFileSystem fs;
  for (std::size_t i = 0; i < m_regions.Count(); ++i) {
    const CMapRegionEntry& entry = m_regions[i];
    auto* row = new QTreeWidgetItem;
    row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    row->setCheckState(kColumnCheck, Qt::Unchecked);
    row->setText(kColumnRegion, Bytes(fs.FileNameOf(entry.path)));
    row->setToolTip(kColumnRegion, Bytes(entry.path));
    row->setText(kColumnSize, QString::fromStdString(FormatMegabytes(static_cast<std::uint64_t>(entry.size))));
    row->setText(kColumnDate, QString::fromStdString(FormatRegionDate(entry.created)));
    row->setTextAlignment(kColumnSize, Qt::AlignRight | Qt::AlignVCenter);
    row->setTextAlignment(kColumnDate, Qt::AlignRight | Qt::AlignVCenter);
    m_list->addTopLevelItem(row);
  }
  MarkRefusedRows();
}

QString CPropertyPageMap::RefusalOf(std::size_t row) const {
  if (m_destinationRoot.empty()) return {};
  const CMapRegionEntry& entry = m_regions[row];
  const char* text = nullptr;
  switch (RegionRefusal(entry, RegionTarget(entry.path, m_folders), m_maxFileSize)) {
    case ERegionRefusal::kNone:
      return {};
    case ERegionRefusal::kSameFile:
      text = "sameFile";
      break;
    case ERegionRefusal::kTooLarge:
      text = "tooLarge";
      break;
  }
  return Text(text).replace(QStringLiteral("%s"), Bytes(SECFileSystem().FileNameOf(entry.path)));
}

void CPropertyPageMap::MarkRefusedRows() {
  const QSignalBlocker quiet(m_list);
  for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
    QTreeWidgetItem* row = m_list->topLevelItem(i);
    const QString reason = RefusalOf(static_cast<std::size_t>(i));
    row->setData(kColumnCheck, Qt::UserRole, reason);
    // Shown as not fitting: the size in red, the reason on every column.
    row->setForeground(kColumnSize, reason.isEmpty() ? QBrush() : QBrush(QColor(255, 0, 0)));
    for (int column = kColumnCheck; column <= kColumnDate; ++column) {
      if (column != kColumnRegion) row->setToolTip(column, reason);
    }
    row->setToolTip(kColumnRegion, reason.isEmpty() ? Bytes(m_regions[static_cast<std::size_t>(i)].path) : reason);
  }
}

void CPropertyPageMap::UntickAll() {
  const QSignalBlocker quiet(m_list);
  for (int i = 0; i < m_list->topLevelItemCount(); ++i)
    m_list->topLevelItem(i)->setCheckState(kColumnCheck, Qt::Unchecked);
}

void CPropertyPageMap::OnRowChanged() {
  UpdateSelectedSize();
  DoDataExchange(false);
}

std::vector<std::string> CPropertyPageMap::TickedPaths() const {
  std::vector<std::string> paths;
  for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
    if (m_list->topLevelItem(i)->checkState(kColumnCheck) == Qt::Checked) {
      paths.push_back(m_regions[static_cast<std::size_t>(i)].path);
    }
  }
  return paths;
}

void CPropertyPageMap::UpdateSelectedSize() {
  if (m_list->topLevelItemCount() == 0) return;
  // A region whose target is already on the destination counts by what it adds to it.
  std::uint64_t sum = 0;
  for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
    if (m_list->topLevelItem(i)->checkState(kColumnCheck) != Qt::Checked) continue;
    const CMapRegionEntry& entry = m_regions[static_cast<std::size_t>(i)];
    sum += AddedSize(entry, m_destinationRoot.empty() ? std::string() : RegionTarget(entry.path, m_folders));
  }
  m_total->setText(QString::fromStdString(FormatSizeText(m_state.resources.Utf8String(IDS_MEGABYTES), sum)));
}

void CPropertyPageMap::OnDestinationChanged() {
  const int chosen = m_destination->currentIndex();
  if (chosen >= 0) m_destinationRoot = m_destination->itemData(chosen).toByteArray().toStdString();
  SVolumeType volume;
  const bool known = !m_destinationRoot.empty() && QueryVolumeType(m_destinationRoot, volume);
  m_maxFileSize = known ? MaxFileSize(volume) : kNoFileSizeLimit;
  UpdatePlacement();
  MarkRefusedRows();
  UpdateSelectedSize();
  UpdateAvailableSize();
  DoDataExchange(false);
}

void CPropertyPageMap::UpdatePlacement() {
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
  m_placement->setPlainText(Bytes("/" + background + "/*.tdx\n/" + detail + "/*.imi"));
}

void CPropertyPageMap::UpdateAvailableSize() {
  std::int64_t free = QueryFreeBytes(m_destinationRoot);
  if (free < 0) free = 0;
  m_available->setText(QString::fromStdString(
      FormatSizeText(m_state.resources.Utf8String(IDS_MEGABYTES), static_cast<std::uint64_t>(free))));
}

void CPropertyPageMap::UpdateNextButton() {
  bool anyTicked = false;
  QString refusal;
  for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = m_list->topLevelItem(i);
    if (row->checkState(kColumnCheck) != Qt::Checked) continue;
    anyTicked = true;
    if (refusal.isEmpty()) refusal = row->data(kColumnCheck, Qt::UserRole).toString();
  }
  m_refusal->setText(refusal);
  m_refusal->setVisible(!refusal.isEmpty());
  const bool candidate = m_destination->currentIndex() >= 0 && !destinationDrives.empty() && anyTicked;
  bool allowed = false;
  bool fits = true;
  if (candidate) {
    // The values as displayed, rounded to 0.1 MB: what the user reads is what is compared. A
    // region that cannot go to this destination at all does not fit either.
    fits = FitsAsDisplayed(m_available->text().toStdString(), m_total->text().toStdString());
    allowed = refusal.isEmpty() && fits;
    m_overCapacity = !allowed;
  }
  // Beside the red total, in words, why Next is refused; a refused region has its own reason.
  m_noRoom->setVisible(!fits && refusal.isEmpty());
  // Without a candidate the colour stays as it was: red until the next comparison or visit.
  SetWizardButtons(allowed ? (kButtonBack | kButtonNext) : kButtonBack);
  QPalette colours = m_total->palette();
  colours.setColor(QPalette::WindowText, m_overCapacity ? QColor(255, 0, 0) : QColor(0, 0, 0));
  m_total->setPalette(colours);
  update();
}

void CPropertyPageMap::OnAddRegions() {
  // The dialog opens in the folder above the first installation, where the others usually lie.
  std::string folder;
  const auto separator = m_searchRoot.find_last_of("/\\");
  if (separator != std::string::npos) folder = m_searchRoot.substr(0, separator);
  const std::vector<std::string> chosen = m_state.dialogs.OpenFiles(this, String(IDS_FILTER_MAP_REGIONS), folder);
  if (chosen.empty()) return;
  for (const std::string& path : chosen) {
    if (m_regions.IsNewPath(path)) m_regions.InsertByDate(MakeRegionEntry(path));
  }
  FillRegionList();
  UpdateSelectedSize();
  DoDataExchange(false);
}

int CPropertyPageMap::OnWizardNext() {
  for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = m_list->topLevelItem(i);
    if (row->checkState(kColumnCheck) == Qt::Checked && !row->data(kColumnCheck, Qt::UserRole).toString().isEmpty()) {
      return PageId();
    }
  }
  FillRegionPairs(TickedPaths(), m_destinationRoot, m_state.filePairs);
  if (m_state.filePairs.Empty()) return PageId();
  // The destination is written from here on, and the map job does not eject it. In test mode it
  // is the temporary folder, which is not unplugged.
  if (!m_state.testMode) {
    m_state.volumeNote = CWizardState::EVolumeNote::kStillMounted;
    m_state.volumeName = m_destination->currentText().toStdString();
  }
  return 0;
}
