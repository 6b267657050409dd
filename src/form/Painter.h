// Painting a form on a platform's surface: the background, then the components
// bottom to top, in bands of rows as the surface asks, each component drawn only
// where it meets the band. It keeps what is worth keeping between paints: each
// button's font and caption size (made again only when the font height or the
// caption changes) and the banner's pixels, decoded at its first drawing, or the
// failure to decode them, so a broken banner is tried once.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "form/Form.h"
#include "form/Surface.h"

namespace zel {

class TFormPainter {
 public:
  explicit TFormPainter(const TForm& form) noexcept : form_(form) {}

  // Paints area of the client area.
  void Paint(TSurface& surface, const TRect& area);
  // Drops every font and image (the window goes).
  void Release() noexcept { kept_.clear(); }

 private:
  // What is kept for one component between paints.
  struct TKept {
    std::unique_ptr<TSurfaceFont> font;
    int fontHeight = 0;
    std::wstring measured;
    std::optional<TSize> captionSize;
    std::unique_ptr<TSurfaceImage> image;
    bool decodeFailed = false;
  };

  void PaintComponent(TSurface& surface, std::size_t index, const TRect& clip);
  void PaintButton(TSurface& surface, const TComponent& button, TKept& kept, controls::TButtonLook look);
  void PaintOpaque(TSurface& surface, const TComponent& image, TKept& kept);
  void PaintBlended(TSurface& surface, std::size_t index, const TRect& clip);

  const TForm& form_;
  std::vector<TKept> kept_;  // one per component, in the form's order, from the first paint
};

}  // namespace zel
