// Failures, each on a test build that carries it: a picture that cannot be read
// ends start-up with the "Application Error" box and exit code 1; banner pixels
// that cannot be decoded leave the banner's box plain and the launcher working; a
// command that raises an error shows its innermost message and the launcher goes on:
// the capture cancelled first, the launcher's windows taking no input while the box
// is open whoever owns it, the window that was active active again afterwards.
#include <cwctype>

#include "Scenarios.h"

namespace zeltest {

namespace {

constexpr DWORD kRecordTimeoutMs = 30000;

// The launcher's own file name, which the start-up error box names as the module.
constexpr wchar_t kModuleName[] = L"ZelProject.exe";

// The title of the launcher's error boxes: its file name up to the first ".", every
// letter after the first lower-cased.
constexpr wchar_t kApplicationTitle[] = L"Zelproject";

std::optional<std::uint32_t> ImageSizeOf(const std::wstring& exe) {
  const std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(exe);
  if (!bytes || bytes->size() < 0x40) return std::nullopt;
  auto u32 = [&](std::size_t at) -> std::uint32_t {
    const auto& b = *bytes;
    return b[at] | static_cast<std::uint32_t>(b[at + 1]) << 8 | static_cast<std::uint32_t>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(b[at + 3]) << 24;
  };
  // "PE\0\0", the file header (20 bytes), then the optional header, whose
  // SizeOfImage is at offset 56 in both the 32- and 64-bit layouts.
  const std::size_t pe = u32(0x3C);
  if (pe + 24 + 60 > bytes->size() || u32(pe) != 0x00004550) return std::nullopt;
  return u32(pe + 24 + 56);
}

// The "Application Error" text: "Exception <kind> in module <module> at <offset>.\r\n<message>\r\n".
struct TApplicationErrorText {
  std::wstring kind;
  std::wstring module;
  std::wstring offset;
  std::wstring message;
};

std::optional<TApplicationErrorText> ParseApplicationError(std::wstring_view text) {
  constexpr std::wstring_view kStart = L"Exception ";
  constexpr std::wstring_view kModule = L" in module ";
  constexpr std::wstring_view kAt = L" at ";
  constexpr std::wstring_view kLineEnd = L"\r\n";
  if (!text.starts_with(kStart) || !text.ends_with(kLineEnd)) return std::nullopt;
  TApplicationErrorText parts;
  std::wstring_view rest = text.substr(kStart.size());
  const std::size_t module = rest.find(kModule);
  if (module == std::wstring_view::npos) return std::nullopt;
  parts.kind = rest.substr(0, module);
  rest.remove_prefix(module + kModule.size());
  const std::size_t at = rest.find(kAt);
  if (at == std::wstring_view::npos) return std::nullopt;
  parts.module = rest.substr(0, at);
  rest.remove_prefix(at + kAt.size());
  const std::size_t lineEnd = rest.find(L".\r\n");
  if (lineEnd == std::wstring_view::npos) return std::nullopt;
  parts.offset = rest.substr(0, lineEnd);
  rest.remove_prefix(lineEnd + 3);
  parts.message = rest.substr(0, rest.size() - kLineEnd.size());
  return parts;
}

bool IsIdentifier(std::wstring_view text) {
  if (text.empty() || std::iswdigit(text.front())) return false;
  return std::all_of(text.begin(), text.end(), [](wchar_t c) { return (c < 128 && std::iswalnum(c)) || c == L'_'; });
}

// The icon and the one OK button every error box of the launcher has.
void CheckErrorBoxLook(TReport& report, const std::string& name, const TMessageBoxView& box) {
  // The box may be up a moment before it is painted.
  const wchar_t* icon = nullptr;
  if (box.icon != nullptr) {
    WaitUntil([&] { return (icon = StandardIconShown(box.icon)) != nullptr; }, kReactionTimeoutMs, 50);
  }
  report.Check(icon == IDI_ERROR, name + ".error-icon", DescribeStandardIcon(icon));
  std::string buttons;
  for (const auto& button : box.buttons) buttons += " " + std::to_string(button.id) + ":" + Quote(button.text);
  report.Check(box.buttons.size() == 1 && box.buttons[0].id == IDOK && box.buttons[0].text == L"OK",
               name + ".one-ok-button", std::to_string(box.buttons.size()) + " button(s)" + buttons);
}

// Dismisses a box with a real click on its OK button.
bool ClickOk(const TMessageBoxView& box, HWND window) {
  const auto ok = std::find_if(box.buttons.begin(), box.buttons.end(), [](const auto& b) { return b.id == IDOK; });
  if (ok == box.buttons.end()) return false;
  ClickScreen(CentreOnScreen(ok->window));
  return WaitUntil([&] { return !::IsWindow(window) || !::IsWindowVisible(window); }, kReactionTimeoutMs);
}

// A build whose window definition cannot be read: the task-modal "Application
// Error" box, no main window, and exit code 1 once the box is dismissed.
// messageRule: what else the error's message must be, beyond ending in a dot.
void CheckStartupFailure(TContext& context, const std::string& name,
                         const std::function<bool(std::wstring_view)>& messageRule, std::string_view ruleText) {
  TReport& report = context.report;
  const std::wstring spyLog = context.InWork(L"spy.txt");
  SetEnvironmentValue(L"ZEL_SPY_LOG", spyLog);
  TStartOptions options;
  options.suspended = true;
  TProcess process = TProcess::Start(context.launcherExe, options);
  ::SetEnvironmentVariableW(L"ZEL_SPY_LOG", nullptr);
  const TSpyHook spy(process.MainThreadId());
  process.Resume();

  bool mainShown = false;
  HWND boxWindow = nullptr;
  WaitUntil(
      [&] {
        const HWND main = FindWindowOf(process.Id(), launcher::kMainClass);
        if (main != nullptr && ::IsWindowVisible(main)) mainShown = true;
        boxWindow = FindVisibleWindowOf(process.Id(), kDialogClass);
        return boxWindow != nullptr || !process.Running();
      },
      kWindowTimeoutMs, 2);
  if (!report.Check(boxWindow != nullptr, name + ".error-box-shown",
                    boxWindow != nullptr ? ""
                    : process.Running()  ? "no box"
                                         : "the process ended without one")) {
    return;
  }
  const TMessageBoxView box = ReadMessageBox(boxWindow);
  report.CheckEqual(L"Application Error", box.title, name + ".title");
  report.Check(box.owner == nullptr, name + ".no-owner", "task-modal, owned by no window");
  CheckErrorBoxLook(report, name, box);

  const std::optional<TApplicationErrorText> parts = ParseApplicationError(box.text);
  if (report.Check(parts.has_value(), name + ".text-shape", Quote(box.text))) {
    report.Check(IsIdentifier(parts->kind), name + ".error-kind", Quote(parts->kind));
    report.CheckEqual(kModuleName, parts->module, name + ".module");
    const auto upperHexDigit = [](wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F'); };
    const bool hex =
        parts->offset.size() == 8 && std::all_of(parts->offset.begin(), parts->offset.end(), upperHexDigit);
    const unsigned long offset = hex ? std::wcstoul(parts->offset.c_str(), nullptr, 16) : 0;
    const std::optional<std::uint32_t> imageSize = ImageSizeOf(context.launcherExe);
    report.Check(hex && imageSize && offset > 0 && offset < *imageSize, name + ".offset-in-module",
                 Quote(parts->offset) + ", image size " + (imageSize ? Hex(*imageSize) : std::string("unknown")));
    report.Check(parts->message.size() > 1 && parts->message.back() == L'.' && messageRule(parts->message),
                 name + ".message", Quote(parts->message) + ": " + std::string(ruleText) + " ending in \".\"");
  }

  // Dismissed, the program ends with code 1.
  report.Check(ClickOk(box, boxWindow), name + ".dismissed");
  const std::optional<DWORD> code = process.WaitForExit(kWindowTimeoutMs);
  report.Check(code == 1u, name + ".exit-code", code ? std::to_string(*code) : std::string("still running"));

  // What the launcher showed, as the spy inside it saw it: the box and nothing else.
  bool spyMain = false;
  bool spyBox = false;
  for (const TSpyEvent& event : ReadSpyLog(spyLog)) {
    if (event.kind != L"show") continue;
    spyMain = spyMain || event.className == launcher::kMainClass;
    spyBox = spyBox || event.className == kDialogClass;
  }
  report.Check(!mainShown && !spyMain && spyBox, name + ".no-main-window", DescribeSpyLog(spyLog));
}

// Waits until the record holds `count` lines and the launcher's children have ended.
std::vector<std::wstring> Settle(const TRunningLauncher& running, const TRecordFile& record, std::size_t count) {
  record.WaitForLines(count, kRecordTimeoutMs);
  WaitForChildrenToEnd(running.process.Id(), kRecordTimeoutMs);
  return record.Lines();
}

std::string DescribeLines(const std::vector<std::wstring>& lines) {
  std::string out = std::to_string(lines.size()) + " line(s)";
  for (const std::wstring& line : lines) out += " | " + Quote(line);
  return out;
}

// The forms button's box on the screen.
RECT FormsArea(HWND main) {
  const launcher::TBox& forms = launcher::kFormList;
  return ClientRectToScreen(main, {forms.left, forms.top, forms.left + forms.width, forms.top + forms.height});
}

// Pixels of two shots of one screen area that differ outside a screen rectangle.
long DifferingOutside(const TScreenshot& a, const TScreenshot& b, const RECT& area, const RECT& exclude) {
  long differing = 0;
  for (int y = 0; y < a.Height() && y < b.Height(); ++y) {
    for (int x = 0; x < a.Width() && x < b.Width(); ++x) {
      if (!::PtInRect(&exclude, POINT{area.left + x, area.top + y}) && a.Pixel(x, y) != b.Pixel(x, y)) ++differing;
    }
  }
  return differing;
}

// Top-level windows of the process that are visible, other than the main window.
std::vector<HWND> OtherVisibleWindows(DWORD processId, HWND main) {
  std::vector<HWND> found;
  for (HWND window : TopLevelWindowsOf(processId)) {
    if (window != main && ::IsWindowVisible(window)) found.push_back(window);
  }
  return found;
}

// ---- The failing-command build: its folder commands raise a chained error ---------

constexpr DWORD kSettleMs = 1000;
// Client points: the forms button, the purchase button beside its picture, and the
// left margin where no component lies.
const POINT kOnForms = launcher::kFormList.Centre();
const POINT kOnBuy = launcher::kBuyFull.At(100, 75);
const POINT kOnNothing{3, 300};

struct TFailingRun {
  TReport& report;
  const TRunningLauncher& running;
  const TRecordFile& urls;
  std::size_t urlsSeen = 0;

  HWND Main() const noexcept { return running.main; }
  DWORD Id() const noexcept { return running.process.Id(); }

  // The launcher's error box, once it is up, or null.
  HWND WaitForBox() const {
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindVisibleWindowOf(Id(), kDialogClass)) != nullptr; }, kReactionTimeoutMs);
    return box;
  }
  void ClickBuy(std::string_view what) {
    const TPressResult buy = ClickClient(Main(), kOnBuy);
    report.Check(buy.captured && buy.released, what);
  }
  // Exactly `count` purchase calls since the last look, once they have had time to land.
  void CheckUrls(std::size_t count, std::string_view what) {
    Settle(running, urls, urlsSeen + count);
    ::Sleep(kSettleMs);
    const std::vector<std::wstring> lines = Settle(running, urls, urlsSeen + count);
    const std::vector<std::wstring> fresh(lines.begin() + static_cast<std::ptrdiff_t>(std::min(urlsSeen, lines.size())),
                                          lines.end());
    urlsSeen = lines.size();
    bool right = fresh.size() == count;
    for (const std::wstring& line : fresh) right = right && line == launcher::kPurchaseAddress;
    report.Check(right, what, DescribeLines(fresh) + ", expected " + std::to_string(count));
  }
};

