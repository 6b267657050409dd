// Composing an RGBA picture over a BGRX block copied out of the window surface.
#include "picture/Blend.h"

namespace zel::picture {

void BlendOverBgrx(const TRgbaImage& picture, std::uint8_t* block,
                   std::size_t strideBytes) noexcept {
  if (picture.width <= 0 || picture.height <= 0 || block == nullptr) {
    return;
  }
  const std::size_t width = static_cast<std::size_t>(picture.width);
  const std::size_t height = static_cast<std::size_t>(picture.height);
  if (picture.pixels.size() != width * height * 4 || strideBytes < width * 4) {
    return;
  }
  const std::uint8_t* source = picture.pixels.data();
  for (std::size_t y = 0; y < height; ++y) {
    std::uint8_t* target = block + y * strideBytes;
    for (std::size_t x = 0; x < width; ++x, source += 4, target += 4) {
      const std::uint8_t alpha = source[3];
      target[0] = BlendChannel(target[0], source[2], alpha);
      target[1] = BlendChannel(target[1], source[1], alpha);
      target[2] = BlendChannel(target[2], source[0], alpha);
    }
  }
}

}  // namespace zel::picture
