// The command buttons' looks, with the platform's visual styles and without: each
// button normal, under the pointer, held down, dragged off and released off, read
// from the screen pixel by pixel and compared with what the platform itself draws
// for a push button in that state, and the caption where the offset arithmetic puts
// it. The look is chosen by ThemeActive for the launcher started next. With the
// themed look, a button released off and then left is drawn plain again.
#include "Scenarios.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <type_traits>

namespace zeltest {

namespace {

constexpr wchar_t kThemeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
// The buttons' own font at 96 dpi: Tahoma bold, character height 24.
constexpr int kButtonFontHeight = 24;
// The 128 x 128 purchase picture, centred in Image1, in client coordinates.
constexpr RECT kPicture{680, 302, 808, 430};
// A client point in the left margin beside the purchase button: no component there.
constexpr POINT kPark{3, 300};

enum class TLook { Normal, Hot, Pressed };

const char* NameOf(TLook look) {
  switch (look) {
    case TLook::Hot: return "hot";
    case TLook::Pressed: return "pressed";
    case TLook::Normal: break;
  }
  return "normal";
}

struct TButton {
  const char* name;
  launcher::TBox box;
  const wchar_t* caption;
  bool imageRight;  // the image place right of the caption
};

const TButton kButtons[] = {
    {"forms", launcher::kFormList, L"Список форм", false},
    {"samples", launcher::kSamples, L"Примеры", false},
    {"buy", launcher::kBuyFull, L"Купить полную версию", true},
};

using TFont = std::unique_ptr<std::remove_pointer_t<HFONT>, decltype(&::DeleteObject)>;
using TTheme = std::unique_ptr<void, decltype(&::CloseThemeData)>;

// One state of a button as the platform draws it at the button's size.
struct TReference {
  TMemorySurface face;       // the push button over the window's background
  TMemorySurface captioned;  // the same with the caption drawn where it belongs
  RECT text;                 // the caption's rectangle, button coordinates
  std::string arithmetic;    // face, caption size, d and e, for the record
};

// theme: the push-button theme for the themed look, null for the classic one.
TReference DrawReference(HTHEME theme, HFONT font, const TButton& button, TLook look) {
  const int width = button.box.width;
  const int height = button.box.height;
  TReference ref{TMemorySurface(width, height), TMemorySurface(width, height), {}, {}};
  HDC dc = ref.face.Dc();
  const RECT bounds{0, 0, width, height};
  RECT face = bounds;
  // The window's background is the button-face colour, and a top-level window has no
  // parent to draw more under a themed button.
  ::FillRect(dc, &bounds, ::GetSysColorBrush(COLOR_BTNFACE));
  if (theme != nullptr) {
    const int state = look == TLook::Pressed ? PBS_PRESSED : look == TLook::Hot ? PBS_HOT : PBS_NORMAL;
    ::DrawThemeBackground(theme, dc, BP_PUSHBUTTON, state, &bounds, nullptr);
    ::GetThemeBackgroundContentRect(theme, dc, BP_PUSHBUTTON, state, &bounds, &face);
  } else {
    ::DrawFrameControl(dc, &face, DFC_BUTTON,
                       DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (look == TLook::Pressed ? DFCS_PUSHED : 0u));
  }
  ::GdiFlush();
  ref.captioned.CopyFrom(ref.face);

  HDC text = ref.captioned.Dc();
  const HGDIOBJ previous = ::SelectObject(text, font);
  RECT measured{};
  ::DrawTextW(text, button.caption, -1, &measured, DT_CALCRECT);
  const LONG captionWidth = measured.right - measured.left;
  const LONG captionHeight = measured.bottom - measured.top;
  // Free width d and height e split with truncating division; the image-right layout
  // puts the caption one pixel further left when d is odd, two when d is even and negative.
  const LONG d = (face.right - face.left) - captionWidth;
  const LONG e = (face.bottom - face.top) - captionHeight;
  const LONG left = button.imageRight ? d - (d + 1) / 2 : (d + 1) / 2;
  const LONG top = (e + 1) / 2;
  ref.text = {face.left + left, face.top + top, face.left + left + captionWidth, face.top + top + captionHeight};
  // Without visual styles a pressed button's caption sinks with it.
  if (theme == nullptr && look == TLook::Pressed) ::OffsetRect(&ref.text, 1, 1);
  ref.arithmetic = "face " + Describe(face) + ", caption " + std::to_string(captionWidth) + "x" +
                   std::to_string(captionHeight) + ", d " + std::to_string(d) + ", e " + std::to_string(e);

  ::SetBkMode(text, TRANSPARENT);
  ::SetTextColor(text, ::GetSysColor(COLOR_WINDOWTEXT));
  RECT drawn = ref.text;
  ::DrawTextW(text, button.caption, -1, &drawn, DT_CENTER | DT_VCENTER | DT_NOCLIP);
  ::SelectObject(text, previous);
  ::GdiFlush();
  return ref;
}

std::string Colour(std::uint32_t rgb) {
  char text[16];
  std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(rgb));
  return text;
}

// An image (the screen or a drawn reference) set against a reference's bare face.
struct TFindings {
  long faceDifferences = 0;  // outside the caption's rectangle and the picture
  std::string firstDifference;
  std::optional<RECT> ink;   // where the image differs from the face at all: the caption's pixels
};

template <typename TImage>
TFindings Compare(const TImage& image, const TReference& ref, const RECT& picture) {
  TFindings found;
  for (int y = 0; y < ref.face.Height(); ++y) {
    for (int x = 0; x < ref.face.Width(); ++x) {
      const POINT p{x, y};
      if (::PtInRect(&picture, p)) continue;
      const std::uint32_t seen = image.Pixel(x, y);
      const std::uint32_t face = ref.face.Pixel(x, y);
      if (seen == face) continue;
      if (!found.ink) found.ink = RECT{x, y, x + 1, y + 1};
      RECT& ink = *found.ink;  // rows come in order: its top is set
      ink.left = std::min<LONG>(ink.left, x);
      ink.right = std::max<LONG>(ink.right, x + 1);
      ink.bottom = y + 1;
      if (::PtInRect(&ref.text, p)) continue;
      if (found.faceDifferences++ == 0) {
        found.firstDifference = "first at (" + std::to_string(x) + "," + std::to_string(y) + "): " + Colour(seen) +
                                ", expected " + Colour(face);
      }
    }
  }
  return found;
}

// The purchase picture in button coordinates; empty for the buttons without it.
RECT PictureIn(const TButton& button) {
  RECT picture{};
  if (button.imageRight) {
    picture = kPicture;
    ::OffsetRect(&picture, -button.box.left, -button.box.top);
  }
  return picture;
}

std::string DescribeInk(const std::optional<RECT>& ink) { return ink ? Describe(*ink) : std::string("none"); }

class TLooks {
 public:
  TLooks(TContext& context, bool themed, HTHEME theme, HFONT font)
      : context_(context),
        themed_(themed),
        theme_(theme),
        font_(font),
        prefix_(themed ? "looks-themed" : "looks-classic") {}

