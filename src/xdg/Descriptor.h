// A file descriptor's owner: closed once, on every way out of its owner's life.
#pragma once

#include <unistd.h>

#include <utility>

namespace zel::xdg {

class TDescriptor {
 public:
  TDescriptor() noexcept = default;
  explicit TDescriptor(int fd) noexcept : fd_(fd) {}
  ~TDescriptor() { Reset(); }
  TDescriptor(TDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  TDescriptor& operator=(TDescriptor&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.fd_, -1));
    return *this;
  }

  int Get() const noexcept { return fd_; }
  explicit operator bool() const noexcept { return fd_ >= 0; }
  // Closes the one held, if any, and holds fd instead.
  void Reset(int fd = -1) noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

}  // namespace zel::xdg
