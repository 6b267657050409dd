#include "controls/win/Components.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/Error.h"
#include "picture/Blend.h"
#include "picture/Jpeg.h"

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

TSpeedButton::TSpeedButton(const TComponentDecl& decl) : TComponent(decl), caption_(decl.caption) {
  SetFontHeight(decl.font.height);
}

void TSpeedButton::SetFontHeight(int pixels) {
  const std::wstring face(Decl().font.face);
  captionSize_.reset();
  font_.Reset(::CreateFontW(-pixels, 0, 0, 0, Decl().font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                            DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH, face.c_str()));
}

void TSpeedButton::Paint(const TCanvas& canvas, TButtonLook look) {
  HDC dc = canvas.dc;
  const RECT bounds = Rect();
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

  TSelection font(dc, font_.Get());
  ::SetBkMode(dc, TRANSPARENT);
  if (!captionSize_) {
    RECT measured{0, 0, face.right - face.left, 0};
    ::DrawTextW(dc, caption_.c_str(), static_cast<int>(caption_.size()), &measured, DT_CALCRECT);
    captionSize_ = SIZE{measured.right - measured.left, measured.bottom - measured.top};
  }
  const int captionWidth = captionSize_->cx;
  const int captionHeight = captionSize_->cy;
  const controls::TPoint offset =
      controls::CaptionOffset(face.right - face.left, face.bottom - face.top, captionWidth, captionHeight,
                              Decl().layout == TCaptionLayout::ImageRight);
  RECT text{face.left + offset.x, face.top + offset.y, 0, 0};
  text.right = text.left + captionWidth;
  text.bottom = text.top + captionHeight;
  const COLORREF colour = ::GetSysColor(COLOR_WINDOWTEXT);
  if (themed) {
    canvas.theme->DrawText(dc, state, caption_, text, kCaptionFormat, colour);
  } else {
    if (look == TButtonLook::Pressed) ::OffsetRect(&text, 1, 1);
    const COLORREF previous = ::SetTextColor(dc, colour);
    ::DrawTextW(dc, caption_.c_str(), static_cast<int>(caption_.size()), &text, kCaptionFormat);
    ::SetTextColor(dc, previous);
  }
}

TImage::TImage(const TComponentDecl& decl, std::span<const std::uint8_t> bytes, bool isJpeg)
    : TComponent(decl), bytes_(bytes), isJpeg_(isJpeg) {
  if (isJpeg_) {
    const picture::TPictureSize size = picture::ReadJpegSize(bytes_);
    pictureSize_ = {size.width, size.height};
  } else {
    rgba_ = picture::DecodePng(bytes_);
    pictureSize_ = {rgba_.width, rgba_.height};
  }
}

void TImage::Paint(const TCanvas& canvas, TButtonLook) {
  if (isJpeg_) {
    PaintOpaque(canvas);
  } else {
    PaintBlended(canvas);
  }
}

void TImage::DecodeJpegPixels(HDC reference) {
  const bool palette = ::GetDeviceCaps(reference, BITSPIXEL) * ::GetDeviceCaps(reference, PLANES) <= 8;
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
  } info{};
  info.header.biSize = sizeof info.header;
  info.header.biWidth = pictureSize_.width;
  info.header.biHeight = -pictureSize_.height;  // top-down
  info.header.biPlanes = 1;
  info.header.biCompression = BI_RGB;

  if (palette) {
    // Few colours on screen: let the library choose at most 236 of them.
    const picture::TPalettedImage image = picture::DecodeJpegPaletted(bytes_, 236);
    const int colours = static_cast<int>(image.palette.size() / 3);
    for (int i = 0; i < colours; ++i) {
      info.colours[i] = {image.palette[3 * i + 2], image.palette[3 * i + 1], image.palette[3 * i], 0};
    }
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
  picture::DecodeJpegBgr(bytes_, [&](picture::TPictureSize size) {
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

void TImage::PaintOpaque(const TCanvas& canvas) {
  if (!bitmap_ && !decodeFailed_) {
    try {
      DecodeJpegPixels(canvas.dc);
    } catch (const Error&) {
      // The box keeps the button-face colour; reporting it on every repaint
      // would never let the user close the window.
    }
    if (!bitmap_) decodeFailed_ = true;
  }
  if (!bitmap_) return;
  TMemoryDc source(::CreateCompatibleDC(canvas.dc));
  TSelection selected(source.Get(), bitmap_.Get());
  const TBounds& box = Bounds();
  ::BitBlt(canvas.dc, box.left, box.top, std::min(box.width, pictureSize_.width),
           std::min(box.height, pictureSize_.height), source.Get(), 0, 0, SRCCOPY);
}

void TImage::PaintBlended(const TCanvas& canvas) {
  const TBounds& box = Bounds();
  const TPlacement offset = CentreOffset({box.width, box.height}, pictureSize_);
  const int left = box.left + offset.left;
  const int top = box.top + offset.top;
  // Only what lies in the box, on the surface and in the area being repainted:
  // pixels outside that were blended already.
  const int x0 = std::max({left, box.left, static_cast<int>(canvas.clip.left), static_cast<int>(canvas.origin.x)});
  const int y0 = std::max({top, box.top, static_cast<int>(canvas.clip.top), static_cast<int>(canvas.origin.y)});
  const int x1 = std::min({left + pictureSize_.width, box.left + box.width, static_cast<int>(canvas.clip.right),
                           static_cast<int>(canvas.origin.x) + canvas.width});
  const int y1 = std::min({top + pictureSize_.height, box.top + box.height, static_cast<int>(canvas.clip.bottom),
                           static_cast<int>(canvas.origin.y) + canvas.height});
  if (x0 >= x1 || y0 >= y1 || canvas.bits == nullptr) return;
  ::GdiFlush();
  for (int y = y0; y < y1; ++y) {
    const std::uint8_t* src =
        rgba_.pixels.data() + (static_cast<std::size_t>(y - top) * pictureSize_.width + (x0 - left)) * 4;
    std::uint8_t* dst = canvas.bits + static_cast<std::size_t>(y - canvas.origin.y) * canvas.stride +
                        static_cast<std::size_t>(x0 - canvas.origin.x) * 4;
    for (int x = x0; x < x1; ++x, src += 4, dst += 4) {
      const std::uint8_t a = src[3];
      dst[0] = picture::BlendChannel(dst[0], src[2], a);
      dst[1] = picture::BlendChannel(dst[1], src[1], a);
      dst[2] = picture::BlendChannel(dst[2], src[0], a);
    }
  }
}

}  // namespace zel::win
