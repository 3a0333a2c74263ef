#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "show/AssetChoices.h"
#include "show/BlockRows.h"

namespace velmora {
namespace {

std::vector<BlockRow> RowsOf(const TimeBlock& block, std::vector<std::string> programs = {}) {
    return BlockRowsFor(block, 50, programs);
}

std::vector<std::string> ValuesOf(const std::vector<BlockRow>& rows) {
    std::vector<std::string> values;
    for (const BlockRow& row : rows) values.push_back(row.value);
    return values;
}

std::size_t RowNamed(const std::vector<BlockRow>& rows, const std::string& label) {
    const auto it = std::find_if(rows.begin(), rows.end(), [&](const BlockRow& r) { return r.label == label; });
    return static_cast<std::size_t>(it - rows.begin());
}

// Types the block with `type`, sets the row `label` to `text`, reads every
// row back and returns the block.
TimeBlock Entered(std::int32_t type, const std::string& label, const std::string& text) {
    TimeBlock block;
    block.nSpecicalType = type;
    const auto rows = RowsOf(block);
    auto values = ValuesOf(rows);
    const std::size_t row = RowNamed(rows, label);
    EXPECT_LT(row, rows.size()) << label;
    if (row < rows.size()) values[row] = text;
    ReadBlockRows(rows, values, block);
    return block;
}

TEST(BlockRows, CommonRowsComeFirstWithTheActionTypeAtAFixedPlace) {
    for (std::int32_t type = -1; type <= 10; ++type) {
        TimeBlock block;
        block.nSpecicalType = type;
        const auto rows = RowsOf(block);
        ASSERT_GT(rows.size(), ActionTypeRow());
        EXPECT_EQ(rows[ActionTypeRow()].label, "动作类型");
        EXPECT_EQ(rows.front().label, "主要");
        EXPECT_EQ(rows.back().label, "CSV文件");
        // The execution rows appear for real actions only.
        const bool executes = RowNamed(rows, "执行间隔MS") < rows.size();
        EXPECT_EQ(executes, type >= 1) << type;
    }
}

TEST(BlockRows, EachTypeOffersItsOwnRowsAndTheyFillTheirFields) {
    struct Case {
        std::int32_t type;
        std::string label, text;
        std::int32_t TimeBlock::*field;
        std::int32_t expected;
    };
    const Case cases[] = {
        {kActionRotateZ, "单段数", "7", &TimeBlock::singleSection, 7},
        {kActionRotateY, "中间段数", "9", &TimeBlock::singleSection1, 9},
        {kActionRotateZ, "循环3", "42", &TimeBlock::forMotor3, 42},
        {kActionRotateZ, "延迟2", "300", &TimeBlock::delayMotor2, 300},
        {kActionFlatWave, "波形值", "77", &TimeBlock::nWavMax, 77},
        {kActionFlatWave, "Z轴转角MIN", "30", &TimeBlock::MinValidZMotor, 30},
        {kActionTriangle, "波形最小值", "5", &TimeBlock::nWavMin, 5},
        {kActionTriangle, "峰值延时", "1200", &TimeBlock::nPeriod1, 1200},
        {kActionRectangle, "执行次数", "4", &TimeBlock::nWavMin, 4},
        {kActionRectangle, "波谷周期", "800", &TimeBlock::nPeriod1, 800},
        {kActionFrame, "缓降时间", "250", &TimeBlock::nCutDownTime, 250},
        {kActionLaser, "激光页", "3", &TimeBlock::nWavMin, 3},
        {kActionLaser, "激光ID", "17", &TimeBlock::nWavMax, 17},
        {kActionRamp, "波峰周期", "640", &TimeBlock::nPeriod, 640},
        {kActionTriangle, "递增数", "-12", &TimeBlock::nDeltaInGroup, -12},
        {kActionNone, "灯光延时", "-300", &TimeBlock::nLightdelay, -300},
    };
    for (const Case& c : cases) {
        const TimeBlock block = Entered(c.type, c.label, c.text);
        EXPECT_EQ(block.*c.field, c.expected) << c.label;
        EXPECT_EQ(block.nSpecicalType, c.type) << c.label;
    }
    // A row of one type is absent from the others.
    TimeBlock flat;
    flat.nSpecicalType = kActionFlatWave;
    EXPECT_EQ(RowNamed(RowsOf(flat), "周期MS"), RowsOf(flat).size());
    EXPECT_EQ(RowNamed(RowsOf(flat), "电机动作"), RowsOf(flat).size());
}

TEST(BlockRows, RampMinimumWinsOverTheStrengthOffsetAndShowsThereNextTime) {
    TimeBlock block;
    block.nSpecicalType = kActionRamp;
    block.ForceWav = -40;
    const auto rows = RowsOf(block);
    EXPECT_EQ(rows[RowNamed(rows, "最小值")].value, "-40");
    auto values = ValuesOf(rows);
    values[RowNamed(rows, "最小值")] = "20";
    ReadBlockRows(rows, values, block);
    EXPECT_EQ(block.ForceWav, 20);
    const auto again = RowsOf(block);
    EXPECT_EQ(again[RowNamed(again, "力度偏移[±100]")].value, "20");
}

TEST(BlockRows, RunningLightIntervalShowsAtLeast150AndStoresWhatItShows) {
    TimeBlock block;
    block.IntervalRunHorse = 0;
    const auto rows = RowsOf(block);
    const BlockRow& interval = rows[RowNamed(rows, "间隔MS")];
    EXPECT_EQ(interval.value, "150");
    EXPECT_EQ(interval.minimum, 150);
    EXPECT_EQ(interval.maximum, 3000);
    ReadBlockRows(rows, ValuesOf(rows), block);
    EXPECT_EQ(block.IntervalRunHorse, 150);
}

TEST(BlockRows, SwingTypesAndUnknownCodesShowAsNoneAndConfirmAsNone) {
    for (std::int32_t type : {5, 6, 0, 11, -7}) {
        TimeBlock block;
        block.nSpecicalType = type;
        const auto rows = RowsOf(block);
        EXPECT_EQ(rows[ActionTypeRow()].value, "---") << type;
        ReadBlockRows(rows, ValuesOf(rows), block);
        EXPECT_EQ(block.nSpecicalType, kActionNone) << type;
    }
    EXPECT_EQ(ActionTypeOf("三角波"), kActionTriangle);
    EXPECT_EQ(ActionTypeOf("斜波"), kActionRamp);
    EXPECT_EQ(ActionTypeOf("Z轴摇头"), kActionNone);  // not offered, not taken
    EXPECT_EQ(ActionTypeOf(""), kActionNone);
}

TEST(BlockRows, ChoicesMapTheirTextsAndFallBackOnOthers) {
    struct Case {
        std::string label, text;
        std::int32_t TimeBlock::*field;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"开关", "开", &TimeBlock::bRunHorse, 1},       {"开关", "x", &TimeBlock::bRunHorse, 0},
        {"方向", "正向", &TimeBlock::dirRunHorse, 0},   {"方向", "x", &TimeBlock::dirRunHorse, 1},
        {"执行顺序", "双数", &TimeBlock::nTakeOrder, 6}, {"执行顺序", "x", &TimeBlock::nTakeOrder, 0},
        {"变化方式", "模拟量", &TimeBlock::nLightType, 1}, {"变化方式", "x", &TimeBlock::nLightType, 0},
        {"灯水联动", "否", &TimeBlock::bLightTogether, 0}, {"系统灯光", "是", &TimeBlock::bSystime, 1},
    };
    for (const Case& c : cases) {
        TimeBlock seeded;
        seeded.nTakeOrder = 3;
        seeded.nSpecicalType = kActionFlatWave;
        const auto rows = RowsOf(seeded);
        auto values = ValuesOf(rows);
        values[RowNamed(rows, c.label)] = c.text;
        ReadBlockRows(rows, values, seeded);
        EXPECT_EQ(seeded.*c.field, c.expected) << c.label << " " << c.text;
    }
    // A held code that no choice shows is shown as the choice it reads back as.
    TimeBlock odd;
    odd.dirRunHorse = 4;
    odd.bLightTogether = 2;
    const auto rows = RowsOf(odd);
    EXPECT_EQ(rows[RowNamed(rows, "方向")].value, "反向");
    EXPECT_EQ(rows[RowNamed(rows, "灯水联动")].value, "否");
}

TEST(BlockRows, UntouchedRowsReadBackToTheSameBlockForEveryType) {
    for (std::int32_t type : {-1, 1, 2, 3, 4, 7, 8, 9, 10}) {
        TimeBlock block;
        block.nSpecicalType = type;
        block.IntervalRunHorse = 400;
        block.paramMotor2 = -2.75f;
        block.fFrameParam = 0.1f;
        block.nWavMin = 5;
        block.szMotor1 = "swing.motor";
        block.szLight = "rainbow.color";
        block.Program = "night";
        TimeBlock copy = block;
        ReadBlockRows(RowsOf(block), ValuesOf(RowsOf(block)), copy);
        EXPECT_EQ(copy.paramMotor2, block.paramMotor2) << type;
        EXPECT_EQ(copy.fFrameParam, block.fFrameParam) << type;
        EXPECT_EQ(copy.nWavMin, block.nWavMin) << type;
        EXPECT_EQ(copy.IntervalRunHorse, block.IntervalRunHorse) << type;
        EXPECT_EQ(copy.szMotor1, block.szMotor1) << type;
        EXPECT_EQ(copy.szLight, block.szLight) << type;
        EXPECT_EQ(copy.Program, block.Program) << type;
        EXPECT_EQ(copy.nSpecicalType, type) << type;
    }
}

TEST(BlockRows, DecimalRowsAndPickersFillTheirFields) {
    const TimeBlock rotation = Entered(kActionRotateZ, "速度2", "-1.25");
    EXPECT_FLOAT_EQ(rotation.paramMotor2, -1.25f);
    EXPECT_FLOAT_EQ(Entered(kActionFrame, "帧动作系数", "2.5").fFrameParam, 2.5f);
    EXPECT_EQ(Entered(kActionRotateY, "电机动作2", "sweep.motor").szMotor2, "sweep.motor");
    EXPECT_EQ(Entered(kActionFrame, "帧编辑器", "wave.frm").szFrame, "wave.frm");
    EXPECT_EQ(Entered(kActionNone, "CSV文件", "sweep.csv").sz512Light, "sweep.csv");
    // Texts keep within the show file's 64-byte buffers, never cut inside a character.
    std::string longName;
    for (int i = 0; i < 30; ++i) longName += "电";
    const std::string stored = Entered(kActionNone, "灯光文件", longName).szLight;
    EXPECT_LE(stored.size(), TimeBlock::kTextBuffer - 1);
    EXPECT_EQ(stored.size() % 3, 0u);
    EXPECT_EQ(stored, longName.substr(0, stored.size()));
}

TEST(BlockRows, ProgramChoicesListWholeEntryNamesAfterNone) {
    TimeBlock block;
    const std::string longName = "一二三四五六七八九十一二三四五六七.prog";
    const auto rows = RowsOf(block, {"night.prog", longName});
    const BlockRow& program = rows[RowNamed(rows, "程控名称")];
    EXPECT_EQ(program.choices, (std::vector<std::string>{"---", "night.prog", longName}));
    EXPECT_EQ(program.value, "---");
    // A long name chosen is stored whole, so the block still finds its program.
    auto values = ValuesOf(rows);
    values[RowNamed(rows, "程控名称")] = longName;
    ReadBlockRows(rows, values, block);
    EXPECT_EQ(block.Program, longName);
}

TEST(BlockRowConversions, IntegersReadLikeAPlainDecimalConversion) {
    EXPECT_EQ(RowTextToInt("42"), 42);
    EXPECT_EQ(RowTextToInt("  -17"), -17);
    EXPECT_EQ(RowTextToInt("12.9"), 12);
    EXPECT_EQ(RowTextToInt("-0.5"), 0);
    EXPECT_EQ(RowTextToInt("abc"), 0);
    EXPECT_EQ(RowTextToInt(""), 0);
    EXPECT_EQ(RowTextToInt("99999999999999999999"), 2147483647);
    EXPECT_EQ(RowTextToInt("-99999999999999999999"), -2147483647 - 1);
}

TEST(BlockRowConversions, DecimalsReadWithoutTheLocaleAndPrintBackExactly) {
    EXPECT_FLOAT_EQ(RowTextToFloat("1.5"), 1.5f);
    EXPECT_FLOAT_EQ(RowTextToFloat(" -.25"), -0.25f);
    EXPECT_FLOAT_EQ(RowTextToFloat("3.5xyz"), 3.5f);
    EXPECT_EQ(RowTextToFloat(""), 0.0f);
    EXPECT_EQ(RowTextToFloat("-"), 0.0f);
    EXPECT_EQ(RowTextToFloat("1e400"), 0.0f);
    for (float value : {0.0f, 1.0f, -120.0f, 0.1f, 2.75f, 1.0f / 3.0f})
        EXPECT_EQ(RowTextToFloat(FloatRowText(value)), value) << FloatRowText(value);
}

TEST(BlockRowConversions, TimesShowMinutesSecondsAndMilliseconds) {
    EXPECT_EQ(BlockTimeText(20.0f, 50), "00:01.000");
    EXPECT_EQ(BlockTimeText(1234.0f, 50), "01:01.700");
    EXPECT_EQ(BlockTimeText(1234.0f, 20), "00:24.680");
    EXPECT_EQ(BlockTimeText(-5.0f, 50), "00:00.000");
    TimeBlock block;
    block.start = 20.0f;
    block.end = 50.0f;
    const auto rows = RowsOf(block);
    EXPECT_EQ(rows[RowNamed(rows, "开始")].value, "00:01.000");
    EXPECT_EQ(rows[RowNamed(rows, "结束")].value, "00:02.500");
}

TEST(AssetChoices, ListsTheFolderFilesOfOneExtensionIgnoringCase) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("velmora-asset-choices-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "sub.motor");
    for (const char* name : {"b.motor", "A.MOTOR", "c.frm", "motor", ".motor"}) std::ofstream(dir / name) << "x";
    EXPECT_EQ(AssetFileNames(dir, ".motor"), (std::vector<std::string>{"A.MOTOR", "b.motor"}));
    EXPECT_EQ(AssetFileNames(dir, ".frm"), std::vector<std::string>{"c.frm"});
    EXPECT_TRUE(AssetFileNames(dir / "missing", ".motor").empty());
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace velmora
