#include "Run.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <span>
#include <stdexcept>
#include <vector>

#include "win/Handles.h"

namespace zelbench {

namespace {

using zel::win::TOwned;
inline void ReleaseKernelHandle(HANDLE h) noexcept { ::CloseHandle(h); }
using THandle = TOwned<HANDLE, &ReleaseKernelHandle>;
using TBitmap = zel::win::TBitmap;
using TMemoryDc = zel::win::TMemoryDc;

constexpr DWORD kFrameTimeoutMs = 60000;  // the first start in a new wineserver takes seconds
constexpr DWORD kExitTimeoutMs = 15000;
// A settled client area: the same in every read, 50 ms apart, for a second.
constexpr double kSettledForMs = 1000;
constexpr DWORD kSettleIntervalMs = 50;

std::string Utf8(const std::wstring& text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(std::max(size, 1)), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}

std::string Hex(std::uint32_t rgb) {
  char text[16];
  std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(rgb));
  return text;
}

struct TStarted {
  THandle process;
  DWORD id = 0;
};

TStarted Start(const std::wstring& exe) {
  const std::size_t slash = exe.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? L"." : exe.substr(0, slash);
  std::wstring commandLine = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &info)) {
    throw std::runtime_error("CreateProcessW failed for " + Utf8(exe) + " (error " +
                             std::to_string(::GetLastError()) + ")");
  }
  ::CloseHandle(info.hThread);
  return {THandle(info.hProcess), info.dwProcessId};
}

struct TWindowSearch {
  DWORD processId;
  const wchar_t* windowClass;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM parameter) {
  auto& search = *reinterpret_cast<TWindowSearch*>(parameter);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(hwnd, &owner);
  if (owner != search.processId || !::IsWindowVisible(hwnd)) return TRUE;
  wchar_t name[64] = {};
  ::GetClassNameW(hwnd, name, 64);
  if (::lstrcmpW(name, search.windowClass) != 0) return TRUE;
  search.found = hwnd;
  return FALSE;
}

HWND FindVisibleWindow(DWORD processId, const wchar_t* windowClass) {
  TWindowSearch search{processId, windowClass, nullptr};
  ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Copies a window's client area from the screen (what X shows, not what the
// program drew into its own surface) into a 32-bit top-down DIB.
class TScreenReader {
 public:
  TScreenReader(int width, int height) : width_(width), height_(height) {
    void* bits = nullptr;
    bitmap_.Reset(zel::win::CreateDib32(nullptr, width, height, &bits));
    memory_.Reset(::CreateCompatibleDC(nullptr));
    if (!bitmap_ || !memory_ || bits == nullptr) throw std::runtime_error("could not make a DIB to read the screen");
    ::SelectObject(memory_.Get(), bitmap_.Get());
    bits_ = static_cast<const std::uint32_t*>(bits);
  }

  std::span<const std::uint32_t> Read(HWND window) { return ReadRows(window, 0, height_); }

  // Only rows [top, top + rows) are fresh; the rest hold what the last read left.
  std::span<const std::uint32_t> ReadRows(HWND window, int top, int rows) {
    POINT origin{0, 0};
    ::ClientToScreen(window, &origin);
    const zel::win::TWindowDc screen(nullptr);
    ::BitBlt(memory_.Get(), 0, top, width_, rows, screen.Get(), origin.x, origin.y + top, SRCCOPY);
    ::GdiFlush();
    return {bits_, static_cast<std::size_t>(width_) * height_};
  }

 private:
  int width_;
  int height_;
  TBitmap bitmap_;
  TMemoryDc memory_;
  const std::uint32_t* bits_ = nullptr;
};

SIZE ClientSize(HWND window) {
  RECT client{};
  ::GetClientRect(window, &client);
  return {client.right, client.bottom};
}

}  // namespace

