// Mouse routing and the command buttons' rules, driven as event sequences over
// the main window's own component table against a host that records its calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "controls/MouseRouter.h"

namespace zel::controls {
namespace {

using Calls = std::vector<std::string>;

// The main window's components, bottom first, at 96 pixels per inch.
enum : std::size_t { kTopImage, kBuyFull, kFormList, kSamples, kImage1 };

std::vector<TComponentBox> MainWindowComponents() {
  return {
      {TComponentKind::Picture, {0, 0, 960, 171}},
      {TComponentKind::Button, {8, 292, 944, 149}},
      {TComponentKind::Button, {8, 177, 468, 109}},
      {TComponentKind::Button, {479, 177, 473, 109}},
      {TComponentKind::Picture, {664, 292, 161, 149}},
  };
}

// Points of interest in the client area.
constexpr TPoint kOnBanner{100, 50};
constexpr TPoint kOnBuy{100, 350};         // the buy button, left of the picture
constexpr TPoint kOnBuyRight{900, 350};    // the buy button, right of the picture
constexpr TPoint kOnPicture{700, 350};     // Image1, over the buy button
constexpr TPoint kOnFormList{200, 200};
constexpr TPoint kOnFormList2{300, 250};
constexpr TPoint kOnSamples{600, 200};
constexpr TPoint kBetweenButtons{477, 200};  // the 3-pixel gap: the window itself
constexpr TPoint kOutsideWindow{-40, 1200};

class TRecordingHost final : public TRouterHost {
 public:
  void CaptureMouse() override {
    calls.push_back("capture");
    captured = true;
  }
  void ReleaseMouse() override {
    calls.push_back("release");
    captured = false;
  }
  void TrackMouseLeave() override { calls.push_back("track"); }
  void RepaintNow(std::size_t index) override { calls.push_back("paint " + Name(index)); }
  void RequestRepaint(std::size_t index) override {
    calls.push_back("invalidate " + Name(index));
  }
  void Click(std::size_t index) override { calls.push_back("click " + Name(index)); }

  // The calls since the last Take.
  Calls Take() { return std::exchange(calls, {}); }

  Calls calls;
  bool captured = false;

 private:
  static std::string Name(std::size_t index) {
    static const char* const kNames[] = {"TopImage", "BuyFull", "FormList", "Samples",
                                         "Image1"};
    return kNames[index];
  }
};

class MouseRouterTest : public ::testing::Test {
 protected:
  // Moves the pointer onto p and forgets the calls that took.
  void MoveTo(TPoint p) {
    router.MouseMove(p);
    host.Take();
  }
  void LeftClick(TPoint p) {
    router.ButtonDown(TMouseButton::Left, p, false);
    router.ButtonUp(TMouseButton::Left, p);
  }
  // The click handlers run since the last Take, in order; the other calls are dropped.
  Calls TakeClicks() {
    Calls clicks;
    for (std::string& call : host.Take()) {
      if (call.starts_with("click ")) clicks.push_back(std::move(call));
    }
    return clicks;
  }

