// The form's painter over a surface that records what it is asked to draw: the
// order and the bands, what a partial paint leaves out, the caption's place and
// its measure kept between paints, the banner decoded once (or failed once), and
// the block a picture is blended over, read in place or composed off screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "form/Painter.h"
#include "form_quiet_peer.h"
#include "picture_jpeg_writer.h"
#include "picture_png_writer.h"

namespace zel {
namespace {

using controls::TButtonLook;
using controls::TMouseButton;
using TLog = std::vector<std::string>;

std::string Str(const TRect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.width) + "," +
         std::to_string(r.height);
}

constexpr int kClient = 40;

class TFakeFont final : public TSurfaceFont {};
class TFakeImage final : public TSurfaceImage {
 public:
  std::vector<std::uint8_t> pixels;
};

// Pixels of the whole client area, B G R X; its area is the band being drawn.
class TFakeSurface final : public TSurface {
 public:
  explicit TFakeSurface(TLog& log, std::string prefix = "") : log_(log), prefix_(std::move(prefix)) {}
  TBanding banding;
  bool themed = true, readable = true, imagesFail = false;
  int displayBits = 24;
  std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(kClient * kClient * 4, 0);
  TRect area;

  TBanding Banding() const override { return banding; }
  void BeginPaint(const TRect& r, int rows) override { Log("paint " + Str(r) + " rows " + std::to_string(rows)); }
  void BeginBand(const TRect& band) override { area = band; Log("band " + Str(band)); }
  void EndBand(const TRect&) override {}
  TRect Area() const override { return area; }
  bool Themed() const override { return themed; }
  void FillBackground(const TRect& r) override {
    Log("fill " + Str(r));
    for (int y = r.top; y < r.Bottom(); ++y) std::fill_n(&pixels[(y * kClient + r.left) * 4], r.width * 4, 100);
  }
  TRect DrawPushButton(const TRect& b, TButtonLook look) override {
    Log("button " + Str(b) + (look == TButtonLook::Pressed ? " pressed" : ""));
    return {b.left + 2, b.top + 2, b.width - 4, b.height - 4};
  }
  std::unique_ptr<TSurfaceFont> MakeFont(const TFontDecl&, int height) override {
    Log("font " + std::to_string(height));
    return std::make_unique<TFakeFont>();
  }
  TSize MeasureCaption(const TSurfaceFont&, std::wstring_view caption) override {
    Log("measure");
    return {static_cast<int>(caption.size()) * 5, 9};
  }
  void DrawCaption(const TSurfaceFont&, std::wstring_view, const TRect& place, TButtonLook) override {
    Log("caption " + Str(place));
  }
  int DisplayBits() const override { return displayBits; }
  TPixelLayout ImageLayout() const override { return TPixelLayout::Bgrx; }
  TImageRows MakeImage(TSize size) override {
    Log("image " + std::to_string(size.width) + "x" + std::to_string(size.height));
    if (imagesFail) return {};
    auto image = std::make_unique<TFakeImage>();
    image->pixels.resize(static_cast<std::size_t>(size.width * size.height * 4));
    const picture::TBgrRows rows{image->pixels.data(), size.width * 4};
    return {std::move(image), rows};
  }
  std::unique_ptr<TSurfaceImage> MakePalettedImage(const picture::TPalettedImage& image) override {
    Log("paletted " + std::to_string(image.palette.size() / 3 <= 236));
    return std::make_unique<TFakeImage>();
  }
  void DrawImage(const TSurfaceImage&, TPoint at, TSize size) override {
    Log("draw " + Str({at.x, at.y, size.width, size.height}));
  }
  TBgrxBlock LockBlock(const TRect& block) override {
    Log("lock " + Str(block));
    if (!readable) return {};
    return {&pixels[(block.top * kClient + block.left) * 4], kClient * 4};
  }
  std::unique_ptr<TSurface> MakeComposer(const TRect& block) override {
    auto composer = std::make_unique<TFakeSurface>(log_, "composer ");
    composer->area = block;
    return composer;
  }
  void DrawComposer(TSurface& composer, const TRect& block) override {
    Log("composed " + Str(block));
    pixels = static_cast<TFakeSurface&>(composer).pixels;
  }

