#include "qt/Surface.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QVector>
#include <QWidget>
#include <QtGlobal>
#include <algorithm>
#include <utility>

// The blend works on B G R X bytes, which is how Format_RGB32 lies in memory here.
#if Q_BYTE_ORDER != Q_LITTLE_ENDIAN
#error "the composed image is read as B G R X bytes"
#endif

namespace zel::qt {

using controls::TButtonLook;

namespace {

QString TextOf(std::wstring_view text) { return QString::fromWCharArray(text.data(), static_cast<int>(text.size())); }

// A band holds at most this many rows, and each button whole: the style may
// draw a button cut by the image's edge differently.
constexpr int kBandRows = 64;

QRect ToQRect(const TRect& r) noexcept { return {r.left, r.top, r.width, r.height}; }
TRect FromQRect(const QRect& r) noexcept { return {r.x(), r.y(), r.width(), r.height()}; }

// Qt's own "Windows" style stands for the classic look: no hot state.
bool IsClassic(const QStyle* style) {
  return style->objectName().compare(QLatin1String("windows"), Qt::CaseInsensitive) == 0;
}

struct TWidgetFont final : TSurfaceFont {
  explicit TWidgetFont(QFont made) : font(std::move(made)), line(WindowsLine(font)) {}
  QFont font;
  // The line as Windows measures it: a caption is one line of that height.
  TWinTextMetrics line;
};

struct TWidgetImage final : TSurfaceImage {
  QImage image;
};

const TWidgetFont& FontOf(const TSurfaceFont& font) noexcept { return static_cast<const TWidgetFont&>(font); }

}  // namespace

TWidgetSurface::TWidgetSurface(QWidget& widget, const TFonts& fonts)
    : widget_(widget),
      fonts_(fonts),
      style_(widget.style()),
      palette_(widget.palette()),
      active_(widget.isActiveWindow()),
      classic_(IsClassic(style_)) {
  palette_.setCurrentColorGroup(active_ ? QPalette::Active : QPalette::Inactive);
}

TBanding TWidgetSurface::Banding() const { return {kBandRows, true}; }

void TWidgetSurface::BeginPaint(const TRect& area, int bandRows) {
  image_ = QImage(area.width, bandRows, QImage::Format_RGB32);
  // Without an image nothing is drawn: the window keeps what it shows.
  if (!image_.isNull()) window_.emplace(&widget_);
}

void TWidgetSurface::BeginBand(const TRect& band) { band_ = band; }

void TWidgetSurface::EndBand(const TRect& band) {
  painter_.reset();
  if (window_) window_->drawImage(QPoint(band.left, band.top), image_, QRect(0, 0, band.width, band.height));
}

// The image may hold rows below the band: drawn there, nothing reaches the window.
TRect TWidgetSurface::Area() const { return {band_.left, band_.top, image_.width(), image_.height()}; }

bool TWidgetSurface::Themed() const { return !classic_; }

void TWidgetSurface::FillBackground(const TRect& area) {
  if (QPainter* painter = FreshPainter()) painter->fillRect(ToQRect(area), palette_.color(QPalette::Window));
}

TRect TWidgetSurface::DrawPushButton(const TRect& bounds, TButtonLook look) {
  QStyleOptionButton option;
  option.rect = ToQRect(bounds);
  option.palette = palette_;
  option.state = QStyle::State_Enabled | (active_ ? QStyle::State_Active : QStyle::State_None) |
                 (look == TButtonLook::Pressed ? QStyle::State_Sunken : QStyle::State_Raised) |
                 (look == TButtonLook::Hot ? QStyle::State_MouseOver : QStyle::State_None);
  // No widget: the style draws this one state as it is, with no animation of its own.
  if (QPainter* painter = FreshPainter()) style_->drawControl(QStyle::CE_PushButtonBevel, &option, painter, nullptr);
  return FromQRect(style_->subElementRect(QStyle::SE_PushButtonContents, &option, nullptr));
}

std::unique_ptr<TSurfaceFont> TWidgetSurface::MakeFont(const TFontDecl& font, int height) {
  return std::make_unique<TWidgetFont>(fonts_.At(height, font.bold));
}

TSize TWidgetSurface::MeasureCaption(const TSurfaceFont& font, std::wstring_view caption) {
  const TWidgetFont& made = FontOf(font);
  return {QFontMetrics(made.font).horizontalAdvance(TextOf(caption)), made.line.Height()};
}

void TWidgetSurface::DrawCaption(const TSurfaceFont& font, std::wstring_view caption, const TRect& place,
                                 TButtonLook) {
  // On the painter of the button's frame.
  QPainter* painter = painter_ ? &*painter_ : FreshPainter();
  if (painter == nullptr) return;
  const TWidgetFont& made = FontOf(font);
  painter->setFont(made.font);
  painter->setPen(palette_.color(classic_ ? QPalette::WindowText : QPalette::ButtonText));
  // As Windows sets one line in a rectangle of its own size: the baseline lies
  // the line's ascent below the top.
  painter->drawText(QPoint(place.left, place.top + made.line.ascent), TextOf(caption));
}

int TWidgetSurface::DisplayBits() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->depth() : 32;
}

// The composed band's own format, so a picture is drawn on it as a plain copy.
TPixelLayout TWidgetSurface::ImageLayout() const { return TPixelLayout::Bgrx; }

TImageRows TWidgetSurface::MakeImage(TSize size) {
  auto made = std::make_unique<TWidgetImage>();
  made->image = QImage(size.width, size.height, QImage::Format_RGB32);
  if (made->image.isNull()) return {};
  const picture::TBgrRows rows{made->image.bits(), static_cast<std::ptrdiff_t>(made->image.bytesPerLine())};
  return {std::move(made), rows};
}

std::unique_ptr<TSurfaceImage> TWidgetSurface::MakePalettedImage(const picture::TPalettedImage& image) {
  auto made = std::make_unique<TWidgetImage>();
  made->image = QImage(image.width, image.height, QImage::Format_Indexed8);
  if (made->image.isNull()) return nullptr;
  QVector<QRgb> colours;
  for (std::size_t i = 0; i + 2 < image.palette.size(); i += 3) {
    colours << qRgb(image.palette[i], image.palette[i + 1], image.palette[i + 2]);
  }
  made->image.setColorTable(colours);
  for (int y = 0; y < image.height; ++y) {
    std::copy_n(image.indices.data() + static_cast<std::size_t>(y) * image.width, image.width,
                made->image.scanLine(y));
  }
  return made;
}

void TWidgetSurface::DrawImage(const TSurfaceImage& image, TPoint at, TSize size) {
  if (QPainter* painter = FreshPainter()) {
    painter->drawImage(QPoint(at.x, at.y), static_cast<const TWidgetImage&>(image).image,
                       QRect(0, 0, size.width, size.height));
  }
}

TBgrxBlock TWidgetSurface::LockBlock(const TRect& block) {
  // The pixels are read and written with no painter on them.
  painter_.reset();
  if (image_.isNull()) return {};
  return BgrxBlockAt(image_.bits(), static_cast<std::size_t>(image_.bytesPerLine()), band_.TopLeft(), block);
}

QPainter* TWidgetSurface::FreshPainter() {
  painter_.reset();
  if (image_.isNull()) return nullptr;
  painter_.emplace(&image_);
  painter_->translate(-band_.left, -band_.top);
  return &*painter_;
}

}  // namespace zel::qt
