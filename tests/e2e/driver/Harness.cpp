#include "Harness.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <exception>
#include <utility>

namespace zeltest {

// ---- Text and output ------------------------------------------------------------

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string out(static_cast<std::size_t>(std::max(size, 0)), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                        nullptr);
  return out;
}

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(std::max(size, 0)), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
  return out;
}

void PrintLine(std::string_view line) {
  std::string text(line);
  text += '\n';
  HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD written = 0;
  if (out != nullptr && out != INVALID_HANDLE_VALUE) {
    ::WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::FlushFileBuffers(out);
  }
}

bool TReport::Check(bool ok, std::string_view what, std::string_view detail) {
  std::string line = ok ? "PASS " : "FAIL ";
  line += what;
  if (!detail.empty()) {
    line += ": ";
    line += detail;
  }
  PrintLine(line);
  if (!ok) ++failures_;
  return ok;
}

bool TReport::CheckEqual(long long expected, long long actual, std::string_view what) {
  std::string detail = std::to_string(actual);
  if (expected != actual) detail += " (expected " + std::to_string(expected) + ")";
  return Check(expected == actual, what, detail);
}

bool TReport::CheckEqual(std::wstring_view expected, std::wstring_view actual, std::string_view what) {
  std::string detail = Quote(actual);
  if (expected != actual) detail += " (expected " + Quote(expected) + ")";
  return Check(expected == actual, what, detail);
}

void TReport::Note(std::string_view what, std::string_view detail) {
  PrintLine("NOTE " + std::string(what) + ": " + std::string(detail));
}

std::string Describe(const RECT& r) {
  char text[96];
  std::snprintf(text, sizeof text, "(%ld,%ld)-(%ld,%ld) %ldx%ld", r.left, r.top, r.right, r.bottom,
                r.right - r.left, r.bottom - r.top);
  return text;
}

std::string Quote(std::wstring_view text) {
  std::string out = Utf8(text);
  out.insert(out.begin(), '"');
  out.push_back('"');
  return out;
}

std::string Hex(unsigned long long value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%08llX", value);
  return text;
}

std::wstring EnvironmentValue(const wchar_t* name) {
  std::vector<wchar_t> value(32768);
  const DWORD length = ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
  return length > 0 && length < value.size() ? std::wstring(value.data(), length) : std::wstring();
}

void SetEnvironmentValue(const wchar_t* name, const std::wstring& value) {
  if (!::SetEnvironmentVariableW(name, value.c_str())) throw TAbort("cannot set " + Utf8(name));
}

// ---- Waiting ----------------------------------------------------------------------

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD stepMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    if (done()) return true;
    if (::GetTickCount64() >= deadline) return done();
    ::Sleep(stepMs);
  }
}

// ---- Handles ----------------------------------------------------------------------

THandle::THandle(THandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

THandle& THandle::operator=(THandle&& other) noexcept {
  if (this != &other) {
    if (handle_ != nullptr) ::CloseHandle(handle_);
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

THandle::~THandle() {
  if (handle_ != nullptr) ::CloseHandle(handle_);
}

// ---- Paths and files --------------------------------------------------------------

std::wstring WindowsPath(std::wstring_view path) {
  std::wstring out(path);
  if (!out.empty() && out.front() == L'/') {
    std::replace(out.begin(), out.end(), L'/', L'\\');
    out.insert(0, L"Z:");
  }
  return out;
}

std::wstring JoinPath(std::wstring_view folder, std::wstring_view name) {
  std::wstring out(folder);
  if (!out.empty() && out.back() != L'\\') out += L'\\';
  out += name;
  return out;
}

std::wstring FolderOf(std::wstring_view path) {
  const std::size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(0, cut));
}

void RemoveTree(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path.c_str());
    return;
  }
  WIN32_FIND_DATAW entry;
  HANDLE find = ::FindFirstFileW(JoinPath(path, L"*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring_view name = entry.cFileName;
      if (name != L"." && name != L"..") RemoveTree(JoinPath(path, name));
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
  }
  ::RemoveDirectoryW(path.c_str());
}

TScratchFolder::TScratchFolder(std::wstring path) : path_(std::move(path)) {
  RemoveTree(path_);
  if (!::CreateDirectoryW(path_.c_str(), nullptr)) {
    throw TAbort("cannot make the folder " + Quote(path_) + " (error " + std::to_string(::GetLastError()) + ")");
  }
}

TScratchFolder::~TScratchFolder() { RemoveTree(path_); }

std::wstring TScratchFolder::CopyIn(const std::wstring& source, std::wstring_view name) const {
  const std::wstring target = JoinPath(path_, name);
  if (!::CopyFileW(source.c_str(), target.c_str(), FALSE)) {
    throw TAbort("cannot copy " + Quote(source) + " to " + Quote(target) + " (error " +
                 std::to_string(::GetLastError()) + ")");
  }
  return target;
}

// ---- The launcher's process -------------------------------------------------------

TProcess TProcess::Start(const std::wstring& exe, const TStartOptions& options) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (options.showWindow) {
    startup.dwFlags |= STARTF_USESHOWWINDOW;
    startup.wShowWindow = *options.showWindow;
  }
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!options.arguments.empty()) commandLine += L" " + options.arguments;
  if (!options.desktop.empty()) startup.lpDesktop = const_cast<wchar_t*>(options.desktop.c_str());
  PROCESS_INFORMATION info{};
  const wchar_t* folder = options.currentFolder.empty() ? nullptr : options.currentFolder.c_str();
  const DWORD flags = options.suspended ? CREATE_SUSPENDED : 0;
  if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr, folder, &startup,
                        &info)) {
    throw TAbort("cannot start " + Quote(exe) + " (error " + std::to_string(::GetLastError()) + ")");
  }
  TProcess process;
  process.process_ = THandle(info.hProcess);
  process.thread_ = THandle(info.hThread);
  process.id_ = info.dwProcessId;
  process.threadId_ = info.dwThreadId;
  return process;
}

