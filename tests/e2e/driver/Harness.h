// The end-to-end driver's helper layer: starting the launcher, finding and
// reading its windows, real mouse and keyboard input, the stand-ins' record
// files, registry values changed for one test, screenshots, and the check lines.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zeltest {

// ---- Text and output ------------------------------------------------------------

std::string Utf8(std::wstring_view text);
std::wstring Wide(std::string_view utf8);
// One line on standard output, UTF-8, written at once (CTest shows it even after a crash).
void PrintLine(std::string_view line);

// Something the scenario cannot go on without (the launcher never showed up, ...).
class TAbort : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One line per check: "PASS what: detail" or "FAIL what: detail".
class TReport {
 public:
  bool Check(bool ok, std::string_view what, std::string_view detail = {});
  bool CheckEqual(long long expected, long long actual, std::string_view what);
  bool CheckEqual(std::wstring_view expected, std::wstring_view actual, std::string_view what);
  // A fact worth seeing in the log that is not checked.
  void Note(std::string_view what, std::string_view detail);
  int Failures() const noexcept { return failures_; }

 private:
  int failures_ = 0;
};

std::string Describe(const RECT& r);
// A wide string shown quoted and UTF-8 encoded, for check details.
std::string Quote(std::wstring_view text);
std::string Hex(unsigned long long value);

// The driver's own environment, which the programs it starts inherit.
std::wstring EnvironmentValue(const wchar_t* name);
void SetEnvironmentValue(const wchar_t* name, const std::wstring& value);

// ---- Waiting ----------------------------------------------------------------------

// Polls until done() holds or the time is up; true when it held.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD stepMs = 10);

// Generous bounds: these are limits for a broken program, not timings.
constexpr DWORD kWindowTimeoutMs = 30000;
constexpr DWORD kReactionTimeoutMs = 10000;

// ---- Handles ----------------------------------------------------------------------

class THandle {
 public:
  THandle() noexcept = default;
  explicit THandle(HANDLE h) noexcept : handle_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
  THandle(THandle&& other) noexcept;
  THandle& operator=(THandle&& other) noexcept;
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  ~THandle();
  HANDLE Get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != nullptr; }

 private:
  HANDLE handle_ = nullptr;
};

// ---- Paths and files --------------------------------------------------------------

// "/work/x" -> "Z:\work\x" (Wine maps Z: to the Unix root); a Windows path stays as it is.
std::wstring WindowsPath(std::wstring_view path);
std::wstring JoinPath(std::wstring_view folder, std::wstring_view name);
std::wstring FolderOf(std::wstring_view path);

// A folder made afresh (whatever a failed earlier run left in it is removed first)
// and removed with its files when the owner goes.
class TScratchFolder {
 public:
  explicit TScratchFolder(std::wstring path);
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;
  ~TScratchFolder();
  const std::wstring& Path() const noexcept { return path_; }
  // Copies a file into the folder under the given name; returns the new path.
  std::wstring CopyIn(const std::wstring& source, std::wstring_view name) const;

 private:
  std::wstring path_;
};
void RemoveTree(const std::wstring& path);

// ---- The launcher's process -------------------------------------------------------

struct TStartOptions {
  // STARTF_USESHOWWINDOW with this value; none: no show request at all.
  std::optional<WORD> showWindow;
  std::wstring currentFolder;
  std::wstring arguments;  // after the quoted program path
  bool suspended = false;   // the main thread waits for TProcess::Resume
  std::wstring desktop;     // STARTUPINFO.lpDesktop; empty: the driver's own
};

// A started program. Ending the owner ends a process that is still running, so a
// failed check never leaves a launcher behind for the next scenario.
class TProcess {
 public:
  static TProcess Start(const std::wstring& exe, const TStartOptions& options = {});
  TProcess(TProcess&&) noexcept = default;
  TProcess& operator=(TProcess&&) noexcept = default;
  ~TProcess();
  DWORD Id() const noexcept { return id_; }
  DWORD MainThreadId() const noexcept { return threadId_; }
  HANDLE Handle() const noexcept { return process_.Get(); }
  void Resume() const;
  bool Running() const;
  // The exit code, or none if the process is still running when the time is up.
  std::optional<DWORD> WaitForExit(DWORD timeoutMs) const;

