// Paths as bytes: a folder name that is not UTF-8 survives the trip through the
// program's wide text byte for byte, and reaches the file manager percent-encoded.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/Utf8.h"

namespace zel {
namespace {

TEST(PathBytes, ValidUtf8DecodesAsTextAndInvalidBytesComeBackExactly) {
  EXPECT_EQ(WideFromPathBytes("/c/\xD0\x94\xD0\xBE\xD0\xBA"), L"/c/Док");
  const std::string bad = "/home/u/bad\xff\xfename/\xD0\x94";
  const std::wstring wide = WideFromPathBytes(bad);
  EXPECT_EQ(wide, std::wstring(L"/home/u/bad") + wchar_t(0xDCFF) + wchar_t(0xDCFE) + L"name/Д");
  EXPECT_EQ(PathBytesFromWide(wide), bad);
  // Folders are appended to such a folder as text and still come back as bytes.
  EXPECT_EQ(PathBytesFromWide(wide + L"/Примеры"), bad + "/\xD0\x9F\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80\xD1\x8B");
}

TEST(PathBytes, SequencesThatAreNotValidUtf8AreKeptByteByByte) {
  // Overlong "/", an encoded surrogate, past U+10FFFF, a cut sequence, a lone continuation.
  for (const std::string bytes : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\x80x", "\xF0\x9F\x98\x80\xF0"}) {
    EXPECT_EQ(PathBytesFromWide(WideFromPathBytes(bytes)), bytes);
  }
  EXPECT_EQ(WideFromPathBytes("\xC0\xAF"), std::wstring({wchar_t(0xDCC0), wchar_t(0xDCAF)}));
  // A character outside the basic plane is text, not escapes.
  EXPECT_EQ(ToUtf8(WideFromPathBytes("\xF0\x9F\x98\x80")), "\xF0\x9F\x98\x80");
}

TEST(PathBytes, EveryByteStringComesBack) {
  std::mt19937 random(2026);
  std::uniform_int_distribution<int> byte(0, 255), length(0, 24);
  for (int round = 0; round < 20000; ++round) {
    std::string bytes(static_cast<size_t>(length(random)), '\0');
    for (char& b : bytes) b = static_cast<char>(byte(random) | 1);  // no NUL in a path
    ASSERT_EQ(PathBytesFromWide(WideFromPathBytes(bytes)), bytes) << "round " << round;
  }
}

TEST(PathBytes, FileUriEncodesEveryByteAPathMayNotHold) {
  EXPECT_EQ(FileUriFromPathBytes("/home/u/bad\xff\xfename/\xD0\x94"), "file:///home/u/bad%FF%FEname/%D0%94");
  EXPECT_EQ(FileUriFromPathBytes("/a b,c%d#e?f\"g[h]/A-Z_a.z~09!$&'()*+;=:@"),
            "file:///a%20b,c%25d%23e%3Ff%22g%5Bh%5D/A-Z_a.z~09!$&'()*+;=:@");
}

}  // namespace
}  // namespace zel