void TProcess::Resume() const { ::ResumeThread(thread_.Get()); }

TProcess::~TProcess() {
  if (process_ && Running()) {
    ::TerminateProcess(process_.Get(), 255);
    ::WaitForSingleObject(process_.Get(), 5000);
  }
}

bool TProcess::Running() const { return ::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }

std::optional<DWORD> TProcess::WaitForExit(DWORD timeoutMs) const {
  if (::WaitForSingleObject(process_.Get(), timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  ::GetExitCodeProcess(process_.Get(), &code);
  return code;
}

std::wstring ThisProgram() {
  std::vector<wchar_t> buffer(32768);
  const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  return std::wstring(buffer.data(), length);
}

// ---- A spy inside the launcher ----------------------------------------------------

TSpyHook::TSpyHook(DWORD threadId) {
  // Loaded once and kept: the hooks name this module, which Wine loads by its path
  // into the hooked process.
  static HMODULE spy = ::LoadLibraryW(JoinPath(FolderOf(ThisProgram()), L"zelspy.dll").c_str());
  auto proc = [](const char* name) {
    return spy != nullptr ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void (*)()>(::GetProcAddress(spy, name)))
                          : nullptr;
  };
  const HOOKPROC sent = proc("ZelSpyCallWndProcRet");
  const HOOKPROC queued = proc("ZelSpyGetMessage");
  if (sent == nullptr || queued == nullptr) throw TAbort("cannot load zelspy.dll beside the driver");
  sent_ = ::SetWindowsHookExW(WH_CALLWNDPROCRET, sent, spy, threadId);
  queued_ = ::SetWindowsHookExW(WH_GETMESSAGE, queued, spy, threadId);
  if (sent_ == nullptr || queued_ == nullptr) {
    const DWORD error = ::GetLastError();
    Release();
    throw TAbort("cannot hook the launcher (error " + std::to_string(error) + ")");
  }
}

TSpyHook::TSpyHook(TSpyHook&& other) noexcept
    : sent_(std::exchange(other.sent_, nullptr)), queued_(std::exchange(other.queued_, nullptr)) {}

TSpyHook& TSpyHook::operator=(TSpyHook&& other) noexcept {
  if (this != &other) {
    Release();
    sent_ = std::exchange(other.sent_, nullptr);
    queued_ = std::exchange(other.queued_, nullptr);
  }
  return *this;
}

TSpyHook::~TSpyHook() { Release(); }

void TSpyHook::Release() noexcept {
  if (sent_ != nullptr) ::UnhookWindowsHookEx(sent_);
  if (queued_ != nullptr) ::UnhookWindowsHookEx(queued_);
  sent_ = queued_ = nullptr;
}

std::vector<TSpyEvent> ReadSpyLog(const std::wstring& path) {
  std::vector<TSpyEvent> events;
  for (const std::wstring& line : TRecordFile(path).Lines()) {
    const std::size_t tab1 = line.find(L'\t');
    const std::size_t tab2 = tab1 == std::wstring::npos ? tab1 : line.find(L'\t', tab1 + 1);
    if (tab2 == std::wstring::npos) continue;
    events.push_back({line.substr(0, tab1), line.substr(tab1 + 1, tab2 - tab1 - 1), line.substr(tab2 + 1)});
  }
  return events;
}

std::string DescribeSpyLog(const std::wstring& path) {
  std::string out;
  for (const TSpyEvent& event : ReadSpyLog(path)) {
    if (!out.empty()) out += ", ";
    out += Utf8(event.kind) + " " + Utf8(event.className) + " " + Quote(event.detail);
  }
  return out;
}

// ---- Windows ----------------------------------------------------------------------

DWORD ProcessOf(HWND window) {
  DWORD id = 0;
  ::GetWindowThreadProcessId(window, &id);
  return id;
}

DWORD ThreadOf(HWND window) { return ::GetWindowThreadProcessId(window, nullptr); }

std::wstring WindowText(HWND window) {
  wchar_t text[512] = {};
  const int length = ::GetWindowTextW(window, text, static_cast<int>(std::size(text)));
  return std::wstring(text, static_cast<std::size_t>(std::max(length, 0)));
}

std::wstring ClassNameOf(HWND window) {
  wchar_t name[256] = {};
  const int length = ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return std::wstring(name, static_cast<std::size_t>(std::max(length, 0)));
}

std::vector<HWND> TopLevelWindowsOf(DWORD processId) {
  struct TSearch {
    DWORD processId;
    std::vector<HWND> found;
  } search{processId, {}};
  ::EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<TSearch*>(param);
        if (ProcessOf(window) == s->processId) s->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindWindowOf(DWORD processId, const wchar_t* className) {
  HWND window = nullptr;
  while ((window = ::FindWindowExW(nullptr, window, className, nullptr)) != nullptr) {
    if (ProcessOf(window) == processId) return window;
  }
  return nullptr;
}

std::optional<HWND> ReadCapture(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!::GetGUIThreadInfo(ThreadOf(window), &info)) return std::nullopt;
  return info.hwndCapture;
}

HWND CaptureOf(HWND window) { return ReadCapture(window).value_or(nullptr); }

bool WaitUntilResponsive(HWND window, DWORD timeoutMs) {
  DWORD_PTR ignored = 0;
  return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) != 0;
}

