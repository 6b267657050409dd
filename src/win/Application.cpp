#include "win/Application.h"

#include <vector>

#include "core/AppFolder.h"
#include "core/Error.h"
#include "core/ErrorText.h"

namespace zel::win {

namespace {

constexpr wchar_t kHiddenWindowClass[] = L"TZelApplication";

LRESULT CALLBACK HiddenWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

// The calling thread's enabled, visible top-level windows but one (a box's owner,
// which the box disables and enables again itself), disabled for the owner's life.
class TThreadWindowsDisabled {
 public:
  explicit TThreadWindowsDisabled(HWND except) noexcept : except_(except) {
    ::EnumThreadWindows(::GetCurrentThreadId(), &TThreadWindowsDisabled::Disable, reinterpret_cast<LPARAM>(this));
  }
  ~TThreadWindowsDisabled() {
    for (HWND window : disabled_) {
      if (::IsWindow(window)) ::EnableWindow(window, TRUE);
    }
  }
  TThreadWindowsDisabled(const TThreadWindowsDisabled&) = delete;
  TThreadWindowsDisabled& operator=(const TThreadWindowsDisabled&) = delete;

 private:
  static BOOL CALLBACK Disable(HWND window, LPARAM param) noexcept {
    auto* self = reinterpret_cast<TThreadWindowsDisabled*>(param);
    if (window == self->except_ || !::IsWindowVisible(window) || !::IsWindowEnabled(window)) return TRUE;
    try {
      self->disabled_.push_back(window);
    } catch (...) {
      return FALSE;  // out of memory: the rest stay as they are
    }
    ::EnableWindow(window, FALSE);
    return TRUE;
  }

  HWND except_;
  std::vector<HWND> disabled_;
};

}  // namespace

std::wstring ModulePath(HMODULE module) {
  // A fixed buffer would silently cut a long path; grow until the whole path fits.
  std::vector<wchar_t> buffer(261);
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    if (buffer.size() >= 32768 * 2) return std::wstring(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

TApplication::TApplication() : instance_(::GetModuleHandleW(nullptr)) {
  ole_.emplace();
  title_ = TitleFromExePath(ModulePath());
  icon_ = ::LoadIconW(instance_, L"MAINICON");
  waitCursor_ = ::LoadCursorW(nullptr, IDC_WAIT);
  arrowCursor_ = ::LoadCursorW(nullptr, IDC_ARROW);

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = HiddenWindowProc;
  wc.hInstance = instance_;
  wc.hIcon = icon_;
  wc.hCursor = arrowCursor_;
  wc.lpszClassName = kHiddenWindowClass;
  ::RegisterClassExW(&wc);
  // A 0 x 0 tool window that is never shown, so it never has a taskbar button.
  hidden_.Reset(::CreateWindowExW(WS_EX_TOOLWINDOW, kHiddenWindowClass, title_.c_str(),
                                  WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                                  0, 0, 0, 0, nullptr, nullptr, instance_, nullptr));
}

TApplication::~TApplication() {
  Finish();
  hidden_.Reset();
  ole_.reset();
}

void TApplication::Initialize() { com_.emplace(); }

void TApplication::AdoptForm(std::unique_ptr<TFormWindow> form) {
  try {
    form->Form().DoCreate();
  } catch (...) {
    HandleException(std::current_exception());
  }
  if (!mainForm_) {
    mainForm_ = std::move(form);
    const LONG_PTR exStyle = ::GetWindowLongPtrW(hidden_.Get(), GWL_EXSTYLE);
    ::SetWindowLongPtrW(hidden_.Get(), GWL_EXSTYLE, exStyle | WS_EX_NOACTIVATE);
  }
}

void TApplication::Run() {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  ::GetStartupInfoW(&startup);
  const unsigned request = ShowRequest((startup.dwFlags & STARTF_USESHOWWINDOW) != 0, startup.wShowWindow);
  if (mainForm_) mainForm_->Show(InitialState(request));

  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  Finish();
}

void TApplication::Terminate() noexcept { ::PostQuitMessage(0); }

void TApplication::Finish() noexcept {
  mainForm_.reset();
  com_.reset();
}

void TApplication::EndSession() noexcept {
  if (mainForm_) mainForm_->Release();
  Finish();
  hidden_.Reset();
  ole_.reset();
  ::ExitProcess(0);
}

void TApplication::HandleException(std::exception_ptr error) noexcept {
  // A held press ends before the box opens: its release would never come.
  if (HWND capture = ::GetCapture()) ::SendMessageW(capture, WM_CANCELMODE, 0, 0);
  const TErrorInfo info = DescribeError(error);
  // The window in front gets the front back afterwards: ours, or another
  // program's when none of ours is active.
  HWND const wasActive = ::GetForegroundWindow();
  HWND owner = ::GetActiveWindow();
  if (owner == nullptr) owner = ::GetLastActivePopup(hidden_.Get());
  {
    // The box disables only its owner, which with no window of ours active is the
    // hidden one: the rest are disabled here, as a task-modal box would.
    const TThreadWindowsDisabled disabled(owner);
    ::MessageBoxW(owner, info.boxText.c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
  }
  // The box hands the front to its owner as it closes, even to the hidden window.
  if (wasActive != nullptr && ::IsWindow(wasActive) && ::GetForegroundWindow() != wasActive) {
    ::SetForegroundWindow(wasActive);
  }
}

void TApplication::SetCursor(TCursorKind kind) noexcept { cursor_.Set(kind); }

void TApplication::ShowCursor(TCursorShape shape) {
  ::SetCursor(shape == TCursorShape::Wait ? waitCursor_ : arrowCursor_);
}

std::optional<TPoint> TApplication::PointerPosition() {
  POINT point;
  if (!::GetCursorPos(&point)) return std::nullopt;
  return TPoint{point.x, point.y};
}

TNativeWindow TApplication::WindowAt(TPoint screen) { return ::WindowFromPoint(POINT{screen.x, screen.y}); }

bool TApplication::OnOwnThread(TNativeWindow window) {
  return ::GetWindowThreadProcessId(static_cast<HWND>(window), nullptr) == ::GetCurrentThreadId();
}

std::intptr_t TApplication::HitTest(TNativeWindow window, TPoint screen) {
  return ::SendMessageW(static_cast<HWND>(window), WM_NCHITTEST, 0,
                        MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
}

void TApplication::AskForCursor(TNativeWindow window, std::intptr_t hitTest) {
  HWND hwnd = static_cast<HWND>(window);
  ::SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd),
                 MAKELPARAM(static_cast<WORD>(hitTest), WM_MOUSEMOVE));
}

void ShowApplicationError(std::exception_ptr error) noexcept {
  try {
    const TErrorInfo info = DescribeError(error);
    HMODULE module = nullptr;
    if (info.address == nullptr ||
        !::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCWSTR>(info.address), &module)) {
      module = ::GetModuleHandleW(nullptr);
    }
    const auto base = reinterpret_cast<std::uintptr_t>(module);
    const auto address = reinterpret_cast<std::uintptr_t>(info.address);
    const std::uintptr_t offset = address >= base ? address - base : 0;
    const std::wstring text =
        ApplicationErrorText(info.kind, FileNameOf(ModulePath(module)), offset, info.message);
    ::MessageBoxW(nullptr, text.c_str(), L"Application Error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
  } catch (...) {
    ::MessageBoxW(nullptr, L"Out of memory.", L"Application Error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
  }
}

}  // namespace zel::win
