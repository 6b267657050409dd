// The client object handed to screen readers through WM_GETOBJECT: a thin
// translation of the form's description into IAccessible, children by id.
#include "win/Accessible.h"

#include <ole2.h>
// IID_IAccessible is defined here, not taken from a library.
#include <initguid.h>
#include <oleacc.h>

#include "win/SystemLibrary.h"

namespace zel::win {

namespace {

template <typename F>
F Function(HMODULE module, const char* name) noexcept {
  return module != nullptr ? reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

using TSysAllocString = BSTR(WINAPI*)(const OLECHAR*, UINT);
using TPostMessage = BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
using TAskWindow = BOOL(WINAPI*)(HWND);
using TNotifyWinEvent = void(WINAPI*)(DWORD, HWND, LONG, LONG);

// Looked up, not imported: the program's import table stays as it is without us.
template <typename F>
F User32(const char* name) noexcept {
  return Function<F>(::GetModuleHandleW(L"user32.dll"), name);
}

// The window as its objects follow it: disabled while a box it owns is open,
// not shown while minimized. (IsWindowEnabled the program imports anyway.)
TAccessibleWindow WindowState(HWND window) noexcept {
  static const auto isIconic = User32<TAskWindow>("IsIconic");
  return {::IsWindowEnabled(window) != FALSE, isIconic == nullptr || !isIconic(window)};
}

}  // namespace

// The client area's object. Its own properties are the system's for the window;
// its children 1..n are the form's objects, simple elements named by child id.
class TClientAccessible final : public IAccessible {
 public:
  TClientAccessible(HWND window, TFormAccessible& description, IAccessible* standard, TSysAllocString allocString)
      : window_(window), description_(&description), standard_(standard), allocString_(allocString) {}

  void Disconnect() noexcept {
    description_ = nullptr;
    if (standard_ != nullptr) standard_->Release();
    standard_ = nullptr;
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IAccessible)) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = ::InterlockedDecrement(&references_);
    if (left == 0) {
      Disconnect();
      delete this;
    }
    return static_cast<ULONG>(left);
  }