RECT WorkArea() {
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

RECT VirtualScreen() {
  const int left = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
  return {left, top, left + ::GetSystemMetrics(SM_CXVIRTUALSCREEN), top + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

SIZE SizeOf(const RECT& r) { return {r.right - r.left, r.bottom - r.top}; }

RECT ClientRectOnScreen(HWND window) {
  RECT client{};
  ::GetClientRect(window, &client);
  ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  return client;
}

POINT ClientToScreenPoint(HWND window, POINT client) {
  ::ClientToScreen(window, &client);
  return client;
}

int ScreenLogPixels() {
  HDC screen = ::GetDC(nullptr);
  const int pixels = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return pixels;
}

int TahomaTextHeight(int characterHeight) {
  HDC screen = ::GetDC(nullptr);
  HFONT font = ::CreateFontW(-characterHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Tahoma");
  HGDIOBJ old = ::SelectObject(screen, font);
  SIZE extent{};
  ::GetTextExtentPoint32W(screen, L"0", 1, &extent);
  ::SelectObject(screen, old);
  ::DeleteObject(font);
  ::ReleaseDC(nullptr, screen);
  return extent.cy;
}

// ---- Input ------------------------------------------------------------------------

namespace {

void SendMouse(DWORD flags, LONG dx, LONG dy) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = dx;
  input.mi.dy = dy;
  input.mi.dwFlags = flags;
  ::SendInput(1, &input, sizeof input);
}

// Normalised absolute coordinate (0..65535 over the virtual desktop) of a pixel's centre.
LONG Normalise(LONG pixel, LONG origin, LONG extent) {
  const long long offset = static_cast<long long>(pixel - origin) * 65536 + 32768;
  return static_cast<LONG>(std::clamp<long long>(offset / std::max<LONG>(extent, 1), 0, 65535));
}

}  // namespace

bool MovePointer(POINT screen) {
  const RECT desk = VirtualScreen();
  LONG dx = Normalise(screen.x, desk.left, desk.right - desk.left);
  LONG dy = Normalise(screen.y, desk.top, desk.bottom - desk.top);
  // Correct for the platform's own rounding, should it land a pixel off.
  for (int attempt = 0; attempt < 4; ++attempt) {
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK, dx, dy);
    POINT at{};
    if (WaitUntil([&] { return ::GetCursorPos(&at) && at.x == screen.x && at.y == screen.y; }, 200, 5)) return true;
    const LONG stepX = 65536 / std::max<LONG>(desk.right - desk.left, 1);
    const LONG stepY = 65536 / std::max<LONG>(desk.bottom - desk.top, 1);
    dx = std::clamp<LONG>(dx + (screen.x - at.x) * std::max<LONG>(stepX, 1), 0, 65535);
    dy = std::clamp<LONG>(dy + (screen.y - at.y) * std::max<LONG>(stepY, 1), 0, 65535);
  }
  return false;
}

void SendMouseButton(DWORD flag) { SendMouse(flag, 0, 0); }

void SendKeyChord(const std::vector<WORD>& virtualKeys) {
  std::vector<INPUT> inputs;
  for (WORD key : virtualKeys) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    inputs.push_back(input);
  }
  for (auto key = virtualKeys.rbegin(); key != virtualKeys.rend(); ++key) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = *key;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(*key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(input);
  }
  ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

TPressResult DragClient(HWND window, POINT from, POINT to) {
  TPressResult result;
  if (!MovePointer(ClientToScreenPoint(window, from))) return result;
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  result.captured = WaitForCapture(window, window);
  if (from.x != to.x || from.y != to.y) MovePointer(ClientToScreenPoint(window, to));
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  result.released = WaitForCapture(window, nullptr);
  return result;
}

TPressResult ClickClient(HWND window, POINT client) { return DragClient(window, client, client); }

// ---- Record files of the stand-ins ------------------------------------------------

void TRecordFile::Clear() const { ::DeleteFileW(path_.c_str()); }

std::vector<std::wstring> TRecordFile::Lines() const {
  std::vector<std::wstring> lines;
  HANDLE file = ::CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return lines;
  THandle owner(file);
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
  // Only whole lines count: a stand-in may be halfway through writing its own.
  std::size_t start = 0;
  for (std::size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(Wide(std::string_view(bytes).substr(start, end - start)));
  }
  return lines;
}

bool TRecordFile::WaitForLines(std::size_t count, DWORD timeoutMs) const {
  return WaitUntil([&] { return Lines().size() >= count; }, timeoutMs, 20);
}

std::vector<std::wstring> ProcessNames() {
  std::vector<std::wstring> names;
  THandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return names;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry)) {
    names.emplace_back(entry.szExeFile);
  }
  return names;
}

