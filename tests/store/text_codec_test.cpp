#include "platform/base/text_codec.h"

#include <gtest/gtest.h>

#include <string>

TEST(TextCodec, CodePagesRoundTripEveryByte)
{
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const std::string utf8 = Cp1252ToUtf8(all);
    EXPECT_TRUE(IsValidUtf8(utf8));
    EXPECT_EQ(Utf8Length(utf8), 256u);
    std::size_t unmapped = 99;
    EXPECT_EQ(Utf8ToCp1252(utf8, &unmapped), all);
    EXPECT_EQ(unmapped, 0u);
    EXPECT_EQ(Cp1252ToUtf8("\x80\x9C\x81\xE9t\xE9"), "\u20AC\u0153\u0081été");  // an undefined byte kept as C1
    EXPECT_EQ(Utf8ToCp1252("a\u4E2Db\u0394", &unmapped), "a?b?");
    EXPECT_EQ(unmapped, 2u);
    EXPECT_EQ(Utf8ToCp850(Cp850ToUtf8(all)), all);
    EXPECT_EQ(Cp850ToUtf8("\x82\x85\x87\x8A"), "éàçè");
}

TEST(TextCodec, DecodeTextFileDetectsEncoding)
{
    TextEncoding enc{};
    EXPECT_EQ(DecodeTextFile("\xEF\xBB\xBF[G\xC3\xA9n\xC3\xA9ral]", &enc), "[Général]");
    EXPECT_EQ(enc, TextEncoding::Utf8Bom);
    EXPECT_EQ(DecodeTextFile("[G\xC3\xA9n\xC3\xA9ral]", &enc), "[Général]");
    EXPECT_EQ(enc, TextEncoding::Utf8);
    EXPECT_EQ(DecodeTextFile("[G\xE9n\xE9ral]", &enc), "[Général]");
    EXPECT_EQ(enc, TextEncoding::Cp1252);
    EXPECT_EQ(DecodeTextFile("plain", &enc), "plain");
    EXPECT_EQ(enc, TextEncoding::Cp1252);
    // UTF-16 by its mark, a surrogate pair included; a lone surrogate and a
    // last odd byte read as U+FFFD.
    const std::string be("\xFE\xFF\0\xE9\xD8\x34\xDD\x1E", 8);
    EXPECT_EQ(DecodeTextFile(be, &enc), "\xC3\xA9\xF0\x9D\x84\x9E");
    EXPECT_EQ(enc, TextEncoding::Utf16Be);
    EXPECT_EQ(EncodeTextFile("\xC3\xA9\xF0\x9D\x84\x9E", TextEncoding::Utf16Be), be);
    EXPECT_EQ(DecodeTextFile(std::string("\xFF\xFE\x34\xD8" "a\0b", 7), &enc), "\xEF\xBF\xBD" "a\xEF\xBF\xBD");
    EXPECT_EQ(enc, TextEncoding::Utf16Le);
    EXPECT_EQ(EncodeTextFile("été", TextEncoding::Utf8Bom), "\xEF\xBB\xBF" "été");
    EXPECT_EQ(EncodeTextFile("été", TextEncoding::Cp1252), "\xE9t\xE9");
}

TEST(TextCodec, InvalidUtf8NeverFails)
{
    const std::string bad = "a\xC3\xE9\xF0\x9F\x98";  // cut and stray bytes
    EXPECT_FALSE(IsValidUtf8(bad));
    EXPECT_EQ(Utf8Length(bad), 6u);
    EXPECT_EQ(Utf8ToU32(bad).size(), 6u);
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));        // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));    // surrogate
    EXPECT_EQ(UpperCase(bad).size(), bad.size());  // bad bytes kept as they are
}

TEST(TextCodec, CaseRulesOfTheWindows1252Repertoire)
{
    EXPECT_EQ(UpperCase("éèàùçœÿšž grès"), "ÉÈÀÙÇŒŸŠŽ GRÈS");
    EXPECT_EQ(LowerCase("ÉÈÀÙÇŒŸŠŽ GRÈS"), "éèàùçœÿšž grès");
    EXPECT_EQ(UpperCase("ßµ÷"), "ßµ÷");
    EXPECT_EQ(UpperCaseAscii("été"), "éTé");
    EXPECT_TRUE(SameTextNoCase("[GÉNÉRAL]", "[Général]"));
    EXPECT_FALSE(SameTextNoCase("Général", "General"));
    EXPECT_LT(CompareTextNoCase("abc", "ABD"), 0);
    EXPECT_GT(CompareTextNoCase("abcd", "ABC"), 0);
}

TEST(TextCodec, CodePointSubstrings)
{
    EXPECT_EQ(Utf8Substr("grès fin", 2, 3), "ès ");
    EXPECT_EQ(Utf8Substr("grès", 10, 3), "");
    EXPECT_EQ(Utf8Length("œuvre"), 5u);
    EXPECT_EQ(Trim(" \t x y \r\n"), "x y");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a "), "  a");
}

TEST(TextCodec, PathsKeepTheirUtf8Bytes)
{
    const std::string name = "/tmp/forages été/F1.crx";
    EXPECT_EQ(PathToUtf8(Utf8ToPath(name)), name);
    EXPECT_EQ(PathToUtf8(Utf8ToPath(name).filename()), "F1.crx");
    EXPECT_EQ(PathToUtf8(Utf8ToPath(name).parent_path().filename()), "forages été");
}
