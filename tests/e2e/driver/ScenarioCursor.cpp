// The application-wide wait cursor around a command, read from outside: it shows at
// once when the command starts, and the launcher's arrow is back right after the
// shell call without the pointer moving; with the pointer resting over another
// program's window when a command ends, the arrow is set and that window is sent no
// cursor messages.
//
// What Wine lets us see: GetCursorInfo gives the cursor of the thread in front (the
// launcher's, once it has been clicked); cursor handles are each process's own, so
// the launcher's wait cursor is told apart from its arrow but cannot be compared
// with the driver's own IDC_WAIT. Wine's ShellExecuteW returns as soon as the
// started program exists (it waits for it to become idle only on its DDE path, and
// CreateProcessW returns before the new process runs any code of its own), so no
// stand-in can hold the call: the wait cursor shows for the few milliseconds the
// call takes, and is watched for by polling without pause.
//
// run-scenario.sh puts the file browser's stand-in in place (--standin).
#include <string>

#include "Scenarios.h"

namespace zeltest {

namespace {

constexpr DWORD kRecordTimeoutMs = 30000;
// The pointer has settled over a window once no cursor message has come for this long.
constexpr DWORD kQuietMs = 300;
// A command's wait cursor lasts a few milliseconds: a poll descheduled for that long
// misses it, so it is watched for over several commands.
constexpr int kAttempts = 5;

const POINT kOnForms = launcher::kFormList.Centre();
// The left margin beside the purchase button: no component there.
const POINT kOnNothing{3, 300};

HCURSOR CurrentCursor() {
  CURSORINFO info{};
  info.cbSize = sizeof info;
  return ::GetCursorInfo(&info) ? info.hCursor : nullptr;
}

std::string DescribeCursor(HCURSOR cursor) { return Hex(reinterpret_cast<std::uintptr_t>(cursor)); }

// The cursors shown from a command's start until its shell call has reached the
// stand-in and the launcher's arrow is back.
struct TCommandCursors {
  HCURSOR shown = nullptr;  // the first cursor other than the arrow, if one was seen
  bool arrowBack = false;
};

// Starts a command with start() and polls the cursor without pause until the record
// has its line and the arrow is back (or the time is up).
TCommandCursors WatchCommand(const std::function<void()>& start, HCURSOR arrow, const TRecordFile& record,
                             std::size_t lines) {
  TCommandCursors seen;
  start();
  const ULONGLONG deadline = ::GetTickCount64() + kRecordTimeoutMs;
  bool called = false;
  for (unsigned poll = 0; ::GetTickCount64() < deadline; ++poll) {
    const HCURSOR now = CurrentCursor();
    if (now != arrow && seen.shown == nullptr) seen.shown = now;
    // Reading the record is slow next to a poll: only now and then.
    if (poll % 64 == 0) called = record.Lines().size() >= lines;
    if (called && now == arrow) {
      seen.arrowBack = true;
      break;
    }
  }
  return seen;
}

}  // namespace

void ScenarioCursor(TContext& context) {
  TReport& report = context.report;
  const TRecordFile explorer(context.InWork(L"explorer-calls.txt"));
  explorer.Clear();
  SetEnvironmentValue(L"ZEL_RECORD", explorer.Path());

  TRunningLauncher running = StartLauncher(context.launcherExe);
  HWND main = running.main;
  const TProbeWindow other(CornerClearOf(main, {200, 120}), L"zeltest cursor probe");
  // The probe came up in front: a click where no component lies gives the launcher the front.
  MovePointer(ClientToScreenPoint(main, kOnNothing));
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  if (!report.Check(WaitUntil([&] { return ::GetForegroundWindow() == main; }, kReactionTimeoutMs),
                    "cursor.launcher-in-front")) {
    return;
  }
  // The launcher's own arrow: what its window sets over the client area at rest.
  MovePointer(ClientToScreenPoint(main, kOnForms));
  HCURSOR arrow = nullptr;
  WaitUntil(
      [&] {
        const HCURSOR now = CurrentCursor();
        const bool settled = now != nullptr && now == arrow;
        arrow = now;
        if (!settled) ::Sleep(kQuietMs);
        return settled;
      },
      kReactionTimeoutMs);
  if (!report.Check(arrow != nullptr, "cursor.arrow-at-rest", DescribeCursor(arrow))) return;

  // Commands started by a real click on the forms button, the pointer resting on it.
  std::size_t lines = 0;
  HCURSOR wait = nullptr;
  bool sameWait = true;
  bool allBack = true;
  bool unmoved = true;
  int attempts = 0;
  while (attempts < kAttempts && (wait == nullptr || attempts < 2)) {
    ++attempts;
    SendMouseButton(MOUSEEVENTF_LEFTDOWN);
    if (!WaitForCapture(main, main)) throw TAbort("the press on the forms button took no capture");
    POINT before{};
    ::GetCursorPos(&before);
    const TCommandCursors seen =
        WatchCommand([] { SendMouseButton(MOUSEEVENTF_LEFTUP); }, arrow, explorer, ++lines);
    POINT after{};
    ::GetCursorPos(&after);
    if (seen.shown != nullptr) {
      sameWait = sameWait && (wait == nullptr || seen.shown == wait);
      if (wait == nullptr) wait = seen.shown;
    }
    allBack = allBack && seen.arrowBack;
    unmoved = unmoved && before.x == after.x && before.y == after.y;
    WaitForChildrenToEnd(running.process.Id(), kRecordTimeoutMs);
  }
  report.Check(wait != nullptr && sameWait, "cursor.wait-shown-at-once",
               "over the forms button: " + (wait != nullptr ? DescribeCursor(wait) : std::string("nothing but")) +
                   " (the arrow " + DescribeCursor(arrow) + "), " + std::to_string(attempts) + " command(s)" +
                   (sameWait ? "" : ", not the same cursor every time"));
  report.Check(allBack && unmoved, "cursor.arrow-back-without-moving",
               std::string(allBack ? "the arrow after every call" : "the arrow did not come back") +
                   (unmoved ? ", the pointer never moved" : ", the pointer moved"));
  report.CheckEqual(static_cast<long long>(lines), static_cast<long long>(explorer.Lines().size()),
                    "cursor.one-call-a-click");

  // A command that ends with the pointer resting over another program's window: a
  // press held on the forms button and a right release there, both posted, while the
  // real pointer rests over the probe. The right release runs the command with the
  // capture still held, so no release of the capture moves anything over the probe.
  MovePointer(CentreOnScreen(other.Handle()));
  long hitTests = -1;
  long setCursors = -1;
  WaitUntil(
      [&] {
        const bool quiet = other.HitTests() == hitTests && other.SetCursors() == setCursors;
        hitTests = other.HitTests();
        setCursors = other.SetCursors();
        if (!quiet) ::Sleep(kQuietMs);
        return quiet;
      },
      kReactionTimeoutMs);
  const LPARAM onForms = MAKELPARAM(kOnForms.x, kOnForms.y);
  ::PostMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, onForms);
  const TCommandCursors elsewhere = WatchCommand(
      [&] {
        ::PostMessageW(main, WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, onForms);
        ::PostMessageW(main, WM_RBUTTONUP, MK_LBUTTON, onForms);
      },
      arrow, explorer, ++lines);
  // The loop answers once the handler has returned.
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, kReactionTimeoutMs, &ignored);
  report.Note("cursor.elsewhere.during", elsewhere.shown != nullptr ? DescribeCursor(elsewhere.shown) : "not caught");
  report.Check(elsewhere.arrowBack && CurrentCursor() == arrow, "cursor.elsewhere.arrow-set",
               "cursor " + DescribeCursor(CurrentCursor()) + ", the launcher's arrow " + DescribeCursor(arrow));
  ::Sleep(kQuietMs);
  report.Check(other.HitTests() == hitTests && other.SetCursors() == setCursors,
               "cursor.elsewhere.no-cursor-messages",
               "WM_NCHITTEST " + std::to_string(other.HitTests() - hitTests) + ", WM_SETCURSOR " +
                   std::to_string(other.SetCursors() - setCursors) + " since the pointer settled over the probe");
  ::PostMessageW(main, WM_LBUTTONUP, 0, MAKELPARAM(kOnNothing.x, kOnNothing.y));
  report.Check(WaitForCapture(main, nullptr), "cursor.elsewhere.capture-given-back");
  report.CheckEqual(static_cast<long long>(lines), static_cast<long long>(explorer.Lines().size()),
                    "cursor.elsewhere.one-call");

  if (report.Failures() > 0) SaveScreen(context, L"cursor.bmp");
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  CheckEndsWithZero(report, "cursor.exit-code", running);
}

}  // namespace zeltest
