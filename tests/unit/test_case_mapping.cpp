// The Unicode simple lower-case mapping, in UTF-16 (surrogate pairs) and UTF-32.
#include <gtest/gtest.h>

#include "core/CaseMapping.h"

namespace zel {
namespace {

using namespace std::string_view_literals;

TEST(CaseMapping, SimpleLowerCaseOfEveryAlphabetInBothEncodings) {
  // Contiguous capitals, alternating capital and small letters, and one-off mappings.
  EXPECT_EQ(LowerCased(u"AZ ÀÞ ×ß АЯ ЀЏ ΑΩ ΆΏ"sv), u"az àþ ×ß ая ѐџ αω άώ");
  EXPECT_EQ(LowerCased(u"ĀĮŁŹҐҚӀÆǅǄΣ"sv), u"āįłźґқӏæǆǆσ");
  EXPECT_EQ(LowerCased(u"İŸƁẞ\u2126\u212A\u212B"sv), u"iÿɓßωkå");  // to a letter far away, or to ASCII
  EXPECT_EQ(LowerCased(u"ԱՖ ႠჅ ᏸ ꙀꚚ ＡＺ"sv), u"աֆ ⴀⴥ ᏸ ꙁꚛ ａｚ");
  // Already small, uncased and unassigned code points stay.
  EXPECT_EQ(LowerCased(u"az 09 ,.- ßāłґқǆ ʰ ᵃ 中文 \u0378\uFFFF"sv), u"az 09 ,.- ßāłґқǆ ʰ ᵃ 中文 \u0378\uFFFF");

  // Beyond the basic plane: Deseret, Osage, Adlam, as pairs and as code points.
  EXPECT_EQ(LowerCased(u"\U00010400\U00010427\U000104B0\U0001E900x"sv), u"\U00010428\U0001044F\U000104D8\U0001E922x");
  EXPECT_EQ(LowerCased(U"\U00010400\U000104B0\U0001E921Я"sv), U"\U00010428\U000104D8\U0001E943я");
  EXPECT_EQ(LowerCaseOf(U'\U0001E921'), U'\U0001E943');
  EXPECT_EQ(LowerCaseOf(U'\U0010FFFF'), U'\U0010FFFF');
  // Lone or reversed surrogates are kept, also at the very end, and swallow no neighbour.
  const std::u16string lone{u'A', char16_t(0xD801), u'B', char16_t(0xDC00), char16_t(0xD801), u'C'};
  const std::u16string loneLowered{u'a', char16_t(0xD801), u'b', char16_t(0xDC00), char16_t(0xD801), u'c'};
  EXPECT_EQ(LowerCased(std::u16string_view(lone)), loneLowered);
  EXPECT_EQ(LowerCased(std::u16string_view(lone).substr(1, 1)), std::u16string{char16_t(0xD801)});

  // wchar_t text in the encoding of its width, and the first character's length.
  EXPECT_EQ(LowerCased(L"ŁÓDŹ \U00010400"sv), L"łódź \U00010428");
  EXPECT_EQ(FirstCharacterLength(L"\U00010400x"), sizeof(wchar_t) == 2 ? 2u : 1u);
  EXPECT_EQ(FirstCharacterLength(L"Ab"), 1u);
  EXPECT_EQ(FirstCharacterLength(L""), 0u);
}

}  // namespace
}  // namespace zel
