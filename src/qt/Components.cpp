#include "qt/Components.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QtGlobal>
#include <algorithm>

#include "controls/Caption.h"
#include "core/Error.h"
#include "picture/Blend.h"
#include "picture/Jpeg.h"

// The blend works on B G R X bytes, which is how Format_RGB32 lies in memory here.
#if Q_BYTE_ORDER != Q_LITTLE_ENDIAN
#error "the composed image is read as B G R X bytes"
#endif

namespace zel::qt {

using controls::TButtonLook;

namespace {

QRect ToQRect(const TRect& r) noexcept { return {r.left, r.top, r.width, r.height}; }
TRect FromQRect(const QRect& r) noexcept { return {r.x(), r.y(), r.width(), r.height()}; }

// A painter on the canvas that takes client coordinates.
class TClientPainter : public QPainter {
 public:
  explicit TClientPainter(TCanvas& canvas) : QPainter(canvas.image) {
    translate(-canvas.area.left, -canvas.area.top);
  }
};

}  // namespace

std::unique_ptr<TComponentPainter> MakePainter(const TComponent& component, const TFonts& fonts) {
  if (component.IsButton()) return std::make_unique<TButtonPainter>(fonts);
  return std::make_unique<TPicturePainter>();
}

void TButtonPainter::Paint(TCanvas& canvas, const TComponent& button, TButtonLook look) {
  if (!font_ || fontHeight_ != button.FontHeight()) {
    font_ = fonts_.At(button.FontHeight(), button.Decl().font.bold);
    fontHeight_ = button.FontHeight();
    line_ = WindowsLine(*font_);
    captionSize_.reset();
  }
  QStyleOptionButton option;
  option.rect = ToQRect(button.Bounds());
  option.palette = canvas.palette;
  option.state = QStyle::State_Enabled | (canvas.active ? QStyle::State_Active : QStyle::State_None) |
                 (look == TButtonLook::Pressed ? QStyle::State_Sunken : QStyle::State_Raised) |
                 (look == TButtonLook::Hot ? QStyle::State_MouseOver : QStyle::State_None);
  TClientPainter painter(canvas);
  // No widget: the style draws this one state as it is, with no animation of its own.
  canvas.style->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, nullptr);
  const TRect face = FromQRect(canvas.style->subElementRect(QStyle::SE_PushButtonContents, &option, nullptr));

  const std::wstring& caption = button.Caption();
  const QString text = QString::fromStdWString(caption);
  if (!captionSize_ || measured_ != caption) {
    captionSize_ = TSize{QFontMetrics(*font_).horizontalAdvance(text), line_.Height()};
    measured_ = caption;
  }
  QRect place = ToQRect(controls::CaptionRect(face, *captionSize_, button.ImageRight()));
  if (canvas.classic && look == TButtonLook::Pressed) place.translate(1, 1);
  painter.setFont(*font_);
  painter.setPen(canvas.palette.color(canvas.classic ? QPalette::WindowText : QPalette::ButtonText));
  // As Windows sets one line in a rectangle of its own size: the baseline lies
  // the line's ascent below the top.
  painter.drawText(QPoint(place.left(), place.top() + line_.ascent), text);
}

void TPicturePainter::Paint(TCanvas& canvas, const TComponent& image, TButtonLook) {
  if (!image.Picture()) return;
  if (image.Picture()->isJpeg) {
    PaintOpaque(canvas, image);
  } else {
    PaintBlended(canvas, image);
  }
}

void TPicturePainter::DecodeJpegPixels(const TPicture& picture) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen != nullptr && screen->depth() <= 8) {
    // Few colours on screen: let the library choose at most 236 of them.
    const picture::TPalettedImage paletted = picture::DecodeJpegPaletted(picture.bytes, 236);
    QImage image(paletted.width, paletted.height, QImage::Format_Indexed8);
    if (image.isNull()) return;
    QVector<QRgb> colours;
    for (std::size_t i = 0; i + 2 < paletted.palette.size(); i += 3) {
      colours << qRgb(paletted.palette[i], paletted.palette[i + 1], paletted.palette[i + 2]);
    }
    image.setColorTable(colours);
    for (int y = 0; y < paletted.height; ++y) {
      std::copy_n(paletted.indices.data() + static_cast<std::size_t>(y) * paletted.width, paletted.width,
                  image.scanLine(y));
    }
    pixels_ = std::move(image);
    return;
  }
  QImage image;
  picture::DecodeJpegBgr(picture.bytes, [&](TSize size) {
    image = QImage(size.width, size.height, QImage::Format_BGR888);
    if (image.isNull()) throw Error("EOutOfMemory", L"Out of memory");
    return picture::TBgrRows{image.bits(), static_cast<std::ptrdiff_t>(image.bytesPerLine())};
  });
  pixels_ = std::move(image);
}

void TPicturePainter::PaintOpaque(TCanvas& canvas, const TComponent& image) {
  const TPicture& picture = *image.Picture();
  if (pixels_.isNull() && !decodeFailed_) {
    try {
      DecodeJpegPixels(picture);
    } catch (...) {
      // Whatever went wrong, the box keeps the button-face colour: reporting it
      // on every repaint would never let the user close the window.
    }
    decodeFailed_ = pixels_.isNull();
  }
  if (pixels_.isNull()) return;
  const TRect& box = image.Bounds();
  const TPoint at = image.PictureOrigin();
  TClientPainter painter(canvas);
  painter.drawImage(QPoint(at.x, at.y), pixels_,
                    QRect(0, 0, std::min(box.width, picture.size.width), std::min(box.height, picture.size.height)));
}

void TPicturePainter::PaintBlended(TCanvas& canvas, const TComponent& image) {
  const TPicture& picture = *image.Picture();
  const TPoint at = image.PictureOrigin();
  // Only what lies in the box and on the image: the rest was blended already.
  const TRect area =
      TRect{at.x, at.y, picture.size.width, picture.size.height}.Intersect(image.Bounds()).Intersect(canvas.area);
  if (area.Empty()) return;
  const auto stride = static_cast<std::size_t>(canvas.image->bytesPerLine());
  std::uint8_t* block = canvas.image->bits() + static_cast<std::size_t>(area.top - canvas.area.top) * stride +
                        static_cast<std::size_t>(area.left - canvas.area.left) * 4;
  picture::BlendOverBgrx(picture.rgba, {area.left - at.x, area.top - at.y, area.width, area.height}, block, stride);
}

}  // namespace zel::qt