// The forms button as drawn at rest, neither pressed nor hot.
TScreenshot FormsAtRest(HWND main) {
  MovePointer(ClientToScreenPoint(main, kOnNothing));
  return CaptureSettled(FormsArea(main), [](const TScreenshot&) { return true; }, 300);
}

// A plain click on the forms button: the box is the active main window's, which it
// disables; dismissed, the window is enabled and active again.
bool ErrorFromAClick(TFailingRun& run) {
  TReport& report = run.report;
  HWND main = run.Main();
  const TPressResult click = ClickClient(main, kOnForms);
  report.Check(click.captured, "failing-command.click-forms");
  HWND boxWindow = run.WaitForBox();
  if (!report.Check(boxWindow != nullptr, "failing-command.error-box-shown")) return false;
  const TMessageBoxView box = ReadMessageBox(boxWindow);
  report.CheckEqual(kApplicationTitle, box.title, "failing-command.title");
  // The innermost message that is not empty, with its closing dot.
  report.CheckEqual(L"Access to the program's folder is denied.", box.text, "failing-command.text");
  CheckErrorBoxLook(report, "failing-command", box);
  report.Check(box.owner == main, "failing-command.owned-by-active-window",
               "owner " + Hex(reinterpret_cast<std::uintptr_t>(box.owner)) + ", main " +
                   Hex(reinterpret_cast<std::uintptr_t>(main)));
  report.Check(!::IsWindowEnabled(main), "failing-command.window-disabled-while-open");

  report.Check(ClickOk(box, boxWindow), "failing-command.dismissed");
  // Its message loop answers again: the handler that raised the error returned.
  DWORD_PTR ignored = 0;
  const bool answers =
      ::SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, kReactionTimeoutMs, &ignored) != 0;
  report.Check(answers && run.running.process.Running(), "failing-command.keeps-running");
  report.Check(WaitUntil([&] { return ::IsWindowEnabled(main) != FALSE; }, kReactionTimeoutMs),
               "failing-command.window-enabled-again");
  report.Check(WaitUntil([&] { return ::GetForegroundWindow() == main; }, kReactionTimeoutMs),
               "failing-command.window-active-again");
  report.Check(CaptureOf(main) == nullptr, "failing-command.no-capture-after");

  // The launcher goes on: the purchase command still runs.
  run.ClickBuy("failing-command.click-buy");
  run.CheckUrls(1, "failing-command.buy-still-works");
  return true;
}

