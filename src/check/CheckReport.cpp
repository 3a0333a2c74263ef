#include "check/CheckReport.h"

#include <algorithm>

namespace velmora {

const char* SeverityName(Severity severity) { return severity == Severity::Error ? "error" : "warning"; }

void CheckReport::Add(Severity severity, std::string file, std::string where, std::string code,
                      std::string message) {
    problems_.push_back({severity, std::move(file), std::move(where), std::move(code), std::move(message)});
}

std::size_t CheckReport::Count(Severity severity) const {
    return static_cast<std::size_t>(std::count_if(problems_.begin(), problems_.end(),
                                                  [&](const CheckProblem& p) { return p.severity == severity; }));
}

std::map<std::string, std::size_t> CheckReport::CountByCode() const {
    std::map<std::string, std::size_t> counts;
    for (const CheckProblem& p : problems_) ++counts[p.code];
    return counts;
}

}  // namespace velmora
