// Mouse routing among the window's lightweight components and the command
// buttons' press, drag, release and hot-mark rules.
#include "controls/MouseRouter.h"

#include <utility>

namespace zel::controls {

TMouseRouter::TMouseRouter(std::vector<TComponentBox> components, TRouterHost& host)
    : components_(std::move(components)), states_(components_.size()), host_(host) {}

void TMouseRouter::SetRect(std::size_t index, TRect rect) { components_.at(index).rect = rect; }

std::optional<std::size_t> TMouseRouter::HitTest(TPoint p) const {
  for (std::size_t i = components_.size(); i-- > 0;) {
    const TComponentBox& c = components_[i];
    if (c.visible && c.enabled && c.rect.Contains(p)) return i;
  }
  return std::nullopt;
}

void TMouseRouter::MouseMove(TPoint p) {
  ArmLeaveTracking();
  if (captureHolder_) {
    const std::size_t i = *captureHolder_;
    // "Inside" while dragging is the button's own rectangle, whatever lies over it.
    if (IsButton(i) && states_[i].dragging) SetDown(i, components_[i].rect.Contains(p));
    return;
  }
  UpdatePointer(p);
}

void TMouseRouter::ButtonDown(TMouseButton button, TPoint p, bool /*doubleClick*/) {
  // The second press of a double-click is handled as a fresh press: two clicks.
  ArmLeaveTracking();
  // The left button cannot go down twice without a release between: a left press
  // while one is held means its release went elsewhere unreported (another
  // program took the capture). That press ends as one released outside.
  if (button == TMouseButton::Left && captureHolder_) CancelMode();
  if (!captureHolder_) UpdatePointer(p);
  if (button != TMouseButton::Left) return;  // swallowed by whatever is under the pointer
  const std::optional<std::size_t> target = HitTest(p);
  if (!target) return;
  const std::size_t i = *target;
  TakeCapture(i);
  if (IsButton(i)) {
    states_[i].dragging = true;
    SetDown(i, components_[i].rect.Contains(p));
  }
}

void TMouseRouter::ButtonUp(TMouseButton button, TPoint p) {
  if (!captureHolder_) {
    // A release without a press of ours (pressed elsewhere, or the press was cancelled).
    ArmLeaveTracking();
    UpdatePointer(p);
    return;
  }
  const std::size_t i = *captureHolder_;
  // A right or middle release ends a held press too, but only the left button's
  // release gives the capture back (and asks for the leave notice after it).
  const bool releaseCapture = button == TMouseButton::Left;
  if (!releaseCapture) ArmLeaveTracking();
  if (IsButton(i) && states_[i].dragging) {
    EndPress(i, components_[i].rect.Contains(p), releaseCapture);
  } else if (releaseCapture) {
    EndCapture();
  }
}

void TMouseRouter::MouseLeave() {
  leaveTracked_ = false;
  // While captured nothing is told of leaving; the holder keeps getting the events.
  if (captureHolder_) return;
  SetUnderPointer(std::nullopt);
}

void TMouseRouter::CancelMode() {
  if (!captureHolder_) return;
  const std::size_t i = *captureHolder_;
  if (IsButton(i) && states_[i].dragging) {
    EndPress(i, false, true);
  } else {
    EndCapture();
  }
}

TButtonLook TMouseRouter::Look(std::size_t index, bool themed) const {
  const TState& s = states_.at(index);
  if (!IsButton(index)) return TButtonLook::Normal;
  if (s.down) return TButtonLook::Pressed;
  if (themed && s.hot) return TButtonLook::Hot;
  return TButtonLook::Normal;
}

bool TMouseRouter::IsDown(std::size_t index) const { return states_.at(index).down; }

bool TMouseRouter::IsButton(std::size_t index) const noexcept {
  return components_[index].kind == TComponentKind::Button;
}

void TMouseRouter::ArmLeaveTracking() {
  if (leaveTracked_) return;
  leaveTracked_ = true;
  host_.TrackMouseLeave();
}

void TMouseRouter::UpdatePointer(TPoint p) { SetUnderPointer(HitTest(p)); }

void TMouseRouter::SetUnderPointer(std::optional<std::size_t> index) {
  if (index == underPointer_) return;
  const std::optional<std::size_t> previous = std::exchange(underPointer_, index);
  // Repainted whatever the mark was: a release outside clears it without a
  // repaint, so the screen may still show the drag's look.
  if (previous && IsButton(*previous)) {
    states_[*previous].hot = false;
    host_.RepaintNow(*previous);
  }
  if (index && IsButton(*index)) {
    states_[*index].hot = true;
    host_.RepaintNow(*index);
  }
}

void TMouseRouter::TakeCapture(std::size_t index) {
  if (captureHolder_ == index) return;
  captureHolder_ = index;
  host_.CaptureMouse();
}

void TMouseRouter::EndCapture() {
  // Cleared before the host is called: releasing the capture may come straight
  // back as a cancel-mode or capture-changed notice.
  captureHolder_.reset();
  host_.ReleaseMouse();
  // A leave notice may have been spent during the capture; with the pointer
  // already outside, a fresh request reports it at once.
  ArmLeaveTracking();
}

void TMouseRouter::EndPress(std::size_t index, bool inside, bool releaseCapture) {
  TState& s = states_[index];
  const bool wasDown = s.down;
  s.dragging = false;
  s.down = false;
  // Cleared without telling the button that the pointer left: it stays normal
  // until the pointer leaves it and comes back.
  s.hot = false;
  if (releaseCapture) EndCapture();
  // The state is final before the handler runs, since it may open a window that
  // cancels the mode or otherwise calls back in.
  if (inside) {
    host_.RequestRepaint(index);
    host_.Click(index);
  } else if (wasDown) {
    // Released (or cancelled) outside while still drawn pressed: raise it now.
    // A hot mark cleared here shows at the next paint, like any other release.
    host_.RepaintNow(index);
  }
}

void TMouseRouter::SetDown(std::size_t index, bool down) {
  if (states_[index].down == down) return;
  states_[index].down = down;
  host_.RepaintNow(index);
}

}  // namespace zel::controls
