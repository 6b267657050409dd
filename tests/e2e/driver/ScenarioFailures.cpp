// Failures, each on a test build that carries it: a picture that cannot be read
// ends start-up with the "Application Error" box and exit code 1; banner pixels
// that cannot be decoded leave the banner's box plain and the launcher working; a
// command that raises an error shows its innermost message and the launcher goes on.
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

// Top-level windows of the process that are visible, other than the main window.
std::vector<HWND> OtherVisibleWindows(DWORD processId, HWND main) {
  std::vector<HWND> found;
  for (HWND window : TopLevelWindowsOf(processId)) {
    if (window != main && ::IsWindowVisible(window)) found.push_back(window);
  }
  return found;
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
  HWND main = running.main;
  const DWORD id = running.process.Id();
  WaitUntil([&] { return ::GetForegroundWindow() == main; }, kReactionTimeoutMs);

  const TPressResult click = ClickClient(main, launcher::kFormList.Centre());
  report.Check(click.captured, "failing-command.click-forms");
  HWND boxWindow = nullptr;
  WaitUntil([&] { return (boxWindow = FindVisibleWindowOf(id, kDialogClass)) != nullptr; }, kReactionTimeoutMs);
  if (!report.Check(boxWindow != nullptr, "failing-command.error-box-shown")) {
    SaveScreen(context, L"failing-command.bmp");
    return;
  }
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
  report.Check(answers && running.process.Running(), "failing-command.keeps-running");
  report.Check(WaitUntil([&] { return ::IsWindowEnabled(main) != FALSE; }, kReactionTimeoutMs),
               "failing-command.window-enabled-again");
  report.Check(WaitUntil([&] { return ::GetForegroundWindow() == main; }, kReactionTimeoutMs),
               "failing-command.window-active-again");
  report.Check(CaptureOf(main) == nullptr, "failing-command.no-capture-after");

  // The launcher goes on: the purchase command still runs.
  const TPressResult buy = ClickClient(main, launcher::kBuyFull.At(100, 75));
  report.Check(buy.captured && buy.released, "failing-command.click-buy");
  const std::vector<std::wstring> lines = Settle(running, urls, 1);
  report.Check(lines.size() == 1 && lines[0] == launcher::kPurchaseAddress, "failing-command.buy-still-works",
               DescribeLines(lines));

  if (report.Failures() > 0) SaveScreen(context, L"failing-command.bmp");
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  CheckEndsWithZero(report, "failing-command.exit-code", running);
}

}  // namespace zeltest
