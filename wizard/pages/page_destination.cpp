// The file selection page.
#include "wizard/pages/page_destination.h"

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "formats/ascii_case.h"
#include "formats/code_page.h"
#include "formats/file_kinds.h"
#include "jobs/file_codecs.h"
#include "jobs/gpx_unit_targets.h"
#include "jobs/target_naming.h"
#include "resources/qt/resource_source.h"
#include "resources/string_ids.h"
#include "storage/file_system.h"
#include "wizard/existing_targets.h"
#include "wizard/pages/dialogs.h"
#include "wizard/pages/file_preview.h"
#include "wizard/pages/path_elision.h"
#include "wizard/pages/wizard_state.h"

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kPartRole = Qt::UserRole + 1;
constexpr int kNamedInDialogRole = Qt::UserRole + 2;  // the save dialog asked before an existing file
// Names of existing files listed in the question before the job; the rest are counted out.
constexpr std::size_t kListedExisting = 10;
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
    // Rows are as wide as the list: a long path loses its middle, never its end, and shows whole
    // in its tooltip.
    side->list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    side->list->setItemDelegate(new CPathElidingDelegate(side->list));
    side->list->setIconSize(QSize(16, 16));  // the mark of a target that exists: no taller than a row
    side->list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QListWidget* list = side->list;
    // Files dropped from a file manager; the source list takes them, the target list none.
    list->viewport()->setAcceptDrops(true);
    list->viewport()->installEventFilter(this);
    connect(list, &QListWidget::itemSelectionChanged, this, [this, list] {
      m_lastSelected = list;
      UpdateControls();
    });
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
  m_leftCaption = new QLabel;
  m_rightCaption = new QLabel;
  m_rightPicture = picture(kIconUnit);
  const auto header = [&](QLabel* image, QLabel* text, const SListSide& side) {
    auto* row = new QHBoxLayout;
    row->addWidget(image);
    text->setWordWrap(true);  // narrow lists leave the preview its room
    row->addWidget(text, 1);
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

  // The lists on the left, the preview of the selected row's source beside them; the user may
  // move the border between them, but neither goes away.
  auto* lists = new QWidget;
  auto* grid = new QGridLayout(lists);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addLayout(header(picture(kIconComputer), m_leftCaption, m_left), 0, 0);
  grid->addLayout(header(m_rightPicture, m_rightCaption, m_right), 0, 2);
  grid->addWidget(m_left.list, 1, 0);
  grid->addWidget(m_arrow, 1, 1);
  grid->addWidget(m_right.list, 1, 2);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(1, 1);
  m_arrow->setPixmap(resources.Icon(m_arrowIcon).pixmap(32, 32));

  auto* previewColumn = new QWidget;
  auto* previewLayout = new QVBoxLayout(previewColumn);
  previewLayout->setContentsMargins(0, 0, 0, 0);
  m_previewTitle = new QLabel;
  m_previewTitle->setTextFormat(Qt::PlainText);  // a file name is never markup
  m_previewTitle->setWordWrap(true);
  m_preview = new CFilePreview(resources);
  previewLayout->addWidget(m_previewTitle);
  previewLayout->addWidget(m_preview, 1);

  auto* splitter = new QSplitter(Qt::Horizontal);
  splitter->setChildrenCollapsible(false);
  splitter->addWidget(lists);
  splitter->addWidget(previewColumn);
  // Three fifths for the lists, two for the preview, whatever the page's width.
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 2);
  splitter->setSizes({300, 200});
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(splitter, 1);
  layout->addWidget(m_hint);
  ShowPreviewOf({});
}

std::vector<std::string> CPropertyPageDestination::Rows(const QListWidget* list) {
  std::vector<std::string> rows;
  rows.reserve(static_cast<std::size_t>(list->count()));
  for (int i = 0; i < list->count(); ++i) rows.push_back(list->item(i)->data(kPathRole).toByteArray().toStdString());
  return rows;
}

