#include "texthelpers.h"

#include <gtest/gtest.h>

namespace {

TEST(Text, TrimAndCase) {
  EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a "), "  a");
  EXPECT_EQ(Trim("\xB0"), "\xB0");  // bytes above 127 are not blanks
  EXPECT_EQ(UpperCase("Sun\xE9"), "SUN\xE9");
  EXPECT_TRUE(SameText("Astra 1H", "ASTRA 1h"));
  EXPECT_FALSE(SameText("Astra", "Astra "));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("abcd", "ABC"), 0);
  EXPECT_EQ(CompareText("Moon", "MOON"), 0);
}

TEST(Text, SingleByteAndUtf8) {
  EXPECT_EQ(AnsiToUtf8("12.5\xB0 E"), "12.5\xC2\xB0 E");
  EXPECT_EQ(AnsiToUtf8("\x80"), "\xE2\x82\xAC");  // the euro sign of Windows-1252
  EXPECT_EQ(Utf8ToAnsi("12.5\xC2\xB0 E"), "12.5\xB0 E");
  EXPECT_EQ(Utf8ToAnsi("\xE2\x82\xAC"), "\x80");
  EXPECT_EQ(Utf8ToAnsi("\xE4\xB8\xAD"), "?");          // no single-byte form
  EXPECT_EQ(Utf8ToAnsi("a\xB0z"), "a\xB0z");           // not UTF-8: taken byte for byte
  EXPECT_EQ(Utf8ToAnsi("\xEF\xBB\xBFx"), "x");          // byte-order mark dropped
  for (int c = 0; c < 256; ++c) {
    const std::string s(1, static_cast<char>(c));
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(s)), s) << c;
  }
}

TEST(Text, FileTextDecodesOnlyRealUtf8) {
  EXPECT_EQ(FileTextToAnsi("19.2\xC2\xB0 E\r\n"), "19.2\xB0 E\r\n");
  EXPECT_EQ(FileTextToAnsi("19.2\xB0 E"), "19.2\xB0 E");
  EXPECT_EQ(FileTextToAnsi("plain"), "plain");
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));      // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // surrogate
  EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x9B\xB0"));
}

}  // namespace
