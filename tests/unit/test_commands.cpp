// The application folder, the title and what each command hands to the Windows shell.
#include <gtest/gtest.h>

#include "core/AppFolder.h"
#include "core/Commands.h"
#include "win/ShellCall.h"

namespace zel {
namespace {

using win::AddressShellCall;
using win::FolderParameters;
using win::FolderShellCall;
using win::TShellCall;

TEST(AppFolder, CutsAfterTheLastSeparator) {
  EXPECT_EQ(AppFolderFromPath(L"C:\\Program Files\\X\\ZelProject.exe"), L"C:\\Program Files\\X\\");
  EXPECT_EQ(AppFolderFromPath(L"D:\\ZelProject.exe"), L"D:\\");
  EXPECT_EQ(AppFolderFromPath(L"\\\\server\\share\\Zel\\ZelProject.exe"), L"\\\\server\\share\\Zel\\");
}

TEST(AppFolder, ColonWithoutBackslashGetsOne) {
  EXPECT_EQ(AppFolderFromPath(L"D:ZelProject.exe"), L"D:\\");
  // The later of "\" and ":" wins.
  EXPECT_EQ(AppFolderFromPath(L"C:\\dir\\file:stream"), L"C:\\dir\\file:\\");
}

TEST(AppFolder, NoSeparatorGivesABackslash) {
  EXPECT_EQ(AppFolderFromPath(L"ZelProject.exe"), L"\\");
  EXPECT_EQ(AppFolderFromPath(L""), L"\\");
}

TEST(AppFolder, PathLongerThan260CharactersIsKeptWhole) {
  std::wstring folder = L"\\\\?\\C:\\";
  while (folder.size() < 400) folder += L"очень длинная папка\\";
  EXPECT_EQ(AppFolderFromPath(folder + L"ZelProject.exe"), folder);
  EXPECT_GT(folder.size(), 260u);
}

TEST(Title, FileNameUpToTheFirstDotWithTheRestLowerCase) {
  EXPECT_EQ(TitleFromExePath(L"C:\\Apps\\LAUNCH.EXE"), L"Launch");
  EXPECT_EQ(TitleFromExePath(L"C:\\Apps\\ZelProject.exe"), L"Zelproject");
  EXPECT_EQ(TitleFromExePath(L"C:\\my.dir\\Zel.Project.exe"), L"Zel");
  EXPECT_EQ(TitleFromExePath(L"D:\\ЗАПУСК.EXE"), L"Запуск");
  EXPECT_EQ(TitleFromExePath(L"C:\\noext"), L"noext");  // the first character stays as it is
  // Every alphabet, not only Latin and Russian.
  EXPECT_EQ(TitleFromExePath(L"C:\\ΑΡΧΕΙΟ.EXE"), L"Αρχειο");
  EXPECT_EQ(TitleFromExePath(L"C:\\ПІДҐРУНТЯ.EXE"), L"Підґрунтя");
  EXPECT_EQ(TitleFromExePath(L"C:\\ŁÓDŹ.EXE"), L"Łódź");
  EXPECT_EQ(TitleFromExePath(L"C:\\ҚАЗАҚША.EXE"), L"Қазақша");
  // The Linux edition's path, and a first character beyond the basic plane kept whole.
  EXPECT_EQ(TitleFromExePath(L"/opt/zel/\U00010400\U00010401.bin"), L"\U00010400\U00010429");
}

TEST(AppFolder, PosixPathsCutAfterTheLastSlash) {
  EXPECT_EQ(PosixAppFolderFromPath(L"/opt/Zel тест/zelproject"), L"/opt/Zel тест/");
  EXPECT_EQ(PosixAppFolderFromPath(L"/zelproject"), L"/");
  EXPECT_EQ(PosixAppFolderFromPath(L"/opt/zel/"), L"/opt/zel/");
  EXPECT_EQ(PosixAppFolderFromPath(L"/opt/a\\b:c/zel"), L"/opt/a\\b:c/");  // no other separator
  EXPECT_EQ(PosixAppFolderFromPath(L"zelproject"), L"/");
  EXPECT_EQ(PosixAppFolderFromPath(L""), L"/");
}

TEST(Commands, FolderCommandsPassThePathUnquoted) {
  const TShellCall forms = FolderShellCall(L"C:\\Program Files\\X\\" + std::wstring(kCommandTable[0].folderName));
  EXPECT_EQ(forms, (TShellCall{L"open", L"explorer.exe", L"C:\\Program Files\\X\\Документы", 1}));
  const TShellCall samples = FolderShellCall(L"D:\\" + std::wstring(kCommandTable[1].folderName));
  EXPECT_EQ(samples, (TShellCall{L"open", L"explorer.exe", L"D:\\Примеры", 1}));
}

TEST(Commands, APathWithACommaIsQuoted) {
  const TShellCall forms = FolderShellCall(L"C:\\Формы, 2026\\" + std::wstring(kCommandTable[0].folderName));
  EXPECT_EQ(forms.parameters, L"\"C:\\Формы, 2026\\Документы\"");
  EXPECT_EQ(FolderParameters(L"C:\\a,b\\Примеры"), L"\"C:\\a,b\\Примеры\"");
  EXPECT_EQ(FolderParameters(L"C:\\a;b (x)\\Примеры"), L"C:\\a;b (x)\\Примеры");
}

TEST(Commands, PurchaseOpensTheVendorsBuyPage) {
  ASSERT_EQ(kCommandTable[2].target, TCommandTarget::PurchasePage);
  const TShellCall buy = AddressShellCall(kPurchaseAddress);
  EXPECT_EQ(buy.verb, L"open");
  // The host the build was given, by default a reserved example domain.
  const std::string host = ZEL_VENDOR_HOST;
  EXPECT_EQ(buy.file, L"http://" + std::wstring(host.begin(), host.end()) + L"/buy/");
  EXPECT_TRUE(buy.parameters.empty());
  EXPECT_EQ(buy.show, 1);
}

TEST(Commands, EachHandlerHasItsRow) {
  EXPECT_EQ(kCommandTable[0].handler, "SpeedButtonFormListClick");
  EXPECT_EQ(kCommandTable[1].handler, "SpeedButtonSamplesClick");
  EXPECT_EQ(kCommandTable[2].handler, "SpeedButtonBuyFullClick");
}

}  // namespace
}  // namespace zel
