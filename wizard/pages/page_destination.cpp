// The file selection page.
#include "wizard/pages/page_destination.h"

#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <optional>

#include "formats/ascii_case.h"
#include "formats/file_kinds.h"
#include "resources/resource_source.h"
#include "resources/string_ids.h"
#include "storage/file_system.h"
#include "wizard/file_codecs.h"
#include "wizard/pages/dialogs.h"
#include "wizard/pages/wizard_state.h"
#include "wizard/target_naming.h"

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kExtentRole = Qt::UserRole + 1;
constexpr int kIconComputer = 138;
constexpr int kIconRemove = 139;
constexpr int kIconBrowse = 140;
constexpr int kIconUnit = 143;
constexpr int kIconToUnit = 144;
constexpr int kIconToDesktop = 145;

}  // namespace

CPropertyPageDestination::CPropertyPageDestination(CWizardState& state)
    : CPropertyPage_(state, kPageDestination, IDS_TITLE_DESTINATION) {
  const CResourceSource& resources = state.resources;
  for (SListSide* side : {&m_left, &m_right}) {
    side->browse = new QPushButton(resources.Icon(kIconBrowse), QString());
    side->remove = new QPushButton(resources.Icon(kIconRemove), QString());
    side->list = new QListWidget;
    side->list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    side->list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    side->list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(side->list, &QListWidget::itemSelectionChanged, this, &CPropertyPageDestination::UpdateControls);
  }
  connect(m_left.browse, &QPushButton::clicked, this, [this] { OnBrowse(m_left); });
  connect(m_right.browse, &QPushButton::clicked, this, [this] { OnBrowse(m_right); });
  connect(m_left.remove, &QPushButton::clicked, this, [this] { RemoveSelectedRows(m_left.list, m_right.list); });
  connect(m_right.remove, &QPushButton::clicked, this, [this] { RemoveSelectedRows(m_right.list, m_left.list); });

  const auto picture = [&](int icon) {
    auto* label = new QLabel;
    label->setPixmap(resources.Icon(icon).pixmap(32, 32));
    return label;
  };
  const auto header = [&](int icon, const char* caption, const SListSide& side) {
    auto* row = new QHBoxLayout;
    row->addWidget(picture(icon));
    row->addWidget(new QLabel(Text(caption)), 1);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    auto* pair = new QHBoxLayout;
    pair->addWidget(side.browse);
    pair->addWidget(side.remove);
    buttons->addLayout(pair);
    row->addLayout(buttons);
    return row;
  };
  m_arrow = new QLabel;
  m_arrow->setAlignment(Qt::AlignCenter);
  m_hint = new QLabel(Text("hint"));

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addLayout(header(kIconComputer, "leftCaption", m_left), 0, 0);
  grid->addLayout(header(kIconUnit, "rightCaption", m_right), 0, 2);
  grid->addWidget(m_left.list, 1, 0);
  grid->addWidget(m_arrow, 1, 1);
  grid->addWidget(m_right.list, 1, 2);
  grid->addWidget(m_hint, 2, 0, 1, 3);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(1, 1);
  m_arrow->setPixmap(resources.Icon(m_arrowIcon).pixmap(32, 32));
}

std::vector<std::string> CPropertyPageDestination::Rows(const QListWidget* list) {
  std::vector<std::string> rows;
  rows.reserve(static_cast<std::size_t>(list->count()));
  for (int i = 0; i < list->count(); ++i) rows.push_back(list->item(i)->data(kPathRole).toByteArray().toStdString());
  return rows;
}

int CPropertyPageDestination::HorizontalExtent(const QListWidget* list) { return list->property("extent").toInt(); }

void CPropertyPageDestination::AppendRow(QListWidget* list, const std::string& path) {
  auto* item = new QListWidgetItem(QFile::decodeName(QByteArray::fromStdString(path)));
  item->setData(kPathRole, QByteArray::fromStdString(path));
  list->addItem(item);
}

void CPropertyPageDestination::UpdateHorizontalExtent(QListWidget* list) {
  const QFontMetrics metrics(list->font());
  int widest = 0;
  for (int i = 0; i < list->count(); ++i) widest = std::max(widest, metrics.horizontalAdvance(list->item(i)->text()));
  const int extent = widest + 3;
  list->setProperty("extent", extent);
  // Every row as wide as the widest one: the view scrolls horizontally over exactly that width.
  const int rowHeight = metrics.height() + 4;
  for (int i = 0; i < list->count(); ++i) list->item(i)->setSizeHint(QSize(extent, rowHeight));
}

bool CPropertyPageDestination::OnSetActive() {
  m_state.filePairs.Clear();
  if (m_state.direction != m_lastDirection) {
    m_left.list->clear();
    m_right.list->clear();
  }
  m_lastDirection = m_state.direction;
  const bool toDesktop = m_state.direction == 1;
  m_sourceSide = toDesktop ? &m_right : &m_left;
  m_targetSide = toDesktop ? &m_left : &m_right;
  m_arrowIcon = toDesktop ? kIconToDesktop : kIconToUnit;
  m_openFilter = SideFilterId(toDesktop ? EFileSide::kUnit : EFileSide::kDesktop);
  m_arrow->setPixmap(m_state.resources.Icon(m_arrowIcon).pixmap(32, 32));
  // Emptying the lists ran UpdateControls for the old sides, which may have disabled this button,
  // and a disabled button refuses the focus; on the source side it is always enabled.
  m_sourceSide->browse->setEnabled(true);
  m_sourceSide->browse->setFocus();
  UpdateControls();
  return true;
}