  // IDispatch: clients use the interface's own methods.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (!Connected()) return CO_E_OBJNOTCONNECTED;
    return standard_->get_accParent(parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (count == nullptr) return E_POINTER;
    if (!Connected()) return CO_E_OBJNOTCONNECTED;
    *count = static_cast<long>(description_->Count());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    const HRESULT hr = Check(child);
    if (hr != S_OK) return hr;
    if (child.lVal == CHILDID_SELF) return QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object));
    return S_FALSE;  // a simple element: asked through this object with its id
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (name == nullptr) return E_POINTER;
    *name = nullptr;
    const HRESULT hr = Check(child);
    if (hr != S_OK) return hr;
    if (child.lVal == CHILDID_SELF) return standard_->get_accName(child, name);
    const std::wstring_view text = description_->Name(Item(child));
    if (text.empty()) return S_FALSE;
    *name = allocString_(text.data(), static_cast<UINT>(text.size()));
    return *name != nullptr ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return Own(child, value, &IAccessible::get_accValue);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
    return Own(child, text, &IAccessible::get_accDescription);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (role == nullptr) return E_POINTER;
    role->vt = VT_EMPTY;
    const HRESULT hr = Check(child);
    if (hr != S_OK) return hr;
    if (child.lVal == CHILDID_SELF) return standard_->get_accRole(child, role);
    role->vt = VT_I4;
    role->lVal = description_->Role(Item(child)) == TAccessibleRole::PushButton ? ROLE_SYSTEM_PUSHBUTTON
                                                                                 : ROLE_SYSTEM_GRAPHIC;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    if (state == nullptr) return E_POINTER;
    state->vt = VT_EMPTY;
    const HRESULT hr = Check(child);
    if (hr != S_OK) return hr;
    if (child.lVal == CHILDID_SELF) return standard_->get_accState(child, state);
    const TAccessibleStates states = description_->States(Item(child), WindowState(window_));
    state->vt = VT_I4;
    state->lVal = (states.enabled ? 0 : STATE_SYSTEM_UNAVAILABLE) | (states.visible ? 0 : STATE_SYSTEM_INVISIBLE) |
                  (states.offscreen ? STATE_SYSTEM_OFFSCREEN : 0) | (states.pressed ? STATE_SYSTEM_PRESSED : 0);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return Own(child, help, &IAccessible::get_accHelp);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    if (topic == nullptr) return E_POINTER;
    *topic = 0;
    const HRESULT hr = Own(child, file, nullptr);
    return hr == S_OK ? standard_->get_accHelpTopic(file, child, topic) : hr;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return Own(child, shortcut, &IAccessible::get_accKeyboardShortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (!Connected()) return CO_E_OBJNOTCONNECTED;
    return standard_->get_accFocus(focus);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (!Connected()) return CO_E_OBJNOTCONNECTED;
    return standard_->get_accSelection(selection);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    if (action == nullptr) return E_POINTER;
    *action = nullptr;
    const HRESULT hr = Check(child);
    if (hr != S_OK) return hr;
    if (child.lVal == CHILDID_SELF) return standard_->get_accDefaultAction(child, action);
    if (!description_->CanPress(Item(child))) return S_FALSE;
    *action = allocString_(L"Press", 5);
    return *action != nullptr ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    const HRESULT hr = Check(child);
    if (hr != S_OK) return hr;
    return child.lVal == CHILDID_SELF ? standard_->accSelect(flags, child) : DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
    const HRESULT hr = Check(child);
    if (hr != S_OK) return hr;
    if (child.lVal == CHILDID_SELF) return standard_->accLocation(left, top, width, height, child);
    const TRect bounds = description_->Bounds(Item(child));
    TRect client;
    if (!ClientOnScreen(client)) return E_FAIL;
    *left = client.left + bounds.left;
    *top = client.top + bounds.top;
    *width = bounds.width;
    *height = bounds.height;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    if (end == nullptr) return E_POINTER;
    end->vt = VT_EMPTY;
    const HRESULT hr = Check(start);
    if (hr != S_OK) return hr;
    const long count = static_cast<long>(description_->Count());
    long to = 0;
    if (start.lVal == CHILDID_SELF) {
      if (direction == NAVDIR_FIRSTCHILD) to = 1;
      else if (direction == NAVDIR_LASTCHILD) to = count;
      else return standard_->accNavigate(direction, start, end);
    } else if (direction == NAVDIR_NEXT) {
      to = start.lVal + 1;
    } else if (direction == NAVDIR_PREVIOUS) {
      to = start.lVal - 1;
    }
    if (to < 1 || to > count) return S_FALSE;
    end->vt = VT_I4;
    end->lVal = to;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
    if (hit == nullptr) return E_POINTER;
    hit->vt = VT_EMPTY;
    if (!Connected()) return CO_E_OBJNOTCONNECTED;
    TRect client;
    if (!ClientOnScreen(client) || !client.Contains({x, y})) return standard_->accHitTest(x, y, hit);
    const std::optional<std::size_t> item = description_->HitTest({x - client.left, y - client.top});
    hit->vt = VT_I4;
    hit->lVal = item ? static_cast<long>(*item) + 1 : CHILDID_SELF;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    const HRESULT hr = Check(child);
    if (hr != S_OK) return hr;
    if (child.lVal == CHILDID_SELF) return standard_->accDoDefaultAction(child);
    if (!description_->CanPress(Item(child))) return DISP_E_MEMBERNOTFOUND;
    // A disabled window's button does nothing, as a standard one does.
    if (!description_->CanActivate(Item(child), WindowState(window_))) return E_FAIL;
    // Run from the message loop, as a click's command is, not inside the client's call.
    return post_ != nullptr && post_(window_, kAccessiblePress, Item(child), 0) ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  ~TClientAccessible() = default;

  // The client area on the screen, as the window's own object places it.
  bool ClientOnScreen(TRect& client) const {
    long left = 0, top = 0, width = 0, height = 0;
    if (standard_->accLocation(&left, &top, &width, &height, Child(CHILDID_SELF)) != S_OK) return false;
    client = {left, top, width, height};
    return true;
  }
  static VARIANT Child(long id) noexcept {
    VARIANT v{};
    v.vt = VT_I4;
    v.lVal = id;
    return v;
  }
  bool Connected() const noexcept { return description_ != nullptr && standard_ != nullptr; }
  // S_OK for this object or one of its children.
  HRESULT Check(const VARIANT& child) const noexcept {
    if (!Connected()) return CO_E_OBJNOTCONNECTED;
    if (child.vt != VT_I4 || child.lVal < 0 || child.lVal > static_cast<long>(description_->Count())) {
      return E_INVALIDARG;
    }
    return S_OK;
  }
  static std::size_t Item(const VARIANT& child) noexcept { return static_cast<std::size_t>(child.lVal - 1); }
  // A text property: the window's own for this object (asked of it when ask is
  // given, else S_OK), none for a child.
  using TAskText = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*);
  HRESULT Own(const VARIANT& child, BSTR* text, TAskText ask) {
    if (text == nullptr) return E_POINTER;
    *text = nullptr;
    const HRESULT hr = Check(child);
    if (hr != S_OK) return hr;
    if (child.lVal != CHILDID_SELF) return S_FALSE;
    return ask != nullptr ? (standard_->*ask)(child, text) : S_OK;
  }

  LONG references_ = 1;
  HWND window_;
  TFormAccessible* description_;
  IAccessible* standard_;
  TSysAllocString allocString_;
  TPostMessage post_ = User32<TPostMessage>("PostMessageW");
};

