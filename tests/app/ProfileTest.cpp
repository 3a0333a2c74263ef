#include "app/Profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <limits>
#include <filesystem>
#include <string>

#include "ScratchDir.h"

namespace velmora {
namespace {

using testing::ReadAll;
using testing::ScratchDir;

// "程序启动" as GB18030 (checked with iconv -f UTF-8 -t GB18030).
constexpr std::string_view kGbProgramStart = "\xB3\xCC\xD0\xF2\xC6\xF4\xB6\xAF";

Profile Parse(std::string_view text) {
    Profile p;
    p.LoadFromBytes(text);
    return p;
}

TEST(ProfileLookup, NamesMatchWithoutCaseAndBlanksAreTrimmed) {
    const Profile p = Parse("[Scene]\n  Count  =  12  \nName=Fountain\n[其他]\n名称=喷泉\n");
    EXPECT_EQ(p.GetString("scene", "COUNT", "x"), "12");
    EXPECT_EQ(p.GetString(" SCENE ", " name ", "x"), "Fountain");
    EXPECT_EQ(p.GetString("其他", "名称", "x"), "喷泉");
    EXPECT_TRUE(p.HasSection("sCeNe"));
    EXPECT_TRUE(p.HasKey("scene", "count"));
    EXPECT_FALSE(p.HasKey("scene", "missing"));
    EXPECT_FALSE(p.HasSection("missing"));
    EXPECT_EQ(p.GetString("missing", "count", "def"), "def");
}

TEST(ProfileLookup, FirstSectionAndFirstKeyWin) {
    const Profile p = Parse("[a]\nk=1\nk=2\n[b]\nx=0\n[A]\nk=3\nonly=4\n");
    EXPECT_EQ(p.GetInt("a", "k", -1), 1);
    // Keys of a repeated section are not reachable, as with the Windows reader.
    EXPECT_FALSE(p.HasKey("a", "only"));
    EXPECT_EQ(p.GetString("a", "only", "def"), "def");
}

// Lookups try the line after the previous hit first; a later duplicate
// standing there must still lose to the first key of its name.
TEST(ProfileLookup, FirstKeyWinsWhateverOrderKeysAreAskedIn) {
    Profile p;
    ASSERT_TRUE(p.LoadFromBytes("[s]\na=1\nb=2\nA=3\nc=4\n[t]\nb=5\n[S]\nc=6\n"));
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(p.GetString("s", "b", ""), "2");
        EXPECT_EQ(p.GetString("s", "a", ""), "1");
        EXPECT_EQ(p.GetString("s", "c", ""), "4");
        EXPECT_EQ(p.GetString("t", "b", ""), "5");
        EXPECT_EQ(p.GetString("S", "c", ""), "4");  // the repeated section is never reached
    }
    p.SetString("s", "b", "7");
    p.SetString("s", "a", "8");  // the first "a", not the "A" after "b"
    EXPECT_EQ(p.Serialize(), "[s]\na=8\nb=7\nA=3\nc=4\n[t]\nb=5\n[S]\nc=6\n");
}

TEST(ProfileLookup, CommentsKeylessLinesAndPreambleAreNotKeys) {
    const Profile p = Parse("top=1\n[s]\n;k=commented\njust text\n=nameless\n[broken\nk=2\n");
    EXPECT_FALSE(p.HasKey("", "top"));
    EXPECT_FALSE(p.HasKey("s", ";k"));
    EXPECT_FALSE(p.HasKey("s", "just text"));
    EXPECT_FALSE(p.HasKey("s", ""));
    // "[broken" has no ']' so it is an ordinary line and k still belongs to [s].
    EXPECT_EQ(p.GetInt("s", "k", 0), 2);
    EXPECT_FALSE(p.HasSection("broken"));
}

TEST(ProfileGetString, OnePairOfMatchingQuotesIsRemoved) {
    const Profile p = Parse(
        "[q]\nd=\" a b \"\ns='x'\nmixed=\"x'\nlone=\"\nempty=\"\"\ntwice=\"\"y\"\"\ninner=a\"b\"\n");
    EXPECT_EQ(p.GetString("q", "d", ""), " a b ");
    EXPECT_EQ(p.GetString("q", "s", ""), "x");
    EXPECT_EQ(p.GetString("q", "mixed", ""), "\"x'");
    EXPECT_EQ(p.GetString("q", "lone", ""), "\"");
    EXPECT_EQ(p.GetString("q", "empty", "def"), "");
    EXPECT_EQ(p.GetString("q", "twice", ""), "\"y\"");
    EXPECT_EQ(p.GetString("q", "inner", ""), "a\"b\"");
}

TEST(ProfileGetString, KeepsAtMostBufferSizeMinusOneBytesOnCharacterBoundaries) {
    const Profile p = Parse("[t]\nascii=abcdef\ncjk=程序启动\n");
    EXPECT_EQ(p.GetString("t", "ascii", "", 4), "abc");
    EXPECT_EQ(p.GetString("t", "ascii", "", 7), "abcdef");
    EXPECT_EQ(p.GetString("t", "ascii", "", 1), "");
    EXPECT_EQ(p.GetString("t", "ascii", "", 0), "abcdef");
    // Each of these characters is three bytes: room for 4 or 5 bytes holds one.
    EXPECT_EQ(p.GetString("t", "cjk", "", 5), "程");
    EXPECT_EQ(p.GetString("t", "cjk", "", 6), "程");
    EXPECT_EQ(p.GetString("t", "cjk", "", 7), "程序");
    EXPECT_EQ(p.GetString("t", "cjk", "", 3), "");
    // The default is cut the same way and loses its trailing spaces.
    EXPECT_EQ(p.GetString("t", "none", "defaults", 4), "def");
    EXPECT_EQ(p.GetString("t", "none", "x  ", 0), "x");
}

TEST(ProfileGetInt, ConvertsLeadingDigitsAndWraps) {
    const Profile p = Parse(
        "[n]\na=12abc\nb=abc\nc=+5\nd=-7\ne=\nf=\"42\"\ng=\"\"\nh=4294967297\n"
        "i=2147483648\nj=-2147483648\nk=99999999999\nl=+-3\nm=- 4\n");
    EXPECT_EQ(p.GetInt("n", "a", 99), 12);
    EXPECT_EQ(p.GetInt("n", "b", 99), 0);
    EXPECT_EQ(p.GetInt("n", "c", 99), 5);
    EXPECT_EQ(p.GetInt("n", "d", 99), -7);
    EXPECT_EQ(p.GetInt("n", "e", 99), 99);
    EXPECT_EQ(p.GetInt("n", "f", 99), 42);
    EXPECT_EQ(p.GetInt("n", "g", 99), 99);
    EXPECT_EQ(p.GetInt("n", "h", 99), 1);
    EXPECT_EQ(p.GetInt("n", "i", 99), INT_MIN);
    EXPECT_EQ(p.GetInt("n", "j", 99), INT_MIN);
    EXPECT_EQ(p.GetInt("n", "k", 99), 1215752191);  // 99999999999 mod 2^32
    EXPECT_EQ(p.GetInt("n", "l", 99), 0);
    EXPECT_EQ(p.GetInt("n", "m", 99), 0);
    EXPECT_EQ(p.GetInt("n", "missing", 99), 99);
}

TEST(ProfileSetString, ReplacesInPlaceAndKeepsEverythingElseByteForByte) {
    const std::string before =
        "; scene file\n[Scene]\n  Count = 5   ; old\n\nName = \"Main\"\n[Other]\ncount=7\n";
    Profile p = Parse(before);
    p.SetString("scene", "COUNT", "6");
    EXPECT_TRUE(p.modified());
    EXPECT_EQ(p.Serialize(),
              "; scene file\n[Scene]\nCount=6\n\nName = \"Main\"\n[Other]\ncount=7\n");
    EXPECT_EQ(p.GetInt("Scene", "Count", 0), 6);
    EXPECT_EQ(p.GetInt("Other", "count", 0), 7);

    // Writing the value a key already has leaves the file as it was.
    Profile same = Parse(before);
    same.SetString("Scene", "Name", "\"Main\"");
    EXPECT_FALSE(same.modified());
    EXPECT_EQ(same.Serialize(), before);
}

TEST(ProfileSetString, AppendsKeysAtSectionEndAndSectionsAtFileEnd) {
    Profile p = Parse("top\n[a]\nx=1\n; note\n\n\n[b]\ny=2\n");
    p.SetString("A", "z", "3");
    p.SetInt("new", "n", -4);
    p.SetString("b", "w", "4");
    EXPECT_EQ(p.Serialize(), "top\n[a]\nx=1\n; note\nz=3\n\n\n[b]\ny=2\nw=4\n[new]\nn=-4\n");
    EXPECT_EQ(p.GetString("a", "z", ""), "3");
    EXPECT_EQ(p.GetInt("NEW", "N", 0), -4);

    Profile empty;
    empty.SetString("s", "k", "v");
    EXPECT_EQ(empty.Serialize(), "[s]\nk=v\n");
}

TEST(ProfileSetString, InputThatWouldBreakTheFileIsNeutralised) {
    Profile p = Parse("[s]\nk=1\n");
    p.SetString("s", "k", "two\nlines\r\n[evil]\nx=1");
    p.SetString("s", "", "nameless");
    p.SetString("s", "a=b", "v");
    p.SetString("s", ";c", "v");
    p.SetString("s", "bad", "\xFF\xFE ok");
    p.SetString("s", "[x", "y]");
    const Profile back = Parse(p.Serialize());
    EXPECT_EQ(back.encoding(), TextEncoding::Utf8);
    EXPECT_FALSE(back.HasSection("evil"));
    EXPECT_EQ(back.GetString("s", "k", ""), "two lines  [evil] x=1");
    EXPECT_EQ(back.GetString("s", "bad", ""), "\xEF\xBF\xBD\xEF\xBF\xBD ok");
    EXPECT_FALSE(back.HasKey("s", "a"));
    EXPECT_FALSE(back.HasKey("s", "[x"));
    EXPECT_EQ(back.Serialize(), "[s]\nk=two lines  [evil] x=1\nbad=\xEF\xBF\xBD\xEF\xBF\xBD ok\n");
}

TEST(ProfileSetString, AKeyLineNeverTurnsIntoASectionHeader) {
    Profile p = Parse("[s]\n[k=1\nnext=2\n");
    EXPECT_EQ(p.GetInt("s", "[k", 0), 1);
    p.SetString("s", "[k", "2]");
    p.SetString("s", "next", "3");
    const Profile back = Parse(p.Serialize());
    EXPECT_EQ(back.GetInt("s", "[k", 0), 1);
    EXPECT_EQ(back.GetInt("s", "next", 0), 3);
    EXPECT_EQ(back.Serialize(), "[s]\n[k=1\nnext=3\n");
}

TEST(ProfileRoundTrip, UnchangedTextComesBackByteForByte) {
    static constexpr char kGarbage[] = "[a]\nk=v\rx\n\0\0=\0\n\r\r\r";  // NULs and lone CRs
    const std::string samples[] = {
        "[a]\r\nk=1\r\n\r\n; c\r\n[b]\r\nx = y \r\n",
        "[a]\nk=1",                               // no final line break
        "\xEF\xBB\xBF[a]\nk=1\n",                 // byte order mark
        "[a]\r\nk=1\nj=2\r\n",                    // mixed line ends
        "\n\n[a]\n\n",
        "",
        std::string(kGarbage, sizeof kGarbage - 1),
    };
    for (const std::string& s : samples) {
        const Profile p = Parse(s);
        EXPECT_EQ(p.Serialize(), s);
        EXPECT_EQ(p.encoding(), TextEncoding::Utf8);
    }
    const Profile bom = Parse(samples[2]);
    EXPECT_EQ(bom.GetInt("a", "k", 0), 1);
    const Profile garbage = Parse(samples[6]);
    EXPECT_EQ(garbage.GetString("a", "k", ""), "v\rx");
}

TEST(ProfileRoundTrip, NewLinesFollowTheFilesLineEnds) {
    Profile crlf = Parse("[a]\r\nk=1\r\n");
    EXPECT_EQ(crlf.lineEnding(), LineEnding::CrLf);
    crlf.SetString("a", "k", "2");
    crlf.SetString("a", "j", "3");
    crlf.SetString("b", "x", "4");
    EXPECT_EQ(crlf.Serialize(), "[a]\r\nk=2\r\nj=3\r\n[b]\r\nx=4\r\n");

    // A last line without a break gets one once something follows it.
    Profile open = Parse("[a]\r\nk=1");
    open.SetString("a", "j", "2");
    EXPECT_EQ(open.Serialize(), "[a]\r\nk=1\r\nj=2\r\n");

    EXPECT_EQ(Parse("[a]\nk=1\r\n").lineEnding(), LineEnding::Lf);
}

TEST(ProfileRoundTrip, EditsInsideLongRunsOfUnchangedLinesKeepEveryOtherByte) {
    // Unchanged lines are copied in runs; an edit, a mixed line end or a
    // blank line inside a run must split it at exactly the right byte.
    const std::string before = "\xEF\xBB\xBF[a]\r\nk1=1\r\nk2=2\nk3=3\r\n\r\n[b]\nx=1\ny=2\nz=3";
    Profile p = Parse(before);
    p.SetString("a", "k2", "two");
    p.SetString("b", "y", "why");
    p.SetString("b", "w", "new");
    EXPECT_EQ(p.Serialize(), "\xEF\xBB\xBF[a]\r\nk1=1\r\nk2=two\nk3=3\r\n\r\n[b]\nx=1\ny=why\nz=3\r\nw=new\r\n");
    p.SetString("a", "k2", "2");  // edited back: the line is still rewritten as written
    EXPECT_EQ(Parse(p.Serialize()).GetString("a", "k2", ""), "2");
}

TEST(ProfileEncoding, Gb18030FileRoundTrips) {
    ScratchDir dir;
    const std::string bytes = "[Log]\r\nText=" + std::string(kGbProgramStart) + "\r\nN=1\r\n";
    const auto path = dir.Write("legacy.ini", bytes);

    Profile p;
    ASSERT_TRUE(p.Load(path));
    EXPECT_EQ(p.encoding(), TextEncoding::Gb18030);
    EXPECT_EQ(p.lineEnding(), LineEnding::CrLf);
    EXPECT_EQ(p.GetString("log", "text", ""), "程序启动");
    EXPECT_EQ(p.Serialize(), bytes);

    p.SetString("Log", "N", "程序启动");
    ASSERT_TRUE(p.Save());
    EXPECT_EQ(ReadAll(path), "[Log]\r\nText=" + std::string(kGbProgramStart) + "\r\nN=" +
                                 std::string(kGbProgramStart) + "\r\n");
    Profile again;
    ASSERT_TRUE(again.Load(path));
    EXPECT_EQ(again.GetString("Log", "N", ""), "程序启动");
}

TEST(ProfileEncoding, UndecodableBytesBecomeReplacementCharacters) {
    // 0x81 starts a two-byte GB18030 character but a line break follows; 0xFF
    // starts nothing. Neither may swallow the line structure.
    const Profile p = Parse("[s]\na=\x81\nb=\xFF" "x\nc=" + std::string(kGbProgramStart) + "\n");
    EXPECT_EQ(p.encoding(), TextEncoding::Gb18030);
    EXPECT_EQ(p.GetString("s", "a", "?"), "\xEF\xBF\xBD");
    EXPECT_EQ(p.GetString("s", "b", "?"), "\xEF\xBF\xBDx");
    EXPECT_EQ(p.GetString("s", "c", "?"), "程序启动");
    const Profile again = Parse(p.Serialize());
    EXPECT_EQ(again.encoding(), TextEncoding::Gb18030);
    EXPECT_EQ(again.Serialize(), p.Serialize());
}

TEST(ProfileFiles, MissingFileGivesDefaultsAndIsCreatedOnSave) {
    ScratchDir dir;
    const auto path = dir.path() / "new.ini";
    Profile p;
    std::string error;
    EXPECT_FALSE(p.Load(path, &error));
    EXPECT_FALSE(p.existed());
    EXPECT_NE(error.find("not found"), std::string::npos);
    EXPECT_EQ(p.GetInt("s", "k", 17), 17);

    p.SetString("s", "k", "v");
    ASSERT_TRUE(p.Save(&error)) << error;
    EXPECT_EQ(ReadAll(path), "[s]\nk=v\n");
    EXPECT_TRUE(p.existed());
    EXPECT_FALSE(p.modified());
}

TEST(ProfileFiles, UnreadableTargetsGiveEmptyProfilesAndAreNotOverwritten) {
    ScratchDir dir;
    const auto sub = dir.MakeDir("folder");
    Profile p;
    std::string error;
    EXPECT_FALSE(p.Load(sub, &error));
    EXPECT_TRUE(p.existed());
    EXPECT_NE(error.find("directory"), std::string::npos);

    // Too large to read: a sparse file costs no disk space.
    const auto big = dir.Write("big.ini", "[s]\nk=1\n");
    std::filesystem::resize_file(big, Profile::kMaxFileBytes + 1);
    EXPECT_FALSE(p.Load(big, &error));
    EXPECT_NE(error.find("larger"), std::string::npos);
    EXPECT_FALSE(p.HasKey("s", "k"));
    p.SetString("s", "k", "2");
    EXPECT_FALSE(p.Save(&error));
    EXPECT_EQ(std::filesystem::file_size(big), Profile::kMaxFileBytes + 1);
}

TEST(ProfileFiles, FailedSaveReportsAndLeavesNoTrace) {
    ScratchDir dir;
    const auto original = dir.Write("scene.ini", "[s]\nk=1\n");
    Profile p;
    ASSERT_TRUE(p.Load(original));
    p.SetString("s", "k", "2");

    const auto target = dir.MakeDir("taken.ini");
    std::string error;
    EXPECT_FALSE(p.SaveAs(target, &error));
    EXPECT_NE(error.find("directory"), std::string::npos);
    EXPECT_FALSE(p.SaveAs(dir.path() / "no" / "such" / "dir.ini", &error));
    EXPECT_NE(error.find("temporary"), std::string::npos);

    EXPECT_TRUE(std::filesystem::is_directory(target));
    EXPECT_EQ(ReadAll(original), "[s]\nk=1\n");
    EXPECT_EQ(p.path(), original);
    EXPECT_TRUE(p.modified());
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, 2u);  // scene.ini and taken.ini, no temporary files
}

