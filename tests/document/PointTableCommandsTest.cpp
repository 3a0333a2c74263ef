#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "SceneDocumentFixture.h"
#include "app/TextEncoding.h"
#include "scene/PointTable.h"

namespace velmora {
namespace {

constexpr const char* kHead =
    "#版本,2016.06.03\n"
    "#索引,模拟量通道号,模拟量地址,开关量通道号,开关量地址,Z电机通道号,Z电机地址,Y电机通道号,Y电机地址,"
    "初始角度,灯光通道,灯光地址\n";

class PointTableCommands : public testing::SceneDocumentFixture {
protected:
    // Three springs 9001..9003 in group 9004, the first two addressed.
    void MakeScene() {
        AddSprings(3);
        for (const std::int32_t id : {9001, 9002, 9003}) doc.SelectSpring(id, true);
        ASSERT_TRUE(doc.MakeGroup());
        doc.ClearSelection();
        SpringSheet sheet = SpringSheetOf(scene.springs[0]);
        sheet.BLOCKID = "2";
        sheet.COMID = "10";
        sheet.BLOCKID1 = "2";
        sheet.COMID1 = "11;4";
        sheet.BLOCKID_L = "3";
        sheet.COMID_L = "1;20";
        ASSERT_TRUE(doc.EditSpring(9001, sheet));
        sheet.COMID = "12";
        ASSERT_TRUE(doc.EditSpring(9002, sheet));
        prompter.messages.clear();
    }

    std::filesystem::path Table(const std::string& bytes) { return dir.Write("spring.csv", bytes); }

    std::vector<SpringAddressing> Addressing() const {
        std::vector<SpringAddressing> all;
        for (const CSpring& spring : scene.springs) all.push_back(SpringAddressing::Of(spring));
        return all;
    }

    std::string ReadBack(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
};

TEST_F(PointTableCommands, ExportThenImportKeepsConnectedOutputsAndIsOneUndoStep) {
    MakeScene();
    const auto path = PointTablePath(dir.path());
    EXPECT_EQ(path, dir.path() / "spring.csv");
    ASSERT_TRUE(doc.ExportPointTable(path));
    EXPECT_EQ(ReadBack(path), WritePointTable(scene));
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"导出成功！"});
    EXPECT_EQ(doc.UndoText(), "属性");  // export is no edit

    const auto before = Addressing();
    ASSERT_TRUE(doc.ImportPointTable(path));
    EXPECT_EQ(prompter.questions, std::vector<std::string>{"导入点表将覆盖当前场景，确定导入？"});
    EXPECT_EQ(prompter.messages.back(), "导入成功！");
    const CSpring& first = scene.springs[0];
    EXPECT_EQ(first.BLOCKID, 2);
    EXPECT_EQ(first.COMID, "10");
    EXPECT_EQ(first.COMID1, "11;4");
    EXPECT_EQ(first.BLOCKID_L, 3);
    EXPECT_EQ(first.COMID_L, "1;20");
    // Never connected: channel 0 and "---" now, still not connected.
    EXPECT_EQ(first.BLOCKID2, 0);
    EXPECT_EQ(first.COMID2, "---");
    EXPECT_EQ(scene.springs[2].BLOCKID, 0);
    EXPECT_EQ(doc.UndoText(), "导入");

    const auto after = Addressing();
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Addressing(), before);
    EXPECT_EQ(doc.UndoText(), "属性");
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(Addressing(), after);
}

TEST_F(PointTableCommands, TheTableIsFoundWhateverTheCaseOfItsName) {
    EXPECT_EQ(PointTablePath(dir.path()), dir.path() / "spring.csv");
    const auto windows = dir.Write("Spring.CSV", std::string(kHead) + "*9001,5,5,5,5,5,5,5,5,0,5,5\n");
    EXPECT_EQ(PointTablePath(dir.path()), windows);
    AddSprings(1);
    ASSERT_TRUE(doc.ImportPointTable(PointTablePath(dir.path())));
    EXPECT_EQ(scene.springs[0].COMID_L, "5");
}

TEST_F(PointTableCommands, ImportAsksFirstAndReportsAFileItCannotOpen) {
    MakeScene();
    const auto path = Table(std::string(kHead) + "*9001,5,5,5,5,5,5,5,5,0,5,5\n");
    const auto before = Addressing();
    prompter.SetAnswer(false);
    EXPECT_FALSE(doc.ImportPointTable(path));
    EXPECT_EQ(prompter.questions.size(), 1u);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(Addressing(), before);

    prompter.SetAnswer(true);
    EXPECT_FALSE(doc.ImportPointTable(dir.path() / "missing.csv"));
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"打开文件失败！"});
    EXPECT_FALSE(doc.ExportPointTable(dir.path() / "no-such-folder" / "spring.csv"));
    EXPECT_EQ(prompter.messages.back(), "打开文件失败！");
    EXPECT_EQ(Addressing(), before);
}

TEST_F(PointTableCommands, ABadRowAnywhereChangesNothing) {
    MakeScene();
    const auto before = Addressing();
    const std::size_t steps = doc.undoStack().size();
    const std::vector<std::pair<std::string, std::string>> tables = {
        {"*9001,5,5,5,5,5,5,5,5,0,5,5\n*9002,5,5,5,5,5,5,5,5,0,5,5\n#分组,x\n*9003,5,5,5,5,5,5\n",
         "第6行：行分隔符号太少！"},
        {"*9001,5,5,5,5,5,5,5,5,0,5,5\n*9009,5,5,5,5,5,5,5,5,0,5,5\n", "第4行：非法的Spring ID！"},
        {"*9001,5,5,5,5,5,5,5,5,0,5,5\n*9001,6,6,6,6,6,6,6,6,0,6,6\n", "第4行：重复的Spring ID！"},
    };
    for (const auto& [rows, message] : tables) {
        prompter.messages.clear();
        EXPECT_FALSE(doc.ImportPointTable(Table(std::string(kHead) + rows)));
        EXPECT_EQ(prompter.messages, std::vector<std::string>{message});
        EXPECT_EQ(Addressing(), before);
        EXPECT_EQ(doc.undoStack().size(), steps);
    }
}