void CPropertyPageDestination::SetRowPath(QListWidgetItem* item, const std::string& path) {
  const QString text = QFile::decodeName(QByteArray::fromStdString(path));
  item->setText(text);
  item->setToolTip(text);
  item->setData(kPathRole, QByteArray::fromStdString(path));
}

void CPropertyPageDestination::AppendRow(QListWidget* list, const std::string& path, int part) {
  auto* item = new QListWidgetItem;
  SetRowPath(item, path);
  item->setData(kPartRole, part);
  list->addItem(item);
}

bool CPropertyPageDestination::OnSetActive() {
  m_state.filePairs.Clear();
  if (m_state.direction != m_lastDirection) {
    m_left.list->clear();
    m_right.list->clear();
  }
  m_lastDirection = m_state.direction;
  const bool toDesktop = m_state.direction == kDirectionToDesktop;
  const bool toGpx = m_state.direction == kDirectionToGpx;
  m_sourceSide = toDesktop ? &m_right : &m_left;
  m_targetSide = toDesktop ? &m_left : &m_right;
  m_arrowIcon = toDesktop ? kIconToDesktop : kIconToUnit;
  m_arrow->setPixmap(m_state.resources.Icon(m_arrowIcon).pixmap(32, 32));
  // Exporting, both lists hold files of the computer: the sources (from the computer or the unit)
  // and the GPX files beside the desktop product's documents.
  m_leftCaption->setText(Text(toGpx ? "exportCaption" : toDesktop ? "leftCaption" : "toUnitCaption"));
  m_rightCaption->setText(Text(toGpx ? "gpxCaption" : toDesktop ? "toDesktopCaption" : "rightCaption"));
  m_rightPicture->setPixmap(m_state.resources.Icon(toGpx ? kIconComputer : kIconUnit).pixmap(32, 32));
  // The buttons show icons only; what they do is in their tooltips, which follow the sides' roles.
  for (const SListSide* side : {&m_left, &m_right}) {
    SetTip(side->browse, Text(side == m_sourceSide ? "addTip" : "renameTip"));
    SetTip(side->remove, Text("removeTip"));
  }
  // Emptying the lists ran UpdateControls for the old sides, which may have disabled this button,
  // and a disabled button refuses the focus; on the source side it is always enabled.
  m_sourceSide->browse->setEnabled(true);
  m_sourceSide->browse->setFocus();
  MarkExistingTargets();
  UpdateControls();
  return true;
}

void CPropertyPageDestination::MarkExistingTargets() {
  QListWidget* targets = m_targetSide->list;
  for (int i = 0; i < targets->count(); ++i) {
    QListWidgetItem* item = targets->item(i);
    const bool exists = TargetExists(item->data(kPathRole).toByteArray().toStdString());
    item->setIcon(exists ? style()->standardIcon(QStyle::SP_MessageBoxWarning) : QIcon());
    item->setToolTip(exists ? item->text() + QLatin1Char('\n') + Text("replacedTip") : item->text());
  }
}

void CPropertyPageDestination::DoDataExchange(bool) { UpdateControls(); }

void CPropertyPageDestination::UpdateControls() {
  UpdatePreview();
  for (const SListSide* side : {&m_left, &m_right}) side->remove->setEnabled(!side->list->selectedItems().isEmpty());
  m_sourceSide->browse->setEnabled(true);
  m_targetSide->browse->setEnabled(m_targetSide->list->selectedItems().size() == 1);
  const bool anyTarget = m_targetSide->list->count() > 0;
  m_hint->setVisible(anyTarget);
  SetWizardButtons(anyTarget ? (kButtonBack | kButtonNext) : kButtonBack);
}

int CPropertyPageDestination::SelectedRow(const QListWidget* list) {
  const QListWidgetItem* current = list->currentItem();
  if (current != nullptr && current->isSelected()) return list->row(current);
  const QList<QListWidgetItem*> selected = list->selectedItems();
  return selected.isEmpty() ? -1 : list->row(selected.front());
}

