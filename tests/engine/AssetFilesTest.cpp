#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "app/Profile.h"
#include "app/ScratchDir.h"
#include "engine/ColourSequenceFile.h"
#include "engine/FrameAnimationFile.h"
#include "engine/Light512Table.h"
#include "engine/MotorProgramFile.h"

namespace velmora {
namespace {

Profile FromText(const std::string& text) {
    Profile profile;
    profile.LoadFromBytes(text);
    return profile;
}

// ---- motor programs -------------------------------------------------------

TEST(MotorProgramFile, ReadsStepsInOrderWithDefaults) {
    const auto read = ReadMotorProgram(FromText(
        "[Main]\nNum=3\n[MOB0]\nAct=1\np0=-400\np1=800\np2=7\n[MOB2]\nAct=5\n[mob1]\nact=0\nP0=250\n"));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->loops, LoopResult::Ok);
    EXPECT_EQ(read->record.m_nInterval, 500);
    const auto& s = read->record.m_listSteps;
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].Act, 1);
    EXPECT_EQ(s[0].p0, -400);
    EXPECT_EQ(s[0].p1, 800);
    EXPECT_EQ(s[0].p2, 7);
    EXPECT_EQ(s[1].Act, 0);  // sections and keys found without regard to case
    EXPECT_EQ(s[1].p0, 250);
    EXPECT_EQ(s[2].Act, 5);
    EXPECT_EQ(s[2].p0, 0);
    for (const auto& step : s) EXPECT_EQ(step.m_bSelected, 0);
}

TEST(MotorProgramFile, NoStepsMeansNoProgram) {
    EXPECT_FALSE(ReadMotorProgram(FromText("[Main]\nInterval=100\n[MOB0]\nAct=1\n")));
    EXPECT_FALSE(ReadMotorProgram(FromText("[Main]\nNum=-4\n")));
    testing::ScratchDir dir;
    EXPECT_FALSE(LoadMotorFile(dir.path() / "absent.motor"));
}

TEST(MotorProgramFile, HugeNumIsCutAndReported) {
    const auto read = ReadMotorProgram(FromText("[Main]\nNum=2000000000\nInterval=40\n"));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->loops, LoopResult::TooLong);
    EXPECT_EQ(read->record.m_listSteps.size(), kMaxMotorSteps);
    EXPECT_EQ(read->record.m_nInterval, 40);
}

TEST(MotorProgramFile, LoopsAreExpandedOnReading) {
    const auto read = ReadMotorProgram(FromText(
        "[Main]\nNum=3\n[MOB0]\nAct=100\np0=3\np1=10\np2=50\n[MOB1]\nAct=1\np0=100\np1=200\n[MOB2]\nAct=101\n"));
    ASSERT_TRUE(read);
    ASSERT_EQ(read->record.m_listSteps.size(), 3u);
    EXPECT_EQ(read->record.m_listSteps[2].p0, 120);
    EXPECT_EQ(read->record.m_listSteps[2].p1, 300);
}

// ---- colour sequences -----------------------------------------------------

TEST(ColourSequenceFile, ExchangesRedAndBlueAndDefaultsTo255) {
    LightComplierCache record;
    ReadColourSequence(FromText("[Main]\nNum=4\ncolor1=255\ncolor2=16711680\ncolor4=-1\n"), record);
    ASSERT_EQ(record.m_listColours.size(), 4u);
    EXPECT_EQ(record.m_listColours[0], 0xFF0000u);  // blue in the file, 0x0000FF
    EXPECT_EQ(record.m_listColours[1], 0x0000FFu);
    EXPECT_EQ(record.m_listColours[2], 0xFF0000u);  // missing key: 255
    EXPECT_EQ(record.m_listColours[3], 0xFFFFFFu);  // top byte dropped
    EXPECT_EQ(FileColourToLightBlock(0x123456), 0x563412u);
}

