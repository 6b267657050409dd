// Which image of an icon set becomes a window's own icon.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>


namespace zel {

struct TIconImageInfo {
  int width = 0;
  int height = 0;
  int bitCount = 0;
};

// The image nearest the wanted size, the later one when two are equally near.
std::size_t NearestIconImage(const std::vector<TIconImageInfo>& images, int wanted) noexcept;

// One image as an icon group resource lists it: the directory a resource compiler
// makes of an icon set, each image a resource of its own.
struct TIconGroupImage {
  TIconImageInfo info;
  int id = 0;  // the image's resource
};

// The image of an icon group a window takes as its own: the one nearest the
// platform's large-icon size; none for
// a group that lists no whole entry.
std::optional<TIconGroupImage> WindowIconOfGroup(std::span<const std::uint8_t> group, int largeIconSize);

}  // namespace zel
