// The check command: a report of what would go wrong when the workspace's
// shows are played. It only reads.

#include <filesystem>
#include <iostream>
#include <system_error>

#include "Commands.h"
#include "Json.h"
#include "app/Log.h"
#include "check/WorkspaceCheck.h"

namespace velmora::cli {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

constexpr int kUsageError = 2;

int Usage(const std::string& reason) {
    std::cerr << "velmora-cli: check: " << reason << "\n";
    return kUsageError;
}

Json ReportToJson(const CheckReport& report) {
    Json problems = Json::array();
    for (const CheckProblem& p : report.problems()) {
        problems.push_back({{"severity", SeverityName(p.severity)},
                            {"file", p.file},
                            {"where", p.where},
                            {"code", p.code},
                            {"message", p.message}});
    }
    Json codes = Json::object();
    for (const auto& [code, n] : report.CountByCode()) codes[code] = n;
    Json counts = {{"files", report.filesChecked},
                   {"error", report.Count(Severity::Error)},
                   {"warning", report.Count(Severity::Warning)},
                   {"codes", codes}};
    return {{"problems", problems}, {"counts", counts}};
}

}  // namespace

int RunCheck(const Context& context) {
    std::vector<fs::path> files;
    for (const std::string& arg : context.args) {
        if (arg.rfind("--", 0) == 0) return Usage("unknown option '" + arg + "'");
        std::error_code ec;
        if (!fs::is_regular_file(arg, ec)) return Usage(arg + " is not a file");
        files.emplace_back(arg);
    }
    // Read-only through and through: the readers' notes about damaged files
    // would otherwise be appended to the operator's log.
    SetLogPath({});
    const Workspace workspace = Workspace::FromEnvironment(context.workspace);
    std::error_code ec;
    if (!fs::is_directory(workspace.root(), ec))
        return Usage("workspace " + workspace.root().string() + " is not a directory");
    const CheckReport report = CheckWorkspace(workspace, files);
    std::cout << Dump(ReportToJson(report)) << "\n";
    return report.HasErrors() ? 1 : 0;
}

}  // namespace velmora::cli