 private:
  void Log(std::string line) { log_.push_back(prefix_ + line); }
  TLog& log_;
  std::string prefix_;
};

// A banner of 20 x 8 across the top, a button below it (image place right) and
// a 4 x 4 picture centred in a box on the button, a red square with a clear corner.
const TComponentDecl kComponents[] = {
    {.name = "Banner", .bounds = {0, 0, 40, 10}, .picture = L"JPG"},
    {.name = "Button", .kind = TComponentClass::CommandButton, .bounds = {2, 12, 30, 20},
     .font = {L"Face", 12, true}, .caption = L"Go", .layout = TCaptionLayout::ImageRight},
    {.name = "Picture", .bounds = {20, 14, 10, 10}, .picture = L"PNG", .fit = TPictureFit::Centre},
};
const TFormDecl kDecl{.name = "F", .caption = L"F", .client = {kClient, kClient}, .font = {}, .icon = {},
                      .onCreate = {}, .components = kComponents};

// Hands out the two pictures; the rest of the window is not needed here.
class TPeer final : public test::TQuietPeer {
 public:
  std::span<const std::uint8_t> ResourceBytes(std::wstring_view name) override { return name == L"JPG" ? jpg_ : png_; }

 private:
  std::vector<std::uint8_t> jpg_ = picture::test::EncodeJpeg(20, 8, 3, std::vector<std::uint8_t>(20 * 8 * 3, 200));
  std::vector<std::uint8_t> png_ = [] {
    std::vector<std::uint8_t> rgba(4 * 4 * 4);
    for (std::size_t i = 0; i < rgba.size(); i += 4) rgba[i] = rgba[i + 3] = 255;
    rgba[3] = 0;
    return picture::test::EncodePng(4, 4, 6, rgba);
  }();
};

class TTestForm final : public TForm {
 public:
  TTestForm() : TForm(kDecl) { Load(peer_); }
  TComponent& At(std::size_t i) const { return *Components()[i]; }

 private:
  std::span<const TClickBinding> ClickHandlers() const noexcept override { return {}; }
  std::span<const TCreateBinding> CreateHandlers() const noexcept override { return {}; }
  std::span<const TFieldBinding> Fields() const noexcept override { return {}; }
  TPeer peer_;
};

TEST(Painter, BackgroundThenComponentsBottomToTopInBandsEachWhereItMeetsTheBand) {
  TTestForm form;
  TFormPainter painter(form);
  TLog log;
  TFakeSurface surface(log);
  surface.banding = {16, false};
  painter.Paint(surface, {0, 0, kClient, kClient});
  EXPECT_EQ(log, (TLog{"paint 0,0,40,40 rows 16", "band 0,0,40,16", "fill 0,0,40,16", "image 20x8",
                       "draw 0,0,20,8", "font 12", "button 2,12,30,20", "measure", "caption 12,18,10,9",
                       "band 0,16,40,16", "fill 0,16,40,16", "button 2,12,30,20", "caption 12,18,10,9",
                       "lock 23,17,4,4", "band 0,32,40,8", "fill 0,32,40,8"}));
  // Buttons kept whole; a paint of a corner of the picture blends only that corner.
  log.clear();
  surface.banding = {16, true};
  painter.Paint(surface, {0, 0, kClient, kClient});
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.starts_with("band"); }), 3);
  EXPECT_EQ(log[0], "paint 0,0,40,40 rows 20");
  EXPECT_EQ(log[1], "band 0,0,40,12");
  log.clear();
  painter.Paint(surface, {25, 19, 10, 10});
  EXPECT_EQ(log, (TLog{"paint 25,19,10,10 rows 10", "band 25,19,10,10", "fill 25,19,10,10", "button 2,12,30,20",
                       "caption 12,18,10,9", "lock 25,19,2,2"}));
  // Red where the picture is opaque, the background under its clear corner.
  painter.Paint(surface, {0, 0, kClient, kClient});
  const auto pixel = [&](int x, int y) {
    const auto first = surface.pixels.begin() + (y * kClient + x) * 4;
    return std::vector<std::uint8_t>(first, first + 3);
  };
  EXPECT_EQ(pixel(24, 17), (std::vector<std::uint8_t>{0, 0, 255}));
  EXPECT_EQ(pixel(23, 17), (std::vector<std::uint8_t>{100, 100, 100}));
  EXPECT_EQ(pixel(27, 21), (std::vector<std::uint8_t>{100, 100, 100}));
}