void CPropertyPageDestination::DoDataExchange(bool) { UpdateControls(); }

void CPropertyPageDestination::UpdateControls() {
  for (const SListSide* side : {&m_left, &m_right}) side->remove->setEnabled(!side->list->selectedItems().isEmpty());
  m_sourceSide->browse->setEnabled(true);
  m_targetSide->browse->setEnabled(m_targetSide->list->selectedItems().size() == 1);
  const bool anyTarget = m_targetSide->list->count() > 0;
  m_hint->setVisible(anyTarget);
  SetWizardButtons(anyTarget ? (kButtonBack | kButtonNext) : kButtonBack);
}

void CPropertyPageDestination::OnBrowse(const SListSide& side) {
  if (&side == m_sourceSide) {
    AddSourceFiles();
  } else {
    ChangeTargetName();
  }
}

std::vector<std::string> CPropertyPageDestination::TargetsOf(const std::string& source) {
  if (m_state.direction == 1) return TargetsForUnitFile(source, m_state.DesktopDocumentsFolder());
  return TargetsForDesktopFile(source, m_state.unit, m_state.testMode);
}

void CPropertyPageDestination::AddSourceFiles() {
  const std::string folder = m_state.direction == 1 ? m_state.unit.Drive() : m_state.DesktopDocumentsFolder();
  const std::vector<std::string> sources = m_state.dialogs.OpenFiles(this, String(m_openFilter), folder);
  // A target is never one of the job's sources, listed already or coming with this choice.
  std::vector<std::string> allSources = Rows(m_sourceSide->list);
  allSources.insert(allSources.end(), sources.begin(), sources.end());
  for (const std::string& source : sources) {
    for (const std::string& target : TargetsOf(source)) {
      const std::string unique = UniqueTargetName(target, Rows(m_targetSide->list), allSources);
      AppendRow(m_sourceSide->list, source);
      AppendRow(m_targetSide->list, unique);
    }
  }
  UpdateHorizontalExtent(m_left.list);
  UpdateHorizontalExtent(m_right.list);
  QListWidget* targets = m_targetSide->list;
  targets->clearSelection();
  if (targets->count() > 0) {
    QListWidgetItem* last = targets->item(targets->count() - 1);
    last->setSelected(true);
    targets->setCurrentItem(last, QItemSelectionModel::NoUpdate);
  }
  m_targetSide->browse->setFocus();
  UpdateControls();
}

void CPropertyPageDestination::ChangeTargetName() {
  QListWidget* targets = m_targetSide->list;
  const QList<QListWidgetItem*> selected = targets->selectedItems();
  if (selected.size() != 1) return;
  const int row = targets->row(selected.front());
  const std::string path = selected.front()->data(kPathRole).toByteArray().toStdString();

  SECFileSystem files;
  const std::string extension = AsciiLower(files.ExtensionOf(path));
  // The save dialog's filter is the target kind's; none for a name of no kind.
  const std::optional<EFileKind> kind = FileKindOf(path);
  const QString filter = kind ? String(FileCodecOf(*kind).filterId) : QString();
  const std::string folder = files.FolderOf(path);
  if (!folder.empty() && !files.IsFolder(folder)) files.CreateFolderChain(folder);

  std::string chosen;
  if (m_state.dialogs.SaveFile(this, filter, folder, files.FileNameOf(path), extension, chosen)) {
    // A name no row begins with is free, unless it is the same file as a row or as one of the
    // job's own sources: the job would overwrite a file it still has to read.
    const bool listed = UniqueTargetName(chosen, Rows(targets), Rows(m_sourceSide->list)) != chosen;
    if (listed) {
      m_state.dialogs.Warn(this, Text("duplicateText"), Text("duplicateCaption"));
    } else {
      QListWidgetItem* item = targets->item(row);
      item->setText(QFile::decodeName(QByteArray::fromStdString(chosen)));
      item->setData(kPathRole, QByteArray::fromStdString(chosen));
      // The row is the one selected row already. Clearing the selection first would disable the
      // browse button for a moment and send its focus elsewhere.
      item->setSelected(true);
      UpdateHorizontalExtent(targets);
    }
  }
  UpdateControls();
}

void CPropertyPageDestination::RemoveSelectedRows(QListWidget* list, QListWidget* other) {
  std::vector<int> rows;
  for (const QListWidgetItem* item : list->selectedItems()) rows.push_back(list->row(item));
  std::sort(rows.begin(), rows.end());
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    delete list->takeItem(*it);
    if (*it < other->count()) delete other->takeItem(*it);
  }
  UpdateHorizontalExtent(list);
  UpdateHorizontalExtent(other);
  UpdateControls();
}

int CPropertyPageDestination::OnWizardNext() {
  m_state.filePairs.Clear();
  const std::vector<std::string> sources = Rows(m_sourceSide->list);
  const std::vector<std::string> targets = Rows(m_targetSide->list);
  for (std::size_t i = 0; i < sources.size() && i < targets.size(); ++i) m_state.filePairs.Set(targets[i], sources[i]);
  m_left.list->clear();
  m_right.list->clear();
  return 0;
}
