#include "controls/PaintBands.h"

namespace zel {

std::vector<TRows> PaintBands(TRows rows, int maxRows, std::span<const TRows> uncut) {
  const auto mayEndAt = [uncut](int y) {
    return std::none_of(uncut.begin(), uncut.end(), [y](const TRows& span) { return span.top < y && y < span.bottom; });
  };
  std::vector<TRows> bands;
  for (int top = rows.top; top < rows.bottom;) {
    const int end = PaintBandEnd(top, rows, maxRows, mayEndAt);
    bands.push_back({top, end});
    top = end;
  }
  return bands;
}

}  // namespace zel
