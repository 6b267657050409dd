// The objects a screen reader is told of, read from the loaded form: which
// components they are, and what each one says of itself now.
#include "form/Accessible.h"

#include <algorithm>

namespace zel {

namespace {

bool Covers(const TRect& outer, const TRect& inner) noexcept {
  return inner.left >= outer.left && inner.top >= outer.top && inner.Right() <= outer.Right() &&
         inner.Bottom() <= outer.Bottom();
}

}  // namespace

TFormAccessible::TFormAccessible(TForm& form) : form_(form) {
  const auto components = form.Components();
  for (std::size_t i = 0; i < components.size(); ++i) {
    if (components[i]->IsButton()) items_.push_back(i);
  }
  for (std::size_t i = 0; i < components.size(); ++i) {
    if (components[i]->IsButton()) continue;
    const bool onButton = std::any_of(components.begin(), components.begin() + static_cast<std::ptrdiff_t>(i),
                                      [&](const auto& below) {
                                        return below->IsButton() && Covers(below->Bounds(), components[i]->Bounds());
                                      });
    if (!onButton) items_.push_back(i);
  }
}

const TComponent& TFormAccessible::Component(std::size_t item) const {
  return *form_.Components()[items_.at(item)];
}

TAccessibleRole TFormAccessible::Role(std::size_t item) const {
  return Component(item).IsButton() ? TAccessibleRole::PushButton : TAccessibleRole::Graphic;
}

std::wstring_view TFormAccessible::Name(std::size_t item) const {
  const TComponent& component = Component(item);
  return component.IsButton() ? std::wstring_view(component.Caption()) : std::wstring_view();
}

TRect TFormAccessible::Bounds(std::size_t item) const { return Component(item).Bounds(); }

TAccessibleStates TFormAccessible::States(std::size_t item, TAccessibleWindow window) const {
  const std::size_t index = items_.at(item);
  const controls::TComponentBox& box = form_.Mouse().Component(index);
  return {box.enabled && window.enabled, box.visible && window.shown, !window.shown,
          Component(item).IsButton() && form_.Mouse().IsDown(index)};
}

std::optional<std::size_t> TFormAccessible::HitTest(TPoint p) const {
  const controls::TMouseRouter& mouse = form_.Mouse();
  std::optional<std::size_t> index = mouse.HitTest(p);
  if (!index) return std::nullopt;
  auto item = std::find(items_.begin(), items_.end(), *index);
  // A picture on a button's face: the button under it answers.
  for (std::size_t below = *index; item == items_.end() && below-- > 0;) {
    const controls::TComponentBox& box = mouse.Component(below);
    if (box.kind == controls::TComponentKind::Button && box.visible && box.rect.Contains(p)) {
      item = std::find(items_.begin(), items_.end(), below);
    }
  }
  if (item == items_.end()) return std::nullopt;
  return static_cast<std::size_t>(item - items_.begin());
}

bool TFormAccessible::CanActivate(std::size_t item, TAccessibleWindow window) const {
  if (item >= items_.size() || !CanPress(item) || !window.enabled) return false;
  const controls::TComponentBox& box = form_.Mouse().Component(items_[item]);
  return box.enabled && box.visible;
}

bool TFormAccessible::Activate(std::size_t item, TAccessibleWindow window) {
  if (!CanActivate(item, window)) return false;
  // The very call a completed click makes: the handler runs its command under
  // the wait cursor, and what it raises goes where a click's error goes.
  TComponent& component = *form_.Components()[items_[item]];
  if (component.OnClick) component.OnClick(component);
  return true;
}

}  // namespace zel
