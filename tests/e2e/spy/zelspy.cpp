// Loaded into the launcher by thread hooks the driver sets before the launcher's
// first instruction runs. From inside, it records in order, one UTF-8 line each, to
// the file named by ZEL_SPY_LOG:
//   show <TAB> class <TAB> caption        a top-level window about to be shown
//   text <TAB> class <TAB> caption        a top-level window's caption, after WM_SETTEXT
//   mouse <TAB> class <TAB> WM_... x,y    a mouse button message taken from the queue
//   capture-lost <TAB> class <TAB>        WM_CAPTURECHANGED
// Seen from outside, a caption that is wrong for a millisecond slips between polls.
#include <windows.h>

#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                        nullptr);
  return out;
}

void Record(const char* what, HWND window, const std::string* detail = nullptr) {
  wchar_t log[1024];
  const DWORD length = ::GetEnvironmentVariableW(L"ZEL_SPY_LOG", log, 1024);
  if (length == 0 || length >= 1024) return;
  wchar_t className[256] = {};
  ::GetClassNameW(window, className, 256);
  std::string text;
  if (detail != nullptr) {
    text = *detail;
  } else {
    wchar_t caption[512] = {};
    ::GetWindowTextW(window, caption, 512);
    text = Utf8(caption);
  }
  const std::string line = std::string(what) + "\t" + Utf8(className) + "\t" + text + "\n";
  HANDLE file = ::CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  ::CloseHandle(file);
}

bool IsTopLevel(HWND window) { return (::GetWindowLongW(window, GWL_STYLE) & WS_CHILD) == 0; }

const char* MouseButtonMessage(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN: return "WM_LBUTTONDOWN";
    case WM_LBUTTONUP: return "WM_LBUTTONUP";
    case WM_LBUTTONDBLCLK: return "WM_LBUTTONDBLCLK";
    case WM_RBUTTONDOWN: return "WM_RBUTTONDOWN";
    case WM_RBUTTONUP: return "WM_RBUTTONUP";
    case WM_RBUTTONDBLCLK: return "WM_RBUTTONDBLCLK";
    case WM_MBUTTONDOWN: return "WM_MBUTTONDOWN";
    case WM_MBUTTONUP: return "WM_MBUTTONUP";
    case WM_MBUTTONDBLCLK: return "WM_MBUTTONDBLCLK";
    default: return nullptr;
  }
}

}  // namespace

// WH_CALLWNDPROCRET: runs in the launcher's thread after each message sent to one of its windows.
extern "C" __attribute__((dllexport)) LRESULT CALLBACK ZelSpyCallWndProcRet(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (IsTopLevel(message->hwnd)) {
      switch (message->message) {
        case WM_SHOWWINDOW:
          if (message->wParam) Record("show", message->hwnd);
          break;
        case WM_WINDOWPOSCHANGING:
          if (reinterpret_cast<const WINDOWPOS*>(message->lParam)->flags & SWP_SHOWWINDOW) {
            Record("show", message->hwnd);
          }
          break;
        case WM_SETTEXT:
          Record("text", message->hwnd);
          break;
        case WM_CAPTURECHANGED: {
          const std::string none;
          Record("capture-lost", message->hwnd, &none);
          break;
        }
        default:
          break;
      }
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// WH_GETMESSAGE: runs in the launcher's thread for each message it takes from its queue.
extern "C" __attribute__((dllexport)) LRESULT CALLBACK ZelSpyGetMessage(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (const char* name = MouseButtonMessage(message->message)) {
      const std::string detail = std::string(name) + " " + std::to_string(static_cast<short>(LOWORD(message->lParam))) +
                                 "," + std::to_string(static_cast<short>(HIWORD(message->lParam)));
      Record("mouse", message->hwnd, &detail);
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