TEST(ColourSequenceFile, MissingOrEmptyIsAnEmptySequence) {
    LightComplierCache record;
    record.m_listColours = {1, 2};
    ReadColourSequence(FromText("[Main]\nNum=0\ncolor1=5\n"), record);
    EXPECT_TRUE(record.m_listColours.empty());
    testing::ScratchDir dir;
    LoadColourFile(dir.path() / "none.color", record);
    EXPECT_TRUE(record.m_listColours.empty());
    ReadColourSequence(FromText("[Main]\nNum=2147483647\n"), record);
    EXPECT_EQ(record.m_listColours.size(), static_cast<std::size_t>(kMaxColours));
}

// ---- frame animations -----------------------------------------------------

void PutI32(std::string& bytes, std::size_t at, std::int32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
}

std::string FrameHeader(float version, std::int32_t cols, std::int32_t rows, std::int32_t duration,
                        std::int32_t pages) {
    std::string bytes(20, '\0');
    std::memcpy(bytes.data(), &version, 4);
    PutI32(bytes, 4, cols);
    PutI32(bytes, 8, rows);
    PutI32(bytes, 12, duration);
    PutI32(bytes, 16, pages);
    return bytes;
}

TEST(FrameAnimationFile, PageLayoutAndVersionOneDefaults) {
    std::string bytes = FrameHeader(1.0f, 6, 4, 250, 2);
    std::string page(sizeof(FRAME_PAGE), '\0');
    PutI32(page, 0, 77);               // cell (0,0) level
    page[4] = 9;                       // first editor byte of cell (0,0)
    PutI32(page, (2 * 50 + 3) * 16, 128);  // cell (2,3)
    PutI32(page, 40000, 1500);
    page[40004] = 3;
    page[40005] = 1;
    page[40006] = 0;
    std::string second(sizeof(FRAME_PAGE), '\0');
    second[40006] = 1;
    bytes += page + second;

    FrameComplierCache record;
    std::string error;
    ASSERT_TRUE(ParseFrameFile(bytes, record, &error)) << error;
    EXPECT_EQ(record.m_nCols, 6);
    EXPECT_EQ(record.m_nRows, 4);
    EXPECT_EQ(record.m_nDefaultDuration, 250);
    ASSERT_EQ(record.m_nPageCount, 2);
    ASSERT_EQ(record.m_pPages.size(), 2u);
    EXPECT_EQ(record.m_pPages[0].m_nodes[0].m_nLevel, 77);
    EXPECT_EQ(record.m_pPages[0].m_nodes[0].m_editor[0], 9);
    EXPECT_EQ(record.m_pPages[0].m_nodes[2 * 50 + 3].m_nLevel, 128);
    EXPECT_EQ(record.m_pPages[0].m_nDuration, 1500);
    EXPECT_EQ(record.m_pPages[0].m_reserved0, 3);
    EXPECT_EQ(record.m_pPages[0].m_bLoopStart, 1);
    EXPECT_EQ(record.m_pPages[1].m_bLoopEnd, 1);
    EXPECT_EQ(record.m_nMaxLevel, 128);
    EXPECT_EQ(record.m_nOption, 0);
    EXPECT_EQ(record.m_nStep, 5);
    for (auto b : record.m_extra) EXPECT_EQ(b, 0);

    // Written back at 1.0 the bytes are the same.
    EXPECT_EQ(SerializeFrameFile(record, 1.0f), bytes);
}

