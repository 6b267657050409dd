// An owner for a handle of the system's: released exactly once, by the call that
// frees it, whatever path is taken. none is the value that holds nothing.
#pragma once

#include <utility>

namespace zel {

template <typename Handle, auto Release, Handle none = Handle{}>
class TOwned {
 public:
  TOwned() noexcept = default;
  explicit TOwned(Handle h) noexcept : handle_(h) {}
  TOwned(TOwned&& other) noexcept : handle_(std::exchange(other.handle_, none)) {}
  TOwned& operator=(TOwned&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle_, none));
    return *this;
  }
  TOwned(const TOwned&) = delete;
  TOwned& operator=(const TOwned&) = delete;
  ~TOwned() { Reset(); }

  Handle Get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != none; }
  // Gives up ownership without releasing (the handle was released elsewhere).
  Handle Detach() noexcept { return std::exchange(handle_, none); }
  // Releases the one held, if any, and holds h instead.
  void Reset(Handle h = none) noexcept {
    if (handle_ != none) Release(handle_);
    handle_ = h;
  }

 private:
  Handle handle_ = none;
};

}  // namespace zel