 private:
  TProcess() = default;
  THandle process_;
  THandle thread_;
  DWORD id_ = 0;
  DWORD threadId_ = 0;
};

// ---- A spy inside the launcher ----------------------------------------------------

// What the spy DLL (zelspy.dll, beside the driver) saw inside the launcher, in order:
// a top-level window's caption as it was about to be shown ("show") and after every
// caption change ("text"), mouse button messages taken from the queue ("mouse",
// detail "WM_LBUTTONDOWN x,y" in client coordinates) and lost captures ("capture-lost").
struct TSpyEvent {
  std::wstring kind;
  std::wstring className;
  std::wstring detail;  // the caption for "show" and "text"
};

// WH_CALLWNDPROCRET and WH_GETMESSAGE hooks on one thread of another process, which
// load the spy DLL there. Set it on a process started suspended, before resuming it, and the spy sees
// everything from the first window on. The log file must be named in the process's
// environment (ZEL_SPY_LOG) when it is started.
class TSpyHook {
 public:
  TSpyHook() noexcept = default;
  explicit TSpyHook(DWORD threadId);
  TSpyHook(TSpyHook&& other) noexcept;
  TSpyHook& operator=(TSpyHook&& other) noexcept;
  TSpyHook(const TSpyHook&) = delete;
  TSpyHook& operator=(const TSpyHook&) = delete;
  ~TSpyHook();

 private:
  void Release() noexcept;
  HHOOK sent_ = nullptr;
  HHOOK queued_ = nullptr;
};
std::vector<TSpyEvent> ReadSpyLog(const std::wstring& path);
// The log in one line, for a check's detail.
std::string DescribeSpyLog(const std::wstring& path);

// The driver's own executable.
std::wstring ThisProgram();

// ---- Windows ----------------------------------------------------------------------

DWORD ProcessOf(HWND window);
DWORD ThreadOf(HWND window);
std::wstring WindowText(HWND window);
std::wstring ClassNameOf(HWND window);
// Top-level windows (EnumWindows) of one process, visible or not.
std::vector<HWND> TopLevelWindowsOf(DWORD processId);
// The top-level window of that class owned by that process, or null.
HWND FindWindowOf(DWORD processId, const wchar_t* className);
// The window holding the mouse capture in the window's thread, or null.
HWND CaptureOf(HWND window);
// The same, or none when that thread's state could not be read: a failed read must
// never pass for "the capture is gone".
std::optional<HWND> ReadCapture(HWND window);
// Waits until the window's thread has come back to its message loop and handled a
// message sent now: whatever input reached it before has been dealt with, and a
// command it started has returned.
bool WaitUntilResponsive(HWND window, DWORD timeoutMs = kReactionTimeoutMs);
RECT WorkArea();
RECT VirtualScreen();
SIZE SizeOf(const RECT& r);
// Client-area rectangle in screen coordinates.
RECT ClientRectOnScreen(HWND window);
POINT ClientToScreenPoint(HWND window, POINT client);
// Logical pixels per inch of the screen, as this process was given them.
int ScreenLogPixels();
// The text height of "0" in Tahoma of the given character height, as any program here measures it.
int TahomaTextHeight(int characterHeight);

// ---- Input ------------------------------------------------------------------------

// Real input through SendInput: the pointer is moved with absolute coordinates over
// the virtual desktop and checked to have arrived.
bool MovePointer(POINT screen);
void SendMouseButton(DWORD flag);  // MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, ...
// Presses the keys in order and releases them in reverse order.
void SendKeyChord(const std::vector<WORD>& virtualKeys);

