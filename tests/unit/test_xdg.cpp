// Handing an argument to xdg-open as the Linux editions do: found through PATH's
// absolute folders only, given the argument's bytes as they are and the user's
// environment without what the launcher set for itself; the module an error
// that ends start-up is reported in.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "xdg/ApplicationError.h"
#include "xdg/Program.h"

namespace zel::xdg {
namespace {

namespace fs = std::filesystem;

void WriteRecorder(const fs::path& script, const fs::path& record) {
  std::ofstream(script) << "#!/bin/sh\nprintf '%s' \"$1\" > '" << record.string() << ".tmp'\n/usr/bin/env > '"
                        << record.string() << ".env'\n/bin/mv '" << record.string() << ".tmp' '" << record.string() << "'\n";
  fs::permissions(script, fs::perms::owner_all);
}

std::string ReadWhenThere(const fs::path& file) {
  for (int i = 0; i < 500 && !fs::exists(file); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::ostringstream text;
  text << std::ifstream(file, std::ios::binary).rdbuf();
  return text.str();
}

TEST(XdgOpen, TakesPathsAbsoluteOpenerWithBytesAndTheUsersEnvironment) {
  const fs::path root = fs::temp_directory_path() / ("zel-xdg-" + std::to_string(::getpid()));
  fs::create_directories(root / "bin");
  fs::create_directories(root / "here");
  WriteRecorder(root / "bin" / "xdg-open", root / "opened");
  WriteRecorder(root / "here" / "xdg-open", root / "planted");
  const std::string oldPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  const fs::path oldFolder = fs::current_path();
  fs::current_path(root / "here");
  // The current folder, spelt three ways, comes before the real one.
  ::setenv("PATH", (":.:here:" + (root / "bin").string()).c_str(), 1);
  ::setenv("ZEL_TEST_USERS", "kept", 1);
  ::unsetenv("ZEL_TEST_OURS");
  SetDefault("ZEL_TEST_OURS", "dropped");
  EXPECT_STREQ(std::getenv("ZEL_TEST_OURS"), "dropped");

  XdgOpen("/media/stick/bad\xff\xfename/\xD0\x94");
  EXPECT_EQ(ReadWhenThere(root / "opened"), "/media/stick/bad\xff\xfename/\xD0\x94");
  const std::string environment = ReadWhenThere(root / "opened.env");
  EXPECT_NE(environment.find("ZEL_TEST_USERS=kept\n"), std::string::npos);
  EXPECT_EQ(environment.find("ZEL_TEST_OURS"), std::string::npos);
  EXPECT_FALSE(fs::exists(root / "planted"));

  fs::current_path(oldFolder);
  ::setenv("PATH", oldPath.c_str(), 1);
  fs::remove_all(root);
}

TEST(XdgOpen, FolderUriAndTheNoDisplayLine) {
  EXPECT_EQ(FolderUri(L"/srv/Формы, 2026/Примеры"),
            "file:///srv/%D0%A4%D0%BE%D1%80%D0%BC%D1%8B,%202026/%D0%9F%D1%80%D0%B8%D0%BC%D0%B5%D1%80%D1%8B");
  EXPECT_EQ(MissingDisplay(nullptr), "DISPLAY is not set");
  EXPECT_EQ(MissingDisplay(""), "DISPLAY is not set");
  EXPECT_EQ(MissingDisplay(":7"), "the X display \":7\" cannot be opened");
  const std::string line = NoDisplayLine(MissingDisplay(":7"));
  EXPECT_NE(line.find(": no display to show the window on: the X display \":7\" cannot be opened"), std::string::npos);
}

TEST(ApplicationError, NamesTheModuleTheAddressLiesInAndTheOffset) {
  // No address: the program itself, at 0.
  TErrorInfo info{"EFoo", L"", L"Stop", nullptr};
  EXPECT_EQ(ApplicationErrorTextOf(info), ApplicationErrorText("EFoo", L"zel_unit_tests", 0, L"Stop"));
  // An address in the C library: that library, some way past its start.
  info.address = stdout;
  const std::wstring text = ApplicationErrorTextOf(info);
  EXPECT_EQ(text.rfind(L"Exception EFoo in module libc.so.6 at ", 0), 0u) << text;
  EXPECT_EQ(text.find(L" at 00000000."), std::wstring::npos) << text;
}

}  // namespace
}  // namespace zel::xdg
