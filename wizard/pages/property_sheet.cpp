// The wizard frame.
#include "wizard/pages/property_sheet.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "resources/qt/resource_source.h"
#include "resources/string_ids.h"

namespace {

constexpr int kHeaderWidth = 420;
constexpr int kHeaderHeight = 58;

// The header band: the page's title over the left, white end of the header picture.
class CHeaderBand : public QWidget {
 public:
  CHeaderBand(const QPixmap& picture, QLabel* title) : m_picture(picture) {
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    setMinimumHeight(kHeaderHeight);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 0, 16, 0);
    layout->addWidget(title);
    layout->addStretch();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawPixmap(width() - m_picture.width(), (height() - m_picture.height()) / 2, m_picture);
  }

 private:
  QPixmap m_picture;
};

}  // namespace

CPropertySheet_::CPropertySheet_(const CResourceSource& resources, QWidget* parent)
    : QWidget(parent, Qt::Window), m_resources(resources) {
  setWindowTitle(resources.String(IDS_CAPTION));
  m_title = new QLabel;
  QFont bold = m_title->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.15);
  m_title->setFont(bold);
  QPixmap picture = resources.Bitmap(131);
  if (picture.isNull()) {
    picture = QPixmap(kHeaderWidth, kHeaderHeight);
    picture.fill(Qt::white);
  }
  m_header = new CHeaderBand(picture, m_title);
  m_header->setMinimumWidth(picture.width() + 160);

  m_stack = new QStackedWidget;
  m_back = new QPushButton(resources.Text(QStringLiteral("sheet.back")));
  m_next = new QPushButton(resources.Text(QStringLiteral("sheet.next")));
  m_finish = new QPushButton(resources.Text(QStringLiteral("sheet.finish")));
  // Enter on a focused Back presses Back; from anywhere else Enter goes to the default button.
  m_back->setAutoDefault(true);
  connect(m_back, &QPushButton::clicked, this, &CPropertySheet_::PressBack);
  connect(m_next, &QPushButton::clicked, this, &CPropertySheet_::PressNext);
  connect(m_finish, &QPushButton::clicked, this, &CPropertySheet_::PressFinish);

  auto* rule = new QFrame;
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  auto* bottomRule = new QFrame;
  bottomRule->setFrameShape(QFrame::HLine);
  bottomRule->setFrameShadow(QFrame::Sunken);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_back);
  buttons->addWidget(m_next);
  buttons->addWidget(m_finish);

  auto* pageArea = new QVBoxLayout;
  pageArea->setContentsMargins(24, 12, 24, 12);
  pageArea->addWidget(m_stack);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(m_header);
  layout->addWidget(rule);
  layout->addLayout(pageArea, 1);
  layout->addWidget(bottomRule);
  auto* buttonArea = new QVBoxLayout;
  buttonArea->setContentsMargins(12, 8, 12, 10);
  buttonArea->addLayout(buttons);
  layout->addLayout(buttonArea);
  // Room for the file selection page's two lists with the preview beside them.
  resize(960, 600);
  ApplyWizardButtons(kButtonNone);
}

void CPropertySheet_::AddPage(CPropertyPage_* page) {
  page->AttachToSheet(this);
  m_pages.push_back(page);
  m_stack->addWidget(page);
}

void CPropertySheet_::Start() {
  if (m_current < 0 && !m_pages.empty()) Activate(0);
}

CPropertyPage_* CPropertySheet_::CurrentPage() const {
  return m_current < 0 ? nullptr : m_pages[static_cast<std::size_t>(m_current)];
}

CPropertyPage_* CPropertySheet_::PageById(int pageId) const {
  for (CPropertyPage_* page : m_pages) {
    if (page->PageId() == pageId) return page;
  }
  return nullptr;
}

QString CPropertySheet_::HeaderTitle() const { return m_title->text(); }

void CPropertySheet_::PostWizardButtons(int buttons) {
  // Queued, like a posted message: the state applies after the current handler returns, and
  // several requests apply in order, so the last one posted wins.
  QMetaObject::invokeMethod(
      this, [this, buttons] { ApplyWizardButtons(buttons); }, Qt::QueuedConnection);
}