bool WaitForChildrenToEnd(DWORD parentId, DWORD timeoutMs) {
  return WaitUntil(
      [&] {
        THandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot) return false;
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
             more = ::Process32NextW(snapshot.Get(), &entry)) {
          if (entry.th32ParentProcessID == parentId && entry.th32ProcessID != parentId) return false;
        }
        return true;
      },
      timeoutMs, 20);
}

// ---- Registry ---------------------------------------------------------------------

namespace {

// Backup file: line 1 the key under HKCU, line 2 the value name, line 3 "absent" or
// the type in decimal and the data in hexadecimal, all UTF-8.
std::string HexBytes(const std::vector<std::uint8_t>& data) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (std::uint8_t b : data) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

std::vector<std::uint8_t> Unhex(std::string_view text) {
  std::vector<std::uint8_t> out;
  auto nibble = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
    out.push_back(static_cast<std::uint8_t>(nibble(text[i]) * 16 + nibble(text[i + 1])));
  }
  return out;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  THandle owner(file);
  DWORD written = 0;
  return ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  THandle owner(file);
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
  return bytes;
}

bool SetValue(const std::wstring& key, const std::wstring& name, DWORD type, const std::vector<std::uint8_t>& data) {
  HKEY handle = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  const LSTATUS status = ::RegSetValueExW(handle, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size()));
  ::RegCloseKey(handle);
  return status == ERROR_SUCCESS;
}

bool DeleteValue(const std::wstring& key, const std::wstring& name) {
  HKEY handle = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS) return true;
  const LSTATUS status = ::RegDeleteValueW(handle, name.c_str());
  ::RegCloseKey(handle);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace

TRegistryOverride::TRegistryOverride(std::wstring key, std::wstring name, DWORD type,
                                     const std::vector<std::uint8_t>& data, std::wstring backupFile)
    : backupFile_(std::move(backupFile)) {
  std::string backup = Utf8(key) + "\n" + Utf8(name) + "\n";
  HKEY handle = nullptr;
  DWORD oldType = 0;
  DWORD size = 0;
  bool present = false;
  std::vector<std::uint8_t> old;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_QUERY_VALUE, &handle) == ERROR_SUCCESS) {
    if (::RegQueryValueExW(handle, name.c_str(), nullptr, &oldType, nullptr, &size) == ERROR_SUCCESS) {
      old.resize(size);
      present = ::RegQueryValueExW(handle, name.c_str(), nullptr, &oldType, old.data(), &size) == ERROR_SUCCESS;
      old.resize(size);
    }
    ::RegCloseKey(handle);
  }
  backup += present ? std::to_string(oldType) + " " + HexBytes(old) + "\n" : std::string("absent\n");
  // The backup goes to disk before anything changes, so nothing can be lost.
  if (!WriteWholeFile(backupFile_, backup)) throw TAbort("cannot write the registry backup " + Quote(backupFile_));
  if (!SetValue(key, name, type, data)) {
    RestoreRegistryBackup(backupFile_);
    throw TAbort("cannot set HKCU\\" + Utf8(key) + "\\" + Utf8(name));
  }
}

TRegistryOverride::~TRegistryOverride() {
  if (!RestoreRegistryBackup(backupFile_)) PrintLine("FAIL registry: could not restore from " + Utf8(backupFile_));
}

