#include "show/BlockRows.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace velmora {

namespace {

using TB = TimeBlock;

constexpr std::int32_t kActionCodes[] = {kActionNone,  kActionRotateZ, kActionRotateY, kActionFlatWave,
                                         kActionTriangle, kActionNone, kActionNone,    kActionRectangle,
                                         kActionFrame, kActionLaser,   kActionRamp};

// The running light never steps faster than this, whatever the block holds.
constexpr std::int32_t kRunHorseMin = 150;

BlockRow Heading(std::string label) {
    BlockRow row;
    row.kind = BlockRowKind::Heading;
    row.label = std::move(label);
    return row;
}

BlockRow ReadOnly(std::string label, std::string value) {
    BlockRow row;
    row.kind = BlockRowKind::ReadOnly;
    row.label = std::move(label);
    row.value = std::move(value);
    return row;
}

BlockRow Number(std::string label, const TB& block, std::int32_t TB::*field, std::int32_t minimum,
                std::int32_t maximum) {
    BlockRow row;
    row.kind = BlockRowKind::Number;
    row.label = std::move(label);
    row.value = std::to_string(block.*field);
    row.minimum = minimum;
    row.maximum = maximum;
    row.intField = field;
    return row;
}

BlockRow Decimal(std::string label, const TB& block, float TB::*field, std::int32_t minimum, std::int32_t maximum) {
    BlockRow row;
    row.kind = BlockRowKind::Decimal;
    row.label = std::move(label);
    row.value = FloatRowText(block.*field);
    row.minimum = minimum;
    row.maximum = maximum;
    row.floatField = field;
    return row;
}

BlockRow Picker(BlockRowKind kind, std::string label, const TB& block, std::string TB::*field) {
    BlockRow row;
    row.kind = kind;
    row.label = std::move(label);
    row.value = block.*field;
    row.textField = field;
    return row;
}

// A choice row over an integer field; the shown text is the choice whose
// code the block holds, else the one any other text would give.
BlockRow Choice(std::string label, const TB& block, std::int32_t TB::*field, std::vector<std::string> choices,
                std::vector<std::int32_t> codes, std::int32_t otherCode) {
    BlockRow row;
    row.kind = BlockRowKind::Choice;
    row.label = std::move(label);
    const std::int32_t held = block.*field;
    auto it = std::find(codes.begin(), codes.end(), held);
    if (it == codes.end()) it = std::find(codes.begin(), codes.end(), otherCode);
    if (it != codes.end()) row.value = choices[static_cast<std::size_t>(it - codes.begin())];
    row.choices = std::move(choices);
    row.codes = std::move(codes);
    row.otherCode = otherCode;
    row.intField = field;
    return row;
}

BlockRow YesNo(std::string label, const TB& block, std::int32_t TB::*field) {
    return Choice(std::move(label), block, field, {"是", "否"}, {1, 0}, 0);
}

BlockRow ActionTypeRowFor(const TB& block) {
    BlockRow row = Choice("动作类型", block, &TB::nSpecicalType, ActionTypeChoices(),
                          std::vector<std::int32_t>(std::begin(kActionCodes), std::end(kActionCodes)), kActionNone);
    return row;
}

void AddCommonRows(std::vector<BlockRow>& rows, const TB& block, std::int32_t scaleMs,
                   const std::vector<std::string>& programNames) {
    rows.push_back(Heading("主要"));
    rows.push_back(ReadOnly("开始", BlockTimeText(block.start, scaleMs)));
    rows.push_back(ReadOnly("结束", BlockTimeText(block.end, scaleMs)));
    rows.push_back(Heading("跑马灯"));
    rows.push_back(Choice("开关", block, &TB::bRunHorse, {"开", "关"}, {1, 0}, 0));
    rows.push_back(Choice("方向", block, &TB::dirRunHorse, {"正向", "反向"}, {0, 1}, 1));
    BlockRow interval = Number("间隔MS", block, &TB::IntervalRunHorse, kRunHorseMin, 3000);
    interval.value = std::to_string(std::max(block.IntervalRunHorse, kRunHorseMin));
    rows.push_back(std::move(interval));
    rows.push_back(Number("力度偏移[±100]", block, &TB::ForceWav, -100, 100));
    rows.push_back(Heading("选择程控"));
    BlockRow program;
    program.kind = BlockRowKind::Choice;
    program.label = "程控名称";
    program.value = block.Program;
    program.choices.push_back("---");
    for (const std::string& name : programNames) program.choices.push_back(name);
    program.textField = &TB::Program;
    rows.push_back(std::move(program));
    rows.push_back(Heading("特殊动作"));
    rows.push_back(ActionTypeRowFor(block));
}

void AddActionRows(std::vector<BlockRow>& rows, const TB& block) {
    if (block.nSpecicalType < 1) return;
    rows.push_back(Number("执行间隔MS", block, &TB::nInterval, 0, 9999999));
    rows.push_back(Choice("执行顺序", block, &TB::nTakeOrder, {"正向", "反向", "开花", "聚拢", "来回", "单数", "双数"},
                          {0, 1, 2, 3, 4, 5, 6}, 0));
    rows.push_back(Number("波形偏移", block, &TB::nStartDrift, 0, 999999));
    rows.push_back(Number("递增数", block, &TB::nDeltaInGroup, -99999, 999999));
}

void AddTypeRows(std::vector<BlockRow>& rows, const TB& block) {
    switch (block.nSpecicalType) {
        case kActionRotateZ:
        case kActionRotateY:
            rows.push_back(Picker(BlockRowKind::MotorPicker, "电机动作", block, &TB::szMotor));
            rows.push_back(Number("单段数", block, &TB::singleSection, 0, 120));
            rows.push_back(Picker(BlockRowKind::MotorPicker, "电机动作1", block, &TB::szMotor1));
            rows.push_back(Number("中间段数", block, &TB::singleSection1, 0, 120));
            rows.push_back(Picker(BlockRowKind::MotorPicker, "电机动作2", block, &TB::szMotor2));
            rows.push_back(Decimal("速度1", block, &TB::paramMotor1, -120, 120));
            rows.push_back(Decimal("速度2", block, &TB::paramMotor2, -120, 120));
            rows.push_back(Decimal("速度3", block, &TB::paramMotor3, -120, 120));
            rows.push_back(Number("循环1", block, &TB::forMotor1, 1, 100));
            rows.push_back(Number("循环2", block, &TB::forMotor2, 1, 100));
            rows.push_back(Number("循环3", block, &TB::forMotor3, 1, 100));
            rows.push_back(Number("延迟1", block, &TB::delayMotor1, 0, 99999));
            rows.push_back(Number("延迟2", block, &TB::delayMotor2, 0, 99999));
            rows.push_back(Number("延迟3", block, &TB::delayMotor3, 0, 99999));
            break;
        case kActionFlatWave:
            rows.push_back(Number("波形值", block, &TB::nWavMax, 0, 128));
            rows.push_back(Number("Z轴转角MAX", block, &TB::MaxValidZMotor, 0, 360));
            rows.push_back(Number("Z轴转角MIN", block, &TB::MinValidZMotor, 0, 360));
            break;
        case kActionTriangle:
            rows.push_back(Number("波形最大值", block, &TB::nWavMax, 0, 128));
            rows.push_back(Number("波形最小值", block, &TB::nWavMin, 0, 128));
            rows.push_back(Number("周期MS", block, &TB::nPeriod, 0, 600000));
            rows.push_back(Number("峰值延时", block, &TB::nPeriod1, 0, 600000));
            break;
        case kActionRectangle:
            rows.push_back(Number("波型值", block, &TB::nWavMax, 0, 128));
            rows.push_back(Number("执行次数", block, &TB::nWavMin, 0, 600000));
            rows.push_back(Number("波峰周期", block, &TB::nPeriod, 0, 600000));
            rows.push_back(Number("波谷周期", block, &TB::nPeriod1, 0, 600000));
            break;
        case kActionFrame:
            rows.push_back(Picker(BlockRowKind::FramePicker, "帧编辑器", block, &TB::szFrame));
            rows.push_back(Decimal("帧动作系数", block, &TB::fFrameParam, -100, 100));
            rows.push_back(Number("缓升时间", block, &TB::nRiseUpTime, 0, 10000));
            rows.push_back(Number("缓降时间", block, &TB::nCutDownTime, 0, 10000));
            break;
        case kActionLaser:
            rows.push_back(Number("激光页", block, &TB::nWavMin, 1, 10));
            rows.push_back(Number("激光ID", block, &TB::nWavMax, 1, 60));
            break;
        case kActionRamp:
            rows.push_back(Number("最大值", block, &TB::nWavMax, 0, 128));
            rows.push_back(Number("最小值", block, &TB::ForceWav, 0, 128));
            rows.push_back(Number("执行次数", block, &TB::nWavMin, 0, 600000));
            rows.push_back(Number("波峰周期", block, &TB::nPeriod, 0, 600000));
            rows.push_back(Number("波谷周期", block, &TB::nPeriod1, 0, 600000));
            break;
        default:
            break;
    }
}

void AddLightRows(std::vector<BlockRow>& rows, const TB& block) {
    rows.push_back(Heading("灯光联动"));
    rows.push_back(Picker(BlockRowKind::LightPicker, "灯光文件", block, &TB::szLight));
    rows.push_back(Number("灯光间隔", block, &TB::IntervalLight, 0, 10000));
    rows.push_back(Choice("变化方式", block, &TB::nLightType, {"时间", "模拟量"}, {0, 1}, 0));
    rows.push_back(YesNo("灯水联动", block, &TB::bLightTogether));
    rows.push_back(Number("灯光延时", block, &TB::nLightdelay, -5000, 5000));
    rows.push_back(YesNo("系统灯光", block, &TB::bSystime));
    rows.push_back(Heading("512摇头灯"));
    rows.push_back(Picker(BlockRowKind::CsvFile, "CSV文件", block, &TB::sz512Light));
}

// Texts are kept within the show file's 64-byte buffers, cut at a whole
// UTF-8 character so a stored name never ends in half of one.
std::string FitTextField(std::string_view text) {
    constexpr std::size_t kMax = TimeBlock::kTextBuffer - 1;
    if (text.size() <= kMax) return std::string(text);
    std::size_t end = kMax;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return std::string(text.substr(0, end));
}

}  // namespace

