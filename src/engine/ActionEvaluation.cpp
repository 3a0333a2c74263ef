// Placeholder bodies so that the engine links while the action types are
// being written; replaced by the real evaluation.
#include "engine/ActionEvaluation.h"

namespace velmora {

void EvaluateAction(TickContext&, const TimeBlock&, const CSpringGroup&, std::int32_t, double) {}
void EvaluateAction(TickContext&, const TimeBlock&, CSpring&, std::int32_t, double) {}
void RunRunningHorse(TickContext&, const CSpringGroup&, const TimeBlock&, std::int32_t, double) {}
void Output512(TickContext&, std::int32_t, const Light512ComplierCache&) {}

}  // namespace velmora