TEST(ProfileFiles, SaveKeepsPermissionBitsAndFollowsLinks) {
    ScratchDir dir;
    const auto path = dir.Write("mode.ini", "[s]\nk=1\n");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const auto link = dir.path() / "link.ini";
    std::filesystem::create_symlink(path, link);

    Profile p;
    ASSERT_TRUE(p.Load(link));
    p.SetInt("s", "k", 2);
    ASSERT_TRUE(p.Save());
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadAll(path), "[s]\nk=2\n");
}

TEST(ProfileScale, LargeSectionLoadsAndUpdatesInPlace) {
    constexpr int kKeys = 130000;
    std::string text = "[Spring]\n";
    for (int i = 0; i < kKeys; ++i) text += "Key" + std::to_string(i) + "=" + std::to_string(i * 3) + "\n";
    Profile p = Parse(text);
    EXPECT_EQ(p.GetInt("spring", "key0", -1), 0);
    EXPECT_EQ(p.GetInt("spring", "KEY129999", -1), 129999 * 3);
    for (int i = 0; i < kKeys; ++i) p.SetInt("Spring", "Key" + std::to_string(i), i);
    for (int i = 0; i < 1000; ++i) p.SetInt("Spring", "Extra" + std::to_string(i), i);
    const Profile back = Parse(p.Serialize());
    EXPECT_EQ(back.GetInt("Spring", "Key77777", -1), 77777);
    EXPECT_EQ(back.GetInt("Spring", "Extra999", -1), 999);
}