  // Every button through its states: normal, pointer over it, pressed, dragged off with
  // the press held, released off (so no command runs).
  void CheckStates(HWND main) {
    ParkPointer(main);
    for (const TButton& button : kButtons) {
      const RECT area = ScreenArea(main, button.box);
      const TScreenshot normal = Settled(area, nullptr);
      const TFindings rest = CheckState(button, "at-rest", normal, TLook::Normal);

      MovePointer(ClientToScreenPoint(main, button.box.At(12, 12)));
      // The themed look shows the hot mark; the classic one has none to show.
      const TLook hover = themed_ ? TLook::Hot : TLook::Normal;
      const TScreenshot hot = Settled(area, hover == TLook::Normal ? nullptr : &normal);
      CheckState(button, "pointer-over", hot, hover);

      THeldPress press(main);
      context_.report.Check(press.Captured(), prefix_ + "." + button.name + ".press-takes-capture");
      const TScreenshot pressed = Settled(area, &hot);
      const TFindings held = CheckState(button, "held-down", pressed, TLook::Pressed);
      if (!themed_) CheckCaptionSinks(button, rest, held);

      // Dragged off, the press held: raised, with the hot mark it had when it began.
      MovePointer(ClientToScreenPoint(main, kPark));
      const TScreenshot off = Settled(area, &pressed);
      CheckState(button, "dragged-off", off, hover);

      press.Release();
      context_.report.Check(CaptureOf(main) == nullptr, prefix_ + "." + button.name + ".release-gives-capture-back");
      // Released off, nothing more happens: the look drawn before stays until the
      // window's next paint, which draws it plain (the hot mark went with the release).
      const TScreenshot released = Settled(area, nullptr);
      const bool kept = SamePixels(released, off);
      context_.report.Check(kept, prefix_ + "." + button.name + ".released-off.nothing-repainted",
                            kept ? "as drawn while dragged off" : "the button was drawn again");
      if (!kept) SaveShot(released, prefix_ + "." + button.name + ".released-off.nothing-repainted");
      RepaintNow(main);
      CheckState(button, "released-off", Settled(area, hover == TLook::Normal ? nullptr : &off), TLook::Normal);
    }
  }

