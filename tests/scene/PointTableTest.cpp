#include "scene/PointTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/TextEncoding.h"

namespace velmora {
namespace {

constexpr const char* kHead =
    "#版本,2016.06.03\n"
    "#索引,模拟量通道号,模拟量地址,开关量通道号,开关量地址,Z电机通道号,Z电机地址,Y电机通道号,Y电机地址,"
    "初始角度,灯光通道,灯光地址\n";

CSpring SpringWithID(std::int32_t id) {
    CSpring spring;
    spring.ID = id;
    return spring;
}

CSpringGroup GroupOf(const std::string& name, const std::vector<std::int32_t>& members) {
    CSpringGroup group;
    group.name = name;
    for (const std::int32_t id : members) group.children[static_cast<std::size_t>(group.childCount++)] = id;
    return group;
}

class PointTable : public ::testing::Test {
protected:
    PointTable() {
        CSpring a = SpringWithID(9001);
        a.BLOCKID = 3;
        a.COMID = "12";
        a.BLOCKID1 = 4;
        a.COMID1 = "5;3";
        a.BLOCKID2 = 0;        // not connected
        a.COMID2 = "7";
        a.BLOCKID3 = 6;
        a.COMID3 = "0";        // register 0: not connected
        a.ORGANGLEY = 12.5f;
        a.BLOCKID_L = 9;
        a.COMID_L = "2;17";
        scene.springs.push_back(a);
        scene.springs.push_back(SpringWithID(9002));  // nothing connected
        scene.springs.push_back(SpringWithID(9003));  // in no group
        scene.groups.push_back(GroupOf("前排", {9001, 7777, 9002}));
        scene.groups.push_back(GroupOf("全部", {9002, 9001}));
        scene.Reindex();
    }

    std::vector<PointTableRow> Read(const std::string& bytes, std::string* error = nullptr) {
        std::vector<PointTableRow> rows;
        ok = ReadPointTable(bytes, scene, rows, error);
        return rows;
    }

    Scene scene;
    bool ok = false;
};

TEST_F(PointTable, ExportWritesEachGroupedSpringOnceAndRefersBackAfterwards) {
    const std::string expected = std::string(kHead) +
                                 "#分组,前排\n"
                                 "*9001,3,12,4,5;3,---,7,6,---,12.500000,9,2;17\n"
                                 "*9002,---,---,---,---,---,---,---,---,0.000000,---,---\n"
                                 "#分组,全部\n"
                                 "_9002\n"
                                 "_9001\n";
    EXPECT_EQ(WritePointTable(scene), expected);
}

TEST_F(PointTable, ALineBreakInAGroupNameCannotBecomeARow) {
    scene.groups[0].name = "a\n*9003,1,1,1,1,1,1,1,1,0,1,1";
    const std::string bytes = WritePointTable(scene);
    std::string error;
    const auto rows = Read(bytes, &error);
    ASSERT_TRUE(ok) << error;
    for (const PointTableRow& row : rows) EXPECT_NE(row.ID, 9003);
}

TEST_F(PointTable, ExportedTableReadsBackAsTheSameAddressing) {
    const auto rows = Read(WritePointTable(scene));
    ASSERT_TRUE(ok);
    ASSERT_EQ(rows.size(), 2u);
    const SpringAddressing a = SpringAddressing::Of(scene.springs[0]);
    SpringAddressing back = rows[0].Over(a);
    // What was connected comes back as it was; an unconnected output comes
    // back as channel 0 or address "---", still unconnected.
    EXPECT_EQ(back.BLOCKID, 3);
    EXPECT_EQ(back.COMID, "12");
    EXPECT_EQ(back.COMID1, "5;3");
    EXPECT_EQ(back.BLOCKID2, 0);
    EXPECT_EQ(back.COMID2, "7");
    EXPECT_EQ(back.COMID3, "---");
    EXPECT_FLOAT_EQ(back.ORGANGLEY, 12.5f);
    EXPECT_EQ(back.BLOCKID_L, 9);
    EXPECT_EQ(back.COMID_L, "2;17");
    EXPECT_EQ(rows[1].position, 1u);
    EXPECT_EQ(rows[1].BLOCKID, 0);
    EXPECT_EQ(rows[1].COMID, "---");
    EXPECT_EQ(rows[0].line, 4);
}

TEST_F(PointTable, RowsOfElevenFieldsLeaveTheLightAndExtraColumnsAreIgnored) {
    const auto rows = Read(std::string(kHead) +
                           "*9001,1,1,1,1,1,1,1,1,0,1\n"
                           "*9002,2,2,2,2,2,2,2,2,0,2,2,extra,more\n");
    ASSERT_TRUE(ok);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_FALSE(rows[0].BLOCKID_L.has_value());
    EXPECT_FALSE(rows[0].COMID_L.has_value());
    const SpringAddressing light = rows[0].Over(SpringAddressing::Of(scene.springs[0]));
    EXPECT_EQ(light.BLOCKID_L, 9);
    EXPECT_EQ(light.COMID_L, "2;17");
    EXPECT_EQ(rows[1].BLOCKID_L, 2);
    EXPECT_EQ(rows[1].COMID_L, "2");
}

TEST_F(PointTable, CellsConvertAsTheCanvasConvertsThem) {
    const auto rows = Read(std::string(kHead) + "**9001,12abc,123456789,x,5;3,-4,,---,1;2,-7.25xyz,3\n");
    ASSERT_TRUE(ok);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].BLOCKID, 12);        // leading digits
    EXPECT_EQ(rows[0].COMID, "1234567");   // first 7 bytes
    EXPECT_EQ(rows[0].BLOCKID1, 0);
    EXPECT_EQ(rows[0].BLOCKID2, -4);
    EXPECT_EQ(rows[0].COMID2, "");
    EXPECT_EQ(rows[0].BLOCKID3, 0);
    EXPECT_FLOAT_EQ(rows[0].ORGANGLEY, -7.25f);
}