TEST(ProfileValue, CopiesAreIndependent) {
    Profile a = Parse("[s]\nk=1\n");
    Profile b = a;
    b.SetInt("s", "k", 2);
    EXPECT_EQ(a.GetInt("s", "k", 0), 1);
    EXPECT_EQ(b.GetInt("s", "k", 0), 2);
    Profile c = std::move(b);
    EXPECT_EQ(c.GetInt("s", "k", 0), 2);
}

TEST(FormatFloat, MatchesPrintfPercentF) {
    EXPECT_EQ(FormatFloat(1.5f), "1.500000");
    EXPECT_EQ(FormatFloat(-2.25f), "-2.250000");
    EXPECT_EQ(FormatFloat(0.1f), "0.100000");
    EXPECT_EQ(FormatFloat(1e10f), "10000000000.000000");
    char expected[64];
    std::snprintf(expected, sizeof expected, "%f", static_cast<double>(3.4028235e38f));
    EXPECT_EQ(FormatFloat(3.4028235e38f), expected);
    // Every rounding case printf meets: halfway digits, tiny and huge values, signs.
    std::uint32_t bits = 12345;
    for (int i = 0; i < 200000; ++i) {
        bits = bits * 1664525u + 1013904223u;
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (i % 2 == 0) value = static_cast<float>(static_cast<std::int32_t>(bits) % 2000000) / 64.0f;
        std::snprintf(expected, sizeof expected, "%f", static_cast<double>(value));
        ASSERT_EQ(FormatFloat(value), expected) << bits;
    }
    for (const float special : {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                                std::numeric_limits<float>::quiet_NaN(), -0.0f, 0.0000005f, 0.0000015f}) {
        std::snprintf(expected, sizeof expected, "%f", static_cast<double>(special));
        EXPECT_EQ(FormatFloat(special), expected);
    }
}

}  // namespace
}  // namespace velmora
