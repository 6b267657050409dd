// What both Linux editions' form windows answer alike, without a toolkit type:
// the form they show, the pictures and icon from the program's own resources,
// the mouse capture and leave notices the X server gives unasked, the commands
// handed to the desktop, and one event's work guarded so that what it raises is
// reported and the loop goes on. Each edition's window derives from TFormPeerFrame,
// naming its application object and its session bus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <span>
#include <string_view>
#include <utility>

#include "form/Accessible.h"
#include "form/Form.h"
#include "xdg/Resources.h"
#include "xdg/Shell.h"

namespace zel::xdg {

// The window's icon is the set's image nearest the large-icon size, as on
// Windows: the desktop entry's icons serve the other sizes, and the larger
// images would only cost memory.
inline constexpr int kWindowIconSize = 32;

template <typename Application, typename SessionBus>
class TFormPeerFrame : protected TFormPeer {
 public:
  TFormPeerFrame(const TFormPeerFrame&) = delete;
  TFormPeerFrame& operator=(const TFormPeerFrame&) = delete;

  TForm& Form() const noexcept { return *form_; }
  // Ends a held press as a release outside its button (the press was cancelled).
  void CancelPress() {
    Guarded([&] { form_->Mouse().CancelMode(); });
  }

 protected:
  TFormPeerFrame(Application& application, std::unique_ptr<TForm> form) noexcept
      : application_(application), form_(std::move(form)) {}
  ~TFormPeerFrame() = default;

  // Runs one event's work; what it raises is reported and the loop goes on.
  template <typename Work>
  void Guarded(Work&& work) noexcept {
    try {
      work();
    } catch (...) {
      application_.HandleException(std::current_exception());
    }
  }
  // A screen reader pressed one of the form's objects: runs what a click runs,
  // with the window as it is now.
  void Press(std::size_t item, TAccessibleWindow window) {
    Guarded([&] { TFormAccessible(*form_).Activate(item, window); });
  }

  // TFormPeer
  std::span<const std::uint8_t> ResourceBytes(std::wstring_view name) override { return xdg::ResourceBytes(name); }
  // The X server grabs the pointer for the window while a button is held, so the
  // release comes here wherever it happens: that grab is the capture.
  void CaptureMouse() override {}
  void ReleaseMouse() override {}
  // The toolkit reports every time the pointer leaves the window.
  void TrackMouseLeave() override {}
  void OpenFolder(std::wstring_view path) override {
    SessionBus bus;
    xdg::OpenFolder(path, bus);
  }
  void OpenAddress(std::wstring_view address) override { xdg::OpenAddress(address); }

  Application& application_;
  std::unique_ptr<TForm> form_;
};

}  // namespace zel::xdg
