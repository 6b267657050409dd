#include "win/Surface.h"

#include <cstring>
#include <string>

#include "core/Error.h"
#include "win/Geometry.h"

namespace zel::win {

using controls::TButtonLook;

namespace {

constexpr int kBandRows = 64;
constexpr UINT kCaptionFormat = DT_CENTER | DT_VCENTER | DT_NOCLIP;

TPushState PushStateOf(TButtonLook look) noexcept {
  switch (look) {
    case TButtonLook::Pressed: return TPushState::Pressed;
    case TButtonLook::Hot: return TPushState::Hot;
    case TButtonLook::Normal: break;
  }
  return TPushState::Normal;
}

struct TWindowFont final : TSurfaceFont {
  TFont font;
};

struct TWindowImage final : TSurfaceImage {
  TBitmap bitmap;
};

HFONT FontOf(const TSurfaceFont& font) noexcept { return static_cast<const TWindowFont&>(font).font.Get(); }

// A top-down DIB section of info's size and colours; its pixels in *bits.
struct TDibInfo {
  BITMAPINFOHEADER header;
  RGBQUAD colours[256];
};

std::unique_ptr<TWindowImage> MakeDib(HDC reference, TDibInfo& info, TSize size, WORD bitCount, void** bits) {
  info.header.biSize = sizeof info.header;
  info.header.biPlanes = 1;
  info.header.biCompression = BI_RGB;
  info.header.biWidth = size.width;
  info.header.biHeight = -size.height;
  info.header.biBitCount = bitCount;
  auto image = std::make_unique<TWindowImage>();
  image->bitmap.Reset(
      ::CreateDIBSection(reference, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, bits, nullptr, 0));
  if (!image->bitmap || *bits == nullptr) return nullptr;
  return image;
}

}  // namespace

TFont CreateDeclaredFont(const TFontDecl& font, int height) {
  const std::wstring face(font.face);
  return TFont(::CreateFontW(-height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face.c_str()));
}

void TWindowSurface::Paint(TFormPainter& painter, HWND window, HDC target, const TRect& area) {
  window_ = window;
  target_ = target;
  painter.Paint(*this, area);
  target_ = nullptr;
}

void TWindowSurface::Release() noexcept {
  dc_.Reset();
  bitmap_.Reset();
  bits_ = nullptr;
}

TBanding TWindowSurface::Banding() const { return {kBandRows, false}; }

void TWindowSurface::BeginPaint(const TRect& area, int bandRows) {
  if (bitmap_ && area.width <= width_ && bandRows <= height_) return;
  Release();
  void* bits = nullptr;
  bitmap_.Reset(CreateDib32(nullptr, area.width, bandRows, &bits));
  if (!bitmap_) throw Error("EOutOfResources", L"Out of system resources");
  dc_.Reset(::CreateCompatibleDC(nullptr));
  ::SelectObject(dc_.Get(), bitmap_.Get());
  bits_ = static_cast<std::uint8_t*>(bits);
  width_ = area.width;
  height_ = bandRows;
}

void TWindowSurface::BeginBand(const TRect& band) {
  band_ = band;
  HDC dc = dc_.Get();
  saved_ = ::SaveDC(dc);
  ::SetViewportOrgEx(dc, -band.left, -band.top, nullptr);
  ::IntersectClipRect(dc, band.left, band.top, band.Right(), band.Bottom());
}

void TWindowSurface::EndBand(const TRect& band) {
  ::RestoreDC(dc_.Get(), saved_);
  ::GdiFlush();
  ::BitBlt(target_, band.left, band.top, band.width, band.height, dc_.Get(), 0, 0, SRCCOPY);
}

TRect TWindowSurface::Area() const { return {band_.left, band_.top, width_, height_}; }

bool TWindowSurface::Themed() const { return theme_.Active(); }

void TWindowSurface::FillBackground(const TRect& area) {
  const RECT rect = ToRect(area);
  ::FillRect(dc_.Get(), &rect, ::GetSysColorBrush(COLOR_BTNFACE));
}

TRect TWindowSurface::DrawPushButton(const TRect& bounds, TButtonLook look) {
  HDC dc = dc_.Get();
  const RECT rect = ToRect(bounds);
  if (theme_.Active()) {
    const TPushState state = PushStateOf(look);
    theme_.DrawParentBackground(window_, dc, rect);
    theme_.DrawButton(dc, state, rect);
    return FromRect(theme_.ContentRect(dc, state, rect));
  }
  RECT face = rect;
  ::DrawFrameControl(dc, &face, DFC_BUTTON,
                     DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (look == TButtonLook::Pressed ? DFCS_PUSHED : 0));
  return FromRect(face);
}

std::unique_ptr<TSurfaceFont> TWindowSurface::MakeFont(const TFontDecl& font, int height) {
  auto made = std::make_unique<TWindowFont>();
  made->font = CreateDeclaredFont(font, height);
  return made;
}

TSize TWindowSurface::MeasureCaption(const TSurfaceFont& font, std::wstring_view caption) {
  TSelection selected(dc_.Get(), FontOf(font));
  RECT measured{};
  ::DrawTextW(dc_.Get(), caption.data(), static_cast<int>(caption.size()), &measured, DT_CALCRECT);
  return {measured.right - measured.left, measured.bottom - measured.top};
}

void TWindowSurface::DrawCaption(const TSurfaceFont& font, std::wstring_view caption, const TRect& place,
                                 TButtonLook look) {
  HDC dc = dc_.Get();
  TSelection selected(dc, FontOf(font));
  ::SetBkMode(dc, TRANSPARENT);
  RECT rect = ToRect(place);
  const COLORREF colour = ::GetSysColor(COLOR_WINDOWTEXT);
  if (theme_.Active()) {
    theme_.DrawText(dc, PushStateOf(look), caption, rect, kCaptionFormat, colour);
  } else {
    // The band's DC state goes back as it was at the band's end.
    ::SetTextColor(dc, colour);
    ::DrawTextW(dc, caption.data(), static_cast<int>(caption.size()), &rect, kCaptionFormat);
  }
}

int TWindowSurface::DisplayBits() const {
  return ::GetDeviceCaps(dc_.Get(), BITSPIXEL) * ::GetDeviceCaps(dc_.Get(), PLANES);
}

TPixelLayout TWindowSurface::ImageLayout() const { return TPixelLayout::Bgr; }

TImageRows TWindowSurface::MakeImage(TSize size) {
  TDibInfo info{};
  void* bits = nullptr;
  auto image = MakeDib(dc_.Get(), info, size, 24, &bits);
  const std::ptrdiff_t stride = (static_cast<std::ptrdiff_t>(size.width) * 3 + 3) & ~std::ptrdiff_t{3};
  return {std::move(image), {static_cast<std::uint8_t*>(bits), stride}};
}

std::unique_ptr<TSurfaceImage> TWindowSurface::MakePalettedImage(const picture::TPalettedImage& image) {
  TDibInfo info{};
  const int colours = static_cast<int>(image.palette.size() / 3);
  for (int i = 0; i < colours; ++i) {
    info.colours[i] = {image.palette[3 * i + 2], image.palette[3 * i + 1], image.palette[3 * i], 0};
  }
  info.header.biClrUsed = static_cast<DWORD>(colours);
  void* bits = nullptr;
  auto made = MakeDib(dc_.Get(), info, {image.width, image.height}, 8, &bits);
  if (!made) return nullptr;
  const std::size_t stride = (static_cast<std::size_t>(image.width) + 3) & ~std::size_t{3};
  auto* out = static_cast<std::uint8_t*>(bits);
  for (int y = 0; y < image.height; ++y) {
    std::memcpy(out + y * stride, image.indices.data() + static_cast<std::size_t>(y) * image.width,
                static_cast<std::size_t>(image.width));
  }
  return made;
}

void TWindowSurface::DrawImage(const TSurfaceImage& image, TPoint at, TSize size) {
  TMemoryDc source(::CreateCompatibleDC(dc_.Get()));
  TSelection selected(source.Get(), static_cast<const TWindowImage&>(image).bitmap.Get());
  ::BitBlt(dc_.Get(), at.x, at.y, size.width, size.height, source.Get(), 0, 0, SRCCOPY);
}

TBgrxBlock TWindowSurface::LockBlock(const TRect& block) {
  if (bits_ == nullptr) return {};
  ::GdiFlush();
  return BgrxBlockAt(bits_, static_cast<std::size_t>(width_) * 4, band_.TopLeft(), block);
}

}  // namespace zel::win