TEST(FrameAnimationFile, VersionTwelveRoundTripsEveryField) {
    FrameComplierCache record;
    record.m_nCols = 50;
    record.m_nRows = 1;
    record.m_nDefaultDuration = 40;
    record.m_pPages.resize(3);
    record.m_pPages[2].m_nodes[2499].m_nLevel = 64;
    record.m_pPages[2].m_nodes[2499].m_editor[11] = 0xAB;
    record.m_pPages[1].m_reserved[12] = 0x5A;
    record.m_nMaxLevel = 100;
    record.m_nOption = -2;
    record.m_nStep = 9;
    record.m_extra[199] = 0xEE;
    const std::string bytes = SerializeFrameFile(record);
    EXPECT_EQ(bytes.size(), 20 + 3 * sizeof(FRAME_PAGE) + 8 + 4 + 200);

    FrameComplierCache back;
    ASSERT_TRUE(ParseFrameFile(bytes, back));
    EXPECT_FLOAT_EQ(back.m_fVersion, 1.2f);
    EXPECT_EQ(back.m_nPageCount, 3);
    EXPECT_EQ(back.m_pPages[2].m_nodes[2499].m_nLevel, 64);
    EXPECT_EQ(back.m_pPages[2].m_nodes[2499].m_editor[11], 0xAB);
    EXPECT_EQ(back.m_pPages[1].m_reserved[12], 0x5A);
    EXPECT_EQ(back.m_nMaxLevel, 100);
    EXPECT_EQ(back.m_nOption, -2);
    EXPECT_EQ(back.m_nStep, 9);
    EXPECT_EQ(back.m_extra[199], 0xEE);
    EXPECT_EQ(SerializeFrameFile(back), bytes);

    // 1.1 stored as a float is above the double 1.1: level settings read, step not.
    std::string v11 = SerializeFrameFile(record, 1.1f);
    FrameComplierCache mid;
    ASSERT_TRUE(ParseFrameFile(v11, mid));
    EXPECT_EQ(mid.m_nMaxLevel, 100);
    EXPECT_EQ(mid.m_nStep, 5);
}

TEST(FrameAnimationFile, DamagedFilesAreRefused) {
    FrameComplierCache record;
    EXPECT_FALSE(ParseFrameFile("", record));
    EXPECT_FALSE(ParseFrameFile(FrameHeader(1.2f, 5, 5, 0, 0).substr(0, 12), record));
    EXPECT_FALSE(ParseFrameFile(FrameHeader(1.0f, 5, 5, 0, 101), record));
    EXPECT_FALSE(ParseFrameFile(FrameHeader(1.0f, 5, 5, 0, -1), record));
    EXPECT_FALSE(ParseFrameFile(FrameHeader(1.0f, 51, 5, 0, 0), record));
    EXPECT_FALSE(ParseFrameFile(FrameHeader(1.0f, 5, -1, 0, 0), record));
    // Two pages announced, one and a half present.
    EXPECT_FALSE(ParseFrameFile(FrameHeader(1.0f, 5, 5, 0, 2) + std::string(sizeof(FRAME_PAGE) * 3 / 2, '\0'), record));
    // 1.2 without its step block.
    EXPECT_FALSE(ParseFrameFile(FrameHeader(1.2f, 5, 5, 0, 0) + std::string(8, '\0'), record));

    // A version below 1.0, or NaN, holds nothing more and is an empty animation.
    FrameComplierCache empty;
    ASSERT_TRUE(ParseFrameFile(FrameHeader(std::numeric_limits<float>::quiet_NaN(), 5, 5, 0, 100), empty));
    EXPECT_EQ(empty.m_nPageCount, 0);
    EXPECT_TRUE(empty.m_pPages.empty());
    ASSERT_TRUE(ParseFrameFile(FrameHeader(0.9f, 5, 5, 0, 100), empty));
    EXPECT_TRUE(empty.m_pPages.empty());

    testing::ScratchDir dir;
    EXPECT_FALSE(LoadFrameFile(dir.path() / "none.frm", record));
}

// ---- 512 tables -----------------------------------------------------------

const std::string kCell = "0x000102030405060708090A0B0C0D0E0F";

TEST(Light512Table, HeaderDurationsRowNamesAndCells) {
    Light512ComplierCache table;
    const std::string text = "name,500, 1000,x\r\n1;1," + kCell + ",,0xffffffffffffffffffffffffffffffff\r\n2;3\r\n";
    ASSERT_EQ(ParseLight512(text, table), Light512Status::Ok);
    EXPECT_EQ(table.m_listColumnValues, (std::vector<std::int32_t>{500, 1000, 0}));
    EXPECT_EQ(table.m_listRowNames, (std::vector<std::string>{"1;1", "2;3"}));
    ASSERT_EQ(table.m_ppRowData.size(), 2u);
    ASSERT_EQ(table.m_ppRowData[0].size(), 3u);
    EXPECT_EQ(Light512CellHex(table.m_ppRowData[0][0]), "000102030405060708090A0B0C0D0E0F");
    EXPECT_EQ(Light512CellHex(table.m_ppRowData[0][1]), std::string(32, '0'));
    EXPECT_EQ(Light512CellHex(table.m_ppRowData[0][2]), std::string(32, 'F'));
    EXPECT_EQ(Light512CellHex(table.m_ppRowData[1][0]), std::string(32, '0'));
}

