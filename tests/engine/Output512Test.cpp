#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "EngineWorldFixture.h"
#include "app/Log.h"
#include "engine/ActionEvaluation.h"
#include "engine/TickLog.h"

namespace velmora {
namespace {

Light512Cell CellOf(std::uint8_t fill) {
    Light512Cell cell;
    cell.fill(fill);
    return cell;
}

// A table of three columns of 500, 500 and 1000 ms; row cells are filled
// with 0x10 x row + column.
Light512ComplierCache Table(std::initializer_list<const char*> rows) {
    Light512ComplierCache table;
    table.m_listColumnValues = {500, 500, 1000};
    std::uint8_t r = 1;
    for (const char* name : rows) {
        table.m_listRowNames.push_back(name);
        table.m_ppRowData.push_back({CellOf(static_cast<std::uint8_t>(0x10 * r)),
                                     CellOf(static_cast<std::uint8_t>(0x10 * r + 1)),
                                     CellOf(static_cast<std::uint8_t>(0x10 * r + 2))});
        ++r;
    }
    return table;
}

class Output512Test : public testing::EngineWorldFixture {
protected:
    std::uint8_t Byte(int channel, int index) const {
        return image_.g_Light512Buf[static_cast<std::size_t>(channel - 1)][static_cast<std::size_t>(index)];
    }
    bool AllZero() const {
        for (const auto& buffer : image_.g_Light512Buf)
            for (const auto b : buffer)
                if (b != 0) return false;
        return true;
    }
};

TEST_F(Output512Test, ColumnIsTheFirstWhoseRunningSumExceedsTheTimeAndTheLastIsHeld) {
    const Light512ComplierCache table = Table({"5;1"});
    TickContext ctx = Context();
    struct Case {
        std::int32_t t;
        std::uint8_t value;
    };
    for (const Case c : {Case{-20, 0x10}, Case{0, 0x10}, Case{499, 0x10}, Case{500, 0x11}, Case{999, 0x11},
                         Case{1000, 0x12}, Case{1999, 0x12}, Case{2000, 0x12}, Case{1000000, 0x12}}) {
        Output512(ctx, c.t, table);
        EXPECT_EQ(Byte(5, 0), c.value) << "t=" << c.t;
        EXPECT_EQ(Byte(5, 15), c.value) << "t=" << c.t;
        EXPECT_EQ(Byte(5, 16), 0) << "fixture 2 untouched";
    }
}

TEST_F(Output512Test, OnlyRowsNamingChannel1To99AndFixture1To32AreWritten) {
    const Light512ComplierCache table =
        Table({"0;1", "100;1", "5;0", "5;33", "5", "x;1", "5;x", ";", "", "99;32", " 7 ; 3 "});
    TickContext ctx = Context();
    Output512(ctx, 0, table);
    // Row 10 ("99;32", fill 0xA0) lands in the last 16 bytes of channel 99.
    EXPECT_EQ(Byte(99, 496), 0xA0);
    EXPECT_EQ(Byte(99, 511), 0xA0);
    EXPECT_EQ(Byte(99, 495), 0x00);
    // Row 11 with blanks around the numbers: channel 7, fixture 3.
    EXPECT_EQ(Byte(7, 32), 0xB0);
    image_.g_Light512Buf[98].fill(0);
    image_.g_Light512Buf[6].fill(0);
    EXPECT_TRUE(AllZero());
}

TEST_F(Output512Test, ShortRowsAndEmptyTablesAreNeverReadPast) {
    Light512ComplierCache table = Table({"1;1", "2;1"});
    table.m_ppRowData[0].resize(1);  // only column 0
    table.m_listRowNames.push_back("3;1");  // a name without a row of cells
    TickContext ctx = Context();
    Output512(ctx, 1500, table);
    EXPECT_EQ(Byte(1, 0), 0x00);
    EXPECT_EQ(Byte(2, 0), 0x22);
    EXPECT_EQ(Byte(3, 0), 0x00);

    Light512ComplierCache empty;
    empty.m_listRowNames = {"4;1"};
    empty.m_ppRowData = {{}};
    Output512(ctx, 0, empty);
    EXPECT_EQ(Byte(4, 0), 0x00);
}

std::vector<std::string> LogTexts(const std::filesystem::path& path) {
    std::vector<std::string> texts;
    std::istringstream in(testing::ReadAll(path));
    std::string line;
    while (std::getline(in, line)) {
        // "M-DD hh:mm:ss:mmm text": the text follows the second blank.
        const auto first = line.find(' ');
        const auto second = line.find(' ', first + 1);
        texts.push_back(line.substr(second + 1));
    }
    return texts;
}

TEST_F(Output512Test, LogsEachRowOnlyWhileTheLogIsEnabled) {
    const std::filesystem::path log = dir_.Write("FountainLog.log", "");
    const std::filesystem::path previous = GetLogPath();
    SetLogPath(log);
    const Light512ComplierCache table = Table({"5;2", "bad"});
    TickContext ctx = Context();

    ctx.logEnabled = false;
    Output512(ctx, 600, table);
    EXPECT_TRUE(LogTexts(log).empty());

    ctx.logEnabled = LogEnabled();
    EXPECT_TRUE(ctx.logEnabled);
    Output512(ctx, 600, table);
    SetLogPath(previous);
    const std::vector<std::string> expected = {"21",  "pos=1", "before split", "5;2",         "AfterSplit",
                                               "2",   "23",    "pos=1",        "before split", "bad"};
    EXPECT_EQ(LogTexts(log), expected);
    EXPECT_EQ(Byte(5, 16), 0x11);
}

// Inside a tick the lines wait until the output lock is released, in their
// order, and a table of many rows cannot make a tick's log unbounded.
TEST_F(Output512Test, ATicksLinesAreWrittenAfterItInOrderAndBounded) {
    std::string table = "n,100\n";
    for (int row = 1; row <= 50; ++row) table += "5;" + std::to_string(row % 32 + 1) + "\n";
    dir_.Write("512Light/many.csv", table);
    AddBlock(AddLayer(kLayerProgram, -1), 1000.0f, 3000.0f).sz512Light = "many.csv";
    const std::filesystem::path log = dir_.Write("FountainLog.log", "");
    const std::filesystem::path previous = GetLogPath();
    SetLogPath(log);
    EngineTickInputs inputs;
    inputs.logEnabled = true;
    TickAt(1200.0, inputs);
    SetLogPath(previous);

    std::vector<std::string> texts = LogTexts(log);
    const auto first = std::find(texts.begin(), texts.end(), "21");
    ASSERT_NE(first, texts.end());
    texts.erase(texts.begin(), first);  // the preparation's own lines come first
    ASSERT_EQ(texts.size(), TickLog::kLines + 1);
    EXPECT_EQ(texts[1], "pos=0");
    EXPECT_EQ(texts[3], "5;2");
    EXPECT_EQ(texts.back(), "engine tick: " + std::to_string(1 + 50 * 6 - TickLog::kLines) + " log lines dropped");
}

TEST(LogEnabledTest, FollowsTheExistenceOfTheLogFile) {
    testing::ScratchDir dir;
    const std::filesystem::path previous = GetLogPath();
    SetLogPath(dir.path() / "FountainLog.log");
    EXPECT_FALSE(LogEnabled());
    dir.Write("FountainLog.log", "");
    EXPECT_TRUE(LogEnabled());
    SetLogPath(previous);
}

}  // namespace
}  // namespace velmora
