// What a screen reader meets, through the client side of the accessibility
// interface, as it meets it: the window's object found by its handle, its children
// with their names, roles, states and places (compared with the window's own
// rectangles at 96 and 120 dpi), the object under each button's centre, under the
// purchase picture and the banner, a button held down with the real mouse, two
// buttons pressed by their default action, caught by the stand-ins as clicks are,
// and the objects off the screen while the window is minimized. With the failing
// build: the objects unavailable and the purchase press refused while the error box
// is open.
#include <ole2.h>
// IID_IAccessible is defined here; no library has it.
#include <initguid.h>
#include <oleacc.h>

#include "Scenarios.h"

namespace zeltest {

namespace {

constexpr DWORD kRecordTimeoutMs = 30000;
constexpr long kBuy = 1, kForms = 2, kSamples = 3, kBanner = 4;
constexpr const wchar_t* kNames[] = {L"Купить полную версию", L"Список форм", L"Примеры"};

// The client object of a window, released when the owner goes.
class TClientObject {
 public:
  explicit TClientObject(HWND window) {
    if (FAILED(::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                            reinterpret_cast<void**>(&object_)))) {
      object_ = nullptr;
    }
  }
  ~TClientObject() {
    if (object_ != nullptr) object_->Release();
  }
  TClientObject(const TClientObject&) = delete;
  TClientObject& operator=(const TClientObject&) = delete;
  IAccessible* operator->() const noexcept { return object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }

