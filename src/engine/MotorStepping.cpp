#include "engine/MotorStepping.h"

#include <cmath>
#include <limits>

#include "comm/OutputWrites.h"
#include "engine/MemberTiming.h"
#include "engine/MotorSections.h"
#include "engine/ShowAssets.h"
#include "engine/Truncate.h"

namespace velmora {

const MotorComplierCache* BlockMotorPrograms::Get(TickContext& ctx, const TimeBlock& block, int which) {
    const auto i = static_cast<std::size_t>(which);
    if (!looked_[i]) {
        looked_[i] = true;
        const std::string& name = which == 1 ? block.szMotor1 : which == 2 ? block.szMotor2 : block.szMotor;
        programs_[i] = ctx.assets.FindMotorProgram(name);
    }
    return programs_[i];
}

MotorBlock_struct ScaleMotorStep(const MotorBlock_struct& step, float factor) {
    MotorBlock_struct scaled = step;
    scaled.p0 = TruncToInt32(static_cast<float>(step.p0) * std::fabs(factor));
    if (factor < 0.0f) {
        scaled.p1 = step.p1 == std::numeric_limits<std::int32_t>::min() ? std::numeric_limits<std::int32_t>::max()
                                                                         : -step.p1;
    }
    return scaled;
}

void StepMotorMember(TickContext& ctx, const TimeBlock& block, BlockMotorPrograms& programs, CSpring& spring,
                     std::int64_t step, double now) {
    const MotorSection section = ChooseMotorSection(block, step);
    const std::int64_t t = MemberTime(ctx.scale, block, now, section.k) - section.delay;
    if (t < 0) return;
    const MotorComplierCache* program = programs.Get(ctx, block, section.which);
    if (program == nullptr || program->m_listSteps.empty() || section.repeat <= 0) return;

    // An Interval of 0 (or less) in a file would stop the clock; such a
    // program steps at the default pace instead.
    const std::int64_t interval = program->m_nInterval > 0 ? program->m_nInterval : kDefaultMotorInterval;
    const auto size = static_cast<std::int64_t>(program->m_listSteps.size());
    const std::int64_t count = size * section.repeat;  // <= 100000 x 2^31
    const std::int64_t j = t / interval;
    if (j >= count) return;

    const MotorBlock_struct current =
        ScaleMotorStep(program->m_listSteps[static_cast<std::size_t>(j % size)], section.factor);
    const MotorBlock_struct next =
        j + 1 < count ? ScaleMotorStep(program->m_listSteps[static_cast<std::size_t>((j + 1) % size)], section.factor)
                      : kMotorFinalNext;

    const bool yAxis = block.nSpecicalType == kActionRotateY;
    std::int32_t& serial = yAxis ? spring.m_nSerialY : spring.m_nSerialZ;
    std::int64_t& sent = yAxis ? spring.m_nStepY : spring.m_nStepZ;
    if (serial != block.m_nSerial || sent != j) {
        serial = block.m_nSerial;
        sent = j;
        AdvanceMotorSeq(yAxis ? spring.m_nSeqY : spring.m_nSeqZ);
    }
    WriteMotorRecord(ctx.out, current, &next, spring, yAxis ? 1 : 0);
}

}  // namespace velmora