const std::vector<std::string>& ActionTypeChoices() {
    static const std::vector<std::string> names{"---",  "Z轴转动", "Y轴转动", "平波",     "三角波", "---",
                                                "---",  "矩形波",  "帧动作",  "激光命令", "斜波"};
    return names;
}

std::int32_t ActionTypeOf(std::string_view text) {
    const auto& names = ActionTypeChoices();
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == text) return kActionCodes[i];
    return kActionNone;
}

std::string BlockTimeText(float position, std::int32_t scaleMs) {
    const double ms = static_cast<double>(position) * scaleMs;
    // Negative, huge and NaN positions (nothing validates a loaded show) show as 0.
    const long long t = std::isfinite(ms) && ms > 0.0 && ms < 9.0e15 ? static_cast<long long>(ms) : 0;
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld.%03lld", t / 60000, t / 1000 % 60, t % 1000);
    return text;
}

std::int32_t RowTextToInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 1LL << 32) break;  // already beyond any 32-bit value
    }
    if (negative) value = -value;
    return static_cast<std::int32_t>(std::clamp<long long>(value, std::numeric_limits<std::int32_t>::min(),
                                                           std::numeric_limits<std::int32_t>::max()));
}

float RowTextToFloat(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i < text.size() && text[i] == '+') ++i;
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data() + i, text.data() + text.size(), value);
    (void)end;
    if (error != std::errc() || !std::isfinite(value)) return 0.0f;
    const double limit = std::numeric_limits<float>::max();
    return static_cast<float>(std::clamp(value, -limit, limit));
}

