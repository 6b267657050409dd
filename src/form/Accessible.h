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

struct TAccessibleStates {
  bool enabled = true;
  bool visible = true;
  bool pressed = false;  // held down with the mouse, the pointer on it
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
  TAccessibleStates States(std::size_t item) const;
  // The object under a client point, or none (the window itself): whatever takes
  // a click there, with a picture on a button's face answering as that button.
  std::optional<std::size_t> HitTest(TPoint p) const;
  // Runs what a click on the button runs. Platforms call it from their event loop
  // once the request that asked for it has returned, as a click runs; false when
  // the object cannot be pressed.
  bool Activate(std::size_t item);

 private:
  const TComponent& Component(std::size_t item) const;

  TForm& form_;
  std::vector<std::size_t> items_;  // object -> component index
};

}  // namespace zel