// A left press and release at a client point of the window. The press is confirmed by
// the capture the window takes, the release by the capture going away.
struct TPressResult {
  bool captured = false;
  bool released = false;
};
TPressResult ClickClient(HWND window, POINT client);
// Press at one client point, move with the button held, release at another.
TPressResult DragClient(HWND window, POINT from, POINT to);

// ---- Record files of the stand-ins ------------------------------------------------

// A file to which a stand-in appends one UTF-8 line per call.
class TRecordFile {
 public:
  explicit TRecordFile(std::wstring path) : path_(std::move(path)) {}
  const std::wstring& Path() const noexcept { return path_; }
  void Clear() const;
  std::vector<std::wstring> Lines() const;
  bool WaitForLines(std::size_t count, DWORD timeoutMs) const;

 private:
  std::wstring path_;
};

// Waits until every process started by the given one has ended (so a stand-in it
// started has written its line, or never will).
bool WaitForChildrenToEnd(DWORD parentId, DWORD timeoutMs);
// The executable names of every process this program can see (under Wine: the prefix's).
std::vector<std::wstring> ProcessNames();

// ---- Registry ---------------------------------------------------------------------

// One HKCU value changed for the programs started next. The original (or its absence)
// is saved to a backup file first and put back when the owner goes; if the driver dies
// first, RestoreRegistryBackup puts it back from that file.
class TRegistryOverride {
 public:
  TRegistryOverride(std::wstring key, std::wstring name, DWORD type, const std::vector<std::uint8_t>& data,
                    std::wstring backupFile);
  TRegistryOverride(const TRegistryOverride&) = delete;
  TRegistryOverride& operator=(const TRegistryOverride&) = delete;
  ~TRegistryOverride();
  static std::vector<std::uint8_t> Dword(DWORD value);
  static std::vector<std::uint8_t> String(std::wstring_view value);

 private:
  std::wstring backupFile_;
};
bool RestoreRegistryBackup(const std::wstring& backupFile);

// ---- Screenshots ------------------------------------------------------------------

// The screen's pixels inside a rectangle, copied by BitBlt from the screen.
class TScreenshot {
 public:
  static TScreenshot Capture(const RECT& screenArea);
  int Width() const noexcept { return width_; }
  int Height() const noexcept { return height_; }
  // 0x00RRGGBB at a point relative to the captured rectangle.
  std::uint32_t Pixel(int x, int y) const;
  bool SaveBmp(const std::wstring& path) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;  // top-down rows
};

// ---- Drawn references and settled screenshots ---------------------------------------

// A 32-bit top-down DIB section (B G R X, width * 4 bytes a row), its pixels in *bits.
HBITMAP CreateDib32(HDC reference, int width, int height, void** bits) noexcept;

// A 32-bit top-down bitmap in memory with a DC of its own: the driver draws there what
// the screen should show and reads it back pixel by pixel.
class TMemorySurface {
 public:
  TMemorySurface(int width, int height);
  TMemorySurface(TMemorySurface&& other) noexcept;
  TMemorySurface& operator=(TMemorySurface&&) = delete;
  TMemorySurface(const TMemorySurface&) = delete;
  TMemorySurface& operator=(const TMemorySurface&) = delete;
  ~TMemorySurface();
  HDC Dc() const noexcept { return dc_; }
  int Width() const noexcept { return width_; }
  int Height() const noexcept { return height_; }
  // 0x00RRGGBB, as TScreenshot::Pixel, of what was drawn before the last GdiFlush;
  // outside the surface 0.
  std::uint32_t Pixel(int x, int y) const;
  // A copy of another surface of the same size.
  void CopyFrom(const TMemorySurface& other);

 private:
  int width_ = 0;
  int height_ = 0;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  const std::uint32_t* bits_ = nullptr;
};

bool SamePixels(const TScreenshot& a, const TScreenshot& b);

