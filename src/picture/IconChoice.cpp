#include "picture/IconChoice.h"

#include <cstdlib>


namespace zel {

namespace {

// The group's header (reserved, type, count) and its entries (width, height,
// colours, reserved, planes, bit count, bytes, resource number), little-endian.
constexpr std::size_t kGroupHeaderBytes = 6;
constexpr std::size_t kGroupEntryBytes = 14;

int Word(std::span<const std::uint8_t> bytes, std::size_t at) noexcept { return bytes[at] | bytes[at + 1] << 8; }

}  // namespace

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

std::optional<TIconGroupImage> WindowIconOfGroup(std::span<const std::uint8_t> group, int largeIconSize) {
  if (group.size() < kGroupHeaderBytes) return std::nullopt;
  const auto count = static_cast<std::size_t>(Word(group, 4));
  std::vector<TIconGroupImage> listed;
  std::vector<TIconImageInfo> images;
  for (std::size_t i = 0; i < count && kGroupHeaderBytes + (i + 1) * kGroupEntryBytes <= group.size(); ++i) {
    const std::size_t at = kGroupHeaderBytes + i * kGroupEntryBytes;
    // A stored 0 stands for 256.
    const TIconImageInfo info{group[at] == 0 ? 256 : group[at], group[at + 1] == 0 ? 256 : group[at + 1],
                              Word(group, at + 6)};
    listed.push_back({info, Word(group, at + 12)});
    images.push_back(info);
  }
  if (listed.empty()) return std::nullopt;
  return listed[NearestIconImage(images, largeIconSize)];
}

}  // namespace zel
