// What a screen reader is told of the main window's definition: the objects, their
// names, places and states, the object under a point, and pressing a button, over a
// form loaded through a peer that records what the window would be asked to do.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "ZelMainForm.h"
#include "core/Commands.h"
#include "form/Accessible.h"
#include "form_quiet_peer.h"

namespace zel {
namespace {

using controls::TMouseButton;
using TCalls = std::vector<std::wstring>;

std::vector<std::uint8_t> ReadRes(const char* name) {
  std::ifstream file(std::string(ZEL_SOURCE_DIR) + "/res/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Measures text height T; records the cursor and the commands handed to the shell.
class TRecordingPeer final : public test::TQuietPeer {
 public:
  explicit TRecordingPeer(int textHeight) : textHeight_(textHeight) {}
  std::span<const std::uint8_t> ResourceBytes(std::wstring_view name) override {
    return name == L"BANNER" ? banner_ : buy_;
  }
  int CreateNativeWindow(std::wstring_view, const TFontDecl&, int) override { return textHeight_; }
  void SetBusyCursor(bool busy) override { calls.push_back(busy ? L"busy" : L"normal"); }
  void OpenFolder(std::wstring_view path) override { Record(path); }
  void OpenAddress(std::wstring_view address) override { Record(address); }
  void Record(std::wstring_view target) {
    calls.emplace_back(target);
    if (fail) throw std::runtime_error("no shell");
  }
  TCalls calls;
  bool fail = false;

 private:
  int textHeight_;
  std::vector<std::uint8_t> banner_ = ReadRes("banner.jpg"), buy_ = ReadRes("buy.png");
};

// The main window's definition with handlers that run the command table, as the
// launcher's own form does.
class TTestForm final : public TForm {
 public:
  explicit TTestForm(int textHeight) : TForm(MainFormDefinition()), peer(textHeight) {
    Load(peer);
    DoCreate();
    peer.calls.clear();
  }
  TRecordingPeer peer;
  TComponent *buy = nullptr, *forms = nullptr, *samples = nullptr;

 private:
  void Create(TForm&) {
    forms->SetCaption(L"Список форм");
    samples->SetCaption(L"Примеры");
    buy->SetCaption(L"Купить полную версию");
  }
  template <std::size_t row>
  void Run(TComponent&) {
    Execute(kCommandTable[row], [] { return std::wstring(L"C:\\Z\\"); });
  }
  std::span<const TClickBinding> ClickHandlers() const noexcept override {
    static const TClickBinding table[] = {{"SpeedButtonFormListClick", AsFormHandler(&TTestForm::Run<0>)},
                                          {"SpeedButtonSamplesClick", AsFormHandler(&TTestForm::Run<1>)},
                                          {"SpeedButtonBuyFullClick", AsFormHandler(&TTestForm::Run<2>)}};
    return table;
  }
  std::span<const TCreateBinding> CreateHandlers() const noexcept override {
    static const TCreateBinding table[] = {{"FormCreate", AsFormHandler(&TTestForm::Create)}};
    return table;
  }
  std::span<const TFieldBinding> Fields() const noexcept override {
    static const TFieldBinding table[] = {{"SpeedButtonBuyFull", AsFormField(&TTestForm::buy)},
                                          {"SpeedButtonFormList", AsFormField(&TTestForm::forms)},
                                          {"SpeedButtonSamples", AsFormField(&TTestForm::samples)}};
    return table;
  }
};

enum : std::size_t { kBuy, kForms, kSamples, kBanner };

TEST(Accessible, TheButtonsInDefinitionOrderThenTheBannerWithNoObjectForThePictureOnTheButton) {
  TTestForm form(13);
  const TFormAccessible accessible(form);
  ASSERT_EQ(accessible.Count(), 4u);
  const std::wstring_view names[] = {L"Купить полную версию", L"Список форм", L"Примеры", L""};
  const TRect places[] = {{8, 292, 944, 149}, {8, 177, 468, 109}, {479, 177, 473, 109}, {0, 0, 960, 171}};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(accessible.Name(i), names[i]);
    EXPECT_EQ(accessible.Bounds(i), places[i]);
    EXPECT_EQ(accessible.Role(i), i == kBanner ? TAccessibleRole::Graphic : TAccessibleRole::PushButton);
    EXPECT_EQ(accessible.CanPress(i), i != kBanner);
  }
  // The object under a point is what a click there reaches; on the picture, its button.
  EXPECT_EQ(accessible.HitTest({200, 200}), kForms);
  EXPECT_EQ(accessible.HitTest({600, 200}), kSamples);
  EXPECT_EQ(accessible.HitTest({100, 350}), kBuy);
  EXPECT_EQ(accessible.HitTest({700, 350}), kBuy);
  EXPECT_EQ(accessible.HitTest({100, 50}), kBanner);
  EXPECT_EQ(accessible.HitTest({477, 200}), std::nullopt);  // between the upper buttons
  EXPECT_EQ(accessible.HitTest({-1, 5}), std::nullopt);
}

TEST(Accessible, PlacesAreScaledAndTheBannerFollowsTheClientWidth) {
  TTestForm form(16);
  const TFormAccessible accessible(form);
  EXPECT_EQ(accessible.Bounds(kBuy), (TRect{10, 359, 1162, 184}));
  EXPECT_EQ(accessible.Bounds(kBanner).width, 1182);
  form.FollowClientWidth(1400);
  EXPECT_EQ(accessible.Bounds(kBanner), (TRect{0, 0, 1400, 210}));
}

TEST(Accessible, PressedOnlyWhileHeldWithThePointerOnIt) {
  TTestForm form(13);
  const TFormAccessible accessible(form);
  auto& mouse = form.Mouse();
  const auto pressed = [&](std::size_t i) { return accessible.States(i, {}).pressed; };
  const TAccessibleStates rest = accessible.States(kForms, {});
  EXPECT_TRUE(rest.enabled && rest.visible && !rest.offscreen && !pressed(kForms));
  mouse.ButtonDown(TMouseButton::Left, {200, 200}, false);
  EXPECT_TRUE(pressed(kForms));
  EXPECT_FALSE(pressed(kSamples));
  mouse.MouseMove({600, 200});
  EXPECT_FALSE(pressed(kForms));
  mouse.MouseMove({210, 200});
  EXPECT_TRUE(pressed(kForms));
  mouse.ButtonUp(TMouseButton::Left, {210, 200});
  EXPECT_FALSE(pressed(kForms));
  mouse.ButtonDown(TMouseButton::Left, {700, 350}, false);  // the picture presses nothing
  EXPECT_FALSE(pressed(kBuy));
  mouse.ButtonUp(TMouseButton::Left, {700, 350});
  EXPECT_EQ(form.peer.calls, (TCalls{L"busy", L"C:\\Z\\Документы", L"normal"}));  // the one click
}

TEST(Accessible, PressingRunsTheClickCommandUnderTheWaitCursorAndItsErrorReachesTheCaller) {
  TTestForm form(13);
  TFormAccessible accessible(form);
  EXPECT_TRUE(accessible.Activate(kSamples, {}));
  EXPECT_TRUE(accessible.Activate(kBuy, {}));
  EXPECT_FALSE(accessible.Activate(kBanner, {}));
  EXPECT_FALSE(accessible.Activate(17, {}));
  EXPECT_EQ(form.peer.calls, (TCalls{L"busy", L"C:\\Z\\Примеры", L"normal", L"busy",
                                     std::wstring(kPurchaseAddress), L"normal"}));
  form.peer.calls.clear();
  form.peer.fail = true;
  EXPECT_THROW(accessible.Activate(kForms, {}), std::runtime_error);
  EXPECT_EQ(form.peer.calls, (TCalls{L"busy", L"C:\\Z\\Документы", L"normal"}));
}

TEST(Accessible, TheObjectsFollowTheWindowDisabledWhileABoxIsOpenAndOffTheScreenWhileMinimized) {
  TTestForm form(13);
  TFormAccessible accessible(form);
  const TAccessibleWindow disabled{false, true}, minimized{true, false};
  for (std::size_t i = 0; i < accessible.Count(); ++i) {
    const TAccessibleStates off = accessible.States(i, disabled), away = accessible.States(i, minimized);
    EXPECT_TRUE(!off.enabled && off.visible && !off.offscreen) << i;
    EXPECT_TRUE(away.enabled && !away.visible && away.offscreen) << i;
  }
  // Asked for while enabled, run once the window is disabled: nothing runs.
  EXPECT_TRUE(accessible.CanActivate(kBuy, {}));
  EXPECT_FALSE(accessible.CanActivate(kBuy, disabled));
  EXPECT_FALSE(accessible.Activate(kBuy, disabled));
  EXPECT_FALSE(accessible.Activate(kForms, disabled));
  EXPECT_TRUE(form.peer.calls.empty());
  // Minimized, a press runs as a click posted to the window would.
  EXPECT_TRUE(accessible.CanActivate(kSamples, minimized));
  EXPECT_TRUE(accessible.Activate(kBuy, minimized));
  EXPECT_EQ(form.peer.calls, (TCalls{L"busy", std::wstring(kPurchaseAddress), L"normal"}));
}

}  // namespace
}  // namespace zel