  // Released off the button, the pointer straight back on it and then on to a
  // neighbour: leaving repaints the button plain, although its mark went with the
  // release and the screen still showed the drag's look. The purchase button is
  // released on the banner and left for its picture; the forms button is left for
  // the samples button, which alone is drawn hot.
  void CheckLeavingAfterReleaseOff(HWND main) {
    if (!themed_) return;  // no hot look to linger
    struct TRound {
      const TButton& button;
      POINT releaseAt;
      POINT neighbour;
      const TButton* entered;
    };
    const TRound rounds[] = {
        {kButtons[2], {100, 50}, launcher::kImage1.Centre(), nullptr},
        {kButtons[0], kPark, kButtons[1].box.At(12, 12), &kButtons[1]},
    };
    for (const TRound& round : rounds) {
      const std::string what = prefix_ + "." + round.button.name + ".released-off-then-";
      // From the neighbour, so the button is entered (a pointer put back where the
      // last press began would count as never having left).
      MovePointer(ClientToScreenPoint(main, round.neighbour));
      const RECT area = ScreenArea(main, round.button.box);
      const TScreenshot rest = Settled(area, nullptr);
      const POINT on = ClientToScreenPoint(main, round.button.box.At(12, 12));
      MovePointer(on);
      const TScreenshot hot = Settled(area, &rest);
      context_.report.Check(!SamePixels(hot, rest), what + "entered-first.drawn-hot");
      THeldPress press(main);
      const TScreenshot pressed = Settled(area, &hot);
      MovePointer(ClientToScreenPoint(main, round.releaseAt));
      const TScreenshot off = Settled(area, &pressed);
      press.Release();
      context_.report.Check(SamePixels(Settled(area, nullptr), off), what + "released.nothing-repainted");
      // Straight back: the same component as before the press is under the pointer,
      // so nothing is announced and the look stays.
      MovePointer(on);
      const TScreenshot back = Settled(area, nullptr);
      context_.report.Check(SamePixels(back, off), what + "back-over.nothing-repainted");
      MovePointer(ClientToScreenPoint(main, round.neighbour));
      CheckState(round.button, "released-off-then-left", Settled(area, &off), TLook::Normal);
      if (round.entered != nullptr) {
        CheckState(*round.entered, "entered-after-the-other-released-off",
                   Settled(ScreenArea(main, round.entered->box), nullptr), TLook::Hot);
      }
    }
    ParkPointer(main);
  }

  // The three buttons at rest, all in one look.
  void CheckAtRest(HWND main, bool themed, HTHEME theme, std::string_view what) {
    ParkPointer(main);
    for (const TButton& button : kButtons) {
      const TReference ref = DrawReference(theme, font_, button, TLook::Normal);
      const TScreenshot shot = Settled(ScreenArea(main, button.box), nullptr);
      Judge(shot, ref, button, std::string(what) + "." + (themed ? "themed" : "classic") + "." + button.name);
    }
  }

  const std::string& Prefix() const noexcept { return prefix_; }

 private:
  // The left button held down from construction until Release, and let go in the
  // empty margin should a check throw first, so no command runs.
  class THeldPress {
   public:
    explicit THeldPress(HWND main) : main_(main) {
      SendMouseButton(MOUSEEVENTF_LEFTDOWN);
      captured_ = WaitUntil([&] { return CaptureOf(main_) == main_; }, kReactionTimeoutMs);
    }
    THeldPress(const THeldPress&) = delete;
    THeldPress& operator=(const THeldPress&) = delete;
    ~THeldPress() {
      if (!held_) return;
      MovePointer(ClientToScreenPoint(main_, kPark));
      Release();
    }
    bool Captured() const noexcept { return captured_; }
    void Release() {
      SendMouseButton(MOUSEEVENTF_LEFTUP);
      held_ = false;
      WaitUntil([&] { return CaptureOf(main_) == nullptr; }, kReactionTimeoutMs);
    }

