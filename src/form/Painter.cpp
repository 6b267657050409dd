#include "form/Painter.h"

#include <algorithm>

#include "controls/Caption.h"
#include "controls/PaintBands.h"
#include "core/Error.h"
#include "picture/Blend.h"

namespace zel {

using controls::TButtonLook;

namespace {

// On a display of few colours the banner keeps this many, leaving the rest of
// the system's palette alone.
constexpr int kPaletteColours = 236;

}  // namespace

void TFormPainter::Paint(TSurface& surface, const TRect& area) {
  if (area.Empty()) return;
  const auto components = form_.Components();
  kept_.resize(components.size());

  const TBanding banding = surface.Banding();
  const int maxRows = banding.maxRows > 0 ? banding.maxRows : area.height;
  std::vector<TRows> buttons;
  if (banding.keepButtonsWhole) {
    for (const auto& component : components) {
      if (component->IsButton()) buttons.push_back({component->Bounds().top, component->Bounds().Bottom()});
    }
  }
  const std::vector<TRows> bands = PaintBands({area.top, area.Bottom()}, maxRows, buttons);
  int rows = 0;
  for (const TRows& band : bands) rows = std::max(rows, band.Height());
  surface.BeginPaint(area, rows);
  for (const TRows& rowsOfBand : bands) {
    const TRect band{area.left, rowsOfBand.top, area.width, rowsOfBand.Height()};
    surface.BeginBand(band);
    PaintBand(surface, band);
    surface.EndBand(band);
  }
}

void TFormPainter::PaintBand(TSurface& surface, const TRect& band) {
  surface.FillBackground(band);
  // Bottom to top, so the purchase picture lands on its button's face.
  for (std::size_t i = 0; i < kept_.size(); ++i) PaintComponent(surface, i, band);
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

std::unique_ptr<TSurfaceImage> TFormPainter::Decode(TSurface& surface, const TPicture& picture) {
  std::unique_ptr<TSurfaceImage> image;
  if (surface.DisplayBits() <= 8) {
    image = surface.MakePalettedImage(picture::DecodeJpegPaletted(picture.bytes, kPaletteColours));
  } else {
    // Straight into the platform's image, so no second copy of the pixels is held.
    auto rowsFor = [&](TSize size) {
      TImageRows made = surface.MakeImage(size);
      if (!made.image) throw Error("EOutOfMemory", L"Out of memory");
      image = std::move(made.image);
      return made.rows;
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

void TFormPainter::PaintOpaque(TSurface& surface, const TComponent& image, TKept& kept) {
  const TPicture& picture = *image.Picture();
  if (!kept.image && !kept.decodeFailed) {
    try {
      kept.image = Decode(surface, picture);
    } catch (...) {
      // Whatever went wrong, the box keeps the background: reporting it on every
      // repaint would never let the user close the window.
      kept.image.reset();
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
  const TRect part{block.left - at.x, block.top - at.y, block.width, block.height};
  if (const TBgrxBlock pixels = surface.LockBlock(block); pixels.first != nullptr) {
    picture::BlendOverBgrx(picture.rgba, part, pixels.first, pixels.stride);
    surface.UnlockBlock(block);
    return;
  }
  // Unreadable pixels: what lies beneath is composed again off screen, the
  // picture blended over it there, and the whole block drawn in one step.
  const std::unique_ptr<TSurface> composer = surface.MakeComposer(block);
  if (!composer) return;
  composer->FillBackground(block);
  for (std::size_t i = 0; i < index; ++i) PaintComponent(*composer, i, block);
  const TBgrxBlock pixels = composer->LockBlock(block);
  if (pixels.first == nullptr) return;
  picture::BlendOverBgrx(picture.rgba, part, pixels.first, pixels.stride);
  composer->UnlockBlock(block);
  surface.DrawComposer(*composer, block);
}

}  // namespace zel
