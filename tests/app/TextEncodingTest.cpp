#include "app/TextEncoding.h"
#include "app/Profile.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora {
namespace {

TEST(Utf8Validation, AcceptsStrictUtf8Only) {
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("plain ascii text, long enough for the word loop"));
    EXPECT_TRUE(IsValidUtf8("程序启动"));
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x8E\xB5 \xF4\x8F\xBF\xBF"));  // U+1F3B5, U+10FFFF
    EXPECT_TRUE(IsValidUtf8(std::string("a\0b", 3)));

    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));          // overlong NUL
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));      // overlong '/'
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_FALSE(IsValidUtf8("abcdefgh\xE7\xA8"));  // cut off at the end
    EXPECT_FALSE(IsValidUtf8("\x80"));
    EXPECT_FALSE(IsValidUtf8("\xB3\xCC\xD0\xF2"));  // GB18030 "程序"
}

TEST(Utf8Validation, SanitizeReplacesEachBadByte) {
    EXPECT_EQ(SanitizeUtf8("程序"), "程序");
    EXPECT_EQ(SanitizeUtf8("a\xFF" "b\xE7\xA8"), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_TRUE(IsValidUtf8(SanitizeUtf8("\xC0\x80\xED\xA0\x80")));
}

TEST(Utf8Validation, CutPointNeverSplitsACharacter) {
    const std::string text = "a程b";  // 'a', three bytes, 'b'
    EXPECT_EQ(Utf8CutPoint(text, 0), 0u);
    EXPECT_EQ(Utf8CutPoint(text, 1), 1u);
    EXPECT_EQ(Utf8CutPoint(text, 2), 1u);
    EXPECT_EQ(Utf8CutPoint(text, 3), 1u);
    EXPECT_EQ(Utf8CutPoint(text, 4), 4u);
    EXPECT_EQ(Utf8CutPoint(text, 99), text.size());
    EXPECT_EQ(Utf8CutPoint("\xF0\x9F\x8E\xB5!", 3), 0u);
}

TEST(Gb18030, ConvertsBothWays) {
    const std::string gb = "\xB3\xCC\xD0\xF2\xC6\xF4\xB6\xAF=1\r\n";
    std::string utf8;
    ASSERT_TRUE(DecodeGb18030(gb, utf8));
    EXPECT_EQ(utf8, "程序启动=1\r\n");
    std::string back;
    ASSERT_TRUE(EncodeGb18030(utf8, back));
    EXPECT_EQ(back, gb);

    // A character outside GBK uses the four-byte form and still round-trips.
    ASSERT_TRUE(EncodeGb18030("\xF0\x9F\x8E\xB5", back));
    EXPECT_EQ(back.size(), 4u);
    ASSERT_TRUE(DecodeGb18030(back, utf8));
    EXPECT_EQ(utf8, "\xF0\x9F\x8E\xB5");
}

TEST(Gb18030, BadInputIsReplacedNotFatal) {
    std::string out;
    ASSERT_TRUE(DecodeGb18030("\x81\n\xFF" "a\xB3", out));  // lead byte before a newline, invalid byte, cut-off pair
    EXPECT_EQ(out, "\xEF\xBF\xBD\n\xEF\xBF\xBD" "a\xEF\xBF\xBD");
    ASSERT_TRUE(EncodeGb18030("x\xFFy", out));
    EXPECT_EQ(out, "x\x84\x31\xA4\x37y");
    ASSERT_TRUE(DecodeGb18030("", out));
    EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

TEST(EncodingDetection, ShortGbkTextThatIsAlsoUtf8IsReadAsGb18030) {
    EXPECT_EQ(DetectEncoding("name=abc\n"), TextEncoding::Utf8);
    EXPECT_EQ(DetectEncoding("name=\xE7\xA8\x8B\xE5\xBA\x8F\n"), TextEncoding::Utf8);  // "程序" in UTF-8
    EXPECT_EQ(DetectEncoding("name=\xB3\xCC\xD0\xF2\n"), TextEncoding::Gb18030);  // "程序" in GBK, not UTF-8
    EXPECT_EQ(DetectEncoding("name=\xD6\xB5\n"), TextEncoding::Gb18030);  // "值" in GBK, also valid UTF-8
    // UTF-8 with both kinds of sequence stays UTF-8.
    EXPECT_EQ(DetectEncoding("a=\xC2\xB0\nb=\xE7\xA8\x8B\n"), TextEncoding::Utf8);
}

TEST(EncodingDetection, GbkFileKeepsItsEncodingThroughLoadAndSave) {
    Profile profile;
    ASSERT_TRUE(profile.LoadFromBytes("[main]\r\nGP0_name=\xD6\xB5\r\nother=\xB3\xCC\r\n"));
    EXPECT_EQ(profile.encoding(), TextEncoding::Gb18030);
    EXPECT_EQ(profile.GetString("main", "GP0_name", ""), "值");
    profile.SetString("main", "other", "x");  // the only non-UTF-8 bytes disappear
    const std::string saved = profile.Serialize();
    Profile again;
    ASSERT_TRUE(again.LoadFromBytes(saved));
    EXPECT_EQ(again.encoding(), TextEncoding::Gb18030);
    EXPECT_EQ(again.GetString("main", "GP0_name", ""), "值");
}

// Cuts count GB18030 bytes and never split a character, whatever each
// character's width is in either encoding.
TEST(Gb18030Cut, CountsLegacyBytesAndKeepsCharactersWhole) {
    EXPECT_EQ(Gb18030CutPoint("abcdef", 4), 4u);
    EXPECT_EQ(Gb18030CutPoint("ab", 4), 2u);
    const std::string han = "喷泉喷泉";  // 12 UTF-8 bytes, 8 GB18030 bytes
    EXPECT_EQ(Gb18030CutPoint(han, 8), 12u);
    EXPECT_EQ(Gb18030CutPoint(han, 7), 9u);  // three characters, not half a fourth
    EXPECT_EQ(Gb18030CutPoint("a" + han, 2), 1u);
    // U+0080 takes four GB18030 bytes for two UTF-8 ones; an emoji four in both.
    EXPECT_EQ(Gb18030CutPoint("a\xC2\x80", 4), 1u);
    EXPECT_EQ(Gb18030CutPoint("a\xC2\x80", 5), 3u);
    EXPECT_EQ(Gb18030CutPoint("\xF0\x9F\x98\x80x", 4), 4u);
    // A stray byte is written back as U+FFFD, four bytes.
    EXPECT_EQ(Gb18030CutPoint("a\xFF" "b", 4), 1u);
    EXPECT_EQ(Gb18030CutPoint("a\xFF" "b", 5), 2u);
}

}  // namespace
}  // namespace velmora
