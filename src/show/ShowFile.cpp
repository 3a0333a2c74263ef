#include "show/ShowFile.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <system_error>
#include <utility>

#include "app/AtomicFile.h"
#include "app/Log.h"
#include "app/NumberText.h"
#include "app/Profile.h"
#include "app/ProfileKey.h"
#include "app/StoredForm.h"
#include "app/Prompter.h"
#include "scene/Scene.h"
#include "show/BlockFields.h"
#include "show/ShowNumbers.h"

namespace velmora {
namespace {

constexpr std::string_view kMainSection = "main";
constexpr std::string_view kTimeLineSection = "TimeLine";
constexpr std::size_t kNumberText = 64;  // buffer of the numbers read as text
constexpr const char* kProgramLayerName = "PROGRAM";

// Counts are not validated by the format; a damaged count must not make us
// allocate without bound.
std::size_t ReadCount(const Profile& profile, const char* key, std::int32_t def, std::int32_t max) {
    const std::int32_t stored = profile.GetInt(kTimeLineSection, key, def);
    if (stored < 0) return 0;
    if (stored > max) {
        LogMessage("show file: %s %d capped to %d", key, stored, max);
        return static_cast<std::size_t>(max);
    }
    return static_cast<std::size_t>(stored);
}

std::string LayerName(const Layer& layer, const Scene* scene) {
    if (layer.type == kLayerProgram) return kProgramLayerName;
    if (scene == nullptr || layer.GroupID == -1) return {};
    if (layer.type == kLayerGroup) {
        const CSpringGroup* group = scene->FindGroup(layer.GroupID);
        return group != nullptr ? group->name : std::string{};
    }
    return scene->FindSpring(layer.GroupID) != nullptr ? std::to_string(layer.GroupID) : std::string{};
}

void ReadBlock(const Profile& profile, std::size_t index, TimeBlock& block) {
    ProfileKey blockKey("TB", index);
    for (const BlockField& field : StoredBlockFields()) {
        if (field.repeated) continue;  // the reader answers the first occurrence anyway
        const std::string_view key = blockKey(field.name);
        switch (field.kind) {
            case BlockFieldKind::Time:
            case BlockFieldKind::Float:
                block.*field.floatMember = TextToFloat(
                    profile.GetString(kTimeLineSection, key, field.textDefault, kNumberText));
                break;
            case BlockFieldKind::Int:
                block.*field.intMember = profile.GetInt(kTimeLineSection, key, field.intDefault);
                break;
            case BlockFieldKind::IntText:
                block.*field.intMember = TextToInt(
                    profile.GetString(kTimeLineSection, key, field.textDefault, kNumberText));
                break;
            case BlockFieldKind::Text:
                block.*field.textMember =
                    profile.GetString(kTimeLineSection, key, field.textDefault, TimeBlock::kTextBuffer);
                break;
        }
    }
}

// The characters the profile reader trims from both ends of a value.
bool IsValueBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

// The reader strips surrounding blanks and one pair of matching quotes, so a
// text that starts or ends with either is quoted once more; everything else
// is written as it is.
std::string QuotedIfNeeded(const std::string& text) {
    if (text.empty()) return text;
    const char first = text.front();
    const char last = text.back();
    const bool quoted = text.size() >= 2 && (first == '"' || first == '\'') && last == first;
    if (!quoted && !IsValueBlank(first) && !IsValueBlank(last)) return text;
    return '"' + text + '"';
}

void WriteBlock(Profile& profile, std::size_t index, const TimeBlock& block, float toFileScale) {
    ProfileKey blockKey("TB", index);
    for (const BlockField& field : StoredBlockFields()) {
        const std::string_view key = blockKey(field.name);
        switch (field.kind) {
            case BlockFieldKind::Time: {
                float value = block.*field.floatMember;
                if (toFileScale != 1.0f) value *= toFileScale;
                profile.SetString(kTimeLineSection, key, FormatBlockTime(value));
                break;
            }
            case BlockFieldKind::Float:
                profile.SetString(kTimeLineSection, key, FormatFloat(block.*field.floatMember));
                break;
            case BlockFieldKind::Int:
            case BlockFieldKind::IntText:
                profile.SetInt(kTimeLineSection, key, block.*field.intMember);
                break;
            case BlockFieldKind::Text:
                profile.SetString(kTimeLineSection, key, QuotedIfNeeded(block.*field.textMember));
                break;
        }
    }
}

// The stored form of a block as WriteBlock writes it.
std::string BlockForm(const TimeBlock& block, float toFileScale) {
    StoredForm form;
    for (const BlockField& field : StoredBlockFields()) {
        switch (field.kind) {
            case BlockFieldKind::Time: {
                float value = block.*field.floatMember;
                if (toFileScale != 1.0f) value *= toFileScale;
                form.Float(value);
                break;
            }
            case BlockFieldKind::Float:
                form.Float(block.*field.floatMember);
                break;
            case BlockFieldKind::Int:
            case BlockFieldKind::IntText:
                form.Int(block.*field.intMember);
                break;
            case BlockFieldKind::Text:
                form.Text(block.*field.textMember);
                break;
        }
    }
    return form.Take();
}

std::string LayerForm(const Layer& layer) {
    StoredForm form;
    form.Text(layer.name);
    form.Int(layer.GroupID);
    form.Int(layer.type);
    return form.Take();
}

void SetError(std::string* error, std::string text) {
    if (error != nullptr) *error = std::move(text);
}

}  // namespace

void LoadShow(const Profile& profile, Show& show, const Scene* scene) {
    const std::string music = profile.GetString(kMainSection, "mutiMusic", "2", kNumberText);

    std::vector<Layer> layers(ReadCount(profile, "LayerCount", Show::kDefaultLayerCount, Show::kMaxLayers));
    for (std::size_t i = 0; i < layers.size(); ++i) {
        Layer& layer = layers[i];
        ProfileKey layerKey("ly", i);
        layer.GroupID = profile.GetInt(kTimeLineSection, layerKey("GroupID"), -1);
        layer.type = profile.GetInt(kTimeLineSection, layerKey("type"), kLayerGroup);
        layer.name = LayerName(layer, scene);
    }

    const std::size_t blockCount = ReadCount(profile, "TimeBlockCount", 0, Show::kMaxBlocks);
    std::vector<TimeBlock> blocks;
    blocks.reserve(blockCount);
    for (std::size_t i = 0; i < blockCount; ++i) {
        TimeBlock& block = blocks.emplace_back();  // draws the block's serial
        ReadBlock(profile, i, block);
        block.m_bLocked = 0;
    }

    show.g_fMusicMultiplier = TextToFloat(music);
    show.layers = std::move(layers);
    show.blocks = std::move(blocks);
    show.m_nScale = Show::kFileScale;
    show.m_bModified = false;
}

bool LoadShow(const std::filesystem::path& path, Show& show, const Scene* scene, std::string* error) {
    ShowFileSession session;
    return session.Load(path, show, scene, error);
}

void SaveShow(Profile& profile, const Show& show, ShowFileRecords& written) {
    // Files hold positions at scale 50; a show held at another scale is
    // converted on the way out with the same float step SetScale uses.
    float toFileScale = 1.0f;
    if (show.m_nScale >= 1 && show.m_nScale != Show::kFileScale)
        toFileScale = static_cast<float>(show.m_nScale) / static_cast<float>(Show::kFileScale);

    profile.SetString(kMainSection, "mutiMusic", FormatFloat(show.g_fMusicMultiplier));

    profile.SetInt(kTimeLineSection, "LayerCount", static_cast<std::int32_t>(show.layers.size()));
    written.layers.resize(std::max(written.layers.size(), show.layers.size()));
    for (std::size_t i = 0; i < show.layers.size(); ++i) {
        const Layer& layer = show.layers[i];
        std::string form = LayerForm(layer);
        if (form == written.layers[i]) continue;
        ProfileKey layerKey("ly", i);
        profile.SetString(kTimeLineSection, layerKey("name"), QuotedIfNeeded(layer.name));
        profile.SetInt(kTimeLineSection, layerKey("GroupID"), layer.GroupID);
        profile.SetInt(kTimeLineSection, layerKey("type"), layer.type);
        written.layers[i] = std::move(form);
    }

    profile.SetInt(kTimeLineSection, "TimeBlockCount", static_cast<std::int32_t>(show.blocks.size()));
    written.blocks.resize(std::max(written.blocks.size(), show.blocks.size()));
    for (std::size_t i = 0; i < show.blocks.size(); ++i) {
        std::string form = BlockForm(show.blocks[i], toFileScale);
        if (form == written.blocks[i]) continue;
        WriteBlock(profile, i, show.blocks[i], toFileScale);
        written.blocks[i] = std::move(form);
    }
}

void SaveShow(Profile& profile, const Show& show) {
    ShowFileRecords none;
    SaveShow(profile, show, none);
}

bool SaveShow(const std::filesystem::path& path, Show& show, Prompter& prompter, std::mutex& outputLock,
              std::string* error) {
    ShowFileSession session;
    return session.Save(path, show, prompter, outputLock, error);
}

bool ShowFileSession::Load(const std::filesystem::path& path, Show& show, const Scene* scene, std::string* error) {
    RemoveStaleTemporaryFiles(path);  // left by a save that was killed
    written_ = {};
    std::string reason;
    if (!file_.Open(path, &reason)) {
        file_.Forget();
        show.Reset();
        SetError(error, "cannot read show file " + path.string() + ": " + reason);
        return false;
    }
    if (!file_.profile().existed()) {
        show.Reset();
        return true;
    }
    LoadShow(file_.profile(), show, scene);
    return true;
}

bool ShowFileSession::Save(const std::filesystem::path& path, Show& show, Prompter& prompter,
                           std::mutex& outputLock, std::string* error) {
    if (show.m_bModified && !prompter.AskYesNo(kSaveModifiedShowQuestion)) {
        SetError(error, kSaveDeclined);
        return false;
    }

    // Keys of the old file that we do not write stay; so a file that exists
    // but cannot be read is left alone rather than replaced by ours alone.
    std::string reason;
    if (!file_.Open(path, &reason)) {
        SetError(error, "cannot read show file " + path.string() + ": " + reason);
        return false;
    }
    if (!file_.kept()) written_ = {};

    {
        // The engine reads positions under this lock; it must never see a
        // half-rescaled list. The disk write happens after the lock is released.
        std::lock_guard<std::mutex> lock(outputLock);
        show.SetScale(Show::kFileScale);
        show.m_bModified = false;
        SaveShow(file_.profile(), show, written_);
    }

    if (!file_.Save(&reason)) {
        written_ = {};
        show.m_bModified = true;  // nothing reached the disk: the edits are still unsaved
        SetError(error, "cannot write show file " + path.string() + ": " + reason);
        return false;
    }
    return true;
}

}  // namespace velmora