   private:
    HWND main_;
    bool captured_ = false;
    bool held_ = true;
  };

  static RECT ScreenArea(HWND main, const launcher::TBox& box) {
    const POINT origin = ClientToScreenPoint(main, {box.left, box.top});
    return {origin.x, origin.y, origin.x + box.width, origin.y + box.height};
  }

  void ParkPointer(HWND main) {
    if (!MovePointer(ClientToScreenPoint(main, kPark))) throw TAbort("the pointer did not move to the margin");
  }

  // A look that should change is waited for until it has; one that should stay is
  // watched until nothing has moved for a while (no input of the launcher's is
  // observable from outside to say it has handled the pointer's move).
  static TScreenshot Settled(const RECT& area, const TScreenshot* changedFrom) {
    if (changedFrom == nullptr) return CaptureSettled(area, [](const TScreenshot&) { return true; }, 500);
    return CaptureSettled(area, [&](const TScreenshot& shot) { return !SamePixels(shot, *changedFrom); }, 100);
  }

  TFindings CheckState(const TButton& button, std::string_view step, const TScreenshot& shot, TLook look) {
    const TReference ref = DrawReference(theme_, font_, button, look);
    return Judge(shot, ref, button, prefix_ + "." + button.name + "." + std::string(step) + "." + NameOf(look));
  }

  // The face exactly as the platform draws it outside the caption's rectangle (and the
  // purchase picture), and the caption's pixels exactly where the platform puts them
  // when asked to centre the caption in that rectangle.
  TFindings Judge(const TScreenshot& shot, const TReference& ref, const TButton& button, const std::string& what) {
    const TFindings seen = Compare(shot, ref, PictureIn(button));
    const TFindings expected = Compare(ref.captioned, ref, PictureIn(button));
    const long pixels = static_cast<long>(button.box.width) * button.box.height;
    context_.report.Check(seen.faceDifferences == 0, what + ".face",
                          seen.faceDifferences == 0
                              ? "the " + std::to_string(pixels) + " pixels outside the caption and picture match"
                              : std::to_string(seen.faceDifferences) + " pixels differ, " + seen.firstDifference);
    const bool inside = seen.ink && seen.ink->left >= ref.text.left && seen.ink->top >= ref.text.top &&
                        seen.ink->right <= ref.text.right && seen.ink->bottom <= ref.text.bottom;
    const bool placed = seen.ink && expected.ink && ::EqualRect(&*seen.ink, &*expected.ink);
    const long inkDifferences = InkDifferences(shot, ref, PictureIn(button));
    context_.report.Check(inside && placed && inkDifferences == 0, what + ".caption",
                          "ink " + DescribeInk(seen.ink) + ", expected " + DescribeInk(expected.ink) +
                              " centred in " + Describe(ref.text) + " (" + ref.arithmetic + "); " +
                              std::to_string(inkDifferences) + " of its pixels differ");
    if (!inside || !placed || inkDifferences != 0 || seen.faceDifferences != 0) SaveShot(shot, what);
    return seen;
  }

  // The caption's own pixels against the reference's, drawn in the button font and
  // its colour: the theme's text colour (Wine's theme has white for a pressed push
  // button) or the theme's font would put the same ink box in other pixels.
  static long InkDifferences(const TScreenshot& shot, const TReference& ref, const RECT& picture) {
    long differences = 0;
    for (int y = std::max<int>(ref.text.top, 0); y < std::min<int>(ref.text.bottom, ref.face.Height()); ++y) {
      for (int x = std::max<int>(ref.text.left, 0); x < std::min<int>(ref.text.right, ref.face.Width()); ++x) {
        if (!::PtInRect(&picture, POINT{x, y}) && shot.Pixel(x, y) != ref.captioned.Pixel(x, y)) ++differences;
      }
    }
    return differences;
  }