 private:
  IAccessible* object_ = nullptr;
};

VARIANT Child(long id) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

// A text property as the client gets it; the BSTR is freed here.
template <typename Ask>
std::wstring Text(Ask ask) {
  BSTR text = nullptr;
  const HRESULT hr = ask(&text);
  std::wstring value = SUCCEEDED(hr) && text != nullptr ? std::wstring(text, ::SysStringLen(text)) : L"";
  ::SysFreeString(text);
  return value;
}
std::wstring Name(const TClientObject& object, long id) {
  return Text([&](BSTR* text) { return object->get_accName(Child(id), text); });
}
std::wstring DefaultAction(const TClientObject& object, long id) {
  return Text([&](BSTR* text) { return object->get_accDefaultAction(Child(id), text); });
}

long Long(HRESULT hr, const VARIANT& v) { return SUCCEEDED(hr) && v.vt == VT_I4 ? v.lVal : -1; }

long Role(const TClientObject& object, long id) {
  VARIANT v;
  return Long(object->get_accRole(Child(id), &v), v);
}
long State(const TClientObject& object, long id) {
  VARIANT v;
  return Long(object->get_accState(Child(id), &v), v);
}
long HitTest(const TClientObject& object, POINT screen) {
  VARIANT v;
  return Long(object->accHitTest(screen.x, screen.y, &v), v);
}

// The launcher's own rectangle of a component scaled to text height T, on screen.
RECT ScaledOnScreen(HWND window, const launcher::TBox& box, int textHeight) {
  auto scale = [&](LONG v) {
    return static_cast<LONG>((2LL * v * textHeight + launcher::kDesignTextHeight) / (2LL * launcher::kDesignTextHeight));
  };
  return ClientRectToScreen(window, {scale(box.left), scale(box.top), scale(box.left + box.width),
                                     scale(box.top + box.height)});
}

// Whether oleacc.dll is among the launcher's modules (from the system folder).
bool LoadsOleacc(const TRunningLauncher& running, bool fromSystemFolder) {
  for (const std::wstring& path : ModulePathsOf(running.process.Handle())) {
    const std::wstring folder = FolderOf(path);
    if (SamePath(std::wstring_view(path).substr(folder.empty() ? 0 : folder.size() + 1), L"oleacc.dll")) {
      return !fromSystemFolder || SamePath(folder, SystemFolder());
    }
  }
  return false;
}

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// Names, roles, states, places, navigation and hit-testing of a running launcher.
void CheckTree(TReport& report, const std::string& at, HWND main, const TClientObject& object, int textHeight) {
  report.CheckEqual(launcher::kTitle, Name(object, CHILDID_SELF), at + ".window-name");
  report.CheckEqual(ROLE_SYSTEM_CLIENT, Role(object, CHILDID_SELF), at + ".window-role");
  long count = 0;
  object->get_accChildCount(&count);
  report.CheckEqual(4, count, at + ".child-count");

  RECT client{};
  ::GetClientRect(main, &client);
  const launcher::TBox banner{0, 0, 0, 171};
  RECT bannerRect = ScaledOnScreen(main, banner, textHeight);
  bannerRect.right = ClientRectOnScreen(main).right;  // it spans the client width
  const RECT expected[] = {ScaledOnScreen(main, launcher::kBuyFull, textHeight),
                           ScaledOnScreen(main, launcher::kFormList, textHeight),
                           ScaledOnScreen(main, launcher::kSamples, textHeight), bannerRect};
  for (long id = kBuy; id <= kBanner; ++id) {
    const std::string what = at + ".child" + std::to_string(id);
    const bool button = id != kBanner;
    report.CheckEqual(button ? kNames[id - 1] : L"", Name(object, id), what + ".name");
    report.CheckEqual(button ? ROLE_SYSTEM_PUSHBUTTON : ROLE_SYSTEM_GRAPHIC, Role(object, id), what + ".role");
    report.CheckEqual(0, State(object, id) & (STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_PRESSED),
                      what + ".enabled-visible-not-pressed");
    report.CheckEqual(button ? L"Press" : L"", DefaultAction(object, id), what + ".default-action");
    long left = 0, top = 0, width = 0, height = 0;
    object->accLocation(&left, &top, &width, &height, Child(id));
    const RECT& want = expected[id - 1];
    const RECT got{left, top, left + width, top + height};
    report.Check(::EqualRect(&got, &want) != FALSE, what + ".location",
                 Describe(got) + (::EqualRect(&got, &want) ? "" : ", expected " + Describe(want)));
    if (button) report.CheckEqual(id, HitTest(object, Centre(want)), what + ".hit-test-centre");
  }
  const RECT picture = ScaledOnScreen(main, launcher::kImage1, textHeight);
  report.CheckEqual(kBuy, HitTest(object, Centre(picture)), at + ".hit-test-purchase-picture-is-the-button");
  report.CheckEqual(kBanner, HitTest(object, Centre(bannerRect)), at + ".hit-test-banner-is-a-graphic");
  const RECT formList = expected[kForms - 1];
  report.CheckEqual(CHILDID_SELF, HitTest(object, {formList.right + 1, Centre(formList).y}),
                    at + ".hit-test-between-buttons-is-the-window");
  VARIANT to;
  report.CheckEqual(kBuy, Long(object->accNavigate(NAVDIR_FIRSTCHILD, Child(CHILDID_SELF), &to), to),
                    at + ".navigate-first");
  report.CheckEqual(kForms, Long(object->accNavigate(NAVDIR_NEXT, Child(kBuy), &to), to), at + ".navigate-next");
  report.CheckEqual(kBanner, Long(object->accNavigate(NAVDIR_LASTCHILD, Child(CHILDID_SELF), &to), to),
                    at + ".navigate-last");
  report.CheckEqual(E_INVALIDARG, object->accDoDefaultAction(Child(kBanner + 1)), at + ".no-fifth-child");
}

// A real press held on "Список форм": pressed while the pointer is on it, not when
// dragged off; released off it, so nothing runs.
void CheckPressedState(TReport& report, HWND main, const TClientObject& object) {
  const POINT on = ClientToScreenPoint(main, launcher::kFormList.Centre());
  const POINT off = ClientToScreenPoint(main, {launcher::kFormList.left + launcher::kFormList.width + 1, 200});
  MovePointer(on);
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  report.Check(WaitForCapture(main, main), "accessible.press-held");
  report.Check((State(object, kForms) & STATE_SYSTEM_PRESSED) != 0, "accessible.held-button-pressed");
  report.CheckEqual(0, State(object, kSamples) & STATE_SYSTEM_PRESSED, "accessible.other-button-not-pressed");
  MovePointer(off);
  report.Check(WaitUntil([&] { return (State(object, kForms) & STATE_SYSTEM_PRESSED) == 0; }, kReactionTimeoutMs),
               "accessible.dragged-off-not-pressed");
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  report.Check(WaitForCapture(main, nullptr), "accessible.press-released");
}

// Whether every child's state holds all of `flags` (or, with none, none of `any`).
bool AllChildren(const TClientObject& object, long flags, long any = 0) {
  for (long id = kBuy; id <= kBanner; ++id) {
    const long state = State(object, id);
    if (state < 0 || (state & (flags | any)) != flags) return false;
  }
  return true;
}

// Minimized, the children say they are invisible and off the screen, as standard
// controls do; restored, they are shown again.
void CheckMinimized(TReport& report, HWND main, const TClientObject& object) {
  constexpr long kAway = STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
  ::ShowWindow(main, SW_MINIMIZE);
  report.Check(WaitUntil([&] { return ::IsIconic(main) != FALSE; }, kReactionTimeoutMs), "accessible.minimized");
  report.Check(AllChildren(object, kAway), "accessible.minimized.children-invisible-offscreen",
               "button state " + Hex(static_cast<std::uintptr_t>(State(object, kBuy))));
  ::ShowWindow(main, SW_RESTORE);
  report.Check(WaitUntil([&] { return ::IsIconic(main) == FALSE; }, kReactionTimeoutMs), "accessible.restored");
  report.Check(AllChildren(object, 0, kAway), "accessible.restored.children-shown",
               "button state " + Hex(static_cast<std::uintptr_t>(State(object, kBuy))));
}

}  // namespace

