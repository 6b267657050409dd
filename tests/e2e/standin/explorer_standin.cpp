// Stands in for the file browser during the end-to-end tests: appends its whole
// command line (UTF-8, one line per call) to the file named by ZEL_RECORD and exits.
#include <windows.h>

#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) {
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                          nullptr);
  }
  return out;
}

std::wstring Environment(const wchar_t* name) {
  std::vector<wchar_t> buffer(32768);
  const DWORD length = ::GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length == 0 || length >= buffer.size()) return {};
  return std::wstring(buffer.data(), length);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring record = Environment(L"ZEL_RECORD");
  if (record.empty()) return 2;
  const std::string line = Utf8(::GetCommandLineW()) + "\n";
  // FILE_APPEND_DATA alone: each call lands whole at the end, even when two run at once.
  HANDLE file = ::CreateFileW(record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  ::CloseHandle(file);
  return ok && written == line.size() ? 0 : 4;
}