TEST_F(PointTableCommands, LegacyTableWithCrLfImportsAndShortRowsKeepTheLight) {
    MakeScene();
    std::string legacy;
    ASSERT_TRUE(EncodeGb18030(std::string(kHead) +
                                  "#分组,默认组\r\n"
                                  "*9001,7,123456789,7,7,7,7,7,7,30.5\r\n"
                                  "*9003,8,8,8,8,8,8,8,8,0,8,8\r\n",
                              legacy));
    ASSERT_TRUE(doc.ImportPointTable(Table(legacy)));
    EXPECT_EQ(scene.springs[0].BLOCKID, 7);
    EXPECT_EQ(scene.springs[0].COMID, "1234567");
    EXPECT_FLOAT_EQ(scene.springs[0].ORGANGLEY, 30.5f);
    EXPECT_EQ(scene.springs[0].BLOCKID_L, 3);  // ten fields: the light untouched
    EXPECT_EQ(scene.springs[0].COMID_L, "1;20");
    EXPECT_EQ(scene.springs[1].COMID, "12");   // no row: untouched
    EXPECT_EQ(scene.springs[2].COMID_L, "8");
}

TEST_F(PointTableCommands, BatchAddIsOneStepWithItsGroupAndUndoGivesTheIDsBack) {
    AddSprings(2);
    doc.SelectSpring(9002, true);  // selected before the batch: a member too
    const std::size_t steps = doc.undoStack().size();
    ASSERT_TRUE(doc.BatchAdd(BatchSettings{3, 2, false, 100, 100}));
    EXPECT_EQ(doc.undoStack().size(), steps + 1);
    EXPECT_EQ(doc.UndoText(), "批量");
    ASSERT_EQ(scene.springs.size(), 8u);
    EXPECT_EQ(scene.springs[3].ID, 9004);
    EXPECT_EQ(scene.springs[3].x, 133);
    EXPECT_EQ(scene.springs[7].y, 150);
    EXPECT_EQ(scene.m_nNextID, 9010);
    ASSERT_EQ(scene.groups.size(), 1u);
    const CSpringGroup& group = scene.groups[0];
    EXPECT_EQ(group.ID, 9009);
    EXPECT_EQ(group.name, "默认组9010");
    EXPECT_EQ(Members(group), (std::vector<std::int32_t>{9002, 9003, 9004, 9005, 9006, 9007, 9008}));
    EXPECT_EQ(group.initX, 3);
    EXPECT_EQ(group.initY, 2);
    EXPECT_EQ(doc.SelectedSpringIDs().size(), 7u);
    EXPECT_TRUE(prompter.messages.empty());

    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(SpringIDs(), (std::vector<std::int32_t>{9001, 9002}));
    EXPECT_TRUE(scene.groups.empty());
    EXPECT_EQ(scene.m_nNextID, 9003);
    EXPECT_EQ(doc.SelectedSpringIDs(), std::vector<std::int32_t>{9002});
    EXPECT_EQ(scene.FindSpring(9004), nullptr);
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(scene.springs.size(), 8u);
    EXPECT_EQ(Members(scene.groups.at(0)), Members(group));
    EXPECT_EQ(scene.m_nNextID, 9010);
    // The counter goes on from where the batch left it.
    ASSERT_TRUE(doc.AddSpringAt(0, 0));
    EXPECT_EQ(scene.springs.back().ID, 9010);
}

TEST_F(PointTableCommands, BatchAddRefusesInWatchModeAndOnRequestsItCannotPlace) {
    doc.SetMode(SceneDocument::kWatch);
    EXPECT_FALSE(doc.BatchAdd(BatchSettings{}));
    EXPECT_TRUE(prompter.messages.empty());
    doc.SetMode(SceneDocument::kLight);
    EXPECT_FALSE(doc.BatchAdd(BatchSettings{0, 5, false, 100, 100}));
    EXPECT_FALSE(doc.BatchAdd(BatchSettings{100000, 100000, false, 100, 100}));
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{"批量参数不正确！", "元素太多，批量添加失败！"}));
    EXPECT_TRUE(scene.springs.empty());
    EXPECT_EQ(scene.m_nNextID, 9001);
    EXPECT_FALSE(doc.CanUndo());
}

TEST_F(PointTableCommands, TenThousandSpringsAreAddedWithAGroupOfTheFirst450) {
    ASSERT_TRUE(doc.BatchAdd(BatchSettings{100, 100, false, 500, 500}));
    EXPECT_EQ(scene.springs.size(), 10000u);
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"组内元素太多！"});
    ASSERT_EQ(scene.groups.size(), 1u);
    EXPECT_EQ(scene.groups[0].childCount, 450);
    EXPECT_EQ(scene.groups[0].children[449], 9001 + 449);
    EXPECT_EQ(scene.FindSpring(9001 + 9999), &scene.springs.back());
    ASSERT_TRUE(doc.Undo());
    EXPECT_TRUE(scene.springs.empty());
    EXPECT_TRUE(scene.groups.empty());
    EXPECT_EQ(scene.m_nNextID, 9001);
}

}  // namespace
}  // namespace velmora
