// The lightweight components of a window: command buttons and picture boxes,
// drawn on the window's own surface (they have no windows of their own).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "controls/MouseRouter.h"
#include "core/FormDefinition.h"
#include "picture/Png.h"
#include "win/Handles.h"
#include "win/Theme.h"

namespace zel::win {

// The window's off-screen surface while one paint is composed.
struct TCanvas {
  HWND window = nullptr;
  HDC dc = nullptr;                  // memory DC holding the 32-bit surface, in client coordinates
  std::uint8_t* bits = nullptr;      // top-down, B G R X
  std::size_t stride = 0;
  POINT origin{};                    // the client point the surface's first pixel shows
  int width = 0;
  int height = 0;
  RECT clip{};                       // the area being repainted, within the surface
  const TButtonTheme* theme = nullptr;
};

class TComponent {
 public:
  explicit TComponent(const TComponentDecl& decl) : decl_(decl) {}
  virtual ~TComponent() = default;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const TComponentDecl& Decl() const noexcept { return decl_; }
  std::string_view Name() const noexcept { return decl_.name; }
  const TBounds& Bounds() const noexcept { return bounds_; }
  void SetBounds(const TBounds& bounds) noexcept { bounds_ = bounds; }
  RECT Rect() const noexcept {
    return {bounds_.left, bounds_.top, bounds_.left + bounds_.width, bounds_.top + bounds_.height};
  }

  virtual void Paint(const TCanvas& canvas, controls::TButtonLook look) = 0;

 private:
  const TComponentDecl& decl_;
  TBounds bounds_;
};

class TSpeedButton final : public TComponent {
 public:
  explicit TSpeedButton(const TComponentDecl& decl);

  const std::wstring& Caption() const noexcept { return caption_; }
  void SetCaption(std::wstring caption) {
    caption_ = std::move(caption);
    captionSize_.reset();
  }
  void SetFontHeight(int pixels);
  void Paint(const TCanvas& canvas, controls::TButtonLook look) override;

  std::function<void(TComponent& sender)> OnClick;

 private:
  std::wstring caption_;
  TFont font_;
  // Measured at the first paint after the caption or the font changed.
  std::optional<SIZE> captionSize_;
};

// A picture kept as its stored bytes: a JPEG's header is read at once and its
// pixels at the first drawing; a PNG is decoded completely at once.
class TImage final : public TComponent {
 public:
  // bytes: the picture's stored bytes, alive as long as the program's image.
  TImage(const TComponentDecl& decl, std::span<const std::uint8_t> bytes, bool isJpeg);

  void Paint(const TCanvas& canvas, controls::TButtonLook look) override;
  TSize PictureSize() const noexcept { return pictureSize_; }

 private:
  void DecodeJpegPixels(HDC reference);
  void PaintOpaque(const TCanvas& canvas);
  void PaintBlended(const TCanvas& canvas);

  std::span<const std::uint8_t> bytes_;
  bool isJpeg_;
  TSize pictureSize_;
  picture::TRgbaImage rgba_;   // an alpha picture, decoded completely at load
  TBitmap bitmap_;             // a decoded JPEG, kept for the window's life
  bool decodeFailed_ = false;
};

}  // namespace zel::win
