#include "qt/FormWidget.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPixmap>
#include <QScreen>
#include <cmath>
#include <optional>

#include "core/Layout.h"
#include "picture/Ico.h"
#include "qt/Accessible.h"
#include "qt/Application.h"
#include "xdg/FrameExtents.h"

namespace zel::qt {

using controls::TMouseButton;

namespace {

// A title bar with the system menu and the close button only; the size is fixed.
constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

TPoint PointOf(const QMouseEvent* event) noexcept {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
  const QPoint p = event->position().toPoint();
#else
  const QPoint p = event->pos();
#endif
  return {p.x(), p.y()};
}

std::optional<TMouseButton> ButtonOf(const QMouseEvent* event) noexcept {
  switch (event->button()) {
    case Qt::LeftButton: return TMouseButton::Left;
    case Qt::RightButton: return TMouseButton::Right;
    case Qt::MiddleButton: return TMouseButton::Middle;
    default: return std::nullopt;
  }
}

TRect FromQRect(const QRect& r) noexcept { return {r.x(), r.y(), r.width(), r.height()}; }

}  // namespace

TFormWidget::TFormWidget(TApplication& application, std::unique_ptr<TForm> form)
    : QWidget(nullptr, kWindowFlags), TFormPeerFrame(application, std::move(form)), painter_(*form_) {
  // Every pixel comes from the composed image.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);
  form_->Load(*this);
  InstallAccessibility();
}

TFormWidget::~TFormWidget() {
  if (busy_) QApplication::restoreOverrideCursor();
}

int TFormWidget::PixelsPerInch() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return kDesignPixelsPerInch;
  return static_cast<int>(std::lround(screen->logicalDotsPerInchY()));
}

int TFormWidget::CreateNativeWindow(std::wstring_view caption, const TFontDecl& font, int fontHeight) {
  setWindowTitle(QString::fromStdWString(std::wstring(caption)));
  return WindowsLine(application_.Fonts().At(fontHeight, font.bold)).Height();
}

void TFormWidget::SetClientSize(TSize size) { setFixedSize(size.width, size.height); }

void TFormWidget::LoadWindowIcon(std::wstring_view name) {
  const picture::TRgbaImage rgba = picture::WindowIconImage(ResourceBytes(name), xdg::kWindowIconSize);
  const QImage image(rgba.pixels.data(), rgba.width, rgba.height, rgba.width * 4, QImage::Format_RGBA8888);
  setWindowIcon(QIcon(QPixmap::fromImage(image.copy())));
}

void TFormWidget::SetCaption(std::wstring_view caption) { setWindowTitle(QString::fromStdWString(std::wstring(caption))); }

void TFormWidget::Invalidate(const TRect& area) {
  const QRect rect(area.left, area.top, area.width, area.height);
  pending_ += rect;
  update(rect);
}

void TFormWidget::Update() {
  if (!pending_.isEmpty() && isVisible()) repaint(pending_);
}

void TFormWidget::SetBusyCursor(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

// Asked of the window manager before the window is first shown; none on bare X and
// on platforms other than X, where the window shows as the platform frames it.
TFrameExtents TFormWidget::FrameBeforeMapping() {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return {};
  return xdg::AskFrameExtents(nullptr, xdg::kFrameAnswerTimeoutMs).value_or(TFrameExtents{});
}

void TFormWidget::ShowCentred() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen != nullptr) {
    const QRect work = screen->availableGeometry();
    const QRect desktop = screen->virtualGeometry();
    // Before the window exists the position is its frame's.
    const TPoint place =
        FramePlacement(FromQRect(work), {width(), height()}, FrameBeforeMapping(), desktop.left(), desktop.top());
    move(place.x, place.y);
  }
  show();
}

void TFormWidget::PressAccessible(std::size_t item) { Press(item, AccessibleWindowOf(this)); }

void TFormWidget::paintEvent(QPaintEvent* event) {
  pending_ -= event->region();
  Guarded([&] {
    TWidgetSurface surface(*this, application_.Fonts());
    painter_.Paint(surface, FromQRect(event->rect()));
  });
}

void TFormWidget::mousePressEvent(QMouseEvent* event) {
  if (const auto button = ButtonOf(event)) Guarded([&] { form_->Mouse().ButtonDown(*button, PointOf(event), false); });
}

void TFormWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double-click.
  if (const auto button = ButtonOf(event)) Guarded([&] { form_->Mouse().ButtonDown(*button, PointOf(event), true); });
}

void TFormWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (const auto button = ButtonOf(event)) Guarded([&] { form_->Mouse().ButtonUp(*button, PointOf(event)); });
}

void TFormWidget::mouseMoveEvent(QMouseEvent* event) {
  Guarded([&] { form_->Mouse().MouseMove(PointOf(event)); });
}

void TFormWidget::leaveEvent(QEvent* event) {
  Guarded([&] { form_->Mouse().MouseLeave(); });
  QWidget::leaveEvent(event);
}

void TFormWidget::changeEvent(QEvent* event) {
  // Losing activation during a press cancels it, as does being hidden or blocked
  // by a modal box; the palette's colour group follows the activation.
  if (event->type() == QEvent::ActivationChange) {
    if (!isActiveWindow()) CancelPress();
    update();
  }
  QWidget::changeEvent(event);
}

void TFormWidget::hideEvent(QHideEvent* event) {
  CancelPress();
  QWidget::hideEvent(event);
}

bool TFormWidget::event(QEvent* event) {
  if (event->type() == QEvent::WindowBlocked) CancelPress();
  return QWidget::event(event);
}

void TFormWidget::closeEvent(QCloseEvent* event) {
  // Closing the main window ends the application.
  event->accept();
  application_.Terminate();
}

}  // namespace zel::qt