void CPropertySheet_::ApplyWizardButtons(int buttons) {
  m_buttons = buttons;
  const bool finish = (buttons & kButtonFinish) != 0;
  const bool back = (buttons & kButtonBack) != 0;
  const bool next = !finish && (buttons & kButtonNext) != 0;
  // A focused button that is about to be disabled or hidden would hand the focus on along the tab
  // chain, as likely as not to Back, which would then take Enter. The sheet holds it meanwhile.
  QWidget* focus = focusWidget();
  if ((focus == m_back && !back) || (focus == m_next && !next) || (focus == m_finish && !finish)) setFocus();
  m_back->setEnabled(back);
  m_next->setVisible(!finish);
  m_next->setEnabled(next);
  m_finish->setVisible(finish);
  m_finish->setEnabled(finish);
  QPushButton* defaultButton = finish ? m_finish : m_next;
  defaultButton->setDefault(true);
  if (focusWidget() == this && defaultButton->isEnabled()) defaultButton->setFocus();
}

void CPropertySheet_::PressNext() {
  if (CPropertyPage_* page = CurrentPage()) Navigate(page->OnWizardNext(), +1);
}

void CPropertySheet_::PressBack() {
  if (CPropertyPage_* page = CurrentPage()) Navigate(page->OnWizardBack(), -1);
}

void CPropertySheet_::PressFinish() {
  CPropertyPage_* page = CurrentPage();
  if (page == nullptr || !page->OnWizardFinish()) return;
  page->DoDataExchange(true);
  close();
}

void CPropertySheet_::Navigate(int result, int step) {
  CPropertyPage_* page = CurrentPage();
  int target = -1;
  if (result == 0) {
    target = m_current + step;
  } else if (result != page->PageId()) {
    CPropertyPage_* named = PageById(result);
    for (int i = 0; named != nullptr && i < PageCount(); ++i) {
      if (PageAt(i) == named) target = i;
    }
  }
  if (target < 0 || target >= PageCount()) return;  // stay
  page->DoDataExchange(true);
  Activate(target);
}

void CPropertySheet_::Activate(int index) {
  m_current = index;
  CPropertyPage_* page = CurrentPage();
  m_title->setText(m_resources.String(page->TitleId()));
  m_stack->setCurrentWidget(page);
  // The first control that takes the keyboard gets the focus; a page may move it on activation.
  if (QWidget* control = FirstControl(page)) control->setFocus();
  page->DoDataExchange(false);
  page->OnSetActive();
  // Once the buttons the page asked for apply (they were posted first), a focus the page left
  // outside itself (on the button that was clicked, say) moves on.
  QMetaObject::invokeMethod(
      this, [this] { SettleFocus(); }, Qt::QueuedConnection);
}

QWidget* CPropertySheet_::FirstControl(const CPropertyPage_* page) {
  for (QWidget* control : page->findChildren<QWidget*>()) {
    if ((control->focusPolicy() & Qt::TabFocus) != 0 && control->isEnabled() && control->isVisibleTo(page))
      return control;
  }
  return nullptr;
}

void CPropertySheet_::SettleFocus() {
  const CPropertyPage_* page = CurrentPage();
  if (page == nullptr) return;
  QWidget* focus = focusWidget();
  if (focus != nullptr && page->isAncestorOf(focus) && focus->isEnabled() && focus->isVisibleTo(page)) return;
  if (QWidget* control = FirstControl(page)) {
    control->setFocus();
    return;
  }
  QPushButton* defaultButton = (m_buttons & kButtonFinish) != 0 ? m_finish : m_next;
  if (defaultButton->isEnabled()) {
    defaultButton->setFocus();
  } else {
    setFocus();  // Enter reaches the sheet, which presses the default button once it can
  }
}

void CPropertySheet_::keyPressEvent(QKeyEvent* event) {
  // The pages' controls leave Enter and Esc to the sheet. Enter presses the default button, Next
  // or the Finish that stands in its place, when it is enabled; held down, it presses it once,
  // never skipping through pages. Esc closes the wizard as its window's close button does.
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && modifiers == Qt::NoModifier) {
    QPushButton* button = (m_buttons & kButtonFinish) != 0 ? m_finish : m_next;
    if (!event->isAutoRepeat() && button->isEnabled()) button->click();
    return;
  }
  if (event->key() == Qt::Key_Escape && modifiers == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void CPropertySheet_::closeEvent(QCloseEvent* event) {
  // While a search runs the wizard is disabled and takes no input, closing included; a page with
  // work under way may ask first, or close the wizard itself once the work is wound down.
  CPropertyPage_* page = CurrentPage();
  if (!isEnabled() || (page != nullptr && !page->OnQueryCancel())) {
    event->ignore();
    return;
  }
  event->accept();
  emit Finished();
}
