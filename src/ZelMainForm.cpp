#include "ZelMainForm.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <span>

#include "core/AppFolder.h"
#include "core/Commands.h"
#include "core/Error.h"
#include "core/Layout.h"
#include "core/StartupOptions.h"

using zel::TBounds;
using zel::TComponentClass;
using zel::controls::TButtonLook;
using zel::controls::TMouseButton;
using zel::win::TComponent;
using zel::win::TImage;
using zel::win::TSpeedButton;

TMainForm* MainForm = nullptr;

namespace {

constexpr wchar_t kWindowClass[] = L"TMainForm";
constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;

// Handlers the definition may name, bound when it is loaded.
struct TClickBinding {
  std::string_view name;
  void (TMainForm::*handler)(TComponent&);
};
constexpr TClickBinding kClickHandlers[] = {
    {"SpeedButtonBuyFullClick", &TMainForm::SpeedButtonBuyFullClick},
    {"SpeedButtonFormListClick", &TMainForm::SpeedButtonFormListClick},
    {"SpeedButtonSamplesClick", &TMainForm::SpeedButtonSamplesClick},
};

struct TCreateBinding {
  std::string_view name;
  void (TMainForm::*handler)(TMainForm&);
};
constexpr TCreateBinding kCreateHandlers[] = {{"FormCreate", &TMainForm::FormCreate}};

// Components the form's fields refer to, bound by name.
struct TButtonField {
  std::string_view name;
  TSpeedButton* TMainForm::*field;
};
constexpr TButtonField kButtonFields[] = {
    {"SpeedButtonBuyFull", &TMainForm::SpeedButtonBuyFull},
    {"SpeedButtonFormList", &TMainForm::SpeedButtonFormList},
    {"SpeedButtonSamples", &TMainForm::SpeedButtonSamples},
};
struct TImageField {
  std::string_view name;
  TImage* TMainForm::*field;
};
constexpr TImageField kImageFields[] = {{"TopImage", &TMainForm::TopImage}, {"Image1", &TMainForm::Image1}};

template <typename Table>
auto FindByName(const Table& table, std::string_view name) -> decltype(&table[0]) {
  for (const auto& row : table) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

[[noreturn]] void RaiseMissing(std::string_view what, std::string_view name) {
  throw zel::Error("EReadError", zel::FromUtf8(std::string(what) + " " + std::string(name) + " not found"));
}

std::span<const std::uint8_t> ResourceBytes(LPCWSTR id, LPCWSTR type) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC info = ::FindResourceW(module, id, type);
  HGLOBAL data = info != nullptr ? ::LoadResource(module, info) : nullptr;
  const void* bytes = data != nullptr ? ::LockResource(data) : nullptr;
  if (bytes == nullptr) {
    const std::wstring name = IS_INTRESOURCE(id) ? zel::ToDecimal(reinterpret_cast<std::uintptr_t>(id)) : id;
    throw zel::Error("EResNotFound", L"Resource " + name + L" not found");
  }
  return {static_cast<const std::uint8_t*>(bytes), ::SizeofResource(module, info)};
}

std::span<const std::uint8_t> ResourceBytes(std::wstring_view name, LPCWSTR type) {
  const std::wstring id(name);
  return ResourceBytes(id.c_str(), type);
}

bool IsJpeg(std::span<const std::uint8_t> bytes) noexcept {
  return bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8;
}

zel::controls::TPoint PointOf(LPARAM lParam) noexcept { return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

}  // namespace

TMainForm::TMainForm(zel::win::TApplication& application)
    : application_(application), decl_(zel::MainFormDefinition()) {
  LoadDefinition();
}

TMainForm::~TMainForm() { window_.Reset(); }

void TMainForm::LoadDefinition() {
  for (const zel::TComponentDecl& decl : decl_.components) {
    std::unique_ptr<TComponent> component;
    if (decl.kind == TComponentClass::Picture) {
      const auto bytes = ResourceBytes(decl.picture, MAKEINTRESOURCEW(10) /* RT_RCDATA */);
      auto image = std::make_unique<TImage>(decl, bytes, IsJpeg(bytes));
      if (const auto* field = FindByName(kImageFields, decl.name)) this->*(field->field) = image.get();
      component = std::move(image);
    } else {
      auto button = std::make_unique<TSpeedButton>(decl);
      if (!decl.onClick.empty()) {
        const auto* binding = FindByName(kClickHandlers, decl.onClick);
        if (binding == nullptr) RaiseMissing("Method", decl.onClick);
        button->OnClick = [this, handler = binding->handler](TComponent& sender) { (this->*handler)(sender); };
      }
      if (const auto* field = FindByName(kButtonFields, decl.name)) this->*(field->field) = button.get();
      component = std::move(button);
    }
    component->SetBounds(decl.bounds);
    components_.push_back(std::move(component));
  }

  // The text height decides the scale; measuring it needs the native window.
  zel::win::TWindowDc screen(nullptr);
  const int pixelsPerInch = ::GetDeviceCaps(screen.Get(), LOGPIXELSY);
  CreateNativeWindow(zel::ScaleWindowFontHeight(decl_.font.height, pixelsPerInch));
  int textHeight = zel::kDesignTextHeight;
  {
    zel::win::TWindowDc dc(Handle());
    zel::win::TSelection font(dc.Get(), font_.Get());
    SIZE extent{};
    if (::GetTextExtentPoint32W(dc.Get(), L"0", 1, &extent)) textHeight = extent.cy;
  }
  ApplyScaling(pixelsPerInch, textHeight);
  LoadWindowIcon();
  theme_.Open(Handle());

  std::vector<zel::controls::TComponentBox> boxes;
  for (const auto& component : components_) {
    const TBounds& b = component->Bounds();
    boxes.push_back({component->Decl().kind == TComponentClass::Picture ? zel::controls::TComponentKind::Picture
                                                                         : zel::controls::TComponentKind::Button,
                     {b.left, b.top, b.width, b.height}});
  }
  router_.emplace(std::move(boxes), static_cast<zel::controls::TRouterHost&>(*this));
}

void TMainForm::CreateNativeWindow(int fontHeight) {
  const std::wstring face(decl_.font.face);
  font_.Reset(::CreateFontW(-fontHeight, 0, 0, 0, decl_.font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                            DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH, face.c_str()));

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
  const DWORD exStyle =
      application_.MainFormOnTaskBar() && application_.CreatingFirstForm() ? WS_EX_APPWINDOW : 0;
  const std::wstring caption(decl_.caption);
  HWND hwnd = ::CreateWindowExW(exStyle, kWindowClass, caption.c_str(), kStyle, 0, 0, decl_.client.width,
                                decl_.client.height, nullptr, nullptr, application_.Instance(), this);
  if (hwnd == nullptr) {
    throw zel::Error("EOSError", L"Cannot create the window (error " + zel::ToDecimal(::GetLastError()) + L")");
  }
}

void TMainForm::ApplyScaling(int pixelsPerInch, int textHeight) {
  const zel::TScaledForm scaled = zel::ScaleForm(decl_, pixelsPerInch, textHeight);
  for (std::size_t i = 0; i < components_.size(); ++i) {
    TComponent& component = *components_[i];
    component.SetBounds(zel::AlignBounds(component.Decl(), scaled.bounds[i], scaled.client.width));
    if (auto* button = dynamic_cast<TSpeedButton*>(&component);
        button != nullptr && scaled.fontHeights[i] != component.Decl().font.height) {
      button->SetFontHeight(scaled.fontHeights[i]);
    }
  }
  RECT frame{0, 0, scaled.client.width, scaled.client.height};
  ::AdjustWindowRectEx(&frame, kStyle, FALSE, static_cast<DWORD>(::GetWindowLongPtrW(Handle(), GWL_EXSTYLE)));
  ::SetWindowPos(Handle(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMainForm::LoadWindowIcon() {
#pragma pack(push, 2)
  struct TGroupHeader {
    WORD reserved, type, count;
  };
  struct TGroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
  };
#pragma pack(pop)
  const auto group = ResourceBytes(decl_.icon, MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */);
  if (group.size() < sizeof(TGroupHeader)) return;
  TGroupHeader header;
  std::memcpy(&header, group.data(), sizeof header);
  std::vector<TGroupEntry> entries;
  std::vector<zel::TIconImageInfo> images;
  for (std::size_t i = 0; i < header.count && sizeof header + (i + 1) * sizeof(TGroupEntry) <= group.size(); ++i) {
    TGroupEntry entry;
    std::memcpy(&entry, group.data() + sizeof header + i * sizeof entry, sizeof entry);
    entries.push_back(entry);
    images.push_back({entry.width == 0 ? 256 : entry.width, entry.height == 0 ? 256 : entry.height, entry.bitCount});
  }
  if (entries.empty()) return;
  const int wanted = ::GetSystemMetrics(SM_CXICON);
  const std::size_t chosen = zel::NearestIconImage(images, wanted);
  const auto bits = ResourceBytes(MAKEINTRESOURCEW(entries[chosen].id), MAKEINTRESOURCEW(3) /* RT_ICON */);
  icon_.Reset(::CreateIconFromResourceEx(const_cast<PBYTE>(bits.data()), static_cast<DWORD>(bits.size()), TRUE,
                                         0x00030000, images[chosen].width, images[chosen].height,
                                         LR_DEFAULTCOLOR));
  // The large icon only: the title bar makes its small one from it.
  ::SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.Get()));
}

void TMainForm::DoCreate() {
  if (decl_.onCreate.empty()) return;
  const auto* binding = FindByName(kCreateHandlers, decl_.onCreate);
  if (binding == nullptr) RaiseMissing("Method", decl_.onCreate);
  (this->*(binding->handler))(*this);
}

void TMainForm::Show(zel::TInitialState state) {
  RECT window{};
  ::GetWindowRect(Handle(), &window);
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const zel::TPlacement place = zel::CentreInWorkArea(
      {work.left, work.top, work.right - work.left, work.bottom - work.top},
      {window.right - window.left, window.bottom - window.top}, ::GetSystemMetrics(SM_XVIRTUALSCREEN),
      ::GetSystemMetrics(SM_YVIRTUALSCREEN));
  ::SetWindowPos(Handle(), nullptr, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  int command = SW_SHOWNORMAL;
  if (state == zel::TInitialState::Maximized) command = SW_SHOWMAXIMIZED;
  if (state == zel::TInitialState::MinimizedNoActivate) command = SW_SHOWMINNOACTIVE;
  ::ShowWindow(Handle(), command);
  shown_ = true;
}

void TMainForm::Release() noexcept {
  window_.Reset();
  surfaceDc_.Reset();
  surface_.Reset();
  components_.clear();
}

void TMainForm::SetCaption(const std::wstring& caption) { ::SetWindowTextW(Handle(), caption.c_str()); }

void TMainForm::FormCreate(TMainForm&) {
  SetCaption(L"ВЕЛТ (Demo)");
  SpeedButtonFormList->SetCaption(L"Список форм");
  SpeedButtonSamples->SetCaption(L"Примеры");
  SpeedButtonBuyFull->SetCaption(L"Купить полную версию");
}

void TMainForm::SpeedButtonBuyFullClick(TComponent&) { RunCommand("SpeedButtonBuyFullClick"); }
void TMainForm::SpeedButtonFormListClick(TComponent&) { RunCommand("SpeedButtonFormListClick"); }
void TMainForm::SpeedButtonSamplesClick(TComponent&) { RunCommand("SpeedButtonSamplesClick"); }

void TMainForm::RunCommand(std::string_view handler) {
  const auto row = std::ranges::find(zel::kCommandTable, handler, &zel::TCommandRow::handler);
  if (row == std::end(zel::kCommandTable)) return;
  zel::win::TBusyCursor busy(application_);
  const std::wstring folder = row->target == zel::TCommandTarget::FolderBesideProgram ? GetAppFolder() : L"";
  const zel::TShellCall call = zel::ShellCallFor(*row, folder);
  shell_.Execute(Handle(), call.verb.c_str(), call.file.c_str(),
                 call.parameters.empty() ? nullptr : call.parameters.c_str(), call.show);
}

LRESULT CALLBACK TMainForm::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TMainForm*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    self = static_cast<TMainForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
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

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = Handle();
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // everything is painted off screen in one step
    case WM_SIZE:
      FollowClientWidth();
      break;
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
      RouteMouse(message, wParam, lParam);
      return 0;
    case WM_CANCELMODE:
      if (router_) router_->CancelMode();
      break;
    case WM_SETCURSOR:
      if (application_.Cursor() == zel::win::TCursorKind::Wait && LOWORD(lParam) == HTCLIENT) {
        ::SetCursor(application_.WaitCursor());
        return TRUE;
      }
      break;
    case WM_THEMECHANGED:
      theme_.Open(hwnd);
      ::InvalidateRect(hwnd, nullptr, FALSE);
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

void TMainForm::RouteMouse(UINT message, WPARAM, LPARAM lParam) {
  if (!router_) return;
  const zel::controls::TPoint p = PointOf(lParam);
  switch (message) {
    case WM_MOUSEMOVE: router_->MouseMove(p); break;
    case WM_LBUTTONDOWN: router_->ButtonDown(TMouseButton::Left, p, false); break;
    case WM_LBUTTONDBLCLK: router_->ButtonDown(TMouseButton::Left, p, true); break;
    case WM_RBUTTONDOWN: router_->ButtonDown(TMouseButton::Right, p, false); break;
    case WM_RBUTTONDBLCLK: router_->ButtonDown(TMouseButton::Right, p, true); break;
    case WM_MBUTTONDOWN: router_->ButtonDown(TMouseButton::Middle, p, false); break;
    case WM_MBUTTONDBLCLK: router_->ButtonDown(TMouseButton::Middle, p, true); break;
    case WM_LBUTTONUP: router_->ButtonUp(TMouseButton::Left, p); break;
    case WM_RBUTTONUP: router_->ButtonUp(TMouseButton::Right, p); break;
    case WM_MBUTTONUP: router_->ButtonUp(TMouseButton::Middle, p); break;
    case WM_MOUSELEAVE: router_->MouseLeave(); break;
    default: break;
  }
}

void TMainForm::FollowClientWidth() {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  for (std::size_t i = 0; i < components_.size(); ++i) {
    TComponent& component = *components_[i];
    if (component.Decl().align != zel::TAlign::Top) continue;
    TBounds b = component.Bounds();
    b.width = client.right;
    component.SetBounds(b);
    if (router_) router_->SetRect(i, {b.left, b.top, b.width, b.height});
  }
  ::InvalidateRect(Handle(), nullptr, FALSE);
}

void TMainForm::EnsureSurface(int width, int height) {
  if (surface_ && width <= surfaceWidth_ && height <= surfaceHeight_) return;
  surfaceDc_.Reset();
  surface_.Reset();
  surfaceBits_ = nullptr;
  void* bits = nullptr;
  surface_.Reset(zel::win::CreateDib32(nullptr, width, height, &bits));
  if (!surface_) throw zel::Error("EOutOfResources", L"Out of system resources");
  surfaceDc_.Reset(::CreateCompatibleDC(nullptr));
  ::SelectObject(surfaceDc_.Get(), surface_.Get());
  surfaceBits_ = static_cast<std::uint8_t*>(bits);
  surfaceWidth_ = width;
  surfaceHeight_ = height;
}

// Composed off screen a band at a time: each band is drawn whole and copied in
// one step, so nothing flickers, and the buffer stays a fraction of the window.
constexpr int kBandRows = 64;

void TMainForm::Paint() {
  zel::win::TPaint paint(Handle());
  const RECT area = paint.Area();
  if (::IsRectEmpty(&area)) return;
  const int width = area.right - area.left;
  EnsureSurface(width, std::min<int>(kBandRows, area.bottom - area.top));

  HDC dc = surfaceDc_.Get();
  for (int top = area.top; top < area.bottom; top += surfaceHeight_) {
    const RECT band{area.left, top, area.right, std::min<LONG>(area.bottom, top + surfaceHeight_)};
    const int saved = ::SaveDC(dc);
    // The band's surface takes client coordinates.
    ::SetViewportOrgEx(dc, -band.left, -band.top, nullptr);
    ::IntersectClipRect(dc, band.left, band.top, band.right, band.bottom);
    ::FillRect(dc, &band, ::GetSysColorBrush(COLOR_BTNFACE));
    const zel::win::TCanvas canvas{Handle(), dc, surfaceBits_, static_cast<std::size_t>(surfaceWidth_) * 4,
                                   {band.left, band.top}, surfaceWidth_, surfaceHeight_, band, &theme_};
    // Bottom to top, so the purchase picture lands on its button's face.
    for (std::size_t i = 0; i < components_.size(); ++i) {
      const RECT rect = components_[i]->Rect();
      RECT overlap;
      if (!::IntersectRect(&overlap, &rect, &band)) continue;
      const TButtonLook look = router_ ? router_->Look(i, theme_.Active()) : TButtonLook::Normal;
      components_[i]->Paint(canvas, look);
    }
    ::RestoreDC(dc, saved);
    ::GdiFlush();
    ::BitBlt(paint.Dc(), band.left, band.top, width, band.bottom - band.top, dc, 0, 0, SRCCOPY);
  }
}

void TMainForm::CaptureMouse() { ::SetCapture(Handle()); }

void TMainForm::ReleaseMouse() {
  if (::GetCapture() == Handle()) ::ReleaseCapture();
}

void TMainForm::TrackMouseLeave() {
  TRACKMOUSEEVENT track{};
  track.cbSize = sizeof track;
  track.dwFlags = TME_LEAVE;
  track.hwndTrack = Handle();
  ::TrackMouseEvent(&track);
}

void TMainForm::RepaintNow(std::size_t index) {
  const RECT rect = components_.at(index)->Rect();
  ::InvalidateRect(Handle(), &rect, FALSE);
  ::UpdateWindow(Handle());
}

void TMainForm::RequestRepaint(std::size_t index) {
  const RECT rect = components_.at(index)->Rect();
  ::InvalidateRect(Handle(), &rect, FALSE);
}

void TMainForm::Click(std::size_t index) {
  if (auto* button = dynamic_cast<TSpeedButton*>(components_.at(index).get()); button && button->OnClick) {
    button->OnClick(*button);
  }
}
