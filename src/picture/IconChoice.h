// Which image of an icon set becomes a window's own icon.
#pragma once

#include <cstddef>
#include <vector>

namespace zel {

struct TIconImageInfo {
  int width = 0;
  int height = 0;
  int bitCount = 0;
};

// The image nearest the wanted size, the later one when two are equally near.
std::size_t NearestIconImage(const std::vector<TIconImageInfo>& images, int wanted) noexcept;

}  // namespace zel
