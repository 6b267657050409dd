// Clicks with real input and what reaches the file browser and the web browser:
// the folder beside the program, unquoted (quoted when the path holds a comma),
// the purchase page's address, and nothing for a click that completes no command.
//
// run-scenario.sh puts the recording stand-ins in place for this scenario: for the
// file browser in place of Wine's explorer.exe, for the web browser an xdg-open
// first on PATH.
#include "Scenarios.h"

#include <winioctl.h>

#include <cstring>

namespace zeltest {

namespace {

constexpr DWORD kRecordTimeoutMs = 30000;

// A click that must complete: the press takes the capture and the release gives it back.
void Click(TReport& report, HWND main, POINT client, std::string_view what) {
  const TPressResult result = ClickClient(main, client);
  report.Check(result.captured && result.released, what,
               "at client (" + std::to_string(client.x) + "," + std::to_string(client.y) + ")" +
                   (result.captured ? "" : ", the press took no capture") +
                   (result.released ? "" : ", the capture stayed after the release"));
}

// Waits until a record holds at least `count` lines and everything the launcher
// started has ended, so no stand-in is left to write a late line; returns the lines.
std::vector<std::wstring> Settle(const TRunningLauncher& running, const TRecordFile& record, std::size_t count) {
  record.WaitForLines(count, kRecordTimeoutMs);
  WaitForChildrenToEnd(running.process.Id(), kRecordTimeoutMs);
  return record.Lines();
}

void CheckLines(TReport& report, const std::vector<std::wstring>& lines, const std::vector<std::wstring>& expected,
                std::string_view what) {
  bool same = lines.size() == expected.size();
  for (std::size_t i = 0; same && i < lines.size(); ++i) same = lines[i] == expected[i];
  std::string detail = std::to_string(lines.size()) + " call(s)";
  for (const std::wstring& line : lines) detail += " | " + Quote(line);
  if (!same) {
    detail += " ; expected " + std::to_string(expected.size());
    for (const std::wstring& line : expected) detail += " | " + Quote(line);
  }
  report.Check(same, what, detail);
}

// Every command and every click that must not run one, from a folder whose path has
// a space and Cyrillic letters.
void RunAllCommands(TContext& context, const TRecords& records, const std::wstring& exe) {
  TReport& report = context.report;
  const std::wstring folder = FolderOf(exe) + L"\\";
  const std::wstring forms = launcher::ExplorerCall(folder + launcher::kFormsFolder);
  const std::wstring samples = launcher::ExplorerCall(folder + launcher::kSamplesFolder);
  const std::wstring url = launcher::kPurchaseAddress;
  std::vector<std::wstring> explorerCalls;
  std::vector<std::wstring> urlCalls;

  const int failuresBefore = report.Failures();
  const std::wstring spyLog = context.InWork(L"spy-all-commands.txt");
  TRunningLauncher running = StartLauncher(exe, {}, spyLog);
  HWND main = running.main;

  Click(report, main, launcher::kFormList.Centre(), "commands.click-forms");
  explorerCalls.push_back(forms);
  CheckLines(report, Settle(running, records.explorer, explorerCalls.size()), explorerCalls,
             "commands.forms-opens-documents-folder");

  Click(report, main, launcher::kSamples.Centre(), "commands.click-samples");
  explorerCalls.push_back(samples);
  CheckLines(report, Settle(running, records.explorer, explorerCalls.size()), explorerCalls,
             "commands.samples-opens-samples-folder");

  // Left of the purchase picture.
  Click(report, main, launcher::kBuyFull.At(100, 75), "commands.click-buy");
  urlCalls.push_back(url);
  CheckLines(report, Settle(running, records.urls, urlCalls.size()), urlCalls, "commands.buy-opens-purchase-page");

  // The picture box takes the click away from the button under it. The click that
  // follows, right of the picture, does reach the button: once its address has
  // arrived, a call from the picture's click would have arrived before it.
  Click(report, main, launcher::kImage1.Centre(), "commands.click-purchase-picture");
  Click(report, main, launcher::kBuyFull.At(launcher::kBuyFull.width - 40, 20), "commands.click-buy-right-part");
  urlCalls.push_back(url);
  CheckLines(report, Settle(running, records.urls, urlCalls.size()), urlCalls,
             "commands.purchase-picture-click-runs-nothing");

  // Pressed on one button, released on the other: no command. The samples click
  // after it marks the point by which a wrong call would have been recorded.
  const TPressResult drag = DragClient(main, launcher::kFormList.Centre(), launcher::kSamples.Centre());
  report.Check(drag.captured && drag.released, "commands.press-forms-release-samples");
  Click(report, main, launcher::kSamples.At(30, 30), "commands.click-samples-again");
  explorerCalls.push_back(samples);
  CheckLines(report, Settle(running, records.explorer, explorerCalls.size()), explorerCalls,
             "commands.press-on-one-release-on-other-runs-nothing");

  // Nothing remembers the browser was started already.
  Click(report, main, launcher::kFormList.At(20, 20), "commands.click-forms-first");
  Click(report, main, launcher::kFormList.At(400, 90), "commands.click-forms-second");
  explorerCalls.push_back(forms);
  explorerCalls.push_back(forms);
  CheckLines(report, Settle(running, records.explorer, explorerCalls.size()), explorerCalls,
             "commands.forms-twice-two-identical-calls");

  CheckLines(report, records.urls.Lines(), urlCalls, "commands.no-stray-address-calls");
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  CheckEndsWithZero(report, "commands.exit-code", running);
  // What the launcher itself took from its queue, to tell a lost click from a lost call.
  if (report.Failures() > failuresBefore) report.Note("commands.spy", DescribeSpyLog(spyLog));
}

// The two folder commands of a launcher in another folder.
void RunFolderCommands(TContext& context, const TRecords& records, const std::wstring& exe,
                       const std::wstring& formsParameters, const std::wstring& samplesParameters,
                       std::string_view what) {
  TReport& report = context.report;
  records.explorer.Clear();
  const int failuresBefore = report.Failures();
  const std::wstring spyLog = context.InWork(Wide(std::string(what)) + L".spy.txt");
  TRunningLauncher running = StartLauncher(exe, {}, spyLog);
  // One at a time: two stand-ins started together may write in either order.
  Click(report, running.main, launcher::kFormList.Centre(), std::string(what) + ".click-forms");
  Settle(running, records.explorer, 1);
  Click(report, running.main, launcher::kSamples.Centre(), std::string(what) + ".click-samples");
  CheckLines(report, Settle(running, records.explorer, 2),
             {launcher::ExplorerCall(formsParameters), launcher::ExplorerCall(samplesParameters)},
             std::string(what) + ".folder-parameters");
  ::PostMessageW(running.main, WM_CLOSE, 0, 0);
  CheckEndsWithZero(report, std::string(what) + ".exit-code", running);
  if (report.Failures() > failuresBefore) report.Note(std::string(what) + ".spy", DescribeSpyLog(spyLog));
}

// Wine's mount manager's own request for a drive on a Unix folder, as its drive settings
// send it (the layout of Wine 8's struct mountmgr_unix_drive; mingw-w64 has no header for it).
struct TWineDrive {
  ULONG size;
  ULONG type;
  ULONG fsType;
  DWORD serial;
  ULONGLONG unixDevice;
  WCHAR letter;
  USHORT mountPointOffset;
  USHORT deviceOffset;
  USHORT labelOffset;
};
constexpr DWORD kDefineUnixDrive = CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
constexpr ULONG kFsIso9660 = 3;

// Drive D: a CD-ROM on a Unix folder while it lives, as Windows shows an inserted disc or a
// mounted image. The mount manager writes the prefix's drive link and drive type itself and
// takes both away again.
class TCdromDrive {
 public:
  explicit TCdromDrive(const std::string& unixFolder) {
    if (!Define(unixFolder)) throw TAbort("the mount manager would not make D: a CD-ROM drive");
  }
  TCdromDrive(const TCdromDrive&) = delete;
  TCdromDrive& operator=(const TCdromDrive&) = delete;
  ~TCdromDrive() { Define({}); }