std::vector<std::uint8_t> TRegistryOverride::Dword(DWORD value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

std::vector<std::uint8_t> TRegistryOverride::String(std::wstring_view value) {
  std::vector<std::uint8_t> out;
  for (wchar_t c : value) {
    out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    out.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

bool RestoreRegistryBackup(const std::wstring& backupFile) {
  const std::optional<std::string> bytes = ReadWholeFile(backupFile);
  if (!bytes) return true;  // nothing was changed, or it was put back already
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = bytes->find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(bytes->substr(start, end - start));
  }
  if (lines.size() < 3) return false;
  const std::wstring key = Wide(lines[0]);
  const std::wstring name = Wide(lines[1]);
  bool ok = false;
  if (lines[2] == "absent") {
    ok = DeleteValue(key, name);
  } else {
    const std::size_t space = lines[2].find(' ');
    if (space == std::string::npos) return false;
    const DWORD type = static_cast<DWORD>(std::strtoul(lines[2].substr(0, space).c_str(), nullptr, 10));
    ok = SetValue(key, name, type, Unhex(std::string_view(lines[2]).substr(space + 1)));
  }
  if (ok) ::DeleteFileW(backupFile.c_str());
  return ok;
}

// ---- Screenshots ------------------------------------------------------------------

TScreenshot TScreenshot::Capture(const RECT& screenArea) {
  TScreenshot shot;
  shot.width_ = screenArea.right - screenArea.left;
  shot.height_ = screenArea.bottom - screenArea.top;
  if (shot.width_ <= 0 || shot.height_ <= 0) return shot;
  shot.pixels_.assign(static_cast<std::size_t>(shot.width_) * shot.height_, 0);

  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDib32(screen, shot.width_, shot.height_, &bits);
  if (bitmap != nullptr && bits != nullptr) {
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, shot.width_, shot.height_, screen, screenArea.left, screenArea.top, SRCCOPY);
    ::GdiFlush();
    const auto* source = static_cast<const std::uint32_t*>(bits);
    for (std::size_t i = 0; i < shot.pixels_.size(); ++i) shot.pixels_[i] = source[i] & 0x00FFFFFF;
    ::SelectObject(memory, old);
  }
  if (bitmap != nullptr) ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return shot;
}

std::uint32_t TScreenshot::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return pixels_[static_cast<std::size_t>(y) * width_ + x];
}

bool TScreenshot::SaveBmp(const std::wstring& path) const {
  const DWORD imageBytes = static_cast<DWORD>(pixels_.size() * 4);
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER header{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + imageBytes;
  header.biSize = sizeof header;
  header.biWidth = width_;
  header.biHeight = -height_;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  header.biSizeImage = imageBytes;
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
  bytes.append(reinterpret_cast<const char*>(pixels_.data()), imageBytes);
  return WriteWholeFile(path, bytes);
}

// ---- Drawn references and settled screenshots ---------------------------------------

HBITMAP CreateDib32(HDC reference, int width, int height, void** bits) noexcept {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return ::CreateDIBSection(reference, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

TMemorySurface::TMemorySurface(int width, int height) : width_(width), height_(height) {
  void* bits = nullptr;
  dc_ = ::CreateCompatibleDC(nullptr);
  bitmap_ = CreateDib32(dc_, width, height, &bits);
  if (dc_ == nullptr || bitmap_ == nullptr || bits == nullptr) {
    if (bitmap_ != nullptr) ::DeleteObject(bitmap_);
    if (dc_ != nullptr) ::DeleteDC(dc_);
    throw TAbort("cannot make a " + std::to_string(width) + "x" + std::to_string(height) + " surface");
  }
  previous_ = ::SelectObject(dc_, bitmap_);
  bits_ = static_cast<const std::uint32_t*>(bits);
}

TMemorySurface::TMemorySurface(TMemorySurface&& other) noexcept
    : width_(other.width_),
      height_(other.height_),
      dc_(std::exchange(other.dc_, nullptr)),
      bitmap_(std::exchange(other.bitmap_, nullptr)),
      previous_(std::exchange(other.previous_, nullptr)),
      bits_(std::exchange(other.bits_, nullptr)) {}

TMemorySurface::~TMemorySurface() {
  if (dc_ == nullptr) return;
  ::SelectObject(dc_, previous_);
  ::DeleteObject(bitmap_);
  ::DeleteDC(dc_);
}

std::uint32_t TMemorySurface::Pixel(int x, int y) const {
  if (bits_ == nullptr || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return bits_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)] &
         0x00FFFFFF;
}

void TMemorySurface::CopyFrom(const TMemorySurface& other) {
  ::BitBlt(dc_, 0, 0, width_, height_, other.dc_, 0, 0, SRCCOPY);
  ::GdiFlush();
}

bool SamePixels(const TScreenshot& a, const TScreenshot& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
    }
  }
  return true;
}

