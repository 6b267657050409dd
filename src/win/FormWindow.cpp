#include "win/FormWindow.h"

#include <windowsx.h>

#include <optional>

#include "core/Decimal.h"
#include "core/Error.h"
#include "picture/IconChoice.h"
#include "core/Layout.h"
#include "win/Application.h"
#include "win/Geometry.h"

namespace zel::win {

using controls::TMouseButton;

namespace {

constexpr wchar_t kWindowClass[] = L"TMainForm";
constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;

std::span<const std::uint8_t> ResourceData(LPCWSTR id, LPCWSTR type) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC info = ::FindResourceW(module, id, type);
  HGLOBAL data = info != nullptr ? ::LoadResource(module, info) : nullptr;
  const void* bytes = data != nullptr ? ::LockResource(data) : nullptr;
  if (bytes == nullptr) {
    const std::wstring name = IS_INTRESOURCE(id) ? ToDecimal(reinterpret_cast<std::uintptr_t>(id)) : id;
    throw Error("EResNotFound", L"Resource " + name + L" not found");
  }
  return {static_cast<const std::uint8_t*>(bytes), ::SizeofResource(module, info)};
}

TPoint PointOf(LPARAM lParam) noexcept { return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

}  // namespace

TFormWindow::TFormWindow(TApplication& application, std::unique_ptr<TForm> form)
    : application_(application), form_(std::move(form)), painter_(*form_), surface_(theme_) {
  form_->Load(*this);
  theme_.Open(Handle());
}

TFormWindow::~TFormWindow() { window_.Reset(); }

std::span<const std::uint8_t> TFormWindow::ResourceBytes(std::wstring_view name) {
  const std::wstring id(name);
  return ResourceData(id.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
}

int TFormWindow::PixelsPerInch() {
  TWindowDc screen(nullptr);
  return ::GetDeviceCaps(screen.Get(), LOGPIXELSY);
}

int TFormWindow::CreateNativeWindow(std::wstring_view caption, const TFontDecl& font, int fontHeight) {
  font_ = CreateDeclaredFont(font, fontHeight);

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!::GetClassInfoExW(application_.Instance(), kWindowClass, &wc)) {
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = application_.Instance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    ::RegisterClassExW(&wc);
  }
  // The first window of the application owns the taskbar button.
  const DWORD exStyle = application_.MainFormOnTaskBar() && application_.CreatingFirstForm() ? WS_EX_APPWINDOW : 0;
  const std::wstring title(caption);
  const TSize client = form_->Decl().client;
  HWND hwnd = ::CreateWindowExW(exStyle, kWindowClass, title.c_str(), kStyle, 0, 0, client.width, client.height,
                                nullptr, nullptr, application_.Instance(), this);
  if (hwnd == nullptr) {
    throw Error("EOSError", L"Cannot create the window (error " + ToDecimal(::GetLastError()) + L")");
  }

  TWindowDc dc(hwnd);
  TSelection selected(dc.Get(), font_.Get());
  SIZE extent{};
  if (!::GetTextExtentPoint32W(dc.Get(), L"0", 1, &extent)) return kDesignTextHeight;
  return extent.cy;
}

void TFormWindow::SetClientSize(TSize size) {
  RECT frame{0, 0, size.width, size.height};
  ::AdjustWindowRectEx(&frame, kStyle, FALSE, static_cast<DWORD>(::GetWindowLongPtrW(Handle(), GWL_EXSTYLE)));
  ::SetWindowPos(Handle(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TFormWindow::LoadWindowIcon(std::wstring_view name) {
  const std::wstring id(name);
  const std::optional<TIconGroupImage> chosen = WindowIconOfGroup(
      ResourceData(id.c_str(), MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */), ::GetSystemMetrics(SM_CXICON));
  if (!chosen) return;
  const auto bits = ResourceData(MAKEINTRESOURCEW(chosen->id), MAKEINTRESOURCEW(3) /* RT_ICON */);
  icon_.Reset(::CreateIconFromResourceEx(const_cast<PBYTE>(bits.data()), static_cast<DWORD>(bits.size()), TRUE,
                                         0x00030000, chosen->info.width, chosen->info.height, LR_DEFAULTCOLOR));
  // The large icon only: the title bar makes its small one from it.
  ::SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.Get()));
}

void TFormWindow::Show(TInitialState state) {
  RECT window{};
  ::GetWindowRect(Handle(), &window);
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const TPoint place = CentreInWorkArea(FromRect(work), FromRect(window).Size(),
                                        ::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN));
  ::SetWindowPos(Handle(), nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  int command = SW_SHOWNORMAL;
  if (state == TInitialState::Maximized) command = SW_SHOWMAXIMIZED;
  if (state == TInitialState::MinimizedNoActivate) command = SW_SHOWMINNOACTIVE;
  ::ShowWindow(Handle(), command);
}

void TFormWindow::Release() noexcept {
  window_.Reset();
  surface_.Release();
  painter_.Release();
}

void TFormWindow::SetCaption(std::wstring_view caption) {
  const std::wstring text(caption);
  ::SetWindowTextW(Handle(), text.c_str());
}

void TFormWindow::CaptureMouse() { ::SetCapture(Handle()); }

void TFormWindow::ReleaseMouse() {
  if (::GetCapture() == Handle()) ::ReleaseCapture();
}

void TFormWindow::TrackMouseLeave() {
  TRACKMOUSEEVENT track{};
  track.cbSize = sizeof track;
  track.dwFlags = TME_LEAVE;
  track.hwndTrack = Handle();
  ::TrackMouseEvent(&track);
}

void TFormWindow::Invalidate(const TRect& area) {
  if (Handle() == nullptr) return;
  const RECT rect = ToRect(area);
  ::InvalidateRect(Handle(), &rect, FALSE);
}

void TFormWindow::Update() { ::UpdateWindow(Handle()); }

void TFormWindow::SetBusyCursor(bool busy) { application_.SetCursor(busy ? TCursorKind::Wait : TCursorKind::Default); }

void TFormWindow::OpenFolder(std::wstring_view path) { shell_.Execute(Handle(), FolderShellCall(path)); }

void TFormWindow::OpenAddress(std::wstring_view address) { shell_.Execute(Handle(), AddressShellCall(address)); }

LRESULT CALLBACK TFormWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TFormWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    self = static_cast<TFormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_.Reset(hwnd);
  }
  if (self == nullptr) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->window_.Detach();
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
  try {
    return self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    self->application_.HandleException(std::current_exception());
    return 0;
  }
}

