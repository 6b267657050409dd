// Where the latest throw on a thread was raised, as the linker's wrapper notes it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "core/ThrowSite.h"

// Exported and never inlined, so dladdr can name the function a site lies in.
[[gnu::noinline]] void ZelTestRaiseRuntimeError() { throw std::runtime_error("raised here"); }
[[gnu::noinline]] void ZelTestRaiseInt(int value) {
  if (value > 0) throw value;
}

namespace zel {
namespace {

// The start of the exported function that holds a code address; null if none does.
const void* FunctionHolding(const void* address) {
  Dl_info info{};
  if (address == nullptr || ::dladdr(address, &info) == 0) return nullptr;
  return info.dli_saddr;
}

const void* Start(void (*function)()) { return reinterpret_cast<const void*>(function); }
const void* Start(void (*function)(int)) { return reinterpret_cast<const void*>(function); }

TEST(ThrowSite, EachThrowNotesTheFunctionThatRaisedItOnItsOwnThread) {
  try {
    ZelTestRaiseRuntimeError();
  } catch (const std::runtime_error&) {
    EXPECT_EQ(FunctionHolding(LastThrowSite()), Start(&ZelTestRaiseRuntimeError));
    EXPECT_GT(LastThrowSite(), Start(&ZelTestRaiseRuntimeError));  // after its first instruction
  }
  try {
    ZelTestRaiseInt(7);
  } catch (int) {
    EXPECT_EQ(FunctionHolding(LastThrowSite()), Start(&ZelTestRaiseInt));
  }
  // A rethrow from here keeps the site where the error was first raised.
  try {
    try {
      ZelTestRaiseRuntimeError();
    } catch (...) {
      throw;
    }
  } catch (...) {
    EXPECT_EQ(FunctionHolding(LastThrowSite()), Start(&ZelTestRaiseRuntimeError));
  }

  // Another thread starts with none and notes its own, leaving this one's alone.
  const void* mine = LastThrowSite();
  const void* before = &mine;
  const void* theirs = nullptr;
  std::thread([&] {
    before = LastThrowSite();
    try {
      ZelTestRaiseInt(1);
    } catch (int) {
      theirs = LastThrowSite();
    }
  }).join();
  EXPECT_EQ(before, nullptr);
  EXPECT_EQ(FunctionHolding(theirs), Start(&ZelTestRaiseInt));
  EXPECT_EQ(LastThrowSite(), mine);
}

}  // namespace
}  // namespace zel