TScreenshot CaptureSettled(const RECT& screenArea, const std::function<bool(const TScreenshot&)>& ready,
                           DWORD stableMs, DWORD timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  TScreenshot last = TScreenshot::Capture(screenArea);
  ULONGLONG since = ::GetTickCount64();
  for (;;) {
    ::Sleep(15);
    TScreenshot shot = TScreenshot::Capture(screenArea);
    const ULONGLONG now = ::GetTickCount64();
    if (!SamePixels(shot, last) || !ready(shot)) since = now;
    last = std::move(shot);
    if (now - since >= stableMs || now >= deadline) return last;
  }
}

}  // namespace zeltest

// ---- Another process's modules and resources ----------------------------------------

#include <psapi.h>

namespace zeltest {

std::vector<std::wstring> ModulePathsOf(HANDLE process) {
  std::vector<HMODULE> modules(256);
  DWORD needed = 0;
  for (;;) {
    const DWORD bytes = static_cast<DWORD>(modules.size() * sizeof(HMODULE));
    if (!::EnumProcessModules(process, modules.data(), bytes, &needed)) return {};
    if (needed <= bytes) break;
    modules.resize(needed / sizeof(HMODULE));
  }
  modules.resize(needed / sizeof(HMODULE));
  std::vector<std::wstring> paths;
  for (HMODULE module : modules) {
    std::vector<wchar_t> path(32768);
    const DWORD length = ::GetModuleFileNameExW(process, module, path.data(), static_cast<DWORD>(path.size()));
    paths.emplace_back(path.data(), length);
  }
  return paths;
}

std::wstring SystemFolder() {
  std::vector<wchar_t> path(32768);
  const UINT length = ::GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
  return std::wstring(path.data(), length);
}

bool SamePath(std::wstring_view a, std::wstring_view b) {
  return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

}  // namespace zeltest

namespace zeltest {

// ---- Mouse sequences, capture waits and a window of the driver's own ---------------

void SendMouseButtons(const std::vector<DWORD>& flags) {
  std::vector<INPUT> inputs;
  for (DWORD flag : flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flag;
    inputs.push_back(input);
  }
  ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool WaitForCapture(HWND window, HWND holder, DWORD timeoutMs) {
  const bool seen = WaitUntil(
      [&] {
        const std::optional<HWND> capture = ReadCapture(window);
        return capture && *capture == holder;
      },
      timeoutMs);
  // The capture goes before the click's command runs: the next input must not be
  // sent while the launcher is still busy with this one.
  return seen && (holder != nullptr || WaitUntilResponsive(window, timeoutMs));
}

namespace {

constexpr wchar_t kDriverWindowClass[] = L"ZelTestDriverWindow";

LRESULT CALLBACK DriverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) ::PostQuitMessage(0);
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

TThreadWindow::TThreadWindow(const RECT& screenRect, const std::wstring& title, const wchar_t* className,
                             WNDPROC procedure, LPCWSTR cursor, void* createParam)
    : rect_(screenRect),
      title_(title),
      className_(className),
      procedure_(procedure),
      cursor_(cursor),
      createParam_(createParam),
      created_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  if (!created_) throw TAbort("cannot make an event");
  thread_ = THandle(::CreateThread(nullptr, 0, &TThreadWindow::Run, this, 0, &threadId_));
  if (!thread_) throw TAbort("cannot start the thread of the window " + Utf8(title_));
  // Unbounded: the thread uses this object until it has signalled (the scenario's
  // own time limit still applies).
  ::WaitForSingleObject(created_.Get(), INFINITE);
  if (window_ == nullptr) {
    ::WaitForSingleObject(thread_.Get(), INFINITE);
    throw TAbort("cannot make the window " + Utf8(title_));
  }
}

TThreadWindow::~TThreadWindow() {
  if (window_ != nullptr) ::PostMessageW(window_, WM_CLOSE, 0, 0);
  ::WaitForSingleObject(thread_.Get(), kWindowTimeoutMs);
}

DWORD WINAPI TThreadWindow::Run(void* param) {
  auto* self = static_cast<TThreadWindow*>(param);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = self->procedure_;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.hCursor = ::LoadCursorW(nullptr, self->cursor_);
  windowClass.hbrBackground = ::GetSysColorBrush(COLOR_WINDOW);
  windowClass.lpszClassName = self->className_;
  ::RegisterClassW(&windowClass);  // fails harmlessly when a window before this one registered it
  const SIZE size = SizeOf(self->rect_);
  HWND window = ::CreateWindowExW(0, self->className_, self->title_.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  self->rect_.left, self->rect_.top, size.cx, size.cy, nullptr, nullptr,
                                  windowClass.hInstance, self->createParam_);
  self->window_ = window;
  ::SetEvent(self->created_.Get());
  if (window == nullptr) return 1;
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return 0;
}

TDriverWindow::TDriverWindow(const RECT& screenRect, const std::wstring& title)
    : window_(screenRect, title, kDriverWindowClass, DriverWindowProc, IDC_ARROW, nullptr) {}

bool TDriverWindow::Activate(DWORD timeoutMs) const {
  ::SetForegroundWindow(Handle());
  return WaitUntil([&] { return ::GetForegroundWindow() == Handle(); }, timeoutMs);
}

}  // namespace zeltest

namespace zeltest {

// ---- Child windows, message boxes, repaints and files ----------------------------

std::vector<HWND> ChildWindowsOf(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

HWND FindVisibleWindowOf(DWORD processId, const wchar_t* className) {
  for (HWND window : TopLevelWindowsOf(processId)) {
    if (::IsWindowVisible(window) && ClassNameOf(window) == className) return window;
  }
  return nullptr;
}

TMessageBoxView ReadMessageBox(HWND box) {
  TMessageBoxView view;
  view.title = WindowText(box);
  view.owner = ::GetWindow(box, GW_OWNER);
  for (HWND child : ChildWindowsOf(box)) {
    const std::wstring kind = ClassNameOf(child);
    const LONG style = ::GetWindowLongW(child, GWL_STYLE);
    if (::lstrcmpiW(kind.c_str(), L"Static") == 0) {
      if ((style & SS_TYPEMASK) == SS_ICON) {
        view.icon = child;
        continue;
      }
      // The message may be longer than WindowText's buffer.
      const int length = ::GetWindowTextLengthW(child);
      std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
      text.resize(static_cast<std::size_t>(std::max(::GetWindowTextW(child, text.data(), length + 1), 0)));
      if (text.size() > view.text.size()) view.text = std::move(text);
    } else if (::lstrcmpiW(kind.c_str(), L"Button") == 0 && ::IsWindowVisible(child)) {
      view.buttons.push_back({child, ::GetDlgCtrlID(child), WindowText(child)});
    }
  }
  return view;
}

const wchar_t* StandardIconShown(HWND iconStatic) {
  static const wchar_t* const kIcons[] = {IDI_ERROR, IDI_WARNING, IDI_INFORMATION, IDI_QUESTION};
  RECT area{};
  ::GetWindowRect(iconStatic, &area);
  const TScreenshot shown = TScreenshot::Capture(area);
  const int width = shown.Width();
  const int height = shown.Height();
  if (width <= 0 || height <= 0) return nullptr;
  const std::uint32_t background = shown.Pixel(0, 0);

  const wchar_t* found = nullptr;
  HDC memory = ::CreateCompatibleDC(nullptr);
  for (const wchar_t* id : kIcons) {
    void* bits = nullptr;
    HBITMAP bitmap = CreateDib32(nullptr, width, height, &bits);
    if (bitmap == nullptr || bits == nullptr) break;
    auto* pixels = static_cast<std::uint32_t*>(bits);
    std::fill(pixels, pixels + static_cast<std::size_t>(width) * height, background);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::DrawIconEx(memory, 0, 0, ::LoadIconW(nullptr, id), width, height, 0, nullptr, DI_NORMAL);
    ::GdiFlush();
    bool same = true;
    for (int y = 0; same && y < height; ++y) {
      for (int x = 0; same && x < width; ++x) {
        same = (pixels[static_cast<std::size_t>(y) * width + x] & 0x00FFFFFF) == shown.Pixel(x, y);
      }
    }
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    if (same) {
      found = id;
      break;
    }
  }
  ::DeleteDC(memory);
  return found;
}

std::string DescribeStandardIcon(const wchar_t* icon) {
  if (icon == IDI_ERROR) return "the error icon";
  if (icon == IDI_WARNING) return "the warning icon";
  if (icon == IDI_INFORMATION) return "the information icon";
  if (icon == IDI_QUESTION) return "the question icon";
  return "no standard icon";
}

void RepaintNow(HWND window) {
  // Not RDW_UPDATENOW: that waits without a limit for a paint that may open a box.
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  // The update region empties when the paint begins; the message after it is
  // answered once the paint is done.
  WaitUntil([&] { return !::GetUpdateRect(window, nullptr, FALSE); }, kReactionTimeoutMs, 5);
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kReactionTimeoutMs, &ignored);
}

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::wstring& path) {
  const std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) return std::nullopt;
  return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
}