double NowMs() {
  static const double ticksPerMs = [] {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / ticksPerMs;
}

TRunResult MeasureRun(const TProgram& program) {
  const TExpectedFrame& frame = program.frame;
  TScreenReader reader(frame.clientWidth, frame.clientHeight);
  TRunResult result;

  const TExpectedFrame sentinel = LastRowOf(frame);
  const int sentinelRow = sentinel.samples.front().y;
  double end = 0;

  const double start = NowMs();
  TStarted started = Start(program.exe);
  HWND window = nullptr;
  SIZE size{0, 0};
  double reading = 0;
  bool complete = false;
  while (NowMs() - start < kFrameTimeoutMs) {
    if (window == nullptr || !::IsWindow(window)) {
      window = FindVisibleWindow(started.id, program.windowClass);
      if (window != nullptr && result.visibleMs == 0) result.visibleMs = NowMs() - start;
    }
    if (window != nullptr) {
      size = ClientSize(window);
      if (size.cx == frame.clientWidth && size.cy == frame.clientHeight) {
        // A one-row look first: reading the whole area on every poll would keep the
        // X server from the program under test and stretch the polls to 3-4 ms.
        ++result.polls;
        const double readStart = NowMs();
        const bool rowDone =
            Compare(sentinel, reader.ReadRows(window, sentinelRow, 1), true).mismatches == 0;
        const double seen = NowMs();
        reading += seen - readStart;
        if (rowDone && Compare(frame, reader.Read(window), true).mismatches == 0) {
          // Complete when the row showed it: the frame reaches the screen in one
          // flush, and the full read only confirms it.
          end = seen;
          complete = true;
          break;
        }
      }
    } else if (::WaitForSingleObject(started.process.Get(), 0) == WAIT_OBJECT_0) {
      throw std::runtime_error(program.name + " ended before showing its window");
    }
    // The shortest wait there is: the programs under test need the two cores more
    // than the poll needs to spin.
    ::Sleep(1);
  }
  if (!complete) {
    std::string what = program.name + ": no complete frame within " + std::to_string(kFrameTimeoutMs / 1000) + " s; ";
    if (window == nullptr) {
      what += "no visible window of class " + Utf8(program.windowClass);
    } else if (size.cx != frame.clientWidth || size.cy != frame.clientHeight) {
      what += "client area " + std::to_string(size.cx) + "x" + std::to_string(size.cy) + ", expected " +
              std::to_string(frame.clientWidth) + "x" + std::to_string(frame.clientHeight);
    } else {
      const TComparison all = Compare(frame, reader.Read(window), false);
      what += std::to_string(all.mismatches) + " of " + std::to_string(frame.samples.size()) +
              " sample pixels differ, first at client (" + std::to_string(all.first.x) + "," +
              std::to_string(all.first.y) + "): " + Hex(all.seen) + " instead of " + Hex(all.first.rgb);
    }
    ::TerminateProcess(started.process.Get(), 1);
    throw std::runtime_error(what);
  }
  result.startupMs = end - start;
  result.screenReadMs = reading / static_cast<double>(result.polls);

  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (!::GetProcessMemoryInfo(started.process.Get(), &memory, sizeof memory)) {
    ::TerminateProcess(started.process.Get(), 1);
    throw std::runtime_error("GetProcessMemoryInfo failed for " + program.name);
  }
  result.peakWorkingSet = memory.PeakWorkingSetSize;

  const double closing = NowMs();
  ::PostMessageW(window, WM_CLOSE, 0, 0);
  if (::WaitForSingleObject(started.process.Get(), kExitTimeoutMs) != WAIT_OBJECT_0) {
    ::TerminateProcess(started.process.Get(), 1);
    throw std::runtime_error(program.name + " did not end within " + std::to_string(kExitTimeoutMs / 1000) +
                             " s of WM_CLOSE");
  }
  result.closeMs = NowMs() - closing;
  DWORD code = 0;
  ::GetExitCodeProcess(started.process.Get(), &code);
  result.exitCode = code;
  return result;
}

TExpectedFrame SettledFrame(const std::string& name, const std::wstring& exe, const wchar_t* windowClass, int width,
                            int height) {
  TScreenReader reader(width, height);
  std::vector<std::uint32_t> previous;
  const double start = NowMs();
  TStarted started = Start(exe);
  HWND window = nullptr;
  double sameSince = 0;
  while (true) {
    if (NowMs() - start > kFrameTimeoutMs) {
      ::TerminateProcess(started.process.Get(), 1);
      throw std::runtime_error(name + ": its window did not settle");
    }
    if (window == nullptr || !::IsWindow(window)) window = FindVisibleWindow(started.id, windowClass);
    if (window == nullptr && ::WaitForSingleObject(started.process.Get(), 0) == WAIT_OBJECT_0) {
      throw std::runtime_error(name + " ended before showing its window");
    }
    const SIZE size = window != nullptr ? ClientSize(window) : SIZE{0, 0};
    if (size.cx == width && size.cy == height) {
      const std::span<const std::uint32_t> pixels = reader.Read(window);
      const double now = NowMs();
      if (!std::equal(pixels.begin(), pixels.end(), previous.begin(), previous.end())) {
        previous.assign(pixels.begin(), pixels.end());
        sameSince = now;
      } else if (now - sameSince >= kSettledForMs) {
        break;
      }
    }
    ::Sleep(kSettleIntervalMs);
  }
  TExpectedFrame frame = ReferenceFrame(width, height, previous);
  ::PostMessageW(window, WM_CLOSE, 0, 0);
  if (::WaitForSingleObject(started.process.Get(), kExitTimeoutMs) != WAIT_OBJECT_0) {
    ::TerminateProcess(started.process.Get(), 1);
    throw std::runtime_error(name + " did not end after WM_CLOSE");
  }
  return frame;
}

}  // namespace zelbench