TEST_F(PointTable, AddressesAreCutWithoutSplittingACharacter) {
    // UTF-8: "12;中文" takes 9 bytes; 7 keep "12;中" (6).
    auto rows = Read(std::string(kHead) + "*9001,1,12;中文,1,1,1,1,1,1,0\n");
    ASSERT_TRUE(ok);
    EXPECT_EQ(rows[0].COMID, "12;中");
    // GB18030: the same text takes 7 bytes there and is kept whole.
    std::string legacy;
    ASSERT_TRUE(EncodeGb18030(std::string(kHead) + "*9001,1,12;中文,1,1,1,1,1,1,0\n", legacy));
    rows = Read(legacy);
    ASSERT_TRUE(ok);
    EXPECT_EQ(rows[0].COMID, "12;中文");
}

TEST_F(PointTable, ReadsGb18030WithCrLfAndUtf8WithABom) {
    std::string utf8 = std::string(kHead) + "#分组,前排\n*9001,1,2,3,4,5,6,7,8,45.5,10,11\n_9001\n";
    std::string crlf;
    for (const char c : utf8) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    std::string legacy;
    ASSERT_TRUE(EncodeGb18030(crlf, legacy));
    ASSERT_FALSE(IsValidUtf8(legacy));
    for (const std::string& bytes : {legacy, std::string(kUtf8Bom) + crlf}) {
        std::string error;
        const auto rows = Read(bytes, &error);
        ASSERT_TRUE(ok) << error;
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].COMID_L, "11");  // the CR is not part of the last field
        EXPECT_EQ(rows[0].BLOCKID_L, 10);
        EXPECT_FLOAT_EQ(rows[0].ORGANGLEY, 45.5f);
    }
}

TEST_F(PointTable, BadTablesAreRefusedWithTheFirstFaultyLine) {
    struct Case {
        std::string bytes;
        std::string message;
    };
    const std::string row = "*9001,1,1,1,1,1,1,1,1,0,1,1\n";
    const std::vector<Case> cases = {
        {"", "文件格式不正确！"},
        // The first line is checked before any row, even a good one.
        {row + row, "文件格式不正确！"},
        {"#索引\n#版本\n" + row, "文件格式不正确！"},
        {std::string(kHead) + row + "*9002,1,1,1,1,1,1,1,1\n", "第4行：行分隔符号太少！"},
        {std::string(kHead) + "*9099,1,1,1,1,1,1,1,1,0\n", "第3行：非法的Spring ID！"},
        {std::string(kHead) + "*90x1,1,1,1,1,1,1,1,1,0\n", "第3行：非法的Spring ID！"},
        {std::string(kHead) + "*,1,1,1,1,1,1,1,1,0\n", "第3行：非法的Spring ID！"},
        {std::string(kHead) + "*99999999999,1,1,1,1,1,1,1,1,0\n", "第3行：非法的Spring ID！"},
        {std::string(kHead) + row + "#分组,x\n" + "* 9001 ,2,2,2,2,2,2,2,2,0\n", "第5行：重复的Spring ID！"},
        // Line order decides which fault is named.
        {std::string(kHead) + "*1,1\n*9099,1,1,1,1,1,1,1,1,0\n", "第3行：行分隔符号太少！"},
        {std::string(kHead) + "#" + std::string(1022, 'x') + "\n", "第3行：行太长！"},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto rows = Read(c.bytes, &error);
        EXPECT_FALSE(ok) << c.message;
        EXPECT_TRUE(rows.empty());
        EXPECT_EQ(error, c.message);
    }
}

TEST_F(PointTable, ALineOfTheLongestLengthIsRead) {
    // 1023 bytes with the line feed: what a 1024-byte buffer held.
    const std::string head = "*9001,1,1,1,1,1,1,1,1,0,1,1,";
    const std::string line = head + std::string(1022 - head.size(), 'x') + "\n";
    ASSERT_EQ(line.size(), kPointTableMaxLineBytes);
    std::string error;
    const auto rows = Read(std::string(kHead) + line, &error);
    EXPECT_TRUE(ok) << error;
    EXPECT_EQ(rows.size(), 1u);
}

}  // namespace
}  // namespace velmora
