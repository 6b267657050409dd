// Which presses and releases complete a click, with real input: the purchase
// picture taking the mouse from its button, drags between buttons, double-clicks,
// a press the platform cancels, the right button during a left press, a click that
// activates the window, a press whose capture another window takes, and one whose
// release another program's window takes unreported. Seen from
// outside by the calls that reach the file browser's and the web browser's
// stand-ins (count and arguments) and by the mouse capture of the launcher's thread.
//
// run-scenario.sh puts the recording stand-ins in place (--standin), as for the
// commands scenario.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "Scenarios.h"

namespace zeltest {

namespace {

constexpr DWORD kRecordTimeoutMs = 30000;
// Once the expected calls have arrived and the launcher's children have ended, a call
// that should not have been made, started before the last expected one, has had this
// long to land as well.
constexpr DWORD kSettleMs = 1000;

std::string At(POINT p) { return "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")"; }

class TMouseRun {
 public:
  TMouseRun(TReport& report, const TRunningLauncher& running, const TRecordFile& explorer, const TRecordFile& urls,
            std::wstring spyLog)
      : report_(report), running_(running), main_(running.main), explorer_{"file browser", explorer, 0, {}},
        urls_{"web browser", urls, 0, {}}, spyLog_(std::move(spyLog)) {}

  HWND Main() const noexcept { return main_; }
  TReport& Report() noexcept { return report_; }

  void MoveTo(POINT client) {
    if (!MovePointer(ClientToScreenPoint(main_, client))) {
      report_.Check(false, "mouse.pointer-moved", "could not put the pointer on client " + At(client));
    }
  }
  // A left press at a client point; true when the launcher took the capture for it.
  bool PressLeft(POINT client) {
    MoveTo(client);
    SendMouseButton(MOUSEEVENTF_LEFTDOWN);
    return WaitForCapture(main_, main_);
  }
  // The left release where the pointer is; true when the capture has gone with it.
  bool ReleaseLeft() {
    SendMouseButton(MOUSEEVENTF_LEFTUP);
    return WaitForCapture(main_, nullptr);
  }
  // A complete left click, checked to have been taken as a press and a release.
  void Click(POINT client, std::string_view what) {
    const bool captured = PressLeft(client);
    const bool released = ReleaseLeft();
    report_.Check(captured && released, what,
                  "at client " + At(client) + (captured ? "" : ", the press took no capture") +
                      (released ? "" : ", the capture stayed after the release"));
  }
  void CheckCapture(HWND expected, std::string_view what, std::string_view when) {
    const HWND holder = CaptureOf(main_);
    std::string detail = std::string(when) + ": capture ";
    if (holder == nullptr) {
      detail += "none";
    } else {
      detail += holder == main_ ? "the launcher's window" : Hex(reinterpret_cast<std::uintptr_t>(holder));
    }
    report_.Check(holder == expected, what, detail);
  }

  // A call the actions since the last CheckCalls are to have made, in order.
  void ExpectExplorer(const std::wstring& call) { explorer_.expected.push_back(call); }
  void ExpectUrl(const std::wstring& call) { urls_.expected.push_back(call); }

  // Waits for the expected calls of both stand-ins, lets any stray one land, and
  // compares what each recorded since the last check with what was expected. The
  // next check starts from what was recorded, so one fault fails one check.
  void CheckCalls(std::string_view what) {
    explorer_.record.WaitForLines(explorer_.seen + explorer_.expected.size(), kRecordTimeoutMs);
    urls_.record.WaitForLines(urls_.seen + urls_.expected.size(), kRecordTimeoutMs);
    WaitForChildrenToEnd(running_.process.Id(), kRecordTimeoutMs);
    ::Sleep(kSettleMs);
    WaitForChildrenToEnd(running_.process.Id(), kRecordTimeoutMs);
    bool same = true;
    std::string detail;
    for (TCalls* calls : {&explorer_, &urls_}) {
      const std::vector<std::wstring> lines = calls->record.Lines();
      const auto first = lines.begin() + static_cast<std::ptrdiff_t>(std::min(calls->seen, lines.size()));
      const std::vector<std::wstring> fresh(first, lines.end());
      if (!detail.empty()) detail += "; ";
      detail += calls->name + " " + DescribeCalls(fresh);
      if (fresh != calls->expected) {
        same = false;
        detail += " (expected " + DescribeCalls(calls->expected) + ")";
      }
      calls->seen = lines.size();
      calls->expected.clear();
    }
    report_.Check(same, what, detail);
  }

  // The launcher's mouse button messages, as the spy saw them taken from its queue.
  std::vector<std::wstring> ButtonMessages() const {
    std::vector<std::wstring> messages;
    for (const TSpyEvent& event : ReadSpyLog(spyLog_)) {
      if (event.kind == L"mouse" && event.className == launcher::kMainClass) {
        messages.push_back(event.detail.substr(0, event.detail.find(L' ')));
      }
    }
    return messages;
  }