TAccessibleServer::TAccessibleServer(HWND window, TForm& form)
    : window_(window), oleacc_(LoadSystemLibrary(L"oleacc.dll")), oleaut_(LoadSystemLibrary(L"oleaut32.dll")),
      description_(form) {
  using TCreateStandard = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
  const auto createStandard = Function<TCreateStandard>(oleacc_.Get(), "CreateStdAccessibleObject");
  const auto allocString = Function<TSysAllocString>(oleaut_.Get(), "SysAllocStringLen");
  IAccessible* standard = nullptr;
  if (createStandard == nullptr || allocString == nullptr ||
      FAILED(createStandard(window, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&standard)))) {
    return;
  }
  object_ = new TClientAccessible(window, description_, standard, allocString);
}

TAccessibleServer::~TAccessibleServer() {
  if (object_ == nullptr) return;
  object_->Disconnect();
  // Proxies in clients' processes get "disconnected" from now on.
  using TDisconnect = HRESULT(WINAPI*)(IUnknown*, DWORD);
  if (const auto disconnect = Function<TDisconnect>(::GetModuleHandleW(L"ole32.dll"), "CoDisconnectObject")) {
    disconnect(object_, 0);
  }
  object_->Release();
}

void TAccessibleServer::Press(WPARAM item) {
  // Asked for while the window took input, maybe run while a box is open: then not.
  description_.Activate(item, WindowState(window_));
}

void TAccessibleServer::StatesChanged() const {
  static const auto notify = User32<TNotifyWinEvent>("NotifyWinEvent");
  if (object_ == nullptr || notify == nullptr) return;
  for (std::size_t item = 0; item < description_.Count(); ++item) {
    notify(EVENT_OBJECT_STATECHANGE, window_, OBJID_CLIENT, static_cast<LONG>(item) + 1);
  }
}

LRESULT TAccessibleServer::Answer(WPARAM wParam) {
  using TResultFromObject = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
  const auto resultFromObject = Function<TResultFromObject>(oleacc_.Get(), "LresultFromObject");
  if (object_ == nullptr || resultFromObject == nullptr) return 0;
  const LRESULT result = resultFromObject(IID_IAccessible, wParam, object_);
  return FAILED(result) ? 0 : result;
}

}  // namespace zel::win