  TRecordingHost host;
  TMouseRouter router{MainWindowComponents(), host};
};

// --- routing --------------------------------------------------------------

TEST_F(MouseRouterTest, HitTestPicksTheTopmostComponentWithHalfOpenEdges) {
  EXPECT_EQ(router.HitTest(kOnBanner), kTopImage);
  EXPECT_EQ(router.HitTest(kOnBuy), kBuyFull);
  EXPECT_EQ(router.HitTest(kOnPicture), kImage1);
  EXPECT_EQ(router.HitTest(kOnSamples), kSamples);
  EXPECT_EQ(router.HitTest(kBetweenButtons), std::nullopt);
  EXPECT_EQ(router.HitTest(kOutsideWindow), std::nullopt);
  // Image1 covers 664..824 across and 292..440 down.
  EXPECT_EQ(router.HitTest({663, 292}), kBuyFull);
  EXPECT_EQ(router.HitTest({664, 292}), kImage1);
  EXPECT_EQ(router.HitTest({824, 440}), kImage1);
  EXPECT_EQ(router.HitTest({825, 440}), kBuyFull);
  EXPECT_EQ(router.HitTest({700, 441}), std::nullopt);
  EXPECT_EQ(router.HitTest({7, 300}), std::nullopt);
  EXPECT_EQ(router.HitTest({951, 300}), kBuyFull);
  EXPECT_EQ(router.HitTest({952, 300}), std::nullopt);
}

TEST(MouseRouterRouting, HiddenOrDisabledComponentsAreSkipped) {
  TRecordingHost host;
  auto components = MainWindowComponents();
  components[kImage1].visible = false;
  components[kSamples].enabled = false;
  TMouseRouter router(components, host);
  EXPECT_EQ(router.HitTest(kOnPicture), kBuyFull);
  EXPECT_EQ(router.HitTest(kOnSamples), std::nullopt);

  // With the picture hidden, a click where it was belongs to the buy button.
  router.ButtonDown(TMouseButton::Left, kOnPicture, false);
  router.ButtonUp(TMouseButton::Left, kOnPicture);
  EXPECT_EQ(host.calls.back(), "click BuyFull");
}

TEST_F(MouseRouterTest, SetRectMovesTheComponent) {
  router.SetRect(kImage1, {680, 302, 128, 128});
  EXPECT_EQ(router.Component(kImage1).rect.left, 680);
  EXPECT_EQ(router.HitTest({670, 350}), kBuyFull);
  EXPECT_EQ(router.HitTest({680, 302}), kImage1);
  EXPECT_EQ(router.Count(), 5u);
}

TEST_F(MouseRouterTest, LeaveTrackingIsRequestedOnceUntilThePointerLeaves) {
  router.MouseMove(kBetweenButtons);
  router.MouseMove({477, 210});
  router.MouseMove({478, 220});
  EXPECT_EQ(host.Take(), (Calls{"track"}));

  router.MouseLeave();
  EXPECT_TRUE(host.Take().empty());
  router.MouseMove(kBetweenButtons);
  EXPECT_EQ(host.Take(), (Calls{"track"}));
}

TEST_F(MouseRouterTest, LeaveTrackingIsRearmedAfterALeaveDuringACapture) {
  MoveTo(kOnFormList);
  router.ButtonDown(TMouseButton::Left, kOnFormList, false);
  router.MouseLeave();
  host.Take();
  // The capture holder is not told; the notice is asked for again.
  router.MouseMove(kOutsideWindow);
  EXPECT_EQ(host.Take(), (Calls{"track", "paint FormList"}));
  router.MouseLeave();
  router.ButtonUp(TMouseButton::Left, kOutsideWindow);
  EXPECT_EQ(host.Take(), (Calls{"release", "track"}));
  // The pointer outside: the fresh request reports leaving, which now counts.
  router.MouseLeave();
  router.MouseMove(kOnFormList);
  EXPECT_EQ(host.Take(), (Calls{"paint FormList", "track", "paint FormList"}));
  EXPECT_EQ(router.Look(kFormList, true), TButtonLook::Hot);
}

// --- picture boxes --------------------------------------------------------

TEST_F(MouseRouterTest, AClickOnThePictureRunsNothingAndMarksNothing) {
  MoveTo(kOnBuy);
  router.MouseMove(kOnPicture);
  EXPECT_EQ(host.Take(), (Calls{"paint BuyFull"}));  // left the buy button
  EXPECT_EQ(router.Look(kBuyFull, true), TButtonLook::Normal);

  router.ButtonDown(TMouseButton::Left, kOnPicture, false);
  EXPECT_EQ(router.CaptureHolder(), kImage1);
  EXPECT_FALSE(router.IsDown(kBuyFull));
  router.ButtonUp(TMouseButton::Left, kOnPicture);
  EXPECT_EQ(host.Take(), (Calls{"capture", "release"}));
  EXPECT_EQ(router.CaptureHolder(), std::nullopt);
}

TEST_F(MouseRouterTest, ADoubleClickOnThePictureRunsNothing) {
  MoveTo(kOnPicture);
  LeftClick(kOnPicture);
  router.ButtonDown(TMouseButton::Left, kOnPicture, true);
  router.ButtonUp(TMouseButton::Left, kOnPicture);
  EXPECT_EQ(host.Take(), (Calls{"capture", "release", "capture", "release"}));
}

TEST_F(MouseRouterTest, APressOnThePictureReleasedOnTheBuyButtonRunsNothing) {
  MoveTo(kOnPicture);
  router.ButtonDown(TMouseButton::Left, kOnPicture, false);
  router.MouseMove(kOnBuy);
  router.ButtonUp(TMouseButton::Left, kOnBuy);
  EXPECT_EQ(host.Take(), (Calls{"capture", "release"}));
  EXPECT_FALSE(router.IsDown(kBuyFull));
  // The buy button is entered only by the next move.
  router.MouseMove(kOnBuy);
  EXPECT_EQ(host.Take(), (Calls{"paint BuyFull"}));
}

TEST_F(MouseRouterTest, AClickAnywhereInThePictureBoxRunsNothing) {
  // The corners of the 161 x 149 box and its margins around the drawn 128 x 128
  // picture (680..807 across, 302..429 down) belong to the box as much as its middle.
  for (TPoint p : {TPoint{664, 292}, TPoint{824, 292}, TPoint{664, 440}, TPoint{824, 440},
                   TPoint{670, 350}, TPoint{815, 350}, TPoint{740, 295}, TPoint{740, 435}}) {
    MoveTo(p);
    router.ButtonDown(TMouseButton::Left, p, false);
    EXPECT_EQ(router.CaptureHolder(), kImage1) << p.x << "," << p.y;
    EXPECT_FALSE(router.IsDown(kBuyFull)) << p.x << "," << p.y;
    router.ButtonUp(TMouseButton::Left, p);
    EXPECT_TRUE(TakeClicks().empty()) << p.x << "," << p.y;
  }
  // One pixel outside the box on either side the button takes the click.
  for (TPoint p : {TPoint{663, 350}, TPoint{825, 350}}) {
    MoveTo(p);
    LeftClick(p);
    EXPECT_EQ(TakeClicks(), (Calls{"click BuyFull"})) << p.x << "," << p.y;
  }
}

TEST_F(MouseRouterTest, APictureHeldPressDraggedOverTheBuyButtonNeverPressesIt) {
  MoveTo(kOnPicture);
  router.ButtonDown(TMouseButton::Left, kOnPicture, false);
  for (TPoint p : {kOnBuy, kOnBuyRight, kOnPicture, kOnBuyRight}) {
    router.MouseMove(p);
    EXPECT_FALSE(router.IsDown(kBuyFull)) << p.x << "," << p.y;
    EXPECT_EQ(router.Look(kBuyFull, true), TButtonLook::Normal) << p.x << "," << p.y;
  }
  router.ButtonUp(TMouseButton::Left, kOnBuyRight);
  EXPECT_TRUE(TakeClicks().empty());
  EXPECT_EQ(router.CaptureHolder(), std::nullopt);
  // The next press on the button is an ordinary click.
  MoveTo(kOnBuyRight);
  LeftClick(kOnBuyRight);
  EXPECT_EQ(TakeClicks(), (Calls{"click BuyFull"}));
}

TEST_F(MouseRouterTest, TheBannerSwallowsPressesToo) {
  MoveTo(kOnBanner);
  router.ButtonDown(TMouseButton::Left, kOnBanner, false);
  router.MouseMove(kOnFormList);
  router.ButtonUp(TMouseButton::Left, kOnFormList);
  EXPECT_EQ(host.Take(), (Calls{"capture", "release"}));
}

// --- rule 1: a left press -------------------------------------------------

TEST_F(MouseRouterTest, ALeftPressCapturesAndDrawsThePressedButton) {
  MoveTo(kOnFormList);
  router.ButtonDown(TMouseButton::Left, kOnFormList, false);
  EXPECT_EQ(host.Take(), (Calls{"capture", "paint FormList"}));
  EXPECT_TRUE(host.captured);
  EXPECT_EQ(router.CaptureHolder(), kFormList);
  EXPECT_TRUE(router.IsDown(kFormList));
  EXPECT_EQ(router.Look(kFormList, true), TButtonLook::Pressed);
  EXPECT_EQ(router.Look(kFormList, false), TButtonLook::Pressed);
}

TEST_F(MouseRouterTest, APressOnTheWindowItselfDoesNothing) {
  MoveTo(kBetweenButtons);
  LeftClick(kBetweenButtons);
  EXPECT_TRUE(host.Take().empty());
}

// --- rule 2: dragging -----------------------------------------------------

TEST_F(MouseRouterTest, DraggingOutAndBackTogglesDownWithOneRepaintEach) {
  MoveTo(kOnSamples);
  router.ButtonDown(TMouseButton::Left, kOnSamples, false);
  host.Take();

  router.MouseMove({610, 210});  // still inside
  EXPECT_TRUE(host.Take().empty());
  router.MouseMove(kBetweenButtons);
  EXPECT_EQ(host.Take(), (Calls{"paint Samples"}));
  EXPECT_FALSE(router.IsDown(kSamples));
  router.MouseMove(kOnFormList);  // over another button: no enter while captured
  router.MouseMove(kOutsideWindow);
  EXPECT_TRUE(host.Take().empty());
  EXPECT_EQ(router.Look(kFormList, true), TButtonLook::Normal);
  router.MouseMove(kOnSamples);
  EXPECT_EQ(host.Take(), (Calls{"paint Samples"}));
  EXPECT_TRUE(router.IsDown(kSamples));
}

TEST_F(MouseRouterTest, DraggedOntoThePictureTheBuyButtonStaysDownAndClicks) {
  MoveTo(kOnBuy);
  router.ButtonDown(TMouseButton::Left, kOnBuy, false);
  router.MouseMove(kOnPicture);
  EXPECT_TRUE(router.IsDown(kBuyFull));
  router.ButtonUp(TMouseButton::Left, kOnPicture);
  EXPECT_EQ(host.Take(),
            (Calls{"capture", "paint BuyFull", "release", "invalidate BuyFull", "click BuyFull"}));
}

TEST_F(MouseRouterTest, TheBuyButtonDraggedOffAndBackOntoThePictureStillClicks) {
  MoveTo(kOnBuyRight);
  router.ButtonDown(TMouseButton::Left, kOnBuyRight, false);
  router.MouseMove(kOnSamples);
  EXPECT_FALSE(router.IsDown(kBuyFull));
  router.MouseMove(kOutsideWindow);
  EXPECT_FALSE(router.IsDown(kBuyFull));
  // Back in through the picture: the button's own rectangle decides, not the routing.
  router.MouseMove(kOnPicture);
  EXPECT_TRUE(router.IsDown(kBuyFull));
  router.ButtonUp(TMouseButton::Left, kOnPicture);
  EXPECT_EQ(TakeClicks(), (Calls{"click BuyFull"}));
}

TEST_F(MouseRouterTest, AReleaseOnThePictureWithoutAMoveBetweenStillClicks) {
  MoveTo(kOnBuy);
  router.ButtonDown(TMouseButton::Left, kOnBuy, false);
  router.ButtonUp(TMouseButton::Left, kOnPicture);
  EXPECT_EQ(TakeClicks(), (Calls{"click BuyFull"}));
  EXPECT_EQ(router.CaptureHolder(), std::nullopt);
}

// --- rule 3: the release --------------------------------------------------

TEST_F(MouseRouterTest, AReleaseInsideReleasesTheCaptureThenRepaintsThenClicks) {
  MoveTo(kOnFormList);
  router.ButtonDown(TMouseButton::Left, kOnFormList, false);
  host.Take();
  router.ButtonUp(TMouseButton::Left, kOnFormList2);
  EXPECT_EQ(host.Take(), (Calls{"release", "invalidate FormList", "click FormList"}));
  EXPECT_FALSE(host.captured);
  EXPECT_FALSE(router.IsDown(kFormList));
  EXPECT_EQ(router.Look(kFormList, true), TButtonLook::Normal);
}

TEST_F(MouseRouterTest, APressOnOneButtonReleasedOnAnotherRunsNothing) {
  MoveTo(kOnFormList);
  router.ButtonDown(TMouseButton::Left, kOnFormList, false);
  router.MouseMove(kOnSamples);
  host.Take();
  router.ButtonUp(TMouseButton::Left, kOnSamples);
  // A release outside does nothing more: the cleared hot mark shows at the next paint.
  EXPECT_EQ(host.Take(), (Calls{"release"}));
  EXPECT_EQ(router.Look(kFormList, true), TButtonLook::Normal);
  // At the next move FormList is left and Samples entered, each repainted.
  router.MouseMove(kOnSamples);
  EXPECT_EQ(host.Take(), (Calls{"paint FormList", "paint Samples"}));
  EXPECT_EQ(router.Look(kSamples, true), TButtonLook::Hot);
}

TEST_F(MouseRouterTest, TheButtonReleasedOverIsNeitherPressedNorClicked) {
  MoveTo(kOnSamples);
  router.ButtonDown(TMouseButton::Left, kOnSamples, false);
  router.MouseMove(kOnFormList);
  EXPECT_FALSE(router.IsDown(kFormList));
  EXPECT_EQ(router.Look(kFormList, true), TButtonLook::Normal);
  router.ButtonUp(TMouseButton::Left, kOnFormList);
  EXPECT_TRUE(TakeClicks().empty());
  EXPECT_FALSE(router.IsDown(kSamples));
  // Nothing of the ended press lingers: the button under the pointer clicks normally.
  LeftClick(kOnFormList);
  EXPECT_EQ(TakeClicks(), (Calls{"click FormList"}));
}

TEST_F(MouseRouterTest, AReleaseOutsideWithoutAMoveFirstStillDrawsRaised) {
  router.ButtonDown(TMouseButton::Left, kOnFormList, false);
  host.Take();
  router.ButtonUp(TMouseButton::Left, kOutsideWindow);
  EXPECT_EQ(host.Take(), (Calls{"release", "paint FormList"}));
  EXPECT_FALSE(router.IsDown(kFormList));
}

TEST_F(MouseRouterTest, AReleaseWithoutAPressOfOursDoesNothing) {
  MoveTo(kOnFormList);
  router.ButtonUp(TMouseButton::Left, kOnFormList);
  router.ButtonUp(TMouseButton::Right, kOnFormList);
  EXPECT_TRUE(host.Take().empty());
}

// --- rule 4: double-click -------------------------------------------------

TEST_F(MouseRouterTest, ADoubleClickRunsTheCommandTwice) {
  MoveTo(kOnBuyRight);
  router.ButtonDown(TMouseButton::Left, kOnBuyRight, false);
  router.ButtonUp(TMouseButton::Left, kOnBuyRight);
  router.ButtonDown(TMouseButton::Left, kOnBuyRight, true);
  EXPECT_TRUE(router.IsDown(kBuyFull));
  router.ButtonUp(TMouseButton::Left, kOnBuyRight);
  EXPECT_EQ(host.Take(), (Calls{"capture", "paint BuyFull", "release", "invalidate BuyFull",
                                "click BuyFull", "capture", "paint BuyFull", "release",
                                "invalidate BuyFull", "click BuyFull"}));
}

TEST_F(MouseRouterTest, TheSecondPressOfADoubleClickReleasedOutsideRunsNothing) {
  // The second press is a press like any other, not a click of its own.
  MoveTo(kOnFormList);
  LeftClick(kOnFormList);
  router.ButtonDown(TMouseButton::Left, kOnFormList, true);
  EXPECT_EQ(router.CaptureHolder(), kFormList);
  router.MouseMove(kBetweenButtons);
  router.ButtonUp(TMouseButton::Left, kBetweenButtons);
  EXPECT_EQ(TakeClicks(), (Calls{"click FormList"}));
  EXPECT_EQ(router.CaptureHolder(), std::nullopt);
}

// --- rule 5: other mouse buttons ------------------------------------------

TEST_F(MouseRouterTest, RightOrMiddleButtonsAloneDoNothing) {
  MoveTo(kOnFormList);
  for (TMouseButton b : {TMouseButton::Right, TMouseButton::Middle}) {
    router.ButtonDown(b, kOnFormList, false);
    EXPECT_EQ(router.CaptureHolder(), std::nullopt);
    EXPECT_FALSE(router.IsDown(kFormList));
    router.ButtonDown(b, kOnFormList, true);
    router.ButtonUp(b, kOnFormList);
  }
  router.ButtonDown(TMouseButton::Middle, kOnPicture, false);
  router.ButtonUp(TMouseButton::Middle, kOnPicture);
  // Only the move onto the picture, leaving FormList's hot mark.
  EXPECT_EQ(host.Take(), (Calls{"paint FormList"}));
}

TEST_F(MouseRouterTest, ARightReleaseDuringALeftPressClicksAtOnceAndKeepsTheCapture) {
  MoveTo(kOnSamples);
  router.ButtonDown(TMouseButton::Left, kOnSamples, false);
  router.ButtonDown(TMouseButton::Right, kOnSamples, false);
  host.Take();
  router.ButtonUp(TMouseButton::Right, kOnSamples);
  EXPECT_EQ(host.Take(), (Calls{"invalidate Samples", "click Samples"}));
  EXPECT_EQ(router.CaptureHolder(), kSamples);
  EXPECT_FALSE(router.IsDown(kSamples));

  // The press is over: moving out and in changes nothing.
  router.MouseMove(kBetweenButtons);
  router.MouseMove(kOnSamples);
  EXPECT_TRUE(host.Take().empty());

  router.ButtonUp(TMouseButton::Left, kOnSamples);
  EXPECT_EQ(host.Take(), (Calls{"release"}));
  EXPECT_EQ(router.CaptureHolder(), std::nullopt);
}

TEST_F(MouseRouterTest, AMiddleReleaseOutsideDuringALeftPressEndsItWithoutAClick) {
  router.ButtonDown(TMouseButton::Left, kOnFormList, false);
  router.MouseMove(kOnSamples);
  host.Take();
  router.ButtonUp(TMouseButton::Middle, kOnSamples);
  EXPECT_EQ(host.Take(), Calls{});  // only the hot mark cleared, shown at the next paint
  router.MouseMove(kOnFormList);  // no longer dragging: stays raised
  EXPECT_FALSE(router.IsDown(kFormList));
  router.ButtonUp(TMouseButton::Left, kOnFormList);
  EXPECT_EQ(host.Take(), (Calls{"release"}));
}

TEST_F(MouseRouterTest, ARightReleaseOverThePictureClicksTheHeldBuyButton) {
  MoveTo(kOnBuy);
  router.ButtonDown(TMouseButton::Left, kOnBuy, false);
  router.MouseMove(kOnPicture);
  router.ButtonDown(TMouseButton::Right, kOnPicture, false);
  EXPECT_TRUE(TakeClicks().empty());  // the right press itself does nothing
  router.ButtonUp(TMouseButton::Right, kOnPicture);
  EXPECT_EQ(TakeClicks(), (Calls{"click BuyFull"}));
  EXPECT_EQ(router.CaptureHolder(), kBuyFull);
  router.ButtonUp(TMouseButton::Left, kOnPicture);
  EXPECT_TRUE(TakeClicks().empty());
  EXPECT_EQ(router.CaptureHolder(), std::nullopt);
}

TEST_F(MouseRouterTest, OneLeftPressGivesOneClickHoweverManyRightReleases) {
  MoveTo(kOnFormList);
  router.ButtonDown(TMouseButton::Left, kOnFormList, false);
  for (int i = 0; i < 3; ++i) {
    router.ButtonDown(TMouseButton::Right, kOnFormList, i > 0);
    router.ButtonUp(TMouseButton::Right, kOnFormList);
  }
  router.ButtonUp(TMouseButton::Middle, kOnFormList);
  EXPECT_EQ(TakeClicks(), (Calls{"click FormList"}));
  EXPECT_FALSE(router.IsDown(kFormList));
  EXPECT_EQ(router.CaptureHolder(), kFormList);
  router.ButtonUp(TMouseButton::Left, kOnFormList);
  EXPECT_TRUE(TakeClicks().empty());
  // The press is over with the left release: the next one clicks again.
  LeftClick(kOnFormList);
  EXPECT_EQ(TakeClicks(), (Calls{"click FormList"}));
}

// --- rule 6: cancel mode --------------------------------------------------

TEST_F(MouseRouterTest, ACancelledPressRunsNothingAndLeavesTheButtonRaised) {
  MoveTo(kOnBuy);
  router.ButtonDown(TMouseButton::Left, kOnBuy, false);
  host.Take();
  router.CancelMode();
  EXPECT_EQ(host.Take(), (Calls{"release", "paint BuyFull"}));
  EXPECT_FALSE(host.captured);
  EXPECT_EQ(router.CaptureHolder(), std::nullopt);
  EXPECT_EQ(router.Look(kBuyFull, true), TButtonLook::Normal);

  router.MouseMove(kOnBuy);
  router.ButtonUp(TMouseButton::Left, kOnBuy);
  router.CancelMode();
  EXPECT_TRUE(host.Take().empty());
}

TEST_F(MouseRouterTest, CancelModeGivesBackACaptureHeldWithoutAPress) {
  router.ButtonDown(TMouseButton::Left, kOnPicture, false);
  host.Take();
  router.CancelMode();
  EXPECT_EQ(host.Take(), (Calls{"release"}));

  router.ButtonDown(TMouseButton::Left, kOnFormList, false);
  router.ButtonUp(TMouseButton::Right, kOutsideWindow);
  host.Take();
  router.CancelMode();
  EXPECT_EQ(host.Take(), (Calls{"release"}));
  router.ButtonUp(TMouseButton::Left, kOnFormList);
  EXPECT_TRUE(host.Take().empty());
}

TEST_F(MouseRouterTest, APressCancelledWhileDraggedAwayRunsNothingWhenReleasedInside) {
  MoveTo(kOnBuy);
  router.ButtonDown(TMouseButton::Left, kOnBuy, false);
  router.MouseMove(kOnFormList);
  router.CancelMode();
  EXPECT_EQ(router.CaptureHolder(), std::nullopt);
  EXPECT_FALSE(host.captured);
  // Back over its button, the cancelled press neither presses nor clicks it.
  router.MouseMove(kOnPicture);
  router.MouseMove(kOnBuy);
  EXPECT_FALSE(router.IsDown(kBuyFull));
  router.ButtonUp(TMouseButton::Left, kOnBuy);
  EXPECT_TRUE(TakeClicks().empty());
  // A fresh press after it is an ordinary click.
  LeftClick(kOnBuy);
  EXPECT_EQ(TakeClicks(), (Calls{"click BuyFull"}));
}

TEST_F(MouseRouterTest, APressCancelledOverThePictureRunsNothing) {
  MoveTo(kOnBuy);
  router.ButtonDown(TMouseButton::Left, kOnBuy, false);
  router.MouseMove(kOnPicture);
  EXPECT_TRUE(router.IsDown(kBuyFull));
  router.CancelMode();
  EXPECT_FALSE(router.IsDown(kBuyFull));
  EXPECT_EQ(router.Look(kBuyFull, true), TButtonLook::Normal);
  router.ButtonUp(TMouseButton::Left, kOnPicture);
  EXPECT_TRUE(TakeClicks().empty());
}

// Another program took the capture and the release went there, unreported: the
// next left press finds the last one still held. It ends as a release outside and
// the new press is taken where it lies.
TEST_F(MouseRouterTest, ALeftPressWhileALeftPressIsHeldEndsTheLostOneUnclicked) {
  MoveTo(kOnFormList);
  router.ButtonDown(TMouseButton::Left, kOnFormList, false);
  host.Take();
  router.ButtonDown(TMouseButton::Left, kOnSamples, false);
  EXPECT_EQ(host.Take(), (Calls{"release", "paint FormList", "paint FormList", "paint Samples", "capture",
                                "paint Samples"}));
  EXPECT_FALSE(router.IsDown(kFormList));
  EXPECT_EQ(router.Look(kFormList, true), TButtonLook::Normal);
  EXPECT_TRUE(router.IsDown(kSamples));
  EXPECT_EQ(router.CaptureHolder(), kSamples);
  router.ButtonUp(TMouseButton::Left, kOnSamples);
  EXPECT_EQ(host.Take(), (Calls{"release", "invalidate Samples", "click Samples"}));

  // On the same button, dragged off first: one click, for the new press only.
  router.ButtonDown(TMouseButton::Left, kOnBuy, false);
  router.MouseMove(kOutsideWindow);
  router.ButtonDown(TMouseButton::Left, kOnBuy, false);
  EXPECT_TRUE(router.IsDown(kBuyFull));
  router.ButtonUp(TMouseButton::Left, kOnBuy);
  EXPECT_EQ(TakeClicks(), (Calls{"click BuyFull"}));

  // Held on the picture, or a press a right release already ended: the capture goes.
  for (TPoint held : {kOnPicture, kOnFormList}) {
    router.ButtonDown(TMouseButton::Left, held, false);
    router.ButtonUp(TMouseButton::Right, kOutsideWindow);
    router.ButtonDown(TMouseButton::Left, kOnBuyRight, false);
    EXPECT_EQ(router.CaptureHolder(), kBuyFull) << held.x;
    router.ButtonUp(TMouseButton::Left, kOnBuyRight);
    EXPECT_EQ(TakeClicks(), (Calls{"click BuyFull"})) << held.x;
    EXPECT_FALSE(host.captured) << held.x;
  }
}

// A handler that opens an owned window: the platform cancels the mode from
// inside the click, which must find the press already over.
TEST(MouseRouterReentry, CancelModeFromInsideTheClickHandlerIsHarmless) {
  class TCancellingHost final : public TRouterHost {
   public:
    void CaptureMouse() override { ++captures; }
    void ReleaseMouse() override { ++releases; }
    void TrackMouseLeave() override {}
    void RepaintNow(std::size_t) override { ++repaints; }
    void RequestRepaint(std::size_t) override {}
    void Click(std::size_t) override {
      ++clicks;
      router->CancelMode();
    }
    TMouseRouter* router = nullptr;
    int captures = 0, releases = 0, repaints = 0, clicks = 0;
  } host;
  TMouseRouter router(MainWindowComponents(), host);
  host.router = &router;

  router.ButtonDown(TMouseButton::Left, kOnFormList, false);
  router.ButtonUp(TMouseButton::Left, kOnFormList);
  EXPECT_EQ(host.clicks, 1);
  EXPECT_EQ(host.captures, 1);
  EXPECT_EQ(host.releases, 1);

  // During a right release the capture is still held; cancelling gives it back once.
  router.ButtonDown(TMouseButton::Left, kOnFormList, false);
  router.ButtonUp(TMouseButton::Right, kOnFormList);
  EXPECT_EQ(host.clicks, 2);
  EXPECT_EQ(host.releases, 2);
  router.ButtonUp(TMouseButton::Left, kOnFormList);
  EXPECT_EQ(host.clicks, 2);
  EXPECT_EQ(host.releases, 2);
  EXPECT_EQ(router.CaptureHolder(), std::nullopt);
}

// --- the hot mark ---------------------------------------------------------

TEST_F(MouseRouterTest, EnterAndLeaveRepaintOnlyWhenTheComponentChanges) {
  router.MouseMove(kOnFormList);
  EXPECT_EQ(host.Take(), (Calls{"track", "paint FormList"}));
  EXPECT_EQ(router.Look(kFormList, true), TButtonLook::Hot);
  EXPECT_EQ(router.Look(kFormList, false), TButtonLook::Normal);

  router.MouseMove(kOnFormList2);
  EXPECT_TRUE(host.Take().empty());
  router.MouseMove(kOnSamples);
  EXPECT_EQ(host.Take(), (Calls{"paint FormList", "paint Samples"}));
  router.MouseMove(kBetweenButtons);
  EXPECT_EQ(host.Take(), (Calls{"paint Samples"}));
  router.MouseMove({478, 180});
  EXPECT_TRUE(host.Take().empty());
  EXPECT_EQ(router.Look(kSamples, true), TButtonLook::Normal);
}

TEST_F(MouseRouterTest, ThePictureHidesTheBuyButtonBeneathIt) {
  router.MouseMove(kOnBuy);
  router.MouseMove(kOnPicture);
  router.MouseMove(kOnBuyRight);
  EXPECT_EQ(host.Take(), (Calls{"track", "paint BuyFull", "paint BuyFull", "paint BuyFull"}));
  EXPECT_EQ(router.Look(kBuyFull, true), TButtonLook::Hot);
}

TEST_F(MouseRouterTest, LeavingTheClientAreaClearsTheHotMark) {
  MoveTo(kOnSamples);
  router.MouseLeave();
  EXPECT_EQ(host.Take(), (Calls{"paint Samples"}));
  EXPECT_EQ(router.Look(kSamples, true), TButtonLook::Normal);
  router.MouseLeave();  // a second notice changes nothing
  EXPECT_TRUE(host.Take().empty());
  router.MouseMove(kOnSamples);
  EXPECT_EQ(host.Take(), (Calls{"track", "paint Samples"}));
}

TEST_F(MouseRouterTest, AfterAClickTheButtonStaysNormalUntilLeftAndEnteredAgain) {
  MoveTo(kOnFormList);
  LeftClick(kOnFormList);
  host.Take();
  EXPECT_EQ(router.Look(kFormList, true), TButtonLook::Normal);
  router.MouseMove(kOnFormList2);
  EXPECT_TRUE(host.Take().empty());
  EXPECT_EQ(router.Look(kFormList, true), TButtonLook::Normal);

  // Leaving repaints it though the mark is already clear; coming back marks it.
  router.MouseMove(kBetweenButtons);
  EXPECT_EQ(host.Take(), (Calls{"paint FormList"}));
  router.MouseMove(kOnFormList);
  EXPECT_EQ(host.Take(), (Calls{"paint FormList"}));
  EXPECT_EQ(router.Look(kFormList, true), TButtonLook::Hot);
}

TEST_F(MouseRouterTest, ACancelOrARightReleaseClearsTheMarkUntilThePointerComesBack) {
  struct TEnding {
    const char* name;
    void (*end)(TMouseRouter&);
  };
  const TEnding endings[] = {
      {"cancel", [](TMouseRouter& r) { r.CancelMode(); }},
      {"right release",
       [](TMouseRouter& r) {
         r.ButtonDown(TMouseButton::Right, kOnSamples, false);
         r.ButtonUp(TMouseButton::Right, kOnSamples);
         r.ButtonUp(TMouseButton::Left, kOnSamples);
       }},
  };
  for (const TEnding& ending : endings) {
    MoveTo(kBetweenButtons);
    MoveTo(kOnSamples);
    ASSERT_EQ(router.Look(kSamples, true), TButtonLook::Hot) << ending.name;
    router.ButtonDown(TMouseButton::Left, kOnSamples, false);
    ending.end(router);
    host.Take();
    EXPECT_EQ(router.Look(kSamples, true), TButtonLook::Normal) << ending.name;
    // Moving over the button does not bring the mark back...
    router.MouseMove({700, 250});
    EXPECT_EQ(router.Look(kSamples, true), TButtonLook::Normal) << ending.name;
    // ...and a press made now shows normal when dragged outside.
    router.ButtonDown(TMouseButton::Left, kOnSamples, false);
    router.MouseMove(kBetweenButtons);
    EXPECT_EQ(router.Look(kSamples, true), TButtonLook::Normal) << ending.name;
    router.ButtonUp(TMouseButton::Left, kBetweenButtons);
    // Leaving and coming back marks it again.
    router.MouseMove(kBetweenButtons);
    router.MouseMove(kOnSamples);
    EXPECT_EQ(router.Look(kSamples, true), TButtonLook::Hot) << ending.name;
  }
}

// Released outside, the button keeps the drag's look (nothing repainted), though
// its mark is gone. Whatever the pointer does next, leaving the button repaints it.
TEST_F(MouseRouterTest, AButtonReleasedOutsideIsRepaintedWhenThePointerLeavesIt) {
  struct TCase {
    const char* name;
    TPoint press;
    TPoint releasedOn;
    TPoint leftFor;  // where the pointer goes after coming back
    std::size_t button;
    const char* painted;
    Calls leaving;
  };
  const TCase cases[] = {
      {"buy, banner, picture", kOnBuy, kOnBanner, kOnPicture, kBuyFull, "paint BuyFull", {"paint BuyFull"}},
      {"forms, gap, samples", kOnFormList, kBetweenButtons, kOnSamples, kFormList, "paint FormList",
       {"paint FormList", "paint Samples"}},
  };
  for (const TCase& c : cases) {
    MoveTo(kOutsideWindow);
    router.MouseLeave();
    MoveTo(c.press);
    router.ButtonDown(TMouseButton::Left, c.press, false);
    router.MouseMove(c.releasedOn);
    ASSERT_EQ(router.Look(c.button, true), TButtonLook::Hot) << c.name;
    host.Take();
    router.ButtonUp(TMouseButton::Left, c.releasedOn);
    EXPECT_EQ(host.Take(), (Calls{"release"})) << c.name;  // no repaint
    // Straight back, with no move reported between: still the same component.
    router.MouseMove(c.press);
    EXPECT_TRUE(host.Take().empty()) << c.name;
    router.MouseMove(c.leftFor);
    EXPECT_EQ(host.Take(), c.leaving) << c.name;
    EXPECT_EQ(router.Look(c.button, true), TButtonLook::Normal) << c.name;

    // With a move reported where it was released: left there, entered on the way back.
    router.ButtonDown(TMouseButton::Left, c.press, false);
    router.MouseMove(c.releasedOn);
    router.ButtonUp(TMouseButton::Left, c.releasedOn);
    host.Take();
    router.MouseMove(c.releasedOn);
    router.MouseMove(c.press);
    EXPECT_EQ(router.Look(c.button, true), TButtonLook::Hot) << c.name;
    router.MouseMove(c.leftFor);
    EXPECT_EQ(router.Look(c.button, true), TButtonLook::Normal) << c.name;
    const Calls calls = host.Take();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), c.painted), 3) << c.name;  // left, entered, left
  }
}

