// What a screen reader is told of the main window's definition: the objects, their
// names, places and states, the object under a point, and pressing a button, over a
// form loaded through a peer that records what the window would be asked to do.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/Commands.h"
#include "form/Accessible.h"

namespace zel {
namespace {

using controls::TMouseButton;

std::vector<std::uint8_t> ReadFile(const std::string& name) {
  std::ifstream file(std::string(ZEL_SOURCE_DIR) + "/res/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class TRecordingPeer final : public TFormPeer {
 public:
  explicit TRecordingPeer(int textHeight) : textHeight_(textHeight) {}
  std::span<const std::uint8_t> ResourceBytes(std::wstring_view name) override {
    return name == L"BANNER" ? std::span<const std::uint8_t>(banner_) : std::span<const std::uint8_t>(buy_);
  }
  int PixelsPerInch() override { return textHeight_ == 13 ? 96 : 120; }
  int CreateNativeWindow(std::wstring_view, const TFontDecl&, int) override { return textHeight_; }
  void SetClientSize(TSize) override {}
  void LoadWindowIcon(std::wstring_view) override {}
  void SetCaption(std::wstring_view) override {}
  void CaptureMouse() override {}
  void ReleaseMouse() override {}
  void TrackMouseLeave() override {}
  void Invalidate(const TRect&) override {}
  void Update() override {}
  void SetBusyCursor(bool busy) override { calls.push_back(busy ? L"busy" : L"normal"); }
  void Execute(const TCommandRow& row, std::wstring_view appFolder) override {
    calls.push_back(std::wstring(appFolder) + std::wstring(row.folderName.empty() ? kPurchaseAddress : row.folderName));
    if (fail) throw std::runtime_error("no shell");
  }

  std::vector<std::wstring> calls;
  bool fail = false;

 private:
  int textHeight_;
  std::vector<std::uint8_t> banner_ = ReadFile("banner.jpg");
  std::vector<std::uint8_t> buy_ = ReadFile("buy.png");
};

// The main window's definition with handlers that run the command table, as the
// launcher's own form does.
class TTestForm final : public TForm {
 public:
  TTestForm() : TForm(MainFormDefinition()) {}
  TComponent* buy = nullptr;
  TComponent* forms = nullptr;
  TComponent* samples = nullptr;
  void Create(TForm&) {
    forms->SetCaption(L"Список форм");
    samples->SetCaption(L"Примеры");
    buy->SetCaption(L"Купить полную версию");
  }
  void BuyClick(TComponent&) { Execute(kCommandTable[2], [] { return std::wstring(L"C:\\Z\\"); }); }
  void FormsClick(TComponent&) { Execute(kCommandTable[0], [] { return std::wstring(L"C:\\Z\\"); }); }
  void SamplesClick(TComponent&) { Execute(kCommandTable[1], [] { return std::wstring(L"C:\\Z\\"); }); }

 private:
  std::span<const TClickBinding> ClickHandlers() const noexcept override {
    static const TClickBinding table[] = {{"SpeedButtonBuyFullClick", AsFormHandler(&TTestForm::BuyClick)},
                                          {"SpeedButtonFormListClick", AsFormHandler(&TTestForm::FormsClick)},
                                          {"SpeedButtonSamplesClick", AsFormHandler(&TTestForm::SamplesClick)}};
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

struct TLoaded {
  explicit TLoaded(int textHeight = 13) : peer(textHeight) {
    form.Load(peer);
    form.DoCreate();
  }
  TRecordingPeer peer;
  TTestForm form;
};

enum : std::size_t { kBuy, kForms, kSamples, kBanner };

TEST(Accessible, ButtonsInDefinitionOrderThenTheBannerAndNoObjectForThePictureOnTheButton) {
  TLoaded loaded;
  const TFormAccessible accessible(loaded.form);
  ASSERT_EQ(accessible.Count(), 4u);
  EXPECT_EQ(accessible.Name(kBuy), L"Купить полную версию");
  EXPECT_EQ(accessible.Name(kForms), L"Список форм");
  EXPECT_EQ(accessible.Name(kSamples), L"Примеры");
  EXPECT_EQ(accessible.Name(kBanner), L"");
  for (std::size_t i : {kBuy, kForms, kSamples}) {
    EXPECT_EQ(accessible.Role(i), TAccessibleRole::PushButton);
    EXPECT_TRUE(accessible.CanPress(i));
  }
  EXPECT_EQ(accessible.Role(kBanner), TAccessibleRole::Graphic);
  EXPECT_FALSE(accessible.CanPress(kBanner));
  EXPECT_EQ(accessible.Bounds(kBuy), (TRect{8, 292, 944, 149}));
  EXPECT_EQ(accessible.Bounds(kForms), (TRect{8, 177, 468, 109}));
  EXPECT_EQ(accessible.Bounds(kSamples), (TRect{479, 177, 473, 109}));
  EXPECT_EQ(accessible.Bounds(kBanner), (TRect{0, 0, 960, 171}));
}

TEST(Accessible, PlacesAreScaledAndTheBannerFollowsTheClientWidth) {
  TLoaded loaded(16);
  const TFormAccessible accessible(loaded.form);
  EXPECT_EQ(accessible.Bounds(kBuy), (TRect{10, 359, 1162, 184}));
  EXPECT_EQ(accessible.Bounds(kBanner).width, 1182);
  loaded.form.FollowClientWidth(1400);
  EXPECT_EQ(accessible.Bounds(kBanner), (TRect{0, 0, 1400, 210}));
}

TEST(Accessible, HitTestAnswersTheButtonAlsoOverItsPictureAndNoButtonOnTheBanner) {
  TLoaded loaded;
  const TFormAccessible accessible(loaded.form);
  EXPECT_EQ(accessible.HitTest({200, 200}), kForms);
  EXPECT_EQ(accessible.HitTest({600, 200}), kSamples);
  EXPECT_EQ(accessible.HitTest({100, 350}), kBuy);
  EXPECT_EQ(accessible.HitTest({700, 350}), kBuy);  // Image1, over the purchase button
  EXPECT_EQ(accessible.HitTest({100, 50}), kBanner);
  EXPECT_EQ(accessible.HitTest({477, 200}), std::nullopt);  // the gap between the upper buttons
  EXPECT_EQ(accessible.HitTest({-1, 5}), std::nullopt);
}

TEST(Accessible, PressedOnlyWhileHeldWithThePointerOnIt) {
  TLoaded loaded;
  const TFormAccessible accessible(loaded.form);
  auto& mouse = loaded.form.Mouse();
  EXPECT_FALSE(accessible.States(kForms).pressed);
  EXPECT_TRUE(accessible.States(kForms).enabled);
  EXPECT_TRUE(accessible.States(kForms).visible);
  mouse.ButtonDown(TMouseButton::Left, {200, 200}, false);
  EXPECT_TRUE(accessible.States(kForms).pressed);
  EXPECT_FALSE(accessible.States(kSamples).pressed);
  mouse.MouseMove({600, 200});
  EXPECT_FALSE(accessible.States(kForms).pressed);
  mouse.MouseMove({210, 200});
  EXPECT_TRUE(accessible.States(kForms).pressed);
  mouse.ButtonUp(TMouseButton::Left, {210, 200});
  EXPECT_FALSE(accessible.States(kForms).pressed);
  EXPECT_EQ(loaded.peer.calls.size(), 3u);  // the click ran its command
  loaded.peer.calls.clear();
  // The press on the picture presses nothing.
  mouse.ButtonDown(TMouseButton::Left, {700, 350}, false);
  EXPECT_FALSE(accessible.States(kBuy).pressed);
  mouse.ButtonUp(TMouseButton::Left, {700, 350});
  EXPECT_TRUE(loaded.peer.calls.empty()) << "the picture's click ran a command";
}

TEST(Accessible, ActivateRunsTheClickCommandUnderTheWaitCursorAndTheBannerRunsNothing) {
  TLoaded loaded;
  TFormAccessible accessible(loaded.form);
  loaded.peer.calls.clear();
  EXPECT_TRUE(accessible.Activate(kSamples));
  EXPECT_TRUE(accessible.Activate(kBuy));
  EXPECT_FALSE(accessible.Activate(kBanner));
  EXPECT_FALSE(accessible.Activate(17));
  const std::vector<std::wstring> expected{L"busy", L"C:\\Z\\Примеры", L"normal",
                                           L"busy", std::wstring(kPurchaseAddress), L"normal"};
  EXPECT_EQ(loaded.peer.calls, expected);
}

TEST(Accessible, AFailingCommandRestoresTheCursorAndReachesTheCaller) {
  TLoaded loaded;
  TFormAccessible accessible(loaded.form);
  loaded.peer.calls.clear();
  loaded.peer.fail = true;
  EXPECT_THROW(accessible.Activate(kForms), std::runtime_error);
  const std::vector<std::wstring> expected{L"busy", L"C:\\Z\\Документы", L"normal"};
  EXPECT_EQ(loaded.peer.calls, expected);
}

}  // namespace
}  // namespace zel
