// The asset and compile commands: an asset as its cache holds it, and the
// angle tracks the show compiler makes.

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Commands.h"
#include "Json.h"
#include "app/Prompter.h"
#include "runtime/Runtime.h"
#include "engine/AssetCaches.h"
#include "engine/ShowCompiler.h"

namespace velmora::cli {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

// Keeps the core's operator messages: a failed lookup's reason, or warnings
// printed once the command has its result.
class CollectingPrompter : public Prompter {
public:
    bool AskYesNo(std::string_view) override { return true; }
    void Tell(std::string_view text) override { messages.emplace_back(text); }
    std::string Last() const { return messages.empty() ? std::string("cannot be read") : messages.back(); }
    void WarnAll() const {
        for (const std::string& m : messages) Warn(m);
    }
    std::vector<std::string> messages;
};

Json MotorJson(const MotorComplierCache& record) {
    Json steps = Json::array();
    for (const MotorBlock_struct& s : record.m_listSteps) steps.push_back({s.Act, s.p0, s.p1, s.p2});
    return {{"m_nInterval", record.m_nInterval}, {"steps", std::move(steps)}};
}

Json FrameJson(const FrameComplierCache& record) {
    Json pages = Json::array();
    for (const FRAME_PAGE& page : record.m_pPages) {
        Json levels = Json::array();
        for (int row = 0; row < record.m_nRows; ++row)
            for (int col = 0; col < record.m_nCols; ++col)
                levels.push_back(page.m_nodes[static_cast<std::size_t>(row * kFrameGrid + col)].m_nLevel);
        pages.push_back({{"m_nDuration", page.m_nDuration}, {"m_bLoopStart", page.m_bLoopStart},
                         {"m_bLoopEnd", page.m_bLoopEnd}, {"levels", std::move(levels)}});
    }
    return {{"version", JsonFloat(record.m_fVersion)}, {"m_nCols", record.m_nCols}, {"m_nRows", record.m_nRows},
            {"m_nDefaultDuration", record.m_nDefaultDuration}, {"m_nPageCount", record.m_nPageCount},
            {"m_nMaxLevel", record.m_nMaxLevel}, {"m_nOption", record.m_nOption}, {"m_nStep", record.m_nStep},
            {"pages", std::move(pages)}};
}

Json ColourJson(const LightComplierCache& record) { return {{"colours", record.m_listColours}}; }

Json Light512Json(const Light512ComplierCache& table) {
    Json rows = Json::array();
    for (std::size_t i = 0; i < table.m_ppRowData.size(); ++i) {
        Json cells = Json::array();
        for (const Light512Cell& cell : table.m_ppRowData[i]) cells.push_back(Light512CellHex(cell));
        rows.push_back({{"name", table.m_listRowNames[i]}, {"cells", std::move(cells)}});
    }
    return {{"columns", table.m_listColumnValues}, {"rows", std::move(rows)}};
}

// Tracks reach millions of points; each point is formatted on its own and
// the text goes out in pieces, so the output never has to fit in memory at once.
class TrackWriter {
public:
    explicit TrackWriter(std::ostream& out) : out_(out) {}
    ~TrackWriter() { Flush(); }

    void Text(std::string_view text) {
        buffer_ += text;
        if (buffer_.size() >= kFlushBytes) Flush();
    }
    void Track(const TrackPoints& track) {
        Text("[");
        for (std::size_t i = 0; i < track.size(); ++i) {
            const TrackPoint& p = track[i];
            point_[0] = JsonFloat(p.m_fTime);
            point_[1] = JsonFloat(p.m_fStepAngle);
            point_[2] = p.m_bReset;
            point_[3] = JsonFloat(p.m_fAngle);
            if (i > 0) Text(",");
            Text(point_.dump());
        }
        Text("]");
    }
    void Flush() {
        out_ << buffer_;
        buffer_.clear();
    }

private:
    static constexpr std::size_t kFlushBytes = 1 << 20;
    std::ostream& out_;
    std::string buffer_;
    Json point_ = Json::array({0.0, 0.0, 0, 0.0});
};

int Missing(const char* kind, const std::string& name, const fs::path& path) {
    if (path.empty()) return Fail(std::string(kind) + " '" + name + "': the name has no file part");
    if (!fs::exists(path)) return Fail(std::string(kind) + " '" + name + "': " + path.string() + " not found");
    return Fail(std::string(kind) + " '" + name + "': " + path.string() + " cannot be read");
}

}  // namespace

