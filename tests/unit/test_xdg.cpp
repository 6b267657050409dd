// Handing an argument to xdg-open as the Linux editions do: found through PATH's
// absolute folders only, given the argument's bytes as they are and the user's
// environment without what the launcher set for itself; a folder asked of the file
// manager first; the module an error that ends start-up is reported in; the
// application object's frame both editions share.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "core/Error.h"
#include "core/Utf8.h"
#include "xdg/Application.h"
#include "xdg/ApplicationError.h"
#include "xdg/Program.h"
#include "xdg/Shell.h"

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

class TFakeBus final : public TSessionBus {
 public:
  explicit TFakeBus(bool answers) : answers_(answers) {}
  bool ShowFolders(const std::string& uri) override {
    asked.push_back(uri);
    return answers_;
  }
  std::vector<std::string> asked;

 private:
  bool answers_;
};

TEST(OpenFolder, TheFileManagerWhereItAnswersElseXdgOpenWithThePathsBytes) {
  const fs::path root = fs::temp_directory_path() / ("zel-shell-" + std::to_string(::getpid()));
  fs::create_directories(root);
  std::ofstream(root / "xdg-open") << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << (root / "opened").string() << "'\n";
  fs::permissions(root / "xdg-open", fs::perms::owner_all);
  const std::string oldPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  ::setenv("PATH", root.c_str(), 1);
  const auto opened = [&](std::size_t lines) {
    std::string text;
    for (int i = 0; i < 500 && static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) < lines; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      text = ReadWhenThere(root / "opened");
    }
    return text;
  };

  TFakeBus answering(true), silent(false);
  OpenFolder(WideFromPathBytes("/srv/answered"), answering);
  OpenFolder(WideFromPathBytes("/media/stick/bad\xff/\xD0\x9F"), silent);
  EXPECT_EQ(answering.asked, std::vector<std::string>{"file:///srv/answered"});
  EXPECT_EQ(silent.asked, std::vector<std::string>{"file:///media/stick/bad%FF/%D0%9F"});
  EXPECT_EQ(opened(1), "/media/stick/bad\xff/\xD0\x9F\n");
  OpenAddress(L"http://www.example.com/buy/");
  // The answered folder never reached xdg-open.
  EXPECT_EQ(opened(2), "/media/stick/bad\xff/\xD0\x9F\nhttp://www.example.com/buy/\n");

  ::setenv("PATH", oldPath.c_str(), 1);
  fs::remove_all(root);
}

// A toolkit's application object as the frame sees it: a window of a form, its loop and its box.
struct TFakeApplication;
struct TFakeForm {
  void DoCreate() { throw Error("EFoo", L"one\r\ntwo"); }
};
struct TFakeWindow {
  TFakeWindow(TFakeApplication& application, std::unique_ptr<TFakeForm> form);
  TFakeForm& Form() { return *form; }
  void ShowCentred();
  void CancelPress();
  TFakeApplication& application;
  std::unique_ptr<TFakeForm> form;
};
struct TFakeApplication final : TApplicationFrame<TFakeApplication, TFakeWindow> {
  void RunLoop() { calls.push_back(MainWindow() != nullptr ? L"loop" : L"loop without a window"); }
  void ShowErrorBox(const std::wstring& text) { calls.push_back(L"box " + text); }
  std::vector<std::wstring> calls;
  TFakeForm* shown = nullptr;
};
TFakeWindow::TFakeWindow(TFakeApplication& owner, std::unique_ptr<TFakeForm> made)
    : application(owner), form(std::move(made)) {}
void TFakeWindow::ShowCentred() {
  application.calls.push_back(L"show");
  application.shown = form.get();
}
void TFakeWindow::CancelPress() { application.calls.push_back(L"cancel"); }

TEST(ApplicationFrame, TheCreationHandlersErrorIsReportedAndTheFirstFormStaysTheMainWindow) {
  TFakeApplication application;
  TFakeForm* first = application.CreateForm<TFakeForm>();
  application.CreateForm<TFakeForm>();
  application.Run();
  // The second form's error is reported with the main window's press cancelled first.
  EXPECT_EQ(application.calls, (std::vector<std::wstring>{L"box one\ntwo.", L"cancel", L"box one\ntwo.", L"show", L"loop"}));
  EXPECT_EQ(application.shown, first);
  EXPECT_EQ(BoxText(L"a\r\nb\r\n\r\nc\r"), L"a\nb\n\nc\r");
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