// A right release during a left press runs the handler with the mouse capture still
// held: the capture is cancelled before the box opens, so while it is up the
// launcher's thread holds none and the button is drawn raised.
bool ErrorWithTheCaptureHeld(TFailingRun& run) {
  TReport& report = run.report;
  HWND main = run.Main();
  const TScreenshot atRest = FormsAtRest(main);
  MovePointer(ClientToScreenPoint(main, kOnForms));
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  report.Check(WaitForCapture(main, main), "failing-command.capture-held.press-takes-capture");
  SendMouseButton(MOUSEEVENTF_RIGHTDOWN);
  SendMouseButton(MOUSEEVENTF_RIGHTUP);
  HWND boxWindow = run.WaitForBox();
  if (!report.Check(boxWindow != nullptr, "failing-command.capture-held.error-box-shown")) {
    SendMouseButton(MOUSEEVENTF_LEFTUP);
    return false;
  }
  report.Check(CaptureOf(main) == nullptr, "failing-command.capture-held.no-capture-while-open");
  RECT boxRect{};
  ::GetWindowRect(boxWindow, &boxRect);
  long differing = 0;
  WaitUntil(
      [&] {
        differing = DifferingOutside(TScreenshot::Capture(FormsArea(main)), atRest, FormsArea(main), boxRect);
        return differing == 0;
      },
      kReactionTimeoutMs, 50);
  report.Check(differing == 0, "failing-command.capture-held.button-drawn-raised",
               std::to_string(differing) + " pixels differ from the button at rest (outside the box " +
                   Describe(boxRect) + ")");
  // The left release while the box is open reaches nothing of the launcher's.
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  report.Check(ClickOk(ReadMessageBox(boxWindow), boxWindow), "failing-command.capture-held.dismissed");
  ::Sleep(kSettleMs);
  report.Check(FindVisibleWindowOf(run.Id(), kDialogClass) == nullptr, "failing-command.capture-held.one-box-only");
  report.Check(CaptureOf(main) == nullptr, "failing-command.capture-held.no-capture-after");
  run.CheckUrls(0, "failing-command.capture-held.nothing-else-runs");
  return true;
}