void ClickScreen(POINT screen) {
  MovePointer(screen);
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  SendMouseButton(MOUSEEVENTF_LEFTUP);
}

POINT CentreOnScreen(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// ---- Comparing the screen with expected pixels ----------------------------------

TBlockComparison CompareClientBlock(HWND window, POINT at, SIZE size, const TPixelRule& expect) {
  const POINT origin = ClientToScreenPoint(window, at);
  const TScreenshot shot = TScreenshot::Capture({origin.x, origin.y, origin.x + size.cx, origin.y + size.cy});
  TBlockComparison result;
  for (int y = 0; y < size.cy; ++y) {
    for (int x = 0; x < size.cx; ++x) {
      const std::optional<std::uint32_t> expected = expect(x, y);
      if (!expected) continue;
      ++result.compared;
      const std::uint32_t actual = shot.Pixel(x, y);
      if (actual == *expected) continue;
      if (result.differing++ == 0) {
        result.first = "first at client (" + std::to_string(at.x + x) + "," + std::to_string(at.y + y) +
                       "): " + DescribeColour(actual) + ", expected " + DescribeColour(*expected);
      }
    }
  }
  return result;
}

bool CheckClientBlock(TReport& report, std::string_view what, HWND window, POINT at, SIZE size,
                      const TPixelRule& expect) {
  TBlockComparison last;
  WaitUntil(
      [&] {
        last = CompareClientBlock(window, at, size, expect);
        return last.differing == 0 && last.compared > 0;
      },
      kReactionTimeoutMs, 50);
  std::string detail = std::to_string(last.compared) + " pixels compared in " + std::to_string(size.cx) + "x" +
                       std::to_string(size.cy) + " at client (" + std::to_string(at.x) + "," +
                       std::to_string(at.y) + ")";
  if (last.differing > 0) detail += ", " + std::to_string(last.differing) + " differ, " + last.first;
  return report.Check(last.differing == 0 && last.compared > 0, what, detail);
}

std::uint32_t SystemColour(int index) {
  const COLORREF c = ::GetSysColor(index);
  return static_cast<std::uint32_t>(GetRValue(c)) << 16 | static_cast<std::uint32_t>(GetGValue(c)) << 8 |
         GetBValue(c);
}

TPixelRule SolidColour(std::uint32_t rgb) {
  return [rgb](int, int) -> std::optional<std::uint32_t> { return rgb; };
}

std::string DescribeColour(std::uint32_t rgb) {
  char text[16];
  std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(rgb & 0x00FFFFFF));
  return text;
}

