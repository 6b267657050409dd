// The application-wide cursor: what is shown and which window is asked, one test
// per rule, against a host that records its calls and answers from a scripted screen.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/CursorRestore.h"

namespace zel {
namespace {

using Calls = std::vector<std::string>;

// The windows of the scripted screen: one of the launcher's thread, one of another program.
char gOurWindow;
char gOtherWindow;
TNativeWindow const kOurs = &gOurWindow;
TNativeWindow const kOther = &gOtherWindow;

std::string Name(TNativeWindow window) { return window == kOurs ? "ours" : window == kOther ? "other" : "?"; }

class TRecordingHost final : public TCursorHost {
 public:
  void ShowCursor(TCursorShape shape) override {
    calls.push_back(shape == TCursorShape::Wait ? "show wait" : "show arrow");
  }
  std::optional<TPoint> PointerPosition() override { return pointer; }
  // Only the pointer's own position finds the window under it.
  TNativeWindow WindowAt(TPoint screen) override { return screen == pointer ? under : nullptr; }
  bool OnOwnThread(TNativeWindow window) override { return window == kOurs; }
  std::intptr_t HitTest(TNativeWindow window, TPoint screen) override {
    calls.push_back("hit-test " + Name(window) + " at " + std::to_string(screen.x) + "," + std::to_string(screen.y));
    return hitTest;
  }
  void AskForCursor(TNativeWindow window, std::intptr_t answer) override {
    // The window answers from the override as it is when asked.
    calls.push_back("ask " + Name(window) + " hit " + std::to_string(answer) +
                    (cursor != nullptr && cursor->Current() == TCursorKind::Wait ? " (wait still set)" : ""));
  }

  Calls Take() { return std::exchange(calls, {}); }

  std::optional<TPoint> pointer = TPoint{500, 300};
  TNativeWindow under = kOurs;
  std::intptr_t hitTest = 1;  // the client area
  const TAppCursor* cursor = nullptr;
  Calls calls;
};

class AppCursorTest : public ::testing::Test {
 protected:
  AppCursorTest() { host.cursor = &cursor; }
  // Sets the wait cursor and forgets the calls that took.
  void Busy() {
    cursor.Set(TCursorKind::Wait);
    host.Take();
  }
  TRecordingHost host;
  TAppCursor cursor{host};
};

TEST_F(AppCursorTest, SettingTheCurrentValueDoesNothing) {
  EXPECT_EQ(cursor.Current(), TCursorKind::Default);
  cursor.Set(TCursorKind::Default);
  EXPECT_EQ(host.Take(), Calls{});
  cursor.Set(TCursorKind::Wait);
  EXPECT_EQ(host.Take().size(), 1u);
  cursor.Set(TCursorKind::Wait);
  EXPECT_EQ(host.Take(), Calls{});
  EXPECT_EQ(cursor.Current(), TCursorKind::Wait);
  cursor.Set(TCursorKind::Default);
  EXPECT_EQ(host.Take().size(), 2u);
  cursor.Set(TCursorKind::Default);
  EXPECT_EQ(host.Take(), Calls{});
}

TEST_F(AppCursorTest, TheWaitCursorShowsAtOnceWithoutAskingAnyWindow) {
  for (TNativeWindow under : {kOurs, kOther}) {
    host.under = under;
    cursor.Set(TCursorKind::Wait);
    EXPECT_EQ(host.Take(), Calls{"show wait"}) << Name(under);
    EXPECT_EQ(cursor.Current(), TCursorKind::Wait);
    cursor.Set(TCursorKind::Default);
    host.Take();
  }
}

TEST_F(AppCursorTest, RestoringOverOurWindowAsksItAtThePointerOnceTheOverrideIsClear) {
  Busy();
  cursor.Set(TCursorKind::Default);
  EXPECT_EQ(host.Take(), (Calls{"hit-test ours at 500,300", "ask ours hit 1"}));
  EXPECT_EQ(cursor.Current(), TCursorKind::Default);

  // The hit-test answer goes on as it came: the title bar, or an error (negative).
  for (const std::intptr_t answer : {std::intptr_t{2}, std::intptr_t{-2}}) {
    host.hitTest = answer;
    host.pointer = TPoint{-20, 7};
    Busy();
    cursor.Set(TCursorKind::Default);
    EXPECT_EQ(host.Take(), (Calls{"hit-test ours at -20,7", "ask ours hit " + std::to_string(answer)}));
  }
}

TEST_F(AppCursorTest, RestoringOverAnotherProgramsWindowOrNoneSetsTheArrowAndSendsNothing) {
  host.under = kOther;
  Busy();
  cursor.Set(TCursorKind::Default);
  EXPECT_EQ(host.Take(), Calls{"show arrow"}) << "another thread's or program's window";

  host.under = nullptr;
  Busy();
  cursor.Set(TCursorKind::Default);
  EXPECT_EQ(host.Take(), Calls{"show arrow"}) << "no window under the pointer";

  host.under = kOurs;
  host.pointer.reset();
  Busy();
  cursor.Set(TCursorKind::Default);
  EXPECT_EQ(host.Take(), Calls{"show arrow"}) << "the pointer's position unknown";
  EXPECT_EQ(cursor.Current(), TCursorKind::Default);
}

}  // namespace
}  // namespace zel
