// The file selection page.
#include "wizard/pages/page_destination.h"

#include <QDropEvent>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStyle>
#include <QVBoxLayout>

#include "resources/qt/resource_source.h"
#include "wizard/pages/file_preview.h"
#include "wizard/pages/path_elision.h"

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kIconComputer = 138;
constexpr int kIconRemove = 139;
constexpr int kIconBrowse = 140;
constexpr int kIconUnit = 143;

}  // namespace

CPropertyPageDestination::CPropertyPageDestination(CDestinationLogic& logic, const CResourceSource& resources)
    : CPropertyPage_(logic, resources), m_logic(logic) {
  for (int index : {CDestinationLogic::kLeft, CDestinationLogic::kRight}) {
    SSide& side = m_sides[index];
    side.browse = new QPushButton(resources.Icon(kIconBrowse), QString());
    side.remove = new QPushButton(resources.Icon(kIconRemove), QString());
    side.list = new QListWidget;
    side.list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Rows are as wide as the list: a long path loses its middle, never its end, and shows whole
    // in its tooltip.
    side.list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    side.list->setItemDelegate(new CPathElidingDelegate(side.list));
    side.list->setIconSize(QSize(16, 16));  // the mark of a target that exists: no taller than a row
    side.list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Files dropped from a file manager; the logic says which list takes which.
    side.list->viewport()->setAcceptDrops(true);
    side.list->viewport()->installEventFilter(this);
    connect(side.list, &QListWidget::itemSelectionChanged, this, [this, index] { OnSelectionChanged(index); });
    connect(side.browse, &QPushButton::clicked, this, [this, index] { m_logic.Browse(index); });
    connect(side.remove, &QPushButton::clicked, this, [this, index] { m_logic.Remove(index); });
  }

  const auto picture = [&](int icon) {
    auto* label = new QLabel;
    label->setPixmap(resources.Icon(icon).pixmap(32, 32));
    return label;
  };
  m_leftCaption = new QLabel;
  m_rightCaption = new QLabel;
  m_rightPicture = picture(kIconUnit);
  const auto header = [&](QLabel* image, QLabel* text, const SSide& side) {
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
  grid->addLayout(header(picture(kIconComputer), m_leftCaption, m_sides[CDestinationLogic::kLeft]), 0, 0);
  grid->addLayout(header(m_rightPicture, m_rightCaption, m_sides[CDestinationLogic::kRight]), 0, 2);
  grid->addWidget(LeftList(), 1, 0);
  grid->addWidget(m_arrow, 1, 1);
  grid->addWidget(RightList(), 1, 2);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(1, 1);

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
  Render(CDestinationLogic::kControls | CDestinationLogic::kPreview);
}

std::vector<std::string> CPropertyPageDestination::Rows(const QListWidget* list) {
  std::vector<std::string> rows;
  rows.reserve(static_cast<std::size_t>(list->count()));
  for (int i = 0; i < list->count(); ++i) rows.push_back(list->item(i)->data(kPathRole).toByteArray().toStdString());
  return rows;
}

void CPropertyPageDestination::OnSelectionChanged(int side) {
  const QListWidget* list = m_sides[side].list;
  std::vector<int> rows;
  for (const QListWidgetItem* item : list->selectedItems()) rows.push_back(list->row(item));
  m_logic.SetSelection(side, rows, list->currentRow());
}

void CPropertyPageDestination::Render(unsigned parts) {
  if (parts & CDestinationLogic::kRows) RenderRows();
  if (parts & (CDestinationLogic::kRows | CDestinationLogic::kSelection)) RenderSelection();
  if (parts & CDestinationLogic::kControls) RenderControls();
  if (parts & CDestinationLogic::kPreview) RenderPreview();
  if (parts & CDestinationLogic::kFocus) m_sides[m_logic.FocusSide()].browse->setFocus();
}

void CPropertyPageDestination::RenderRows() {
  const QIcon mark = style()->standardIcon(QStyle::SP_MessageBoxWarning);
  for (int index : {CDestinationLogic::kLeft, CDestinationLogic::kRight}) {
    QListWidget* list = m_sides[index].list;
    const QSignalBlocker quiet(list);
    const std::vector<SFileRow>& rows = m_logic.Side(index).rows;
    // The items are kept where the rows are the same, so the list keeps its place.
    while (list->count() > static_cast<int>(rows.size())) delete list->takeItem(list->count() - 1);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      QListWidgetItem* item = list->item(static_cast<int>(i));
      if (item == nullptr) {
        item = new QListWidgetItem;
        list->addItem(item);
      }
      item->setText(Utf8(rows[i].text));
      item->setToolTip(Utf8(rows[i].tip));
      item->setData(kPathRole, QByteArray::fromStdString(rows[i].path));
      item->setIcon(rows[i].exists ? mark : QIcon());
    }
  }
}

void CPropertyPageDestination::RenderSelection() {
  for (int index : {CDestinationLogic::kLeft, CDestinationLogic::kRight}) {
    QListWidget* list = m_sides[index].list;
    const QSignalBlocker quiet(list);
    const SFileSide& side = m_logic.Side(index);
    if (side.current >= 0 && side.current < list->count())
      list->setCurrentItem(list->item(side.current), QItemSelectionModel::NoUpdate);
    for (std::size_t i = 0; i < side.rows.size() && static_cast<int>(i) < list->count(); ++i)
      list->item(static_cast<int>(i))->setSelected(side.rows[i].selected);
  }
}

void CPropertyPageDestination::RenderControls() {
  m_leftCaption->setText(Utf8(m_logic.Side(CDestinationLogic::kLeft).caption));
  m_rightCaption->setText(Utf8(m_logic.Side(CDestinationLogic::kRight).caption));
  m_rightPicture->setPixmap(m_resources.Icon(m_logic.RightPicture()).pixmap(32, 32));
  m_arrow->setPixmap(m_resources.Icon(m_logic.ArrowIcon()).pixmap(32, 32));
  for (int index : {CDestinationLogic::kLeft, CDestinationLogic::kRight}) {
    const SFileSide& side = m_logic.Side(index);
    SetTip(m_sides[index].browse, Utf8(side.browseTip));
    SetTip(m_sides[index].remove, Utf8(side.removeTip));
    m_sides[index].browse->setEnabled(side.browseEnabled);
    m_sides[index].remove->setEnabled(side.removeEnabled);
  }
  m_hint->setVisible(m_logic.HintShown());
}

void CPropertyPageDestination::RenderPreview() {
  const QString path = QFile::decodeName(QByteArray::fromStdString(m_logic.PreviewSource()));
  m_previewTitle->setText(Utf8(m_logic.PreviewTitle()));
  m_previewTitle->setToolTip(path);
  if (path != m_preview->ShownPath()) m_preview->ShowFile(path);
}

bool CPropertyPageDestination::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  int side = -1;
  for (int index : {CDestinationLogic::kLeft, CDestinationLogic::kRight}) {
    if (watched == m_sides[index].list->viewport()) side = index;
  }
  if (side < 0 || (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)) {
    return CPropertyPage_::eventFilter(watched, event);
  }
  auto* drop = static_cast<QDropEvent*>(event);
  std::vector<std::string> files;
  if (drop->mimeData()->hasUrls()) {
    for (const QUrl& url : drop->mimeData()->urls()) {
      if (url.isLocalFile()) files.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    }
  }
  const std::vector<std::string> taken = m_logic.AcceptsDrop(side, files);
  if (taken.empty()) {
    drop->ignore();
    return true;
  }
  drop->acceptProposedAction();
  if (type == QEvent::Drop) m_logic.AddSources(taken);
  return true;
}
