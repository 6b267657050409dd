// The Windows text height from a font's tables: the figures Windows measures for
// Wine's Tahoma at the window font's sizes, a font whose typographic metrics are
// larger, and tables that give no answer.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/FontMetrics.h"

namespace zel {
namespace {

using TBytes = std::vector<std::uint8_t>;

void PutBe16(TBytes& table, std::size_t at, std::uint32_t value) {
  table[at] = static_cast<std::uint8_t>(value >> 8);
  table[at + 1] = static_cast<std::uint8_t>(value);
}

// An OS/2 table (version 0, 78 bytes) with these Windows metrics, and a head table.
TBytes Os2(std::uint32_t winAscent, std::uint32_t winDescent) {
  TBytes table(78);
  PutBe16(table, 68, 1566);  // typographic ascender: not what Windows uses
  PutBe16(table, 74, winAscent);
  PutBe16(table, 76, winDescent);
  return table;
}
TBytes Head(std::uint32_t unitsPerEm) {
  TBytes table(54);
  PutBe16(table, 18, unitsPerEm);
  return table;
}

TEST(WindowsTextMetrics, TheHeightsWindowsMeasures) {
  // Tahoma (regular and bold share these): 2049 and 423 units of 2048.
  const TBytes tahoma = Os2(2049, 423), head = Head(2048);
  EXPECT_EQ(WindowsTextMetrics(tahoma, head, 11), (TWinTextMetrics{11, 2}));  // 13, where Qt says 11
  EXPECT_EQ(WindowsTextMetrics(tahoma, head, 14), (TWinTextMetrics{14, 3}));  // 17 at 120 dpi
  EXPECT_EQ(WindowsTextMetrics(tahoma, head, 17)->Height(), 21);
  EXPECT_EQ(WindowsTextMetrics(tahoma, head, 24)->Height(), 29);
  // DejaVu Sans Condensed: ascent and descent round on their own, 10.2 + 2.59.
  EXPECT_EQ(WindowsTextMetrics(Os2(1901, 483), head, 11), (TWinTextMetrics{10, 3}));
  // An em of 1000 units and a half that rounds up: 0.5 px of descent is 1.
  EXPECT_EQ(WindowsTextMetrics(Os2(900, 50), Head(1000), 10), (TWinTextMetrics{9, 1}));
}

TEST(WindowsTextMetrics, NoAnswerFromUnusableTables) {
  const TBytes os2 = Os2(2049, 423), head = Head(2048);
  EXPECT_FALSE(WindowsTextMetrics(TBytes(os2.begin(), os2.end() - 1), head, 11));
  EXPECT_FALSE(WindowsTextMetrics(os2, TBytes(19), 11));
  EXPECT_FALSE(WindowsTextMetrics({}, {}, 11));
  EXPECT_FALSE(WindowsTextMetrics(os2, Head(0), 11));
  EXPECT_FALSE(WindowsTextMetrics(os2, Head(32768), 11));
  EXPECT_FALSE(WindowsTextMetrics(Os2(0, 0), head, 11));
  EXPECT_FALSE(WindowsTextMetrics(os2, head, 0));
}

}  // namespace
}  // namespace zel
