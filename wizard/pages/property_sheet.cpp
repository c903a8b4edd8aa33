// The wizard frame.
#include "wizard/pages/property_sheet.h"

#include <QCloseEvent>
#include <QCoreApplication>
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

CPropertySheet_::CPropertySheet_(const CWizardState& state, const CResourceSource& resources, QWidget* parent)
    : QWidget(parent, Qt::Window), m_resources(resources), m_logic(state) {
  m_logic.SetFace(this);
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
  m_logic.AddPage(page->Logic());
  m_pages.push_back(page);
  m_stack->addWidget(page);
}

void CPropertySheet_::Start() { m_logic.Start(); }

CPropertyPage_* CPropertySheet_::CurrentPage() const {
  return CurrentIndex() < 0 ? nullptr : m_pages[static_cast<std::size_t>(CurrentIndex())];
}

CPropertyPage_* CPropertySheet_::PageById(int pageId) const {
  const int index = m_logic.IndexOf(pageId);
  return index < 0 ? nullptr : m_pages[static_cast<std::size_t>(index)];
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
  const SWizardButtonsView view = ButtonsView(buttons);
  // A focused button that is about to be disabled or hidden would hand the focus on along the tab
  // chain, as likely as not to Back, which would then take Enter. The sheet holds it meanwhile.
  QWidget* focus = focusWidget();
  if ((focus == m_back && !view.backEnabled) || (focus == m_next && !view.nextEnabled) ||
      (focus == m_finish && !view.finishEnabled))
    setFocus();
  m_back->setEnabled(view.backEnabled);
  m_next->setVisible(view.nextShown);
  m_next->setEnabled(view.nextEnabled);
  m_finish->setVisible(view.finishShown);
  m_finish->setEnabled(view.finishEnabled);
  QPushButton* defaultButton = DefaultButton();
  defaultButton->setDefault(true);
  if (focusWidget() == this && defaultButton->isEnabled()) defaultButton->setFocus();
}

QPushButton* CPropertySheet_::DefaultButton() const {
  return ButtonsView(m_buttons).defaultButton == kButtonFinish ? m_finish : m_next;
}

void CPropertySheet_::PressNext() { m_logic.PressNext(); }

void CPropertySheet_::PressBack() { m_logic.PressBack(); }

void CPropertySheet_::PressFinish() {
  if (m_logic.LeaveByFinish()) close();
}

void CPropertySheet_::EndProgram(int status) { QCoreApplication::exit(status); }

void CPropertySheet_::ShowPage(int index) {
  CPropertyPage_* page = m_pages[static_cast<std::size_t>(index)];
  m_title->setText(m_resources.String(page->TitleId()));
  m_stack->setCurrentWidget(page);
  // The first control that takes the keyboard gets the focus; a page may move it on activation.
  if (QWidget* control = FirstControl(page)) control->setFocus();
  // Once the buttons the page asks for apply (they are posted first), a focus the page left
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
  QPushButton* defaultButton = DefaultButton();
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
    QPushButton* button = DefaultButton();
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
  // While a search runs the wizard takes no input, closing included; a page with work under way
  // may ask first, or close the wizard itself once the work is wound down.
  if (!m_logic.QueryClose()) {
    event->ignore();
    return;
  }
  event->accept();
  emit Finished();
}