// Another program comes to the front during a press on the forms button and the
// release completes the click: the error is reported with no window of the
// launcher's active, so the box is the hidden application window's. The main
// window takes no input while it is open all the same, and once it is dismissed
// the other program's window is active again, as it was.
bool ErrorWhileAnotherProgramIsActive(TFailingRun& run) {
  TReport& report = run.report;
  HWND main = run.Main();
  const TDriverWindow other(CornerClearOf(main, {200, 120}), L"zeltest other window");
  // Its window came up active: a click where no component lies gives the front back.
  MovePointer(ClientToScreenPoint(main, kOnNothing));
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  report.Check(WaitUntil([&] { return ::GetForegroundWindow() == main; }, kReactionTimeoutMs),
               "failing-command.inactive.launcher-active-first");

  MovePointer(ClientToScreenPoint(main, kOnForms));
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  report.Check(WaitForCapture(main, main), "failing-command.inactive.press-takes-capture");
  report.Check(other.Activate(), "failing-command.inactive.other-program-in-front");
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  HWND boxWindow = run.WaitForBox();
  if (!report.Check(boxWindow != nullptr, "failing-command.inactive.error-box-shown",
                    "the release over the button after the other window came to the front")) {
    return false;
  }
  const TMessageBoxView box = ReadMessageBox(boxWindow);
  const HWND application = FindWindowOf(run.Id(), launcher::kApplicationClass);
  report.Check(box.owner != nullptr && box.owner == application, "failing-command.inactive.owned-by-application-window",
               "owner " + Utf8(ClassNameOf(box.owner)));
  report.Check(!::IsWindowEnabled(main), "failing-command.inactive.window-disabled-while-open");

  // A click on the purchase button while the box is open runs nothing.
  RECT boxRect{};
  ::GetWindowRect(boxWindow, &boxRect);
  const POINT buy = ClientToScreenPoint(main, kOnBuy);
  if (::PtInRect(&boxRect, buy)) throw TAbort("the error box covers the purchase button at " + Describe(boxRect));
  MovePointer(buy);
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  run.CheckUrls(0, "failing-command.inactive.click-while-open-runs-nothing");

  report.Check(ClickOk(ReadMessageBox(boxWindow), boxWindow), "failing-command.inactive.dismissed");
  report.Check(WaitUntil([&] { return ::IsWindowEnabled(main) != FALSE; }, kReactionTimeoutMs),
               "failing-command.inactive.window-enabled-again");
  report.Check(WaitUntil([&] { return ::GetForegroundWindow() == other.Handle(); }, kReactionTimeoutMs),
               "failing-command.inactive.other-window-active-again",
               "foreground " + Utf8(ClassNameOf(::GetForegroundWindow())));
  report.Check(CaptureOf(main) == nullptr, "failing-command.inactive.no-capture-after");
  return true;
}

}  // namespace

