// The application-wide cursor override: the wait cursor while a command runs, and
// how the normal cursor comes back when it ends, without the pointer moving.
// Platform-free: the platform layer is a TCursorHost that only translates (sets a
// cursor, finds the window under the pointer, sends it the cursor messages).
#pragma once

#include <cstdint>
#include <optional>

#include "core/Geometry.h"

namespace zel {

enum class TCursorKind { Default, Wait };
enum class TCursorShape { Wait, Arrow };

// A native window, as the platform names it; null for none.
using TNativeWindow = void*;

// What the cursor logic asks of the platform.
class TCursorHost {
 public:
  // Shows a system cursor at once (SetCursor).
  virtual void ShowCursor(TCursorShape shape) = 0;
  // The pointer's position on the screen, or none when it cannot be read.
  virtual std::optional<TPoint> PointerPosition() = 0;
  // The window under a screen point, or null.
  virtual TNativeWindow WindowAt(TPoint screen) = 0;
  // The window belongs to the calling (user-interface) thread.
  virtual bool OnOwnThread(TNativeWindow window) = 0;
  // Sends the window its hit-test message for a screen point; returns the answer.
  virtual std::intptr_t HitTest(TNativeWindow window, TPoint screen) = 0;
  // Sends the window its cursor request naming itself, with the hit-test answer
  // and a pointer move as the cause; the window then sets its own cursor.
  virtual void AskForCursor(TNativeWindow window, std::intptr_t hitTest) = 0;

 protected:
  ~TCursorHost() = default;
};

class TAppCursor {
 public:
  explicit TAppCursor(TCursorHost& host) noexcept : host_(host) {}

  // Setting the current value does nothing. The wait cursor shows at once; the
  // default one is restored as the window under the pointer would set it: that
  // window is asked if it is one of ours, else the arrow is set.
  void Set(TCursorKind kind);
  TCursorKind Current() const noexcept { return kind_; }

 private:
  void Restore();

  TCursorHost& host_;
  TCursorKind kind_ = TCursorKind::Default;
};

}  // namespace zel