 private:
  // An empty folder removes the drive.
  static bool Define(const std::string& unixFolder) {
    TWineDrive drive{};
    std::vector<char> request(sizeof drive + unixFolder.size() + 1);
    drive.size = static_cast<ULONG>(request.size());
    drive.type = DRIVE_CDROM;
    drive.fsType = kFsIso9660;
    drive.letter = L'd';
    drive.mountPointOffset = unixFolder.empty() ? 0 : static_cast<USHORT>(sizeof drive);
    std::memcpy(request.data(), &drive, sizeof drive);
    std::memcpy(request.data() + sizeof drive, unixFolder.c_str(), unixFolder.size() + 1);
    const THandle manager(::CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    DWORD returned = 0;
    return manager && ::DeviceIoControl(manager.Get(), kDefineUnixDrive, request.data(),
                                        static_cast<DWORD>(request.size()), nullptr, 0, &returned, nullptr);
  }
};

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// The release's disc image as a CD-ROM: its Joliet tree, which run-scenario.sh --disc
// extracts (the x86_64 build in the 32-bit program's place: no 32-bit code runs here), is
// drive D:, and the launcher started from D:\ZelProject.exe opens the disc's own folders.
void ScenarioDisc(TContext& context) {
  TReport& report = context.report;
  const std::wstring tree = EnvironmentValue(L"ZEL_E2E_DISC");
  if (tree.empty()) throw TAbort("ZEL_E2E_DISC names no disc tree (run-scenario.sh --disc)");
  if (::GetDriveTypeW(L"D:\\") != DRIVE_NO_ROOT_DIR) throw TAbort("drive D: is taken in this prefix");
  const TRecords records = ShellRecords(context);
  const TCdromDrive drive(Utf8(tree));
  report.CheckEqual(DRIVE_CDROM, ::GetDriveTypeW(L"D:\\"), "disc.drive-is-cdrom");
  const std::wstring forms = std::wstring(L"D:\\") + launcher::kFormsFolder;
  const std::wstring samples = std::wstring(L"D:\\") + launcher::kSamplesFolder;
  report.Check(IsFolder(forms) && IsFolder(samples), "disc.joliet-folder-names", Quote(forms) + " " + Quote(samples));
  report.Check(::GetFileAttributesW(L"D:\\autorun.inf") != INVALID_FILE_ATTRIBUTES &&
                   ::GetFileAttributesW(L"D:\\Прочтите.txt") != INVALID_FILE_ATTRIBUTES,
               "disc.autorun-and-note-at-root");
  RunFolderCommands(context, records, L"D:\\ZelProject.exe", forms, samples, "disc");
  if (report.Failures() > 0) SaveScreen(context, L"disc.bmp");
}

void ScenarioCommands(TContext& context) {
  const TRecords records = ShellRecords(context);

  {
    const TScratchFolder folder(L"C:\\Zel тест");
    RunAllCommands(context, records, folder.CopyIn(context.launcherExe, L"ZelProject.exe"));
  }
  {
    // A comma would split the path in the browser's own command line: that one is quoted.
    const TScratchFolder folder(L"C:\\Формы, 2026");
    RunFolderCommands(context, records, folder.CopyIn(context.launcherExe, L"ZelProject.exe"),
                      L"\"C:\\Формы, 2026\\Документы\"", L"\"C:\\Формы, 2026\\Примеры\"", "commands.comma-folder");
  }
  {
    // At the root of a drive the folder already ends in its one backslash.
    const std::wstring exe = L"C:\\ZelE2eRoot.exe";
    if (!::CopyFileW(context.launcherExe.c_str(), exe.c_str(), FALSE)) throw TAbort("cannot copy to C:\\");
    struct TRemove {
      std::wstring path;
      ~TRemove() { ::DeleteFileW(path.c_str()); }
    } remove{exe};
    RunFolderCommands(context, records, exe, L"C:\\Документы", L"C:\\Примеры", "commands.drive-root");
  }
  if (context.report.Failures() > 0) SaveScreen(context, L"commands.bmp");
}

}  // namespace zeltest