void ScenarioAccessible(TContext& context) {
  TReport& report = context.report;
  const auto [explorer, urls] = ShellRecords(context);
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) throw TAbort("COM did not start");

  {
    // A copy beside a planted oleacc.dll, which Wine is told to prefer (--dll-overrides):
    // the accessibility library comes when a client first asks, from the system folder.
    const std::wstring planted = JoinPath(FolderOf(ThisProgram()), L"planted");
    const TScratchFolder folder(context.InWork(L"app"));
    const std::wstring exe = folder.CopyIn(context.launcherExe, L"ZelProject.exe");
    folder.CopyIn(JoinPath(planted, L"oleacc.dll"), L"oleacc.dll");
    TRunningLauncher running = StartLauncher(exe);
    report.Check(!LoadsOleacc(running, false), "accessible.no-library-before-a-client-asks");
    const TClientObject object(running.main);
    if (!object) throw TAbort("the launcher's window gave no accessible object");
    report.Check(LoadsOleacc(running, true), "accessible.library-from-the-system-folder-once-asked");
    CheckTree(report, "accessible.96dpi", running.main, object, launcher::kDesignTextHeight);
    CheckPressedState(report, running.main, object);

    // Pressed by their default action: the call returns, then the command runs.
    report.CheckEqual(S_OK, object->accDoDefaultAction(Child(kSamples)), "accessible.press-samples");
    explorer.WaitForLines(1, kRecordTimeoutMs);
    report.CheckEqual(S_OK, object->accDoDefaultAction(Child(kBuy)), "accessible.press-buy");
    urls.WaitForLines(1, kRecordTimeoutMs);
    report.CheckEqual(DISP_E_MEMBERNOTFOUND, object->accDoDefaultAction(Child(kBanner)), "accessible.banner-no-action");
    WaitForChildrenToEnd(running.process.Id(), kRecordTimeoutMs);
    const std::vector<std::wstring> folders = explorer.Lines();
    report.Check(folders.size() == 1 && folders[0] == launcher::ExplorerCall(folder.Path() + L"\\" +
                                                                             launcher::kSamplesFolder),
                 "accessible.samples-opens-samples-folder-only",
                 std::to_string(folders.size()) + " call(s)" + (folders.empty() ? "" : ": " + Quote(folders[0])));
    const std::vector<std::wstring> addresses = urls.Lines();
    report.Check(addresses.size() == 1 && addresses[0] == launcher::kPurchaseAddress,
                 "accessible.buy-opens-purchase-page-once", std::to_string(addresses.size()) + " call(s)");
    CheckMinimized(report, running.main, object);
    ::PostMessageW(running.main, WM_CLOSE, 0, 0);
    CheckEndsWithZero(report, "accessible.96dpi.exit-code", running);
    // The planted copy is live: a plain load by bare name beside it runs it.
    TStartOptions options;
    options.arguments = L"oleacc.dll";
    const TProcess loader = TProcess::Start(folder.CopyIn(JoinPath(planted, L"plain-loader.exe"), L"plain-loader.exe"),
                                            options);
    report.CheckEqual(0x5A4, loader.WaitForExit(kWindowTimeoutMs).value_or(0), "accessible.planted-oleacc-is-live");
  }
  {
    const int textHeight = TahomaTextHeight(launcher::kWindowFontHeightAt120);
    const TRegistryOverride logPixels(L"Control Panel\\Desktop", L"LogPixels", REG_DWORD,
                                      TRegistryOverride::Dword(120), context.InWork(L"logpixels.regbackup"));
    TRunningLauncher running = StartLauncher(context.launcherExe);
    const TClientObject object(running.main);
    if (!object) throw TAbort("the launcher's window at 120 dpi gave no accessible object");
    CheckTree(report, "accessible.120dpi", running.main, object, textHeight);
    ::PostMessageW(running.main, WM_CLOSE, 0, 0);
    CheckEndsWithZero(report, "accessible.120dpi.exit-code", running);
  }
  ::CoUninitialize();
  if (report.Failures() > 0) SaveScreen(context, L"accessible.bmp");
}

}  // namespace zeltest