void ScenarioDamagedPicture(TContext& context) {
  // The PNG reader's messages are its own; any non-empty one will do.
  CheckStartupFailure(
      context, "damaged-picture", [](std::wstring_view) { return true; }, "not empty");
}

void ScenarioDamagedBannerHeader(TContext& context) {
  // The JPEG library's errors read "JPEG error #<message code>".
  CheckStartupFailure(
      context, "damaged-banner-header",
      [](std::wstring_view message) {
        constexpr std::wstring_view kStart = L"JPEG error #";
        if (!message.starts_with(kStart) || message.size() < kStart.size() + 2) return false;
        const std::wstring_view code = message.substr(kStart.size(), message.size() - kStart.size() - 1);
        return std::all_of(code.begin(), code.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
      },
      "\"JPEG error #\" and the library's message code");
}

void ScenarioDamagedBannerPixels(TContext& context) {
  TReport& report = context.report;
  const TRecordFile explorer(context.InWork(L"explorer-calls.txt"));
  explorer.Clear();
  SetEnvironmentValue(L"ZEL_RECORD", explorer.Path());
  const std::wstring spyLog = context.InWork(L"spy.txt");
  TRunningLauncher running = StartLauncher(context.launcherExe, {}, spyLog);
  HWND main = running.main;
  RepaintNow(main);
  const std::uint32_t face = SystemColour(COLOR_BTNFACE);
  CheckClientBlock(report, "damaged-banner-pixels.banner-box-plain", main, {0, 0}, {960, 171}, SolidColour(face));

  // Every repaint draws the banner again; none of them may report anything.
  int repaints = 0;
  std::vector<HWND> others;
  const ULONGLONG until = ::GetTickCount64() + 3000;
  while (::GetTickCount64() < until && others.empty() && running.process.Running()) {
    RepaintNow(main);
    ++repaints;
    others = OtherVisibleWindows(running.process.Id(), main);
    ::Sleep(50);
  }
  std::string seen;
  for (HWND window : others) seen += " " + Utf8(ClassNameOf(window)) + " " + Quote(WindowText(window));
  report.Check(others.empty() && running.process.Running(), "damaged-banner-pixels.no-error-box",
               std::to_string(repaints) + " repaints" + (seen.empty() ? "" : ", shown:" + seen));
  bool spyOther = false;
  for (const TSpyEvent& event : ReadSpyLog(spyLog)) {
    spyOther = spyOther || (event.kind == L"show" && event.className != launcher::kMainClass);
  }
  report.Check(!spyOther, "damaged-banner-pixels.spy-saw-no-other-window", DescribeSpyLog(spyLog));
  CheckClientBlock(report, "damaged-banner-pixels.banner-box-still-plain", main, {0, 0}, {960, 171},
                   SolidColour(face));

  // The buttons still work.
  const TPressResult click = ClickClient(main, launcher::kFormList.Centre());
  report.Check(click.captured && click.released, "damaged-banner-pixels.click-forms");
  const std::wstring expected =
      launcher::ExplorerCall(FolderOf(context.launcherExe) + L"\\" + launcher::kFormsFolder);
  const std::vector<std::wstring> lines = Settle(running, explorer, 1);
  report.Check(lines.size() == 1 && lines[0] == expected, "damaged-banner-pixels.forms-command",
               DescribeLines(lines) + "; expected " + Quote(expected));

  if (report.Failures() > 0) SaveScreen(context, L"damaged-banner-pixels.bmp");
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  CheckEndsWithZero(report, "damaged-banner-pixels.exit-code", running);
}

void ScenarioFailingCommand(TContext& context) {
  TReport& report = context.report;
  const std::wstring urlRecordPath = EnvironmentValue(L"ZEL_URL_RECORD");
  if (urlRecordPath.empty()) throw TAbort("ZEL_URL_RECORD is not set: run the scenario through run-scenario.sh");
  const TRecordFile urls(WindowsPath(urlRecordPath));
  urls.Clear();

  TRunningLauncher running = StartLauncher(context.launcherExe);
  TFailingRun run{report, running, urls};
  WaitUntil([&] { return ::GetForegroundWindow() == running.main; }, kReactionTimeoutMs);

  if (ErrorFromAClick(run) && ErrorWithTheCaptureHeld(run) && ErrorWhileAnotherProgramIsActive(run)) {
    // The launcher goes on after the last box too, its window taking clicks again.
    run.ClickBuy("failing-command.after-all.click-buy");
    run.CheckUrls(1, "failing-command.after-all.buy-works");
  }

  if (report.Failures() > 0) SaveScreen(context, L"failing-command.bmp");
  ::PostMessageW(running.main, WM_CLOSE, 0, 0);
  CheckEndsWithZero(report, "failing-command.exit-code", running);
}

}  // namespace zeltest
