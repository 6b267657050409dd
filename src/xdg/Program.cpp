#include "xdg/Program.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/AppFolder.h"
#include "core/Utf8.h"

extern char** environ;

namespace zel::xdg {

namespace {

std::vector<std::string>& SetHere() {
  static std::vector<std::string> names;
  return names;
}

bool IsExecutableFile(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

// xdg-open in PATH's absolute folders; a relative entry ("", ".") would be the
// current folder, where anyone may have put one.
std::string FindXdgOpen() {
  const char* path = std::getenv("PATH");
  std::string_view rest = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  while (true) {
    const size_t colon = rest.find(':');
    const std::string_view folder = rest.substr(0, colon);
    if (!folder.empty() && folder.front() == '/') {
      std::string candidate(folder);
      candidate += "/xdg-open";
      if (IsExecutableFile(candidate)) return candidate;
    }
    if (colon == std::string_view::npos) return {};
    rest.remove_prefix(colon + 1);
  }
}

}  // namespace

std::string ExecutablePathBytes() {
  const std::unique_ptr<char, decltype(&std::free)> path(::realpath("/proc/self/exe", nullptr), &std::free);
  return path ? std::string(path.get()) : std::string();
}

std::wstring ExecutablePath() { return WideFromPathBytes(ExecutablePathBytes()); }

void SetDefault(const char* name, const char* value) {
  if (std::getenv(name) != nullptr) return;
  ::setenv(name, value, 1);
  SetHere().emplace_back(name);
}

std::vector<std::string> ChildEnvironment() {
  std::vector<std::string> environment;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const std::string_view line(*entry);
    const std::string_view name = line.substr(0, line.find('='));
    bool ours = false;
    for (const std::string& set : SetHere()) ours = ours || set == name;
    if (!ours) environment.emplace_back(line);
  }
  return environment;
}

std::string FolderUri(std::wstring_view folder) { return FileUriFromPathBytes(PathBytesFromWide(folder)); }

void XdgOpen(std::string_view argument) {
  const std::string program = FindXdgOpen();
  if (program.empty()) return;
  // Everything the child needs is made before fork: after it, in a program with
  // threads, only exec and _exit are safe.
  std::string arg(argument);
  std::vector<std::string> environment = ChildEnvironment();
  std::vector<char*> envp;
  for (std::string& line : environment) envp.push_back(line.data());
  envp.push_back(nullptr);
  std::string path = program;
  char* argv[] = {path.data(), arg.data(), nullptr};
  // Twice forked, so the opener is nobody's child here and leaves no zombie.
  const pid_t middle = ::fork();
  if (middle == 0) {
    if (::fork() == 0) {
      ::execve(argv[0], argv, envp.data());
      ::_exit(127);
    }
    ::_exit(0);
  }
  if (middle > 0) {
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
  }
}

std::string NoDisplayLine(std::string_view what) {
  const std::wstring exe = ExecutablePath();
  std::string line = PathBytesFromWide(FileNameOf(exe, TPathStyle::Posix));
  if (line.empty()) line = "ZelProject";
  line += ": no display to show the window on: ";
  line += what;
  return line;
}

void SayNoDisplay(std::string_view what) noexcept {
  try {
    const std::string line = NoDisplayLine(what) + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
  } catch (...) {
    // Nothing more can be said.
  }
}

std::string MissingDisplay(const char* display) {
  if (display == nullptr || *display == '\0') return "DISPLAY is not set";
  return std::string("the X display \"") + display + "\" cannot be opened";
}

}  // namespace zel::xdg