int RunAsset(const Context& context) {
    if (context.args.size() != 2) return Fail("asset: expected motor|frame|color|light512 and a NAME");
    const std::string& kind = context.args[0];
    const std::string& name = context.args[1];
    const Workspace workspace = Workspace::FromEnvironment(context.workspace);
    if (!fs::is_directory(workspace.root()))
        return Fail("workspace " + workspace.root().string() + " is not a directory");
    CollectingPrompter prompter;
    AssetCaches caches(workspace, &prompter);

    Json json;
    if (kind == "motor") {
        const auto record = caches.FindMotorProgram(name);
        if (!record) {
            const fs::path path = caches.MotorPath(name);
            if (!path.empty() && fs::exists(path)) return Fail("motor '" + name + "': " + path.string() + " has no steps (Num is 0)");
            return Missing("motor", name, path);
        }
        json = MotorJson(*record);
    } else if (kind == "frame") {
        const auto record = caches.FindFrameAnimation(name);
        if (!record) return Missing("frame", name, caches.FramePath(name));
        json = FrameJson(*record);
    } else if (kind == "color") {
        // The cache takes a missing file as the empty sequence; asked by
        // name, a missing file is an error.
        const fs::path path = caches.ColourPath(name);
        if (path.empty() || !fs::exists(path)) return Missing("color", name, path);
        json = ColourJson(*caches.FindColourSequence(name));
    } else if (kind == "light512") {
        const auto record = caches.FindLight512Table(name);
        if (!record) return Fail("light512 '" + name + "': " + prompter.Last());
        json = Light512Json(*record);
    } else {
        return Fail("asset: unknown kind '" + kind + "' (motor, frame, color or light512)");
    }
    prompter.WarnAll();
    std::cout << Dump(json) << "\n";
    return 0;
}

int RunCompile(const Context& context) {
    if (context.args.size() != 1) return Fail("compile: expected one FILE.tlf");
    const fs::path file = fs::absolute(context.args.front());
    Runtime runtime(Workspace::FromEnvironment(context.workspace));
    runtime.SetSavesListsAtShutdown(false);  // inspecting writes nothing
    if (!fs::is_directory(runtime.workspace().root()))
        return Fail("workspace " + runtime.workspace().root().string() + " is not a directory");
    CollectingPrompter prompter;
    runtime.caches.SetPrompter(&prompter);
    std::string error;
    if (!runtime.Startup(&error)) return Fail("cannot read " + runtime.g_strSpringIni.string() + ": " + error);
    if (!fs::exists(runtime.g_strSpringIni))
        Warn(runtime.g_strSpringIni.string() + " not found; using the default scene");
    if (!fs::exists(file)) Warn(file.string() + " not found; using the empty show");
    if (!runtime.LoadShowFile(file, &error)) return Fail("cannot read " + file.string() + ": " + error);
    prompter.WarnAll();
    // Loading compiled the show into the springs' tracks; it also tells
    // whether a point bound cut them.
    const CompileResult& compiled = runtime.showDocument().loadCompile();
    if (compiled.blocksCapped > 0)
        Warn(std::to_string(compiled.blocksCapped) + " block(s) cut at " +
             std::to_string(CompileLimits{}.maxBlockPoints) + " track points each");
    if (compiled.capped)
        Warn("the show stopped at " + std::to_string(CompileLimits{}.maxPoints) + " track points");

    TrackWriter out(std::cout);
    out.Text("{\"springs\":[");
    for (std::size_t i = 0; i < runtime.scene.springs.size(); ++i) {
        const CSpring& spring = runtime.scene.springs[i];
        out.Text(i > 0 ? ",{\"ID\":" : "{\"ID\":");
        out.Text(std::to_string(spring.ID));
        out.Text(",\"stepsA\":");
        out.Track(spring.m_stepsA);
        out.Text(",\"stepsB\":");
        out.Track(spring.m_stepsB);
        out.Text("}");
    }
    out.Text("]}\n");
    return 0;
}

}  // namespace velmora::cli