  void CheckCaptionSinks(const TButton& button, const TFindings& raised, const TFindings& pressed) {
    bool sunk = raised.ink && pressed.ink;
    if (sunk) {
      RECT moved = *raised.ink;
      ::OffsetRect(&moved, 1, 1);
      sunk = ::EqualRect(&moved, &*pressed.ink) != FALSE;
    }
    context_.report.Check(sunk, prefix_ + "." + button.name + ".caption-one-right-one-down-while-pressed",
                          "raised " + DescribeInk(raised.ink) + ", pressed " + DescribeInk(pressed.ink));
  }

  void SaveShot(const TScreenshot& shot, const std::string& what) {
    const std::wstring path = context_.InWork(Wide(what) + L".bmp");
    if (shot.SaveBmp(path)) context_.report.Note("screenshot", Utf8(path));
  }

  TContext& context_;
  bool themed_;
  HTHEME theme_;
  HFONT font_;
  std::string prefix_;
};

void SetThemeActive(bool on) {
  const wchar_t* value = on ? L"1" : L"0";
  if (::RegSetKeyValueW(HKEY_CURRENT_USER, kThemeKey, L"ThemeActive", REG_SZ, value, 4) != ERROR_SUCCESS) {
    throw TAbort("cannot set ThemeActive");
  }
}

void RunLooks(TContext& context, bool themed) {
  TReport& report = context.report;
  // The boxes and the font are those of 96 dpi, where nothing is scaled.
  if (ScreenLogPixels() != 96 || TahomaTextHeight(11) != launcher::kDesignTextHeight) {
    throw TAbort("the screen is not at 96 logical pixels per inch with Tahoma's text height 13");
  }
  // The reference for the themed look is drawn by this program's own theme library,
  // which took the setting when the driver started.
  const TTheme theme(::OpenThemeData(nullptr, L"BUTTON"), &::CloseThemeData);
  if (!theme) throw TAbort("no visual styles in the driver: ThemeActive was off when it started");
  const TFont font(::CreateFontW(-kButtonFontHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Tahoma"),
                   &::DeleteObject);

  const TRegistryOverride themeActive(kThemeKey, L"ThemeActive", REG_SZ,
                                      TRegistryOverride::String(themed ? L"1" : L"0"),
                                      context.InWork(L"themeactive.regbackup"));
  TLooks looks(context, themed, themed ? theme.get() : nullptr, font.get());
  {
    TRunningLauncher running = StartLauncher(context.launcherExe);
    looks.CheckStates(running.main);
    looks.CheckLeavingAfterReleaseOff(running.main);
    const std::wstring shot = context.InWork(Wide(looks.Prefix()) + L".bmp");
    if (CaptureSettled(ClientRectOnScreen(running.main), [](const TScreenshot&) { return true; }, 300).SaveBmp(shot)) {
      report.Note(looks.Prefix() + ".screenshot", Utf8(shot));
    }

    // The setting switched while the launcher runs, and its window told. Wine's theme
    // library reads the setting once, when a program loads it (its EnableTheming and
    // theme-applying calls change only the program calling them), so the running
    // launcher must go on drawing the look it has, after reopening its theme; the next
    // one started takes the other.
    SetThemeActive(!themed);  // the override above puts the original back
    const LRESULT sent = ::SendMessageTimeoutW(running.main, WM_THEMECHANGED, 0, 0, SMTO_ABORTIFHUNG,
                                               kReactionTimeoutMs, nullptr);
    report.Check(sent != 0, looks.Prefix() + ".theme-changed-handled");
    report.Note(looks.Prefix() + ".switched", std::string("ThemeActive \"") + (themed ? "0" : "1") +
                                                  "\" and WM_THEMECHANGED: the running launcher keeps its look");
    looks.CheckAtRest(running.main, themed, themed ? theme.get() : nullptr, looks.Prefix() + ".switched.running");
    ::PostMessageW(running.main, WM_CLOSE, 0, 0);
    CheckEndsWithZero(report, looks.Prefix() + ".exit-code", running);
  }
  TRunningLauncher next = StartLauncher(context.launcherExe);
  looks.CheckAtRest(next.main, !themed, themed ? nullptr : theme.get(), looks.Prefix() + ".switched.next");
  ::PostMessageW(next.main, WM_CLOSE, 0, 0);
  CheckEndsWithZero(report, looks.Prefix() + ".next-exit-code", next);
}

}  // namespace

void ScenarioLooksThemed(TContext& context) { RunLooks(context, true); }
void ScenarioLooksClassic(TContext& context) { RunLooks(context, false); }

}  // namespace zeltest