void CPropertyPageDestination::UpdatePreview() {
  // The row the user last chose, in whichever list; its pair's source is what the preview shows.
  const QListWidget* first = m_lastSelected != nullptr ? m_lastSelected : m_targetSide->list;
  const QListWidget* second = first == m_left.list ? m_right.list : m_left.list;
  int row = SelectedRow(first);
  if (row < 0) row = SelectedRow(second);
  const QListWidget* sources = m_sourceSide->list;
  ShowPreviewOf(row >= 0 && row < sources->count() ? sources->item(row)->data(kPathRole).toByteArray().toStdString()
                                                   : std::string());
}

void CPropertyPageDestination::ShowPreviewOf(const std::string& source) {
  const QString path = QFile::decodeName(QByteArray::fromStdString(source));
  m_previewTitle->setText(source.empty() ? Text("previewEmpty") : QFileInfo(path).fileName());
  m_previewTitle->setToolTip(path);
  if (path != m_preview->ShownPath()) m_preview->ShowFile(path);
}

void CPropertyPageDestination::OnBrowse(const SListSide& side) {
  if (&side == m_sourceSide) {
    AddSourceFiles();
  } else {
    ChangeTargetName();
  }
}

bool CPropertyPageDestination::TakesSource(const std::string& source) const {
  const std::vector<EFileKind> kinds = SourceKindsOf(m_state.direction);
  const std::optional<EFileKind> kind = FileKindOf(source);
  return kind && std::find(kinds.begin(), kinds.end(), *kind) != kinds.end();
}

std::vector<CPropertyPageDestination::STarget> CPropertyPageDestination::TargetsOf(const std::string& source) {
  const bool toDesktop = m_state.direction == kDirectionToDesktop;
  if (FileKindOf(source) == EFileKind::kGpx && m_state.direction != kDirectionToGpx) {
    // What a GPX file gives depends on what it holds: it is read now, and a file that cannot be
    // converted is named with the reason instead of vanishing from the choice.
    CCodePage codePage;
    std::vector<SGpxTarget> parts;
    CDiagnostic why;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool read = toDesktop
                          ? TargetsForGpxFileToDesktop(source, m_state.DesktopDocumentsFolder(), codePage, parts, &why)
                          : TargetsForGpxFile(source, m_state.unit, m_state.testMode, codePage, parts, &why);
    QApplication::restoreOverrideCursor();
    if (!read) {
      const QString file = QFile::decodeName(QByteArray::fromStdString(source));
      m_state.dialogs.Warn(this,
                           Text("gpxUnusable").replace(QStringLiteral("%s"), file) + QLatin1Char('\n') +
                               QString::fromStdString(why.Reason()),
                           String(IDS_CAPTION));
    }
    std::vector<STarget> targets;
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
  std::vector<STarget> targets;
  for (const std::string& path : paths) targets.push_back({path});
  return targets;
}

// One filter for every kind the direction takes, then one for each kind ("Waypoint/Route (*.wpt) -
// Track (*.trk)|*.wpt;*.trk|Waypoint/Route (*.wpt)|*.wpt|Track (*.trk)|*.trk||"), from the kinds'
// own filters.
QString CPropertyPageDestination::OpenFilter() const {
  QStringList labels;
  QStringList patterns;
  QStringList each;
  for (const EFileKind kind : SourceKindsOf(m_state.direction)) {
    const QStringList parts = String(FileCodecOf(kind).filterId).split(QLatin1Char('|'));
    if (parts.size() < 2) continue;
    labels << parts[0];
    patterns << parts[1];
    each << parts[0] + QLatin1Char('|') + parts[1];
  }
  return labels.join(QStringLiteral(" - ")) + QLatin1Char('|') + patterns.join(QLatin1Char(';')) + QLatin1Char('|') +
         each.join(QLatin1Char('|')) + QStringLiteral("||");
}

void CPropertyPageDestination::AddSourceFiles() {
  // Unit files, and any file to export, are picked from the unit first; the desktop product's
  // files from its documents folder.
  const std::string folder =
      m_state.direction == kDirectionToUnit ? m_state.DesktopDocumentsFolder() : m_state.unit.Drive();
  AddSources(m_state.dialogs.OpenFiles(this, OpenFilter(), folder));
}

bool CPropertyPageDestination::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
    return CPropertyPage_::eventFilter(watched, event);
  }
  auto* drop = static_cast<QDropEvent*>(event);
  std::vector<std::string> files;
  if (watched == m_sourceSide->list->viewport() && drop->mimeData()->hasUrls()) {
    for (const QUrl& url : drop->mimeData()->urls()) {
      if (!url.isLocalFile()) continue;
      const QString path = url.toLocalFile();
      // As the open dialog, which offers existing files of the direction's kinds only.
      const std::string bytes = QFile::encodeName(path).toStdString();
      if (QFileInfo(path).isFile() && TakesSource(bytes)) files.push_back(bytes);
    }
  }
  if (files.empty()) {
    drop->ignore();
    return true;
  }
  drop->acceptProposedAction();
  if (type == QEvent::Drop) AddSources(files);
  return true;
}