TEST(Light512Table, ShortOrForeignCellsStayZero) {
    Light512ComplierCache table;
    const std::string thirty = "0x" + std::string(30, '7');
    const std::string upper = "0X" + std::string(32, '7');
    const std::string stray = "0x1g" + std::string(30, '2');
    ASSERT_EQ(ParseLight512("n,1,2,3\nr," + thirty + "," + upper + "," + stray + "\n", table), Light512Status::Ok);
    EXPECT_EQ(Light512CellHex(table.m_ppRowData[0][0]), std::string(32, '0'));
    EXPECT_EQ(Light512CellHex(table.m_ppRowData[0][1]), std::string(32, '0'));
    // A stray character spoils only its own byte.
    EXPECT_EQ(Light512CellHex(table.m_ppRowData[0][2]), "01" + std::string(30, '2'));
}

TEST(Light512Table, RowsBeyondTheHeaderColumnsGrowTheTable) {
    Light512ComplierCache table;
    std::string text = "n,100\n";
    for (int i = 0; i < 5; ++i) text += "1;" + std::to_string(i + 1) + "," + kCell + "\n";
    ASSERT_EQ(ParseLight512(text, table), Light512Status::Ok);
    EXPECT_EQ(table.ColumnCount(), 1u);
    ASSERT_EQ(table.m_ppRowData.size(), 5u);
    EXPECT_EQ(table.m_listRowNames[4], "1;5");
    EXPECT_EQ(table.m_ppRowData[4][0][15], 0x0F);
}

TEST(Light512Table, FailuresAndTheirMessages) {
    Light512ComplierCache table;
    EXPECT_EQ(ParseLight512("", table), Light512Status::Ok);
    EXPECT_TRUE(table.m_ppRowData.empty());
    EXPECT_EQ(ParseLight512("onlyone\n1;1\n", table), Light512Status::BadFormat);
    EXPECT_EQ(ParseLight512("a,1\n1;1," + kCell + "\n\n1;2\n", table), Light512Status::BadLine);
    EXPECT_TRUE(table.m_listRowNames.empty());  // a failed load keeps nothing
    EXPECT_STREQ(Light512Message(Light512Status::OpenFailed), "打开文件失败！");
    EXPECT_STREQ(Light512Message(Light512Status::BadFormat), "格式不满足要求");
    EXPECT_STREQ(Light512Message(Light512Status::BadLine), "错误的行！");

    // 1023 bytes with the line break fit the reader's line; one more does not.
    const std::string fits = "a,1\n" + std::string(1022, 'r') + "\n";
    EXPECT_EQ(ParseLight512(fits, table), Light512Status::Ok);
    const std::string tooLong = "a,1\n" + std::string(1023, 'r') + "\n";
    EXPECT_EQ(ParseLight512(tooLong, table), Light512Status::BadLine);

    testing::ScratchDir dir;
    EXPECT_EQ(LoadLight512(dir.path() / "none.csv", table), Light512Status::OpenFailed);
}

TEST(Light512Table, LegacyRowNamesAreDecoded) {
    Light512ComplierCache table;
    // "灯" in GB18030 is B5 C6.
    ASSERT_EQ(ParseLight512("n,1\n\xB5\xC6\xB5\xC6\xB5\xC6," + kCell + "\n", table), Light512Status::Ok);
    EXPECT_EQ(table.m_listRowNames[0], "灯灯灯");
}

}  // namespace
}  // namespace velmora