TEST_F(MouseRouterTest, APressBeforeReEnteringShowsNormalWhenDraggedOutside) {
  MoveTo(kOnFormList);
  LeftClick(kOnFormList);
  router.ButtonDown(TMouseButton::Left, kOnFormList, false);
  router.MouseMove(kBetweenButtons);
  EXPECT_EQ(router.Look(kFormList, true), TButtonLook::Normal);
}

TEST_F(MouseRouterTest, APressStartedWhileHotShowsHotWhenDraggedOutside) {
  MoveTo(kOnFormList);
  router.ButtonDown(TMouseButton::Left, kOnFormList, false);
  router.MouseMove(kBetweenButtons);
  EXPECT_EQ(router.Look(kFormList, true), TButtonLook::Hot);
  EXPECT_EQ(router.Look(kFormList, false), TButtonLook::Normal);
  // Leaving the client area while held is not told either.
  router.MouseLeave();
  EXPECT_EQ(router.Look(kFormList, true), TButtonLook::Hot);
  // Released outside: the mark goes, and the plain look follows at the next paint.
  host.Take();
  router.ButtonUp(TMouseButton::Left, kBetweenButtons);
  EXPECT_EQ(host.Take(), (Calls{"release", "track"}));
  EXPECT_EQ(router.Look(kFormList, true), TButtonLook::Normal);
}