void CPropertyPageDestination::AddSources(const std::vector<std::string>& chosen) {
  std::vector<std::string> sources;
  for (const std::string& source : chosen) {
    if (TakesSource(source)) sources.push_back(source);
  }
  // A target is never one of the job's sources, listed already or coming with this choice.
  std::vector<std::string> allSources = Rows(m_sourceSide->list);
  allSources.insert(allSources.end(), sources.begin(), sources.end());
  for (const std::string& source : sources) {
    for (const STarget& target : TargetsOf(source)) {
      const std::string unique = UniqueTargetName(target.path, Rows(m_targetSide->list), allSources);
      AppendRow(m_sourceSide->list, source);
      AppendRow(m_targetSide->list, unique, target.part);
    }
  }
  QListWidget* targets = m_targetSide->list;
  targets->clearSelection();
  if (targets->count() > 0) {
    QListWidgetItem* last = targets->item(targets->count() - 1);
    last->setSelected(true);
    targets->setCurrentItem(last, QItemSelectionModel::NoUpdate);
  }
  m_targetSide->browse->setFocus();
  MarkExistingTargets();
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
      SetRowPath(item, chosen);
      item->setData(kNamedInDialogRole, true);
      // The row is the one selected row already. Clearing the selection first would disable the
      // browse button for a moment and send its focus elsewhere.
      item->setSelected(true);
      MarkExistingTargets();
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
  UpdateControls();
}

int CPropertyPageDestination::OnWizardNext() {
  const std::vector<std::string> sources = Rows(m_sourceSide->list);
  std::vector<std::string> targets = Rows(m_targetSide->list);
  std::vector<bool> namedInDialog;
  for (int i = 0; i < m_targetSide->list->count(); ++i)
    namedInDialog.push_back(m_targetSide->list->item(i)->data(kNamedInDialogRole).toBool());
  const std::vector<std::size_t> existing = RowsToConfirm(targets, namedInDialog, m_state.unit.Drive());
  if (!existing.empty()) {
    // Asked once for all of them: keeping both gives the new files numbered names.
    QString names;
    for (std::size_t i = 0; i < existing.size() && i < kListedExisting; ++i)
      names += QFile::decodeName(QByteArray::fromStdString(targets[existing[i]])) + QLatin1Char('\n');
    if (existing.size() > kListedExisting) names += QStringLiteral("(+%1)\n").arg(existing.size() - kListedExisting);
    enum { kKeepBoth, kReplace, kGoBack };
    const int answer =
        m_state.dialogs.AskChoice(this, Text("replaceQuestion").replace(QStringLiteral("%s"), names),
                                  String(IDS_CAPTION), {Text("keepBoth"), Text("replace"), Text("goBack")});
    if (answer != kKeepBoth && answer != kReplace) return PageId();
    if (answer == kKeepBoth) targets = KeepBothNames(targets, existing, sources);
  }
  m_state.filePairs.Clear();
  for (std::size_t i = 0; i < sources.size() && i < targets.size(); ++i) {
    m_state.filePairs.Set(targets[i], sources[i],
                          m_targetSide->list->item(static_cast<int>(i))->data(kPartRole).toInt());
  }
  m_left.list->clear();
  m_right.list->clear();
  return 0;
}
