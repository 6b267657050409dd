// The application-wide cursor override and its restore.
#include "core/CursorRestore.h"

namespace zel {

void TAppCursor::Set(TCursorKind kind) {
  if (kind == kind_) return;
  kind_ = kind;
  if (kind == TCursorKind::Wait) {
    host_.ShowCursor(TCursorShape::Wait);
    return;
  }
  Restore();
}

void TAppCursor::Restore() {
  // The override is already clear, so a window of ours asked now answers with its
  // own cursor. Another program's window is sent nothing: it gets the arrow.
  if (const std::optional<TPoint> pointer = host_.PointerPosition()) {
    TNativeWindow window = host_.WindowAt(*pointer);
    if (window != nullptr && host_.OnOwnThread(window)) {
      host_.AskForCursor(window, host_.HitTest(window, *pointer));
      return;
    }
  }
  host_.ShowCursor(TCursorShape::Arrow);
}

}  // namespace zel