TEST(Painter, CaptionMeasuredAgainOnlyWhenCaptionOrFontHeightChangesAndSunkOnlyWhenClassicPressed) {
  TTestForm form;
  TFormPainter painter(form);
  TLog log;
  TFakeSurface surface(log);
  const TRect button{2, 12, 30, 20};
  form.At(1).SetCaption(L"Go!");  // 15 wide: d = 11, one pixel further left for the image place
  painter.Paint(surface, button);
  form.Mouse().ButtonDown(TMouseButton::Left, {5, 15}, false);
  painter.Paint(surface, button);
  EXPECT_EQ(log, (TLog{"paint 2,12,30,20 rows 20", "band 2,12,30,20", "fill 2,12,30,20", "font 12",
                       "button 2,12,30,20", "measure", "caption 9,18,15,9", "lock 23,17,4,4",
                       "paint 2,12,30,20 rows 20", "band 2,12,30,20", "fill 2,12,30,20", "button 2,12,30,20 pressed",
                       "caption 9,18,15,9", "lock 23,17,4,4"}));
  log.clear();
  surface.themed = false;
  form.At(1).SetCaption(L"Go");
  form.At(1).SetFontHeight(15);
  painter.Paint(surface, {2, 12, 20, 5});
  EXPECT_EQ(log, (TLog{"paint 2,12,20,5 rows 5", "band 2,12,20,5", "fill 2,12,20,5", "font 15",
                       "button 2,12,30,20 pressed", "measure", "caption 13,19,10,9"}));
}

TEST(Painter, BannerDecodedOnceAndAFailureTriedOnce) {
  TTestForm form;
  const TRect banner{0, 0, kClient, 10};
  for (const bool fail : {false, true}) {
    TFormPainter painter(form);
    TLog log;
    TFakeSurface surface(log);
    surface.imagesFail = fail;
    painter.Paint(surface, banner);
    painter.Paint(surface, banner);
    EXPECT_EQ(std::count(log.begin(), log.end(), "image 20x8"), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "draw 0,0,20,8"), fail ? 0 : 2);
  }
  // Few colours on screen: a palette of at most 236.
  TFormPainter painter(form);
  TLog log;
  TFakeSurface surface(log);
  surface.displayBits = 8;
  painter.Paint(surface, banner);
  EXPECT_EQ(log, (TLog{"paint 0,0,40,10 rows 10", "band 0,0,40,10", "fill 0,0,40,10", "paletted 1", "draw 0,0,20,8"}));
}

TEST(Painter, UnreadablePixelsAreComposedOffScreenFromWhatLiesBeneath) {
  TTestForm form;
  TFormPainter painter(form);
  TLog log;
  TFakeSurface surface(log);
  surface.readable = false;
  painter.Paint(surface, {0, 0, kClient, kClient});
  const TLog tail(log.end() - 6, log.end());
  EXPECT_EQ(tail, (TLog{"lock 23,17,4,4", "composer fill 23,17,4,4", "composer button 2,12,30,20",
                        "composer caption 12,18,10,9", "composer lock 23,17,4,4", "composed 23,17,4,4"}));
  EXPECT_EQ(surface.pixels[(17 * kClient + 24) * 4 + 2], 255);
}

}  // namespace
}  // namespace zel
