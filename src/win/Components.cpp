#include "win/Components.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "controls/Caption.h"
#include "core/Error.h"
#include "picture/Blend.h"
#include "picture/Jpeg.h"
#include "win/Geometry.h"

namespace zel::win {

using controls::TButtonLook;

namespace {

TPushState PushStateOf(TButtonLook look) noexcept {
  switch (look) {
    case TButtonLook::Pressed: return TPushState::Pressed;
    case TButtonLook::Hot: return TPushState::Hot;
    case TButtonLook::Normal: break;
  }
  return TPushState::Normal;
}

constexpr UINT kCaptionFormat = DT_CENTER | DT_VCENTER | DT_NOCLIP;

}  // namespace

std::unique_ptr<TComponentPainter> MakePainter(const TComponent& component) {
  if (component.IsButton()) return std::make_unique<TButtonPainter>();
  return std::make_unique<TPicturePainter>();
}

void TButtonPainter::Paint(const TCanvas& canvas, const TComponent& button, TButtonLook look) {
  const TFontDecl& declared = button.Decl().font;
  if (!font_ || fontHeight_ != button.FontHeight()) {
    const std::wstring face(declared.face);
    font_.Reset(::CreateFontW(-button.FontHeight(), 0, 0, 0, declared.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                              FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                              DEFAULT_PITCH, face.c_str()));
    fontHeight_ = button.FontHeight();
    captionSize_.reset();
  }
  HDC dc = canvas.dc;
  const RECT bounds = ToRect(button.Bounds());
  const bool themed = canvas.theme != nullptr && canvas.theme->Active();
  const TPushState state = PushStateOf(look);
  RECT face = bounds;
  if (themed) {
    canvas.theme->DrawParentBackground(canvas.window, dc, bounds);
    canvas.theme->DrawButton(dc, state, bounds);
    face = canvas.theme->ContentRect(dc, state, bounds);
  } else {
    const UINT frame = DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (look == TButtonLook::Pressed ? DFCS_PUSHED : 0);
    ::DrawFrameControl(dc, &face, DFC_BUTTON, frame);
  }

  const std::wstring& caption = button.Caption();
  TSelection font(dc, font_.Get());
  ::SetBkMode(dc, TRANSPARENT);
  if (!captionSize_ || measured_ != caption) {
    RECT measured{0, 0, face.right - face.left, 0};
    ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &measured, DT_CALCRECT);
    captionSize_ = TSize{measured.right - measured.left, measured.bottom - measured.top};
    measured_ = caption;
  }
  RECT text = ToRect(controls::CaptionRect(FromRect(face), *captionSize_, button.ImageRight()));
  const COLORREF colour = ::GetSysColor(COLOR_WINDOWTEXT);
  if (themed) {
    canvas.theme->DrawText(dc, state, caption, text, kCaptionFormat, colour);
  } else {
    if (look == TButtonLook::Pressed) ::OffsetRect(&text, 1, 1);
    const COLORREF previous = ::SetTextColor(dc, colour);
    ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text, kCaptionFormat);
    ::SetTextColor(dc, previous);
  }
}

void TPicturePainter::Paint(const TCanvas& canvas, const TComponent& image, TButtonLook) {
  if (!image.Picture()) return;
  if (image.Picture()->isJpeg) {
    PaintOpaque(canvas, image);
  } else {
    PaintBlended(canvas, image);
  }
}

void TPicturePainter::DecodeJpegPixels(HDC reference, const TPicture& picture) {
  const bool palette = ::GetDeviceCaps(reference, BITSPIXEL) * ::GetDeviceCaps(reference, PLANES) <= 8;
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
  } info{};
  info.header.biSize = sizeof info.header;
  info.header.biPlanes = 1;
  info.header.biCompression = BI_RGB;

  if (palette) {
    // Few colours on screen: let the library choose at most 236 of them.
    const picture::TPalettedImage image = picture::DecodeJpegPaletted(picture.bytes, 236);
    const int colours = static_cast<int>(image.palette.size() / 3);
    for (int i = 0; i < colours; ++i) {
      info.colours[i] = {image.palette[3 * i + 2], image.palette[3 * i + 1], image.palette[3 * i], 0};
    }
    info.header.biWidth = image.width;
    info.header.biHeight = -image.height;  // top-down
    info.header.biBitCount = 8;
    info.header.biClrUsed = static_cast<DWORD>(colours);
    void* bits = nullptr;
    TBitmap bitmap(::CreateDIBSection(reference, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits,
                                      nullptr, 0));
    if (!bitmap || bits == nullptr) return;
    const std::size_t stride = (static_cast<std::size_t>(image.width) + 3) & ~std::size_t{3};
    auto* out = static_cast<std::uint8_t*>(bits);
    for (int y = 0; y < image.height; ++y) {
      std::memcpy(out + y * stride, image.indices.data() + static_cast<std::size_t>(y) * image.width,
                  static_cast<std::size_t>(image.width));
    }
    bitmap_ = std::move(bitmap);
    return;
  }

  info.header.biBitCount = 24;
  TBitmap bitmap;
  picture::DecodeJpegBgr(picture.bytes, [&](TSize size) {
    info.header.biWidth = size.width;
    info.header.biHeight = -size.height;  // top-down
    void* bits = nullptr;
    bitmap.Reset(
        ::CreateDIBSection(reference, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) bits = nullptr;
    const std::ptrdiff_t stride = (static_cast<std::ptrdiff_t>(size.width) * 3 + 3) & ~std::ptrdiff_t{3};
    return picture::TBgrRows{static_cast<std::uint8_t*>(bits), stride};
  });
  bitmap_ = std::move(bitmap);
}

void TPicturePainter::PaintOpaque(const TCanvas& canvas, const TComponent& image) {
  const TPicture& picture = *image.Picture();
  if (!bitmap_ && !decodeFailed_) {
    try {
      DecodeJpegPixels(canvas.dc, picture);
    } catch (...) {
      // Whatever went wrong, the box keeps the button-face colour: reporting it
      // on every repaint would never let the user close the window.
    }
    if (!bitmap_) decodeFailed_ = true;
  }
  if (!bitmap_) return;
  TMemoryDc source(::CreateCompatibleDC(canvas.dc));
  TSelection selected(source.Get(), bitmap_.Get());
  const TRect& box = image.Bounds();
  const TPoint at = image.PictureOrigin();
  ::BitBlt(canvas.dc, at.x, at.y, std::min(box.width, picture.size.width), std::min(box.height, picture.size.height),
           source.Get(), 0, 0, SRCCOPY);
}

void TPicturePainter::PaintBlended(const TCanvas& canvas, const TComponent& image) {
  const TPicture& picture = *image.Picture();
  const TPoint at = image.PictureOrigin();
  // Only what lies in the box, on the surface and in the area being repainted:
  // pixels outside that were blended already.
  const TRect area = TRect{at.x, at.y, picture.size.width, picture.size.height}
                         .Intersect(image.Bounds())
                         .Intersect(canvas.clip)
                         .Intersect(canvas.surface);
  if (area.Empty() || canvas.bits == nullptr) return;
  ::GdiFlush();
  std::uint8_t* block = canvas.bits + static_cast<std::size_t>(area.top - canvas.surface.top) * canvas.stride +
                        static_cast<std::size_t>(area.left - canvas.surface.left) * 4;
  picture::BlendOverBgrx(picture.rgba, {area.left - at.x, area.top - at.y, area.width, area.height}, block,
                         canvas.stride);
}

}  // namespace zel::win
