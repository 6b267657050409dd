// Leaks: what the launcher holds must not grow with use. After its first paint and one
// round of every action, its GDI and USER objects, kernel handles and private memory are
// read; then come 1000 repaints, 200 completed clicks on its buttons and 200 moves of
// the pointer onto a button and off again, each waited for until done; then the
// figures are read again and must be the same within small margins.
//
// run-scenario.sh puts the recording stand-ins in place, as for the commands scenario,
// so the clicks open nothing real; their records count the commands that ran.
#include "Scenarios.h"

#include <psapi.h>
#include <winternl.h>

#include <cstring>

namespace zeltest {

namespace {

constexpr int kRepaints = 1000;
constexpr int kClicks = 200;
constexpr int kPurchaseEvery = 50;  // each purchase click starts a web browser: a few suffice
constexpr int kHovers = 200;
constexpr DWORD kRecordTimeoutMs = 30000;

// A leak of one object per repaint, click or hover shows as hundreds; a couple of
// objects either way is the platform's own bookkeeping.
constexpr long long kObjectMargin = 2;
// Private memory is counted in whole pages and the heap grows in blocks of tens of
// KiB, so a healthy program moves by a few blocks at most (here it did not move at
// all). 256 KiB is what a leak of 130 bytes a paint (about 2000 in all: the repaints,
// and two for each click and each hover) or 1.3 KiB a click adds up to.
constexpr long long kPrivateMargin = 256 * 1024;

struct TUse {
  long long gdiObjects = 0;
  long long userObjects = 0;
  long long kernelHandles = 0;
  long long privateBytes = 0;
  std::string sources;  // how each was counted
};

// Wine's GDI handle table: 0x10000 entries of 24 bytes, the type byte at offset 14,
// 0 for a free entry; its address is in the process environment block at 0xF8, where
// 64-bit Windows keeps its own.
constexpr std::size_t kGdiHandleCount = 0x10000;
constexpr std::size_t kGdiEntryBytes = 24;
constexpr std::size_t kGdiEntryTypeOffset = 14;
constexpr std::size_t kPebGdiTableOffset = 0xF8;

std::optional<long long> GdiTableEntriesInUse(HANDLE process) {
  PROCESS_BASIC_INFORMATION basic{};
  if (::NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) {
    return std::nullopt;
  }
  std::uint64_t table = 0;
  const auto* peb = static_cast<const std::uint8_t*>(static_cast<const void*>(basic.PebBaseAddress));
  if (!::ReadProcessMemory(process, peb + kPebGdiTableOffset, &table, sizeof table, nullptr) || table == 0) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> entries(kGdiHandleCount * kGdiEntryBytes);
  if (!::ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(), entries.size(), nullptr)) {
    return std::nullopt;
  }
  long long used = 0;
  for (std::size_t i = 0; i < kGdiHandleCount; ++i) used += entries[i * kGdiEntryBytes + kGdiEntryTypeOffset] != 0;
  return used;
}

// The process's entries in the system's list of open handles (Wine lays an entry out
// as the owner's id in 32 bits, then type, flags, handle, object and access).
struct TSystemHandleEntry {
  ULONG ownerId;
  UCHAR type;
  UCHAR flags;
  USHORT handle;
  void* object;
  ACCESS_MASK access;
};
constexpr auto kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

std::optional<long long> SystemHandlesOf(DWORD processId) {
  std::vector<std::uint8_t> buffer(1 << 16);
  NTSTATUS status;
  while ((status = ::NtQuerySystemInformation(kSystemHandleInformation, buffer.data(),
                                              static_cast<ULONG>(buffer.size()), nullptr)) == kInfoLengthMismatch) {
    buffer.resize(buffer.size() * 2);
  }
  if (status != 0) return std::nullopt;
  ULONG count = 0;
  std::memcpy(&count, buffer.data(), sizeof count);
  const std::size_t first = alignof(TSystemHandleEntry);
  long long owned = 0;
  for (ULONG i = 0; i < count && first + (i + 1) * sizeof(TSystemHandleEntry) <= buffer.size(); ++i) {
    TSystemHandleEntry entry;
    std::memcpy(&entry, buffer.data() + first + i * sizeof entry, sizeof entry);
    owned += entry.ownerId == processId;
  }
  return owned;
}

// Every window of the process: top-level ones, hidden or not, their descendants, and
// message-only ones.
long long WindowsOf(DWORD processId) {
  long long count = 0;
  const auto countChildren = [](HWND parent) {
    long long children = 0;
    ::EnumChildWindows(
        parent,
        [](HWND, LPARAM n) -> BOOL {
          ++*reinterpret_cast<long long*>(n);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    return children;
  };
  for (HWND window : TopLevelWindowsOf(processId)) count += 1 + countChildren(window);
  for (HWND window = nullptr; (window = ::FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) != nullptr;) {
    if (ProcessOf(window) == processId) count += 1 + countChildren(window);
  }
  return count;
}

// A figure from the platform's own call, or, where Wine only has a stub that would
// make the check unable to fail, from what Wine does keep.
struct TCount {
  long long value;
  const char* source;
};

// GetGuiResources: Wine's returns 0 with ERROR_CALL_NOT_IMPLEMENTED. There GDI objects
// are the entries in use in the process's GDI handle table; USER objects, which Wine
// keeps in its server with no count per process, are the process's windows.
TCount GuiObjectsOf(const TProcess& process, DWORD kind) {
  ::SetLastError(ERROR_SUCCESS);
  const DWORD count = ::GetGuiResources(process.Handle(), kind);
  if (count != 0 || ::GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return {count, "GetGuiResources"};
  if (kind == GR_USEROBJECTS) return {WindowsOf(process.Id()), "its windows"};
  if (const std::optional<long long> entries = GdiTableEntriesInUse(process.Handle())) {
    return {*entries, "its GDI handle table"};
  }
  throw TAbort("GetGuiResources is not implemented and the GDI handle table cannot be read");
}

// GetProcessHandleCount: Wine's says 0, which no live process has; there the process's
// entries in the system's list of handles are counted.
TCount KernelHandlesOf(const TProcess& process) {
  DWORD handles = 0;
  if (::GetProcessHandleCount(process.Handle(), &handles) && handles > 0) return {handles, "GetProcessHandleCount"};
  if (const std::optional<long long> listed = SystemHandlesOf(process.Id())) return {*listed, "the system's list"};
  throw TAbort("the launcher's handles can be counted neither by GetProcessHandleCount nor in the system's list");
}

// PagefileUsage is the private commit, the figure PrivateUsage repeats on Windows;
// Wine leaves PrivateUsage 0 and fills PagefileUsage with the private memory in use.
TCount PrivateBytesOf(const TProcess& process) {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (!::GetProcessMemoryInfo(process.Handle(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters)) {
    throw TAbort("GetProcessMemoryInfo failed");
  }
  return {static_cast<long long>(counters.PagefileUsage), "PagefileUsage"};
}

TUse UseOf(const TProcess& process) {
  const TCount gdi = GuiObjectsOf(process, GR_GDIOBJECTS);
  const TCount user = GuiObjectsOf(process, GR_USEROBJECTS);
  const TCount handles = KernelHandlesOf(process);
  const TCount memory = PrivateBytesOf(process);
  return {gdi.value, user.value, handles.value, memory.value,
          std::string("GDI objects: ") + gdi.source + "; USER objects: " + user.source +
              "; handles: " + handles.source + "; private bytes: " + memory.source};
}

std::string Describe(const TUse& use) {
  return "GDI " + std::to_string(use.gdiObjects) + ", USER " + std::to_string(use.userObjects) + ", handles " +
         std::to_string(use.kernelHandles) + ", private " + std::to_string(use.privateBytes / 1024) + " KiB";
}

void CheckGrowth(TReport& report, std::string_view what, long long before, long long after, long long margin) {
  report.Check(after - before <= margin, what,
               std::to_string(before) + " -> " + std::to_string(after) + " (at most +" + std::to_string(margin) +
                   ")");
}

// Repaints the whole window and returns once that paint is done. BeginPaint empties
// the update region; a message sent after that is handled only once the launcher is
// back in its message loop, so the paint has finished by the time it returns.
bool RepaintAndWait(HWND window) {
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  if (!WaitUntil([&] { return !::GetUpdateRect(window, nullptr, FALSE); }, kReactionTimeoutMs, 1)) return false;
  DWORD_PTR result = 0;
  return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kReactionTimeoutMs, &result) != 0;
}

// The commands the clicks ran, as the records must show them.
struct TCounts {
  std::size_t explorerCalls = 0;
  std::size_t urlCalls = 0;
};

// The three actions, each waited for until done, and the commands the clicks ran.
// An action that fails says why in Failure().
class TExercise {
 public:
  TExercise(HWND main, const TRunningLauncher& running, const TRecords& records)
      : main_(main), running_(running), records_(records) {}

  bool Repaint() { return RepaintAndWait(main_) || Failed("a repaint did not finish"); }

  // The folder buttons in turn, and every kPurchaseEvery-th click the purchase button
  // left of its picture; done when the command's record has arrived.
  bool Click(int index) {
    const bool purchase = index % kPurchaseEvery == kPurchaseEvery - 1;
    const POINT at = purchase ? launcher::kBuyFull.At(100, 75)
                              : (index % 2 == 0 ? launcher::kFormList : launcher::kSamples).Centre();
    const TPressResult press = ClickClient(main_, at);
    if (!press.captured || !press.released) return Failed("click " + std::to_string(index) + " did not complete");
    const TRecordFile& record = purchase ? records_.urls : records_.explorer;
    std::size_t& expected = purchase ? counts_.urlCalls : counts_.explorerCalls;
    ++expected;
    if (!record.WaitForLines(expected, kRecordTimeoutMs)) {
      return Failed("click " + std::to_string(index) + ": no record of its command");
    }
    return true;
  }

  // Onto the samples button until it is drawn hot, then off it until it is drawn as
  // before: to the form's background between the buttons, or, every other time, out of
  // the window, which the launcher learns of from WM_MOUSELEAVE.
  bool Hover(int index) {
    const launcher::TBox& box = launcher::kSamples;
    const POINT topLeft = ClientToScreenPoint(main_, {box.left, box.top});
    const RECT area{topLeft.x, topLeft.y, topLeft.x + box.width, topLeft.y + box.height};
    const TScreenshot normal = TScreenshot::Capture(area);
    RECT window{};
    ::GetWindowRect(main_, &window);
    const POINT away = index % 2 == 0 ? ClientToScreenPoint(main_, {box.left - 2, box.Centre().y})
                                      : POINT{window.right + 20, window.bottom + 20};
    const std::string what = "hover " + std::to_string(index);
    if (!MovePointer(ClientToScreenPoint(main_, box.At(20, 20)))) {
      return Failed(what + ": the pointer did not get onto the button");
    }
    if (!WaitUntil([&] { return !SamePixels(TScreenshot::Capture(area), normal); }, kReactionTimeoutMs, 5)) {
      return Failed(what + ": the button was not drawn hot");
    }
    if (!MovePointer(away)) return Failed(what + ": the pointer did not get away");
    if (!WaitUntil([&] { return SamePixels(TScreenshot::Capture(area), normal); }, kReactionTimeoutMs, 5)) {
      return Failed(what + ": the button was not drawn as before");
    }
    return true;
  }

  // Waits until every stand-in the launcher started has ended.
  void Settle() const { WaitForChildrenToEnd(running_.process.Id(), kRecordTimeoutMs); }

  const TCounts& Counts() const { return counts_; }
  // What the last action that failed found.
  const std::string& Failure() const { return failure_; }

 private:
  bool Failed(std::string what) {
    failure_ = std::move(what);
    return false;
  }

  HWND main_;
  const TRunningLauncher& running_;
  const TRecords& records_;
  TCounts counts_;
  std::string failure_;
};

}  // namespace

void ScenarioLeaks(TContext& context) {
  TReport& report = context.report;
  const TRecords records = ShellRecords(context);

  TRunningLauncher running = StartLauncher(context.launcherExe);
  HWND main = running.main;
  TExercise exercise(main, running, records);
  if (!RepaintAndWait(main)) throw TAbort("the first paint did not finish");
  const TUse first = UseOf(running.process);
  report.Note("leaks.counted-by", first.sources);
  report.Note("leaks.after-first-paint", Describe(first));

  // One of each first, the purchase button too, so that what a first use loads or
  // caches (the shell's DLLs, the theme's images of a hot button, glyphs) is in place
  // before the figures to compare against are taken.
  const bool warmedUp = exercise.Repaint() && exercise.Click(0) && exercise.Click(1) &&
                        exercise.Click(kPurchaseEvery - 1) && exercise.Hover(0) && exercise.Hover(1);
  exercise.Settle();
  if (!warmedUp) throw TAbort("warm-up round: " + exercise.Failure());
  const TUse before = UseOf(running.process);
  report.Note("leaks.before", Describe(before));

  // Each kind stops at its first failure: what it did not do cannot leak.
  const auto checkDone = [&](std::string_view what, int done, int wanted) {
    report.Check(done == wanted, what,
                 std::to_string(done) + " of " + std::to_string(wanted) +
                     (done == wanted ? std::string() : ": " + exercise.Failure()));
  };
  int repaints = 0;
  while (repaints < kRepaints && exercise.Repaint()) ++repaints;
  checkDone("leaks.repaints-done", repaints, kRepaints);
  int clicks = 0;
  while (clicks < kClicks && exercise.Click(clicks)) ++clicks;
  exercise.Settle();
  checkDone("leaks.clicks-done", clicks, kClicks);
  int hovers = 0;
  while (hovers < kHovers && exercise.Hover(hovers)) ++hovers;
  checkDone("leaks.hovers-done", hovers, kHovers);
  RepaintAndWait(main);

  const TUse after = UseOf(running.process);
  report.Note("leaks.after", Describe(after));
  CheckGrowth(report, "leaks.gdi-objects", before.gdiObjects, after.gdiObjects, kObjectMargin);
  CheckGrowth(report, "leaks.user-objects", before.userObjects, after.userObjects, kObjectMargin);
  CheckGrowth(report, "leaks.kernel-handles", before.kernelHandles, after.kernelHandles, kObjectMargin);
  CheckGrowth(report, "leaks.private-bytes", before.privateBytes, after.privateBytes, kPrivateMargin);

  // Every completed click ran its command once, and nothing else ran.
  const TCounts& counts = exercise.Counts();
  report.CheckEqual(static_cast<long long>(counts.explorerCalls), static_cast<long long>(records.explorer.Lines().size()),
                    "leaks.file-browser-calls");
  report.CheckEqual(static_cast<long long>(counts.urlCalls), static_cast<long long>(records.urls.Lines().size()),
                    "leaks.web-browser-calls");

  ::PostMessageW(main, WM_CLOSE, 0, 0);
  CheckEndsWithZero(report, "leaks.exit-code", running);
  if (report.Failures() > 0) SaveScreen(context, L"leaks.bmp");
}

}  // namespace zeltest
