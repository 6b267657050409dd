#include "picture/IconChoice.h"

#include <cstdlib>

namespace zel {

std::size_t NearestIconImage(const std::vector<TIconImageInfo>& images, int wanted) noexcept {
  std::size_t best = 0;
  int bestDistance = -1;
  for (std::size_t i = 0; i < images.size(); ++i) {
    const int distance = std::abs(images[i].width - wanted);
    if (bestDistance < 0 || distance <= bestDistance) {
      best = i;
      bestDistance = distance;
    }
  }
  return best;
}

}  // namespace zel
