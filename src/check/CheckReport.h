#pragma once
// What the show checker found: a flat list of problems in the order they were
// found, each with the file it concerns and where in it.
//
// Thread contract: a plain value; one thread at a time.

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace velmora {

enum class Severity { Warning, Error };

const char* SeverityName(Severity severity);  // "warning" / "error"

struct CheckProblem {
    Severity severity = Severity::Error;
    std::string file;     // as the report names it (workspace-relative when inside it)
    std::string where;    // e.g. "spring 9001 COMID1", "layer 3", "block 12"
    std::string code;     // stable identifier, documented in the README
    std::string message;  // one sentence for the operator
};

class CheckReport {
public:
    void Add(Severity severity, std::string file, std::string where, std::string code, std::string message);

    const std::vector<CheckProblem>& problems() const { return problems_; }
    std::size_t Count(Severity severity) const;
    // Problems per code, codes in byte order.
    std::map<std::string, std::size_t> CountByCode() const;
    bool HasErrors() const { return Count(Severity::Error) > 0; }

    std::size_t filesChecked = 0;  // show files

private:
    std::vector<CheckProblem> problems_;
};

}  // namespace velmora
