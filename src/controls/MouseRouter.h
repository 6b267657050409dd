// Mouse routing among the lightweight components of a window, and the press,
// drag, release and hot-mark rules of the command buttons. Platform-free: the
// window feeds it mouse events in client coordinates and it tells the window,
// through TRouterHost, what to capture, repaint and run.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "core/Geometry.h"

namespace zel::controls {

using zel::TPoint;
using zel::TRect;

enum class TComponentKind { Button, Picture };
enum class TMouseButton { Left, Right, Middle };
enum class TButtonLook { Normal, Hot, Pressed };

struct TComponentBox {
  TComponentKind kind = TComponentKind::Button;
  TRect rect;
  bool visible = true;
  bool enabled = true;
};

// What the router asks of the window it serves.
class TRouterHost {
 public:
  virtual void CaptureMouse() = 0;                 // SetCapture on the window
  virtual void ReleaseMouse() = 0;                 // ReleaseCapture
  virtual void TrackMouseLeave() = 0;              // ask for one "pointer left the client area"
  virtual void RepaintNow(std::size_t index) = 0;  // redraw this component at once
  virtual void RequestRepaint(std::size_t index) = 0;  // invalidate: drawn at the next paint
  virtual void Click(std::size_t index) = 0;       // run this button's click handler

 protected:
  ~TRouterHost() = default;
};

class TMouseRouter {
 public:
  // components: in stacking order, bottom first.
  TMouseRouter(std::vector<TComponentBox> components, TRouterHost& host);

  // Moves a component (after scaling or a change of the client width).
  void SetRect(std::size_t index, TRect rect);
  const TComponentBox& Component(std::size_t index) const { return components_.at(index); }
  std::size_t Count() const noexcept { return components_.size(); }

  // The topmost visible, enabled component holding p, or none (the window itself).
  std::optional<std::size_t> HitTest(TPoint p) const;

  void MouseMove(TPoint p);
  // A left press while a left press is held ends the held one as a release
  // outside it (its release was lost) and is then taken fresh where it lies.
  void ButtonDown(TMouseButton button, TPoint p, bool doubleClick);
  void ButtonUp(TMouseButton button, TPoint p);
  void MouseLeave();  // the pointer left the client area
  void CancelMode();  // the platform cancelled a held press

  // How a button is to be drawn; themed selects whether the hot mark shows.
  TButtonLook Look(std::size_t index, bool themed) const;
  bool IsDown(std::size_t index) const;
  // The component holding the mouse capture, if any.
  std::optional<std::size_t> CaptureHolder() const noexcept { return captureHolder_; }

 private:
  struct TState {
    bool down = false;
    bool hot = false;
    bool dragging = false;
  };
  bool IsButton(std::size_t index) const noexcept;
  void ArmLeaveTracking();
  // Announces leaving and entering when the component under p differs from the
  // last one; each repaints the button it concerns.
  void UpdatePointer(TPoint p);
  void SetUnderPointer(std::optional<std::size_t> index);
  void TakeCapture(std::size_t index);
  void EndCapture();
  // Ends a held press: a click when inside, else only the raised look.
  void EndPress(std::size_t index, bool inside, bool releaseCapture);
  void SetDown(std::size_t index, bool down);

  std::vector<TComponentBox> components_;
  std::vector<TState> states_;
  TRouterHost& host_;
  std::optional<std::size_t> captureHolder_;
  // The component last told that the pointer entered it.
  std::optional<std::size_t> underPointer_;
  // A request for the "pointer left the client area" notice is outstanding.
  bool leaveTracked_ = false;
};

}  // namespace zel::controls
