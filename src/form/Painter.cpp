#include "form/Painter.h"

#include <algorithm>

#include "controls/Caption.h"
#include "controls/PaintBands.h"
#include "picture/Blend.h"

namespace zel {

using controls::TButtonLook;

namespace {

// On a display of few colours the banner keeps this many, leaving the rest of
// the system's palette alone.
constexpr int kPaletteColours = 236;

std::unique_ptr<TSurfaceImage> Decode(TSurface& surface, const TPicture& picture) {
  std::unique_ptr<TSurfaceImage> image;
  if (surface.DisplayBits() <= 8) {
    image = surface.MakePalettedImage(picture::DecodeJpegPaletted(picture.bytes, kPaletteColours));
  } else {
    // Straight into the platform's image, so no second copy of the pixels is held.
    auto rowsFor = [&](TSize size) {
      TImageRows made = surface.MakeImage(size);
      image = std::move(made.image);
      // No image: no rows, which ends the decoding.
      return image ? made.rows : picture::TBgrRows{};
    };
    if (surface.ImageLayout() == TPixelLayout::Bgrx) {
      picture::DecodeJpegBgrx(picture.bytes, rowsFor);
    } else {
      picture::DecodeJpegBgr(picture.bytes, rowsFor);
    }
  }
  if (image) image->Written();
  return image;
}

}  // namespace

void TFormPainter::Paint(TSurface& surface, const TRect& area) {
  if (area.Empty()) return;
  const auto components = form_.Components();
  if (kept_.empty()) kept_ = std::vector<TKept>(components.size());

  const TBanding banding = surface.Banding();
  const TRows rows{area.top, area.Bottom()};
  const int maxRows = banding.maxRows > 0 ? banding.maxRows : area.height;
  const auto mayEndAt = [&](int y) {
    for (const auto& component : components) {
      const TRect& box = component->Bounds();
      if (banding.keepButtonsWhole && component->IsButton() && box.top < y && y < box.Bottom()) return false;
    }
    return true;
  };
  // The bands first: the surface's buffer takes the tallest.
  std::vector<TRect> bands;
  int bandRows = 0;
  for (int top = rows.top; top < rows.bottom; top = bands.back().Bottom()) {
    bands.push_back({area.left, top, area.width, PaintBandEnd(top, rows, maxRows, mayEndAt) - top});
    bandRows = std::max(bandRows, bands.back().height);
  }
  surface.BeginPaint(area, bandRows);
  for (const TRect& band : bands) {
    surface.BeginBand(band);
    surface.FillBackground(band);
    // Bottom to top, so the purchase picture lands on its button's face.
    for (std::size_t i = 0; i < components.size(); ++i) PaintComponent(surface, i, band);
    surface.EndBand(band);
  }
}

void TFormPainter::PaintComponent(TSurface& surface, std::size_t index, const TRect& clip) {
  const TComponent& component = *form_.Components()[index];
  if (component.Bounds().Intersect(clip).Empty()) return;
  if (component.IsButton()) {
    PaintButton(surface, component, kept_[index], form_.Look(index, surface.Themed()));
  } else if (component.Picture() && component.Picture()->isJpeg) {
    PaintOpaque(surface, component, kept_[index]);
  } else if (component.Picture()) {
    PaintBlended(surface, index, clip);
  }
}

void TFormPainter::PaintButton(TSurface& surface, const TComponent& button, TKept& kept, TButtonLook look) {
  if (!kept.font || kept.fontHeight != button.FontHeight()) {
    kept.font = surface.MakeFont(button.Decl().font, button.FontHeight());
    kept.fontHeight = button.FontHeight();
    kept.captionSize.reset();
  }
  const TRect face = surface.DrawPushButton(button.Bounds(), look);
  const std::wstring& caption = button.Caption();
  if (!kept.captionSize || kept.measured != caption) {
    kept.captionSize = surface.MeasureCaption(*kept.font, caption);
    kept.measured = caption;
  }
  TRect place = controls::CaptionRect(face, *kept.captionSize, button.ImageRight());
  // The classic button's caption sinks with its frame.
  if (!surface.Themed() && look == TButtonLook::Pressed) {
    ++place.left;
    ++place.top;
  }
  surface.DrawCaption(*kept.font, caption, place, look);
}

void TFormPainter::PaintOpaque(TSurface& surface, const TComponent& image, TKept& kept) {
  const TPicture& picture = *image.Picture();
  if (!kept.image && !kept.decodeFailed) {
    try {
      kept.image = Decode(surface, picture);
    } catch (...) {
      // Whatever went wrong, the box keeps the background: reporting it on every
      // repaint would never let the user close the window.
    }
    kept.decodeFailed = !kept.image;
  }
  if (!kept.image) return;
  const TRect& box = image.Bounds();
  surface.DrawImage(*kept.image, image.PictureOrigin(),
                    {std::min(box.width, picture.size.width), std::min(box.height, picture.size.height)});
}

void TFormPainter::PaintBlended(TSurface& surface, std::size_t index, const TRect& clip) {
  const TComponent& image = *form_.Components()[index];
  const TPicture& picture = *image.Picture();
  const TPoint at = image.PictureOrigin();
  // Only what lies in the box, in the area being painted and on the surface:
  // pixels outside that were blended already.
  const TRect block = TRect{at.x, at.y, picture.size.width, picture.size.height}
                          .Intersect(image.Bounds())
                          .Intersect(clip)
                          .Intersect(surface.Area());
  if (block.Empty()) return;
  TBgrxBlock pixels = surface.LockBlock(block);
  TSurface* target = &surface;
  std::unique_ptr<TSurface> composer;
  if (pixels.first == nullptr) {
    // Unreadable pixels: what lies beneath is composed again off screen, the
    // picture blended over it there, and the whole block drawn in one step.
    composer = surface.MakeComposer(block);
    if (!composer) return;
    composer->FillBackground(block);
    for (std::size_t i = 0; i < index; ++i) PaintComponent(*composer, i, block);
    pixels = composer->LockBlock(block);
    if (pixels.first == nullptr) return;
    target = composer.get();
  }
  picture::BlendOverBgrx(picture.rgba, {block.left - at.x, block.top - at.y, block.width, block.height},
                         pixels.first, pixels.stride);
  target->UnlockBlock(block);
  if (composer) surface.DrawComposer(*composer, block);
}

}  // namespace zel
