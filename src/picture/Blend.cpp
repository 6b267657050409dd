// Composing an RGBA picture over a BGRX block of a window's surface.
#include "picture/Blend.h"

namespace zel::picture {

void BlendOverBgrx(const TRgbaImage& picture, const TRect& part, std::uint8_t* block,
                   std::size_t strideBytes) noexcept {
  if (picture.width <= 0 || picture.height <= 0 || block == nullptr) {
    return;
  }
  const std::size_t width = static_cast<std::size_t>(picture.width);
  const std::size_t height = static_cast<std::size_t>(picture.height);
  const TRect area = part.Intersect({0, 0, picture.width, picture.height});
  if (picture.pixels.size() != width * height * 4 || area.Empty() ||
      strideBytes < static_cast<std::size_t>(area.width) * 4) {
    return;
  }
  // A part cut at its top or left starts that much further into the block.
  std::uint8_t* const first = block + static_cast<std::size_t>(area.top - part.top) * strideBytes +
                              static_cast<std::size_t>(area.left - part.left) * 4;
  for (int y = 0; y < area.height; ++y) {
    const std::uint8_t* source =
        picture.pixels.data() + ((static_cast<std::size_t>(area.top + y) * width) + area.left) * 4;
    std::uint8_t* target = first + static_cast<std::size_t>(y) * strideBytes;
    for (int x = 0; x < area.width; ++x, source += 4, target += 4) {
      const std::uint8_t alpha = source[3];
      target[0] = BlendChannel(target[0], source[2], alpha);
      target[1] = BlendChannel(target[1], source[1], alpha);
      target[2] = BlendChannel(target[2], source[0], alpha);
    }
  }
}

}  // namespace zel::picture