namespace zeltest {

// A press through the accessibility interface whose command fails: the call returns,
// then the command's error box opens as a click's does. While it is open the objects
// are unavailable and the purchase button's press is refused; neither that press nor
// one asked for at once after the failing one (run, if at all, while the box is
// open) runs its command, then or after OK. After OK the objects are available
// again and a press runs the command once.
void ScenarioAccessibleFailing(TContext& context) {
  TReport& report = context.report;
  const auto [explorer, urls] = ShellRecords(context);
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) throw TAbort("COM did not start");
  {
    TRunningLauncher running = StartLauncher(context.launcherExe);
    const TClientObject object(running.main);
    if (!object) throw TAbort("the launcher's window gave no accessible object");
    report.CheckEqual(S_OK, object->accDoDefaultAction(Child(kForms)), "accessible-failing.press-returns");
    object->accDoDefaultAction(Child(kBuy));
    HWND boxWindow = nullptr;
    WaitUntil([&] { return (boxWindow = FindVisibleWindowOf(running.process.Id(), kDialogClass)) != nullptr; },
              kReactionTimeoutMs);
    if (report.Check(boxWindow != nullptr, "accessible-failing.error-box-shown")) {
      const TMessageBoxView box = ReadMessageBox(boxWindow);
      report.CheckEqual(L"Access to the program's folder is denied.", box.text, "accessible-failing.text");
      report.Check(box.owner == running.main && box.buttons.size() == 1, "accessible-failing.owned-by-the-window");
      report.Check(AllChildren(object, STATE_SYSTEM_UNAVAILABLE), "accessible-failing.unavailable-while-open",
                   "button state " + Hex(static_cast<std::uintptr_t>(State(object, kBuy))));
      report.Check(FAILED(object->accDoDefaultAction(Child(kBuy))), "accessible-failing.press-refused-while-open");
      if (!box.buttons.empty()) ClickScreen(CentreOnScreen(box.buttons[0].window));
      report.Check(WaitUntil([&] { return ::IsWindow(boxWindow) == FALSE; }, kReactionTimeoutMs),
                   "accessible-failing.dismissed");
    }
    report.Check(WaitUntil([&] { return ::IsWindowEnabled(running.main) != FALSE; }, kReactionTimeoutMs),
                 "accessible-failing.window-enabled-again");
    report.Check(AllChildren(object, 0, STATE_SYSTEM_UNAVAILABLE), "accessible-failing.available-again");
    // Anything still queued has run once the loop answers; what it started has ended.
    WaitUntilResponsive(running.main);
    WaitForChildrenToEnd(running.process.Id(), kRecordTimeoutMs);
    ::Sleep(500);
    report.Check(urls.Lines().empty() && explorer.Lines().empty(), "accessible-failing.nothing-ran-for-the-box",
                 std::to_string(urls.Lines().size()) + " address(es)");
    report.CheckEqual(S_OK, object->accDoDefaultAction(Child(kBuy)), "accessible-failing.press-buy-after-ok");
    urls.WaitForLines(1, kRecordTimeoutMs);
    WaitForChildrenToEnd(running.process.Id(), kRecordTimeoutMs);
    const std::vector<std::wstring> addresses = urls.Lines();
    report.Check(addresses.size() == 1 && addresses[0] == launcher::kPurchaseAddress,
                 "accessible-failing.buy-runs-once-after-ok", std::to_string(addresses.size()) + " call(s)");
    ::PostMessageW(running.main, WM_CLOSE, 0, 0);
    CheckEndsWithZero(report, "accessible-failing.exit-code", running);
  }
  ::CoUninitialize();
}

}  // namespace zeltest