// Screenshots of an area, taken every few milliseconds until ready(shot) holds and the
// area has stayed the same for stableMs; the last one, also when the time ran out.
TScreenshot CaptureSettled(const RECT& screenArea, const std::function<bool(const TScreenshot&)>& ready,
                           DWORD stableMs, DWORD timeoutMs = kReactionTimeoutMs);

}  // namespace zeltest

// ---- Another process's modules and resources ----------------------------------------

namespace zeltest {

// The paths of the modules loaded in another process, the executable first.
std::vector<std::wstring> ModulePathsOf(HANDLE process);
// The system folder ("C:\windows\system32").
std::wstring SystemFolder();
// Paths compared as the file system does: letters in any case.
bool SamePath(std::wstring_view a, std::wstring_view b);

}  // namespace zeltest

namespace zeltest {

// ---- Mouse sequences, capture waits and a window of the driver's own ---------------

// Several mouse button events (MOUSEEVENTF_LEFTDOWN, ...) in one SendInput call, so
// nothing comes between them: the two presses of a double-click.
void SendMouseButtons(const std::vector<DWORD>& flags);

// Waits until the window's thread shows that capture holder (null: no capture, and
// then also until the thread is responsive again, so the release has been handled).
bool WaitForCapture(HWND window, HWND holder, DWORD timeoutMs = kReactionTimeoutMs);

// A visible top-level window of the driver's own, on a thread of its own that keeps
// its messages flowing: activating another program's window sends it messages.
// A window of the driver's own with a thread of its own that pumps its messages;
// closed and its thread ended when this goes.
class TThreadWindow {
 public:
  // createParam reaches the window procedure in WM_NCCREATE's CREATESTRUCTW.
  TThreadWindow(const RECT& screenRect, const std::wstring& title, const wchar_t* className, WNDPROC procedure,
                LPCWSTR cursor, void* createParam);
  TThreadWindow(const TThreadWindow&) = delete;
  TThreadWindow& operator=(const TThreadWindow&) = delete;
  ~TThreadWindow();
  HWND Handle() const noexcept { return window_; }
  DWORD ThreadId() const noexcept { return threadId_; }

 private:
  static DWORD WINAPI Run(void* self);
  RECT rect_;
  std::wstring title_;
  const wchar_t* className_;
  WNDPROC procedure_;
  LPCWSTR cursor_;
  void* createParam_;
  THandle created_;  // set by the thread once the window exists (or failed to)
  THandle thread_;
  DWORD threadId_ = 0;
  HWND window_ = nullptr;
};

class TDriverWindow {
 public:
  TDriverWindow(const RECT& screenRect, const std::wstring& title);
  HWND Handle() const noexcept { return window_.Handle(); }
  // Brings it to the foreground; true once it is the foreground window.
  bool Activate(DWORD timeoutMs = kReactionTimeoutMs) const;

 private:
  TThreadWindow window_;
};

}  // namespace zeltest

namespace zeltest {

// ---- Child windows, message boxes, repaints and files ----------------------------

// The direct children of a window, top of the Z order first.
std::vector<HWND> ChildWindowsOf(HWND parent);
// A visible top-level window of that class belonging to that process, or null.
HWND FindVisibleWindowOf(DWORD processId, const wchar_t* className);
// The standard dialog class of message boxes.
inline constexpr wchar_t kDialogClass[] = L"#32770";

// A message box as another program sees it: its caption, the text of its message
// (the longest text among its static children; the icon's static has none), the
// icon's static control and its buttons.
struct TMessageBoxView {
  std::wstring title;
  std::wstring text;
  HWND owner = nullptr;
  HWND icon = nullptr;  // the SS_ICON static, or null
  struct TButton {
    HWND window;
    int id;
    std::wstring text;
  };
  std::vector<TButton> buttons;  // visible push buttons
};
TMessageBoxView ReadMessageBox(HWND box);

// Which of the system's standard icons (IDI_ERROR, IDI_WARNING, IDI_INFORMATION,
// IDI_QUESTION) a static icon control shows: each is drawn over the control's own
// corner colour and compared with the screen pixel by pixel. Null when none matches
// exactly.
const wchar_t* StandardIconShown(HWND iconStatic);
std::string DescribeStandardIcon(const wchar_t* icon);

// Invalidates the whole window and waits, within a limit, until it has been painted.
void RepaintNow(HWND window);

// A file's bytes, or none when it cannot be read.
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::wstring& path);

