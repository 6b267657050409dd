// Scaling of the main window to the display and its first placement.
#include <gtest/gtest.h>

#include "ZelMainForm.h"
#include "form/FormDefinition.h"
#include "core/Layout.h"

namespace zel {
namespace {

TEST(Rounding, HalvesGoAwayFromZero) {
  EXPECT_EQ(MulDivRound(3, 1, 2), 2);     // 1.5
  EXPECT_EQ(MulDivRound(-3, 1, 2), -2);   // -1.5
  EXPECT_EQ(MulDivRound(5, 1, 4), 1);     // 1.25
  EXPECT_EQ(MulDivRound(7, 1, 4), 2);     // 1.75
  EXPECT_EQ(MulDivRound(-7, 1, 4), -2);
  EXPECT_EQ(MulDivRound(3, -1, 2), -2);
}

TEST(Scaling, WindowFontFollowsThePixelDensity) {
  EXPECT_EQ(ScaleWindowFontHeight(11, 96), 11);
  EXPECT_EQ(ScaleWindowFontHeight(11, 120), 14);
  EXPECT_EQ(ScaleWindowFontHeight(11, 144), 17);  // 16.5
  EXPECT_EQ(ScaleWindowFontHeight(11, 192), 22);
}

TEST(Scaling, AtTextHeight16EveryComponentScalesByItsEdges) {
  const TScaledForm scaled = ScaleForm(MainFormDefinition(), 96, 16);
  EXPECT_EQ(scaled.client, (TSize{1182, 553}));
  ASSERT_EQ(scaled.bounds.size(), 5u);
  EXPECT_EQ(scaled.bounds[0], (TRect{0, 0, 1182, 210}));      // TopImage
  EXPECT_EQ(scaled.bounds[1], (TRect{10, 359, 1162, 184}));    // SpeedButtonBuyFull: not 183
  EXPECT_EQ(scaled.bounds[2], (TRect{10, 218, 576, 134}));     // SpeedButtonFormList
  EXPECT_EQ(scaled.bounds[3], (TRect{590, 218, 582, 134}));    // SpeedButtonSamples
  EXPECT_EQ(scaled.bounds[4], (TRect{817, 359, 198, 184}));    // Image1
}

TEST(Scaling, AtTheDesignTextHeightNothingMoves) {
  const TFormDecl& form = MainFormDefinition();
  const TScaledForm scaled = ScaleForm(form, 120, 13);
  EXPECT_EQ(scaled.client, (TSize{960, 449}));
  for (size_t i = 0; i < form.components.size(); ++i) {
    EXPECT_EQ(scaled.bounds[i], form.components[i].bounds) << form.components[i].name;
  }
  EXPECT_EQ(scaled.fontHeights[1], 24);
}

TEST(Scaling, ButtonFontGoesThroughPoints) {
  // 24 px at 120 dpi is 14 pt; 14 * 17 / 13 = 18 pt; back at 120 dpi: 30 px.
  EXPECT_EQ(ScaleButtonFontHeight(24, 120, 17), 30);
  // 18 pt at 96 dpi; 18 * 16 / 13 = 22 pt; 29 px.
  EXPECT_EQ(ScaleButtonFontHeight(24, 96, 16), 29);
  const TScaledForm scaled = ScaleForm(MainFormDefinition(), 120, 17);
  EXPECT_EQ(scaled.fontHeights[0], 0);  // pictures have no font
  EXPECT_EQ(scaled.fontHeights[2], 30);
  EXPECT_EQ(scaled.client, (TSize{1255, 587}));
}

TEST(Scaling, TopAlignedBoxFollowsTheClientWidth) {
  const TFormDecl& form = MainFormDefinition();
  EXPECT_EQ(AlignBounds(form.components[0], {0, 0, 960, 171}, 1280), (TRect{0, 0, 1280, 171}));
  EXPECT_EQ(AlignBounds(form.components[1], {8, 292, 944, 149}, 1280), (TRect{8, 292, 944, 149}));
}

TEST(Placement, CentredInTheWorkAreaWhereverTheTaskbarIs) {
  const TSize window{966, 478};
  // Taskbar at the bottom, top, left and right of a 1920 x 1080 screen.
  EXPECT_EQ(CentreInWorkArea({0, 0, 1920, 1040}, window, 0, 0), (TPoint{477, 281}));
  EXPECT_EQ(CentreInWorkArea({0, 40, 1920, 1040}, window, 0, 0), (TPoint{477, 321}));
  EXPECT_EQ(CentreInWorkArea({62, 0, 1858, 1080}, window, 0, 0), (TPoint{508, 301}));
  EXPECT_EQ(CentreInWorkArea({0, 0, 1858, 1080}, window, 0, 0), (TPoint{446, 301}));
}

TEST(Placement, DivisionTruncatesTowardsZeroAndIsRaisedToTheVirtualScreen) {
  // A work area smaller than the window: the centred position is negative.
  EXPECT_EQ(CentreInWorkArea({0, 0, 800, 400}, {967, 479}, -1920, -100), (TPoint{-83, -39}));
  EXPECT_EQ(CentreInWorkArea({0, 0, 800, 400}, {967, 479}, 0, 0), (TPoint{0, 0}));
  EXPECT_EQ(CentreInWorkArea({-1280, 0, 800, 400}, {967, 479}, -1280, 0), (TPoint{-1280, 0}));
}

TEST(Placement, TheOuterWindowIsCentredWithItsFrame) {
  // The frames of three window managers around 960 x 449, in the room a 32-row
  // panel leaves on a 1280 x 1024 head.
  const TRect work{0, 32, 1280, 992};
  EXPECT_EQ(OuterSize({960, 449}, {5, 5, 29, 5}), (TSize{970, 483}));
  EXPECT_EQ(FramePlacement(work, {960, 449}, {5, 5, 29, 5}, 0, 0), (TPoint{155, 286}));
  EXPECT_EQ(FramePlacement(work, {960, 449}, {0, 0, 37, 0}, 0, 0), (TPoint{160, 285}));
  EXPECT_EQ(FramePlacement(work, {960, 449}, {1, 1, 20, 1}, 0, 0), (TPoint{159, 293}));
  // No frame (no window manager): the client alone.
  EXPECT_EQ(FramePlacement(work, {960, 449}, {}, 0, 0), (TPoint{160, 303}));
  // Too large for the room: raised to the virtual screen's edges.
  EXPECT_EQ(FramePlacement({0, 0, 800, 400}, {960, 449}, {5, 5, 29, 5}, 0, 0), (TPoint{0, 0}));
}

TEST(Placement, FrameSidesAsAnnounced) {
  const std::uint32_t sides[] = {5, 6, 29, 7};
  EXPECT_EQ(FrameFromSides(sides), (TFrameExtents{5, 6, 29, 7}));
  EXPECT_EQ(FrameFromSides(std::span(sides, 3)), std::nullopt);
  const std::uint32_t garbled[] = {5, 5, 0xffffffe0u, 5};  // a negative side
  EXPECT_EQ(FrameFromSides(garbled), std::nullopt);
}

TEST(Placement, WorkAreaCutToThePrimaryScreen) {
  // Two heads side by side: the desktop announces one area over both.
  const TRect primary{0, 0, 1280, 1024};
  EXPECT_EQ(WorkAreaOfScreen(primary, TRect{0, 32, 2560, 992}), (TRect{0, 32, 1280, 992}));
  EXPECT_EQ(WorkAreaOfScreen({1280, 0, 1280, 1024}, TRect{0, 32, 2560, 992}), (TRect{1280, 32, 1280, 992}));
  // Nothing announced, or an area off this screen: the whole screen.
  EXPECT_EQ(WorkAreaOfScreen(primary, std::nullopt), primary);
  EXPECT_EQ(WorkAreaOfScreen(primary, TRect{2560, 0, 800, 600}), primary);
}

TEST(Placement, PrimaryHeadOfAMonitorOverSeveralHeads) {
  const TRect left{0, 0, 1280, 1024}, right{1280, 0, 1280, 1024}, both{0, 0, 2560, 1024};
  // One monitor over two Xinerama heads: the first head.
  const TRect two[] = {left, right};
  EXPECT_EQ(PrimaryHead(both, two), left);
  // A monitor per head, the primary on the right: the toolkit's own choice stands.
  const TRect primaryRight[] = {right, left};
  EXPECT_EQ(PrimaryHead(left, primaryRight), left);
  EXPECT_EQ(PrimaryHead(right, two), right);
  // One head, or none listed (no Xinerama): the monitor.
  const TRect one[] = {both};
  EXPECT_EQ(PrimaryHead(both, one), both);
  EXPECT_EQ(PrimaryHead(both, {}), both);
  // The first head off the monitor: the monitor.
  const TRect elsewhere[] = {{2560, 0, 800, 600}, left, right};
  EXPECT_EQ(PrimaryHead(both, elsewhere), both);
}

TEST(Placement, PictureCentredInItsBox) {
  EXPECT_EQ(CentreOffset({161, 149}, {128, 128}), (TPoint{16, 10}));
  EXPECT_EQ(CentreOffset({198, 184}, {128, 128}), (TPoint{35, 28}));
  EXPECT_EQ(CentreOffset({100, 100}, {129, 101}), (TPoint{-14, 0}));
}

}  // namespace
}  // namespace zel
