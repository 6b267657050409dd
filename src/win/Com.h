// The main thread's COM apartment, entered for the application's life and left
// exactly once, only if entering it succeeded.
#pragma once

#include <windows.h>
#include <ole2.h>

namespace zel::win {

// OleInitialize: a single-threaded apartment with OLE's services.
class TOleApartment {
 public:
  TOleApartment() noexcept : entered_(SUCCEEDED(::OleInitialize(nullptr))) {}
  ~TOleApartment() {
    if (entered_) ::OleUninitialize();
  }
  TOleApartment(const TOleApartment&) = delete;
  TOleApartment& operator=(const TOleApartment&) = delete;

 private:
  bool entered_;
};

// CoInitialize: the nested initialisation of the application's start-up hooks.
class TComApartment {
 public:
  TComApartment() noexcept : entered_(SUCCEEDED(::CoInitialize(nullptr))) {}
  ~TComApartment() {
    if (entered_) ::CoUninitialize();
  }
  TComApartment(const TComApartment&) = delete;
  TComApartment& operator=(const TComApartment&) = delete;

 private:
  bool entered_;
};

}  // namespace zel::win
