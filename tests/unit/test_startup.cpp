// Error-box texts, the show request and the window's icon choice.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "core/AppFolder.h"
#include "core/Error.h"
#include "core/ErrorText.h"
#include "picture/Ico.h"
#include "picture/IconChoice.h"
#include "core/StartupOptions.h"

namespace zel {
namespace {

std::shared_ptr<const Error> Chain(std::initializer_list<const wchar_t*> messages) {
  std::shared_ptr<const Error> inner;
  for (auto it = std::rbegin(messages); it != std::rend(messages); ++it) {
    inner = std::make_shared<Error>("Exception", *it, inner);
  }
  return inner;
}

TEST(ErrorBox, TheInnermostNonEmptyMessageOfTheChain) {
  EXPECT_EQ(ErrorBoxText(*Chain({L"outer", L"middle", L"inner"})), L"inner.");
  EXPECT_EQ(ErrorBoxText(*Chain({L"outer", L"middle", L""})), L"middle.");
  EXPECT_EQ(ErrorBoxText(*Chain({L"outer", L"", L""})), L"outer.");
  EXPECT_EQ(ErrorBoxText(*Chain({L"", L"", L""})), L"");
  EXPECT_EQ(ErrorBoxText(*Chain({L"", L"deep", L""})), L"deep.");
}

// Every kind of error gets a kind name, a message and the place it was raised:
// the launcher's own carry theirs, the runtime's come from the throw site.
TEST(ErrorBox, DescribesEveryKindOfError) {
  const TErrorInfo own = DescribeError(std::make_exception_ptr(Error("EReadError", L"outer", Chain({L"inner"}))));
  EXPECT_EQ(own.kind, "EReadError");
  EXPECT_EQ(own.message, L"outer");
  EXPECT_EQ(own.boxText, L"inner.");
  EXPECT_NE(own.address, nullptr);

  const void* site = nullptr;
  try {
    throw std::bad_alloc();
  } catch (...) {
    const TErrorInfo memory = DescribeError(std::current_exception());
    site = memory.address;
    EXPECT_EQ(memory.kind, "EOutOfMemory");
    EXPECT_EQ(memory.boxText, L"Out of memory.");
  }
  EXPECT_NE(site, nullptr);

  const TErrorInfo other = DescribeError(std::make_exception_ptr(std::runtime_error("Disk full")));
  EXPECT_EQ(other.kind, "Exception");
  EXPECT_EQ(other.boxText, L"Disk full.");
}

TEST(ErrorBox, DotOnlyAfterCharactersPastTheDot) {
  EXPECT_EQ(WithClosingDot(L"Out of memory"), L"Out of memory.");
  EXPECT_EQ(WithClosingDot(L"Done."), L"Done.");
  EXPECT_EQ(WithClosingDot(L"Why?"), L"Why?.");     // '?' comes after '.'
  EXPECT_EQ(WithClosingDot(L"Stop!"), L"Stop!");    // '!' comes before '.'
  EXPECT_EQ(WithClosingDot(L"(x)"), L"(x)");
  EXPECT_EQ(WithClosingDot(L"a-"), L"a-");          // '-' is 45
  EXPECT_EQ(WithClosingDot(L"a/"), L"a/.");         // '/' is 47
  EXPECT_EQ(WithClosingDot(L"Ошибка"), L"Ошибка.");
  EXPECT_EQ(WithClosingDot(L""), L"");
}

TEST(ApplicationError, ExactFormat) {
  EXPECT_EQ(ApplicationErrorText("EPngError", L"ZelProject.exe", 0x1A2B3, L"PNG: bad CRC in chunk IDAT"),
            L"Exception EPngError in module ZelProject.exe at 0001A2B3.\r\nPNG: bad CRC in chunk IDAT.\r\n");
  EXPECT_EQ(ApplicationErrorText("EJpegError", L"a.exe", 0xDEADBEEF, L"JPEG error #53."),
            L"Exception EJpegError in module a.exe at DEADBEEF.\r\nJPEG error #53.\r\n");
  EXPECT_EQ(ApplicationErrorText("Exception", L"a.exe", 0, L""), L"Exception Exception in module a.exe at 00000000.\r\n\r\n");
  // Unlike the handler's box, any last character but "." gets one.
  EXPECT_EQ(ApplicationErrorText("E", L"a.exe", 1, L"Stop!"), L"Exception E in module a.exe at 00000001.\r\nStop!.\r\n");
}

TEST(ApplicationError, ModuleNameWithoutItsFolder) {
  EXPECT_EQ(FileNameOf(L"C:\\Program Files\\Zel\\ZelProject.exe"), L"ZelProject.exe");
  EXPECT_EQ(FileNameOf(L"ZelProject.exe"), L"ZelProject.exe");
  // On Linux only "/" separates: "\\" and ":" belong to the name.
  EXPECT_EQ(FileNameOf(L"/opt/a:b/Zel:Pro\\ject", TPathStyle::Posix), L"Zel:Pro\\ject");
  EXPECT_EQ(TitleFromExePath(L"/opt/Zel:PROJECT.bin", TPathStyle::Posix), L"Zel:project");
  EXPECT_EQ(TitleFromExePath(L"C:\\Zel:PROJECT.bin"), L"Project");
}

TEST(ErrorAddress, IsTheRaisingCode) {
  const Error first("E", L"one");
  const Error second("E", L"two");
  EXPECT_NE(first.Address(), nullptr);
  EXPECT_NE(first.Address(), second.Address());
  EXPECT_STREQ(first.what(), "one");
}

TEST(ShowRequest, MaximizedAndMinimizedWithoutActivationAreHonoured) {
  EXPECT_EQ(InitialState(ShowRequest(true, 3)), TInitialState::Maximized);
  EXPECT_EQ(InitialState(ShowRequest(true, 7)), TInitialState::MinimizedNoActivate);
}

TEST(ShowRequest, EverythingElseIsNormal) {
  for (unsigned request : {0u, 1u, 2u, 4u, 5u, 6u, 8u, 9u, 10u, 11u}) {
    EXPECT_EQ(InitialState(ShowRequest(true, request)), TInitialState::Normal) << request;
  }
  // Without STARTF_USESHOWWINDOW the request is SW_SHOWDEFAULT whatever wShowWindow holds.
  EXPECT_EQ(ShowRequest(false, 3), 10u);
  EXPECT_EQ(InitialState(ShowRequest(false, 3)), TInitialState::Normal);
}

TEST(WindowIcon, NearestToTheLargeIconSizeTheLaterOnATie) {
  const std::vector<TIconImageInfo> set = {{48, 48, 8}, {32, 32, 8}, {16, 16, 8}, {256, 256, 32},
                                           {48, 48, 32}, {32, 32, 32}, {16, 16, 32}};
  EXPECT_EQ(NearestIconImage(set, 32), 5u);  // image 6 of the set
  EXPECT_EQ(NearestIconImage(set, 48), 4u);
  EXPECT_EQ(NearestIconImage(set, 40), 5u);  // 48 and 32 equally near: the later, 32 x 32 at 32 bits
  EXPECT_EQ(NearestIconImage(set, 24), 6u);  // 16 and 32 equally near: the later
  EXPECT_EQ(NearestIconImage(set, 300), 3u);
}

// The program's own set gives the window image 6, 32 x 32 at 32 bits; a group
// resource lists the same choice by its resource number, 0 standing for 256,
// and an entry cut short by the end of the group is not listed.
TEST(WindowIcon, FromTheSetAndFromTheGroupResource) {
  std::ifstream file(std::string(ZEL_SOURCE_DIR) + "/res/ZelProject.ico", std::ios::binary);
  const std::vector<std::uint8_t> set((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const picture::TRgbaImage image = picture::WindowIconImage(set, 32);
  EXPECT_EQ(image.width, 32);
  EXPECT_EQ(image.pixels, picture::DecodeIconImage(set, picture::ReadIconDirectory(set)[5]).pixels);

  std::vector<std::uint8_t> group = {0, 0, 1, 0, 3, 0};
  for (const auto& [size, bits, id] : {std::tuple{48, 8, 1}, {0, 32, 2}, {32, 32, 7}}) {
    const std::uint8_t entry[14] = {static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size), 0, 0, 1, 0,
                                    static_cast<std::uint8_t>(bits), 0, 0, 0, 0, 0, static_cast<std::uint8_t>(id), 0};
    group.insert(group.end(), std::begin(entry), std::end(entry));
  }
  const std::optional<TIconGroupImage> chosen = WindowIconOfGroup(group, 32);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(chosen->id, 7);
  EXPECT_EQ(chosen->info.bitCount, 32);
  EXPECT_EQ(WindowIconOfGroup(group, 200)->id, 2);
  EXPECT_EQ(WindowIconOfGroup(group, 200)->info.width, 256);
  group.pop_back();
  EXPECT_EQ(WindowIconOfGroup(group, 32)->id, 1);  // 48 x 48 is nearest of the two left
  EXPECT_FALSE(WindowIconOfGroup(std::span(group).first(5), 32));
}

}  // namespace
}  // namespace zel