std::string FloatRowText(float value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    if (error != std::errc()) return "0";
    return std::string(text, end);
}

std::vector<BlockRow> BlockRowsFor(const TimeBlock& block, std::int32_t scaleMs,
                                   const std::vector<std::string>& programNames) {
    std::vector<BlockRow> rows;
    AddCommonRows(rows, block, scaleMs, programNames);
    AddActionRows(rows, block);
    AddTypeRows(rows, block);
    AddLightRows(rows, block);
    return rows;
}

void ReadBlockRows(const std::vector<BlockRow>& rows, const std::vector<std::string>& values, TimeBlock& block) {
    const std::size_t count = std::min(rows.size(), values.size());
    for (std::size_t i = 0; i < count; ++i) {
        const BlockRow& row = rows[i];
        const std::string& text = values[i];
        if (row.kind == BlockRowKind::Choice && row.intField != nullptr) {
            const auto it = std::find(row.choices.begin(), row.choices.end(), text);
            // The first matching choice counts: "---" stands for "no action"
            // however many times the action list shows it.
            block.*row.intField = it == row.choices.end() ? row.otherCode
                                                           : row.codes[static_cast<std::size_t>(it - row.choices.begin())];
        } else if (row.intField != nullptr) {
            block.*row.intField = RowTextToInt(text);
        } else if (row.floatField != nullptr) {
            block.*row.floatField = RowTextToFloat(text);
        } else if (row.textField != nullptr) {
            block.*row.textField = FitTextField(text);
        }
    }
}

std::size_t ActionTypeRow() { return 11; }

}  // namespace velmora