// A real left click at a screen point, for windows that are not the launcher's (a
// message box's button): move, press, release.
void ClickScreen(POINT screen);
POINT CentreOnScreen(HWND window);

// ---- Comparing the screen with expected pixels ----------------------------------

// The colour a block's pixel at (x, y) must have, 0x00RRGGBB, or none: not compared.
using TPixelRule = std::function<std::optional<std::uint32_t>(int x, int y)>;
struct TBlockComparison {
  long compared = 0;
  long differing = 0;
  std::string first;  // where the first difference is, in client coordinates
};
TBlockComparison CompareClientBlock(HWND window, POINT at, SIZE size, const TPixelRule& expect);
// Polls until the client block matches (the screen shows a paint a moment after it
// is done) and reports the last comparison; a block with nothing compared fails.
bool CheckClientBlock(TReport& report, std::string_view what, HWND window, POINT at, SIZE size,
                      const TPixelRule& expect);
// A system colour (COLOR_BTNFACE, ...) as 0x00RRGGBB.
std::uint32_t SystemColour(int index);
std::string DescribeColour(std::uint32_t rgb);  // "#RRGGBB"
// Every pixel of the block one colour.
TPixelRule SolidColour(std::uint32_t rgb);

// ---- Another desktop ----------------------------------------------------------------

// Runs fn on a thread of its own attached to the named desktop of the driver's
// window station (made if need be): there, window searches and screenshots see that
// desktop. Start programs there with TStartOptions::desktop. Rethrows what fn throws.
void RunOnDesktop(const std::wstring& name, const std::function<void()>& fn);

}  // namespace zeltest

namespace zeltest {

// ---- A window of the driver's own that another program's cursor work must not touch --

// A visible top-level window on a thread of its own, with a class cursor unlike the
// launcher's (the cross). It counts the cursor messages it is sent (WM_NCHITTEST,
// WM_SETCURSOR), so a program that should leave it alone can be caught asking it, and
// it runs code on its own thread when asked: the mouse capture can only be taken there.
// A client rectangle of a window in screen coordinates.
RECT ClientRectToScreen(HWND window, const RECT& client);
// A place of that size in the work area's top-left corner for a window of the
// driver's own; throws TAbort when it would overlap the given window.
RECT CornerClearOf(HWND window, SIZE size);

class TProbeWindow {
 public:
  TProbeWindow(const RECT& screenRect, const std::wstring& title);
  TProbeWindow(const TProbeWindow&) = delete;
  TProbeWindow& operator=(const TProbeWindow&) = delete;
  HWND Handle() const noexcept { return window_.Handle(); }
  DWORD ThreadId() const noexcept { return window_.ThreadId(); }
  // WM_NCHITTEST and WM_SETCURSOR messages received so far.
  long HitTests() const noexcept { return hitTests_.load(); }
  long SetCursors() const noexcept { return setCursors_.load(); }
  // Left-button releases it has been sent (with the capture, wherever they happened).
  long LeftReleases() const noexcept { return leftReleases_.load(); }
  // Runs fn on the window's thread and returns when it has.
  void RunOnThread(const std::function<void()>& fn) const;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  std::atomic<long> hitTests_{0};
  std::atomic<long> setCursors_{0};
  std::atomic<long> leftReleases_{0};
  // Last, so the window and its thread end before the counters they write.
  TThreadWindow window_;
};

}  // namespace zeltest