TEST_F(MouseRouterTest, APressWithoutAMoveFirstEntersTheButton) {
  router.ButtonDown(TMouseButton::Left, kOnSamples, false);
  EXPECT_EQ(host.Take(), (Calls{"track", "paint Samples", "capture", "paint Samples"}));
  router.MouseMove(kBetweenButtons);
  EXPECT_EQ(router.Look(kSamples, true), TButtonLook::Hot);
}

// --- capture --------------------------------------------------------------

TEST_F(MouseRouterTest, TheCaptureHolderGetsEventsFromOutsideTheWindow) {
  MoveTo(kOnBuyRight);
  router.ButtonDown(TMouseButton::Left, kOnBuyRight, false);
  host.Take();
  router.MouseMove(kOutsideWindow);
  EXPECT_EQ(host.Take(), (Calls{"paint BuyFull"}));
  router.MouseMove({2000, 380});
  router.MouseMove({800, -30});
  EXPECT_TRUE(host.Take().empty());
  router.MouseMove({951, 440});  // the bottom-right pixel of the button
  EXPECT_EQ(host.Take(), (Calls{"paint BuyFull"}));
  router.ButtonUp(TMouseButton::Left, {952, 440});
  EXPECT_EQ(host.Take(), (Calls{"release", "paint BuyFull"}));
}

TEST_F(MouseRouterTest, NothingIsEnteredOrLeftWhileTheCaptureIsHeld) {
  MoveTo(kOnPicture);
  router.ButtonDown(TMouseButton::Left, kOnPicture, false);
  router.MouseMove(kOnSamples);
  router.ButtonDown(TMouseButton::Right, kOnSamples, false);
  router.ButtonUp(TMouseButton::Right, kOnSamples);
  router.MouseLeave();
  EXPECT_EQ(host.Take(), (Calls{"capture"}));
  EXPECT_EQ(router.Look(kSamples, true), TButtonLook::Normal);
  EXPECT_EQ(router.CaptureHolder(), kImage1);
}

}  // namespace
}  // namespace zel::controls