 private:
  static std::string DescribeCalls(const std::vector<std::wstring>& lines) {
    std::string out = std::to_string(lines.size()) + " new call(s)";
    for (const std::wstring& line : lines) out += " | " + Quote(line);
    return out;
  }

  // One stand-in's record: the lines already checked and the calls expected next.
  struct TCalls {
    std::string name;
    const TRecordFile& record;
    std::size_t seen = 0;
    std::vector<std::wstring> expected;
  };

  TReport& report_;
  const TRunningLauncher& running_;
  HWND main_;
  TCalls explorer_;
  TCalls urls_;
  std::wstring spyLog_;
};

// Client points: the purchase button left and right of its picture, the picture's
// middle, the two folder buttons.
const POINT kOnBuyLeft = launcher::kBuyFull.At(100, 75);
const POINT kOnBuyRight = launcher::kBuyFull.At(launcher::kBuyFull.width - 40, 20);
const POINT kOnPicture = launcher::kImage1.Centre();
const POINT kOnForms = launcher::kFormList.Centre();
const POINT kOnSamples = launcher::kSamples.Centre();
// The left margin beside the purchase button: no component there.
const POINT kOnNothing{3, 300};
// Windows of the driver's own, in the work area's corner clear of the launcher.
constexpr SIZE kOtherWindowSize{200, 120};

void PurchasePicture(TMouseRun& run, const std::wstring& url) {
  TReport& report = run.Report();

  // Pressed on the button beside the picture, released on the picture: the release
  // lies in the button's rectangle, so the purchase runs, once.
  const bool pressed = run.PressLeft(kOnBuyLeft);
  run.MoveTo(kOnPicture);
  run.CheckCapture(run.Main(), "mouse.buy-dragged-onto-picture.capture", "over the picture, the button held");
  const bool released = run.ReleaseLeft();
  report.Check(pressed && released, "mouse.buy-dragged-onto-picture.press-and-release");
  run.ExpectUrl(url);
  run.CheckCalls("mouse.buy-dragged-onto-picture.runs-purchase-once");

  // Pressed on the picture, released on the button's free part: nothing. The click
  // after it must give exactly one more call; one from the drag would come first.
  report.Check(run.PressLeft(kOnPicture), "mouse.picture-press.takes-capture");
  run.CheckCapture(run.Main(), "mouse.picture-press.capture-held", "the picture pressed");
  run.MoveTo(kOnBuyRight);
  run.CheckCapture(run.Main(), "mouse.picture-press.capture-held-over-button", "dragged onto the button");
  report.Check(run.ReleaseLeft(), "mouse.picture-press.release-gives-capture-back");
  run.Click(kOnBuyLeft, "mouse.picture-press.marker-click");
  run.ExpectUrl(url);
  run.CheckCalls("mouse.picture-press-released-on-button-runs-nothing");

  // A plain click on the picture: nothing, then a marker click again.
  run.Click(kOnPicture, "mouse.picture-click");
  run.Click(kOnBuyRight, "mouse.picture-click.marker-click");
  run.ExpectUrl(url);
  run.CheckCalls("mouse.picture-click-runs-nothing");
}

void AcrossButtons(TMouseRun& run, const std::wstring& forms) {
  TReport& report = run.Report();
  report.Check(run.PressLeft(kOnForms), "mouse.forms-to-samples.press-takes-capture");
  run.MoveTo(kOnSamples);
  run.CheckCapture(run.Main(), "mouse.forms-to-samples.capture-held-during-drag", "over the samples button");
  report.Check(run.ReleaseLeft(), "mouse.forms-to-samples.capture-released-after");
  // Away from where the press began, so the marker is no double-click.
  run.Click(launcher::kFormList.At(40, 30), "mouse.forms-to-samples.marker-click");
  run.ExpectExplorer(forms);
  run.CheckCalls("mouse.press-on-one-button-released-on-another-runs-nothing");
}

void DoubleClick(TMouseRun& run, const std::wstring& samples) {
  TReport& report = run.Report();
  run.MoveTo(kOnSamples);
  const std::size_t before = run.ButtonMessages().size();
  // All four in one go, well inside the double-click time.
  SendMouseButtons({MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
  run.ExpectExplorer(samples);
  run.ExpectExplorer(samples);
  run.CheckCalls("mouse.double-click-runs-twice");
  // Two ordinary clicks would run twice too: the second press must have come as one
  // of a double-click.
  std::vector<std::wstring> messages = run.ButtonMessages();
  messages.erase(messages.begin(), messages.begin() + static_cast<std::ptrdiff_t>(std::min(before, messages.size())));
  const std::vector<std::wstring> expected = {L"WM_LBUTTONDOWN", L"WM_LBUTTONUP", L"WM_LBUTTONDBLCLK",
                                              L"WM_LBUTTONUP"};
  std::string seen;
  for (const std::wstring& m : messages) seen += (seen.empty() ? "" : " ") + Utf8(m);
  report.Check(messages == expected, "mouse.double-click.second-press-is-a-double-click", seen);
}

void CancelledPress(TMouseRun& run, const std::wstring& url) {
  TReport& report = run.Report();
  report.Check(run.PressLeft(kOnBuyLeft), "mouse.cancel.press-takes-capture");
  DWORD_PTR result = 0;
  const bool sent = ::SendMessageTimeoutW(run.Main(), WM_CANCELMODE, 0, 0, SMTO_ABORTIFHUNG, kReactionTimeoutMs,
                                          &result) != 0;
  report.Check(sent, "mouse.cancel.message-handled");
  report.Check(WaitForCapture(run.Main(), nullptr), "mouse.cancel.capture-gone", "before the button is released");
  // Released where it was pressed, inside the button: still nothing.
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  run.Click(kOnBuyRight, "mouse.cancel.marker-click");
  run.ExpectUrl(url);
  run.CheckCalls("mouse.cancelled-press-runs-nothing");
}

void RightButtonDuringLeftPress(TMouseRun& run, const std::wstring& forms, const std::wstring& samples) {
  TReport& report = run.Report();
  report.Check(run.PressLeft(kOnForms), "mouse.right-during-left.press-takes-capture");

  // The right press alone does nothing: once the spy has seen it taken from the
  // queue, a message sent after it is handled after it.
  const std::size_t before = run.ButtonMessages().size();
  SendMouseButton(MOUSEEVENTF_RIGHTDOWN);
  const bool taken = WaitUntil(
      [&] {
        const std::vector<std::wstring> messages = run.ButtonMessages();
        return messages.size() > before && messages.back() == L"WM_RBUTTONDOWN";
      },
      kReactionTimeoutMs);
  report.Check(taken, "mouse.right-during-left.right-press-taken");
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(run.Main(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kReactionTimeoutMs, &result);
  run.CheckCalls("mouse.right-during-left.right-press-runs-nothing");

  // The right release completes the click at once, with the left button still down.
  SendMouseButton(MOUSEEVENTF_RIGHTUP);
  run.ExpectExplorer(forms);
  run.CheckCalls("mouse.right-during-left.right-release-runs-forms");
  run.CheckCapture(run.Main(), "mouse.right-during-left.capture-kept", "after the right release, left held");

  report.Check(run.ReleaseLeft(), "mouse.right-during-left.left-release-gives-capture-back");
  run.Click(kOnSamples, "mouse.right-during-left.marker-click");
  run.ExpectExplorer(samples);
  run.CheckCalls("mouse.right-during-left.left-release-runs-nothing-more");
}


void ClickThatActivates(TMouseRun& run, const std::wstring& samples) {
  TReport& report = run.Report();
  const TDriverWindow other(CornerClearOf(run.Main(), kOtherWindowSize), L"zeltest other window");
  const bool otherActive = other.Activate();
  report.Check(otherActive && ::GetForegroundWindow() != run.Main(), "mouse.inactive.other-window-active",
               "foreground " + Utf8(ClassNameOf(::GetForegroundWindow())));

  run.Click(kOnSamples, "mouse.inactive.one-click");
  const bool active = WaitUntil([&] { return ::GetForegroundWindow() == run.Main(); }, kReactionTimeoutMs);
  report.Check(active, "mouse.inactive.click-activates-launcher",
               "foreground " + Utf8(ClassNameOf(::GetForegroundWindow())));
  run.ExpectExplorer(samples);
  run.CheckCalls("mouse.inactive.click-also-runs-samples");
}


// Another window takes the capture from a held press (one of the driver's own,
// joined to the launcher's input as any program's window can be): the release goes
// there, so the launcher must end the press as a cancelled one. The button is drawn
// raised at once, nothing runs, and the next click on a button runs its command.
void CaptureTakenByAnotherWindow(TMouseRun& run, const std::wstring& samples) {
  TReport& report = run.Report();
  const TProbeWindow other(CornerClearOf(run.Main(), kOtherWindowSize), L"zeltest capture taker");
  const launcher::TBox& forms = launcher::kFormList;
  const RECT formsArea =
      ClientRectToScreen(run.Main(), {forms.left, forms.top, forms.left + forms.width, forms.top + forms.height});
  run.MoveTo(kOnNothing);
  const TScreenshot atRest = CaptureSettled(formsArea, [](const TScreenshot&) { return true; }, 300);

  report.Check(run.PressLeft(kOnForms), "mouse.capture-taken.press-takes-capture");
  const DWORD launcherThread = ThreadOf(run.Main());
  bool attached = false;
  other.RunOnThread([&] {
    attached = ::AttachThreadInput(::GetCurrentThreadId(), launcherThread, TRUE) != FALSE;
    ::SetCapture(other.Handle());
  });
  report.Check(attached && CaptureOf(run.Main()) == other.Handle(), "mouse.capture-taken.by-the-other-window",
               attached ? "" : "the inputs could not be joined");
  // Released over the button it was pressed on: the release is the other window's.
  const long releases = other.LeftReleases();
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  report.Check(WaitUntil([&] { return other.LeftReleases() > releases; }, kReactionTimeoutMs),
               "mouse.capture-taken.release-goes-to-the-other-window");
  other.RunOnThread([&] {
    ::ReleaseCapture();
    ::AttachThreadInput(::GetCurrentThreadId(), launcherThread, FALSE);
  });
  run.CheckCalls("mouse.capture-taken.runs-nothing");
  const TScreenshot after =
      CaptureSettled(formsArea, [&](const TScreenshot& shot) { return SamePixels(shot, atRest); }, 300);
  report.Check(SamePixels(after, atRest), "mouse.capture-taken.button-drawn-raised",
               "the forms button as at rest, neither pressed nor hot");

  run.Click(kOnSamples, "mouse.capture-taken.next-click");
  run.ExpectExplorer(samples);
  run.CheckCalls("mouse.capture-taken.next-click-runs-samples");
}

// Another program's window comes to the front under the pointer while the forms
// button is held and takes the capture; the release goes there and the launcher is
// told nothing. The next press, on the samples button, must be taken fresh where it
// lies: the held press ends unclicked, and the samples click runs its command.
void ReleaseLostToAnotherProgram(TMouseRun& run, const std::wstring& samples) {
  TReport& report = run.Report();
  report.Check(run.PressLeft(kOnForms), "mouse.release-lost.press-takes-capture");
  const POINT at = ClientToScreenPoint(run.Main(), kOnForms);
  TStartOptions options;
  options.arguments = L"take-capture " + std::to_wstring(at.x - 100) + L" " + std::to_wstring(at.y - 40) + L" " +
                      std::to_wstring(at.x + 100) + L" " + std::to_wstring(at.y + 40);
  const TProcess helper = TProcess::Start(ThisProgram(), options);
  HWND taker = nullptr;
  const bool taken = WaitUntil(
      [&] {
        taker = ::FindWindowW(nullptr, kCaptureTakerTitle);
        return taker != nullptr && CaptureOf(taker) == taker && ::GetForegroundWindow() == taker;
      },
      kWindowTimeoutMs);
  report.Check(taken, "mouse.release-lost.other-program-in-front-with-the-capture");
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  report.Check(helper.WaitForExit(kReactionTimeoutMs) == 0u, "mouse.release-lost.release-went-to-the-other-program");
  report.Note("mouse.release-lost.launcher-capture",
              CaptureOf(run.Main()) == run.Main() ? "still held, as Wine tells the launcher nothing" : "gone");

  run.Click(kOnSamples, "mouse.release-lost.next-click");
  run.ExpectExplorer(samples);
  run.CheckCalls("mouse.release-lost.next-click-runs-samples");
}

}  // namespace

void ScenarioMouse(TContext& context) {
  const auto [explorer, urls] = ShellRecords(context);

  // A folder of known name, so the expected arguments do not depend on the checkout.
  const TScratchFolder folder(L"C:\\ZelMouse");
  const std::wstring exe = folder.CopyIn(context.launcherExe, L"ZelProject.exe");
  const std::wstring forms = launcher::ExplorerCall(folder.Path() + L"\\" + launcher::kFormsFolder);
  const std::wstring samples = launcher::ExplorerCall(folder.Path() + L"\\" + launcher::kSamplesFolder);
  const std::wstring url = launcher::kPurchaseAddress;

  const std::wstring spyLog = context.InWork(L"spy.txt");
  TRunningLauncher running = StartLauncher(exe, {}, spyLog);
  TMouseRun run(context.report, running, explorer, urls, spyLog);

  PurchasePicture(run, url);
  AcrossButtons(run, forms);
  DoubleClick(run, samples);
  CancelledPress(run, url);
  RightButtonDuringLeftPress(run, forms, samples);
  ClickThatActivates(run, samples);
  CaptureTakenByAnotherWindow(run, samples);
  ReleaseLostToAnotherProgram(run, samples);

  if (context.report.Failures() > 0) {
    context.report.Note("mouse.spy", DescribeSpyLog(spyLog));
    SaveScreen(context, L"mouse.bmp");
  }
  ::PostMessageW(running.main, WM_CLOSE, 0, 0);
  if (!running.process.WaitForExit(kWindowTimeoutMs)) context.report.Note("mouse.close", "the launcher did not end");
}

}  // namespace zeltest
