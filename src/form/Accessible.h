// What a screen reader is told of a form, once for every platform: its command
// buttons and pictures as objects with a role, a name, a place and states, the
// object under a point, and pressing a button as a click does. Each platform's
// accessibility interface only translates this.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "core/Geometry.h"
#include "form/Form.h"

namespace zel {

enum class TAccessibleRole { PushButton, Graphic };

// What the platform knows of the window the objects are shown in, asked of it
// each time: its objects follow it.
struct TAccessibleWindow {
  bool enabled = true;  // takes input: not while an error box it owns is open
  bool shown = true;    // on the screen: not while minimized
};

struct TAccessibleStates {
  bool enabled = true;
  bool visible = true;
  bool offscreen = false;  // its window is minimized
  bool pressed = false;    // held down with the mouse, the pointer on it
};

class TFormAccessible {
 public:
  // The form must be loaded. The objects are its buttons in the order of its
  // definition, then its pictures in that order. A picture that lies on a button's
  // face is part of that button, not an object of its own.
  explicit TFormAccessible(TForm& form);

  std::size_t Count() const noexcept { return items_.size(); }
  TAccessibleRole Role(std::size_t item) const;
  // The caption exactly as drawn; a picture has none.
  std::wstring_view Name(std::size_t item) const;
  // In client coordinates, as the component is placed now.
  TRect Bounds(std::size_t item) const;
  bool CanPress(std::size_t item) const { return Role(item) == TAccessibleRole::PushButton; }
  // Disabled while the window is, invisible and off the screen while it is minimized.
  TAccessibleStates States(std::size_t item, TAccessibleWindow window) const;
  // The object under a client point, or none (the window itself): whatever takes
  // a click there, with a picture on a button's face answering as that button.
  std::optional<std::size_t> HitTest(TPoint p) const;
  // Whether a press of the object would run anything now: a button, enabled and
  // visible itself, in a window that takes input (minimized or not, as a click
  // posted to a minimized window's button still runs).
  bool CanActivate(std::size_t item, TAccessibleWindow window) const;
  // Runs what a click on the button runs if CanActivate. Platforms call it from
  // their event loop once the request that asked for it has returned, as a click
  // runs, with the window as it is then: a press asked for before an error box
  // opened and run while it is open does nothing, then or later. False when
  // nothing ran.
  bool Activate(std::size_t item, TAccessibleWindow window);

 private:
  const TComponent& Component(std::size_t item) const;

  TForm& form_;
  std::vector<std::size_t> items_;  // object -> component index
};

}  // namespace zel
