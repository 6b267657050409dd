// The end of the desktop session: the launcher never objects to it, and when the
// session ends it (the SIGTERM that ends a login session's processes) it quits as
// a closed window does, with exit code 0. Not registered with a session manager,
// so nothing asks it to save or to agree.
#pragma once

#include <functional>

namespace zel::gtk {

class TSessionEnd {
 public:
  // end: asks the application to quit. One object per process.
  explicit TSessionEnd(std::function<void()> end);
  ~TSessionEnd();
  TSessionEnd(const TSessionEnd&) = delete;
  TSessionEnd& operator=(const TSessionEnd&) = delete;

 private:
  std::function<void()> end_;
  unsigned source_ = 0;
};

}  // namespace zel::gtk