LRESULT TFormWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = Handle();
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // everything is painted off screen in one step
    case WM_SIZE: {
      RECT client{};
      ::GetClientRect(hwnd, &client);
      form_->FollowClientWidth(client.right);
      ::InvalidateRect(hwnd, nullptr, FALSE);
      if (accessible_) accessible_->StatesChanged();  // minimized or back
      break;
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_MBUTTONUP:
    case WM_MOUSELEAVE:
      RouteMouse(message, lParam);
      return 0;
    case WM_CANCELMODE:
      form_->Mouse().CancelMode();
      break;
    case WM_CAPTURECHANGED:
      // Another window took the capture: the release will never come here, so the
      // held press ends as a cancelled one. The router lets go of its press before
      // releasing the capture itself, so its own release finds nothing held.
      if (reinterpret_cast<HWND>(lParam) != hwnd) form_->Mouse().CancelMode();
      break;
    case WM_SETCURSOR:
      if (application_.Cursor() == TCursorKind::Wait && LOWORD(lParam) == HTCLIENT) {
        ::SetCursor(application_.WaitCursor());
        return TRUE;
      }
      break;
    case WM_THEMECHANGED:
      theme_.Open(hwnd);
      ::InvalidateRect(hwnd, nullptr, FALSE);
      break;
    case WM_GETOBJECT:
      // Only once shown: before then the form is still being loaded.
      if (static_cast<LONG>(static_cast<DWORD>(lParam)) == OBJID_CLIENT && ::IsWindowVisible(hwnd)) {
        if (!accessible_) accessible_ = std::make_unique<TAccessibleServer>(hwnd, *form_);
        if (const LRESULT answer = accessible_->Answer(wParam)) return answer;
      }
      break;
    case WM_ENABLE:
      if (accessible_) accessible_->StatesChanged();
      break;
    case kAccessiblePress:
      if (accessible_) accessible_->Press(wParam);
      return 0;
    case WM_DESTROY:
      accessible_.reset();
      break;
    case WM_CLOSE:
      // Closing ends the application; the window stays until it is destroyed at exit.
      application_.Terminate();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wParam) application_.EndSession();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

void TFormWindow::RouteMouse(UINT message, LPARAM lParam) {
  controls::TMouseRouter& mouse = form_->Mouse();
  const TPoint p = PointOf(lParam);
  switch (message) {
    case WM_MOUSEMOVE: mouse.MouseMove(p); break;
    case WM_LBUTTONDOWN: mouse.ButtonDown(TMouseButton::Left, p, false); break;
    case WM_LBUTTONDBLCLK: mouse.ButtonDown(TMouseButton::Left, p, true); break;
    case WM_RBUTTONDOWN: mouse.ButtonDown(TMouseButton::Right, p, false); break;
    case WM_RBUTTONDBLCLK: mouse.ButtonDown(TMouseButton::Right, p, true); break;
    case WM_MBUTTONDOWN: mouse.ButtonDown(TMouseButton::Middle, p, false); break;
    case WM_MBUTTONDBLCLK: mouse.ButtonDown(TMouseButton::Middle, p, true); break;
    case WM_LBUTTONUP: mouse.ButtonUp(TMouseButton::Left, p); break;
    case WM_RBUTTONUP: mouse.ButtonUp(TMouseButton::Right, p); break;
    case WM_MBUTTONUP: mouse.ButtonUp(TMouseButton::Middle, p); break;
    case WM_MOUSELEAVE: mouse.MouseLeave(); break;
    default: break;
  }
}

void TFormWindow::Paint() {
  TPaint paint(Handle());
  surface_.Paint(painter_, Handle(), paint.Dc(), FromRect(paint.Area()));
}

}  // namespace zel::win