// ---- Another desktop ----------------------------------------------------------------

void RunOnDesktop(const std::wstring& name, const std::function<void()>& fn) {
  struct TJob {
    const std::wstring& name;
    const std::function<void()>& fn;
    std::exception_ptr error;
  } job{name, fn, nullptr};
  const auto run = [](void* param) -> DWORD {
    auto* j = static_cast<TJob*>(param);
    try {
      HDESK desktop = ::CreateDesktopW(j->name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
      if (desktop == nullptr || !::SetThreadDesktop(desktop)) {
        throw TAbort("cannot attach to the desktop " + Quote(j->name) + " (error " +
                     std::to_string(::GetLastError()) + ")");
      }
      j->fn();
    } catch (...) {
      j->error = std::current_exception();
    }
    return 0;
  };
  THandle thread(::CreateThread(nullptr, 0, run, &job, 0, nullptr));
  if (!thread) throw TAbort("cannot start a thread");
  ::WaitForSingleObject(thread.Get(), INFINITE);
  if (job.error) std::rethrow_exception(job.error);
}

}  // namespace zeltest

namespace zeltest {

// ---- A window of the driver's own that another program's cursor work must not touch --

namespace {

constexpr wchar_t kProbeWindowClass[] = L"ZelTestProbeWindow";
// Sent with a std::function<void()>* in lParam: run it on the window's thread.
constexpr UINT kRunOnThread = WM_APP + 1;

}  // namespace

RECT ClientRectToScreen(HWND window, const RECT& client) {
  RECT screen = client;
  ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&screen), 2);
  return screen;
}

RECT CornerClearOf(HWND window, SIZE size) {
  RECT windowRect{};
  ::GetWindowRect(window, &windowRect);
  const RECT work = WorkArea();
  const RECT place{work.left, work.top, work.left + size.cx, work.top + size.cy};
  RECT overlap{};
  if (::IntersectRect(&overlap, &place, &windowRect)) {
    throw TAbort("no room for another window beside " + Describe(windowRect));
  }
  return place;
}

TProbeWindow::TProbeWindow(const RECT& screenRect, const std::wstring& title)
    : window_(screenRect, title, kProbeWindowClass, &TProbeWindow::WindowProc, IDC_CROSS, this) {}

void TProbeWindow::RunOnThread(const std::function<void()>& fn) const {
  DWORD_PTR ignored = 0;
  if (!::SendMessageTimeoutW(Handle(), kRunOnThread, 0, reinterpret_cast<LPARAM>(&fn), SMTO_NORMAL,
                             kReactionTimeoutMs, &ignored)) {
    throw TAbort("the probe window's thread did not answer");
  }
}

LRESULT CALLBACK TProbeWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TProbeWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_NCCREATE:
      ::SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
      break;
    case WM_NCHITTEST:
      if (self != nullptr) ++self->hitTests_;
      break;
    case WM_SETCURSOR:
      if (self != nullptr) ++self->setCursors_;
      break;
    case WM_LBUTTONUP:
      if (self != nullptr) ++self->leftReleases_;
      break;
    case kRunOnThread:
      (*reinterpret_cast<const std::function<void()>*>(lParam))();
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      break;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace zeltest
