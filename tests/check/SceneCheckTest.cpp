#include "CheckFixture.h"

namespace velmora::testing {
namespace {

class SceneCheckTest : public CheckFixture {};

TEST_F(SceneCheckTest, IdsAreUniqueAcrossSpringsAndGroupsAndMembersNameSprings) {
    AddSpring(9001);
    AddSpring(9002);
    AddSpring(9001);               // a second spring 9001
    AddGroup(9002, {9001, 9999});  // a group reusing a spring's ID; 9999 names nothing
    AddGroup(9003, {9002});
    const CheckReport report = Run();

    const auto duplicates = With(report, "duplicate-id");
    ASSERT_EQ(duplicates.size(), 2u) << Codes(report);
    EXPECT_EQ(duplicates[0].where, "spring #2");
    EXPECT_EQ(duplicates[1].where, "group #0");
    EXPECT_EQ(duplicates[0].severity, Severity::Error);
    EXPECT_EQ(duplicates[0].file, "spring.ini");

    const auto members = With(report, "unknown-member");
    ASSERT_EQ(members.size(), 1u) << Codes(report);
    EXPECT_EQ(members[0].where, "group 9002 member 1");
    EXPECT_EQ(members[0].severity, Severity::Warning);
}

TEST_F(SceneCheckTest, AddressesThatNameNothingAreReported) {
    scene_.g_Channels[3].tagNum = 40;  // channel 4: no IP
    CSpring& fits = AddSpring(1);
    fits.BLOCKID = 1, fits.COMID = "40";  // the last register: fine
    CSpring& beyond = AddSpring(2);
    beyond.BLOCKID1 = 1, beyond.COMID1 = "41;3";  // one past tagNum
    CSpring& motor = AddSpring(3);
    motor.BLOCKID2 = 3, motor.COMID2 = "36";  // the record needs 36..40: fits
    motor.BLOCKID3 = 3, motor.COMID3 = "37";  // needs 37..41: does not
    CSpring& bit = AddSpring(4);
    bit.BLOCKID2 = 3, bit.COMID2 = "20;1";  // a motor record cannot take a bit
    CSpring& noIp = AddSpring(5);
    noIp.BLOCKID = 4, noIp.COMID = "1";
    CSpring& badChannel = AddSpring(6);
    badChannel.BLOCKID = 101, badChannel.COMID = "1";
    CSpring& light = AddSpring(7);  // a light slot (not a register channel):
    light.BLOCKID_L = 2, light.COMID_L = "38";  // the last three registers take no colour
    scene_.g_Channels[1].regType = 3;
    CSpring& unconnected = AddSpring(8);
    unconnected.BLOCKID = 0, unconnected.COMID = "99";  // channel 0: not connected, by design
    unconnected.BLOCKID1 = 1, unconnected.COMID1 = "x";  // no register: not connected
    const CheckReport report = Run();

    std::vector<std::string> beyondWhere;
    for (const auto& p : With(report, "address-beyond-tagnum")) beyondWhere.push_back(p.where);
    EXPECT_EQ(beyondWhere, (std::vector<std::string>{"spring 2 COMID1", "spring 3 COMID3", "spring 7 COMID_L"}))
        << Codes(report);
    ASSERT_EQ(With(report, "motor-address-bit").size(), 1u);
    EXPECT_EQ(With(report, "motor-address-bit")[0].where, "spring 4 COMID2");
    ASSERT_EQ(With(report, "address-no-ip").size(), 1u);
    EXPECT_EQ(With(report, "address-no-ip")[0].severity, Severity::Warning);
    ASSERT_EQ(With(report, "address-bad-channel").size(), 1u);
    EXPECT_EQ(report.problems().size(), 6u) << Codes(report);
}

TEST_F(SceneCheckTest, OutputsWritingTheSameRegisterOrBitConflict) {
    // Valves on different bits of one register are the normal wiring.
    for (int i = 0; i < 16; ++i) {
        CSpring& s = AddSpring(100 + i);
        s.BLOCKID1 = 2, s.COMID1 = "1;" + std::to_string(i);
    }
    const CheckReport clean = Run();
    EXPECT_TRUE(With(clean, "register-conflict").empty()) << Codes(clean);

    CSpring& sameBit = AddSpring(200);
    sameBit.BLOCKID1 = 2, sameBit.COMID1 = "1;5";
    CSpring& wholeOverBits = AddSpring(201);  // a pump level over the valve bits
    wholeOverBits.BLOCKID = 2, wholeOverBits.COMID = "1";
    CSpring& pumps = AddSpring(202);
    pumps.BLOCKID = 1, pumps.COMID = "7";
    CSpring& pumpAgain = AddSpring(203);
    pumpAgain.BLOCKID = 1, pumpAgain.COMID = "7;16";  // bit 16 is no bit: the whole register
    CSpring& motors = AddSpring(204);
    motors.BLOCKID2 = 3, motors.COMID2 = "1";  // registers 1..5
    motors.BLOCKID3 = 3, motors.COMID3 = "5";  // 5..9 overlaps at 5
    AddGroup(300, {}).BLOCKID = 2;
    scene_.groups.back().COMID = "2;0";  // a group switch on a free bit: fine
    const CheckReport report = Run();

    std::vector<std::string> where;
    for (const auto& p : With(report, "register-conflict")) where.push_back(p.where);
    EXPECT_EQ(where, (std::vector<std::string>{"spring 200 COMID1", "spring 201 COMID", "spring 203 COMID",
                                               "spring 204 COMID3"}))
        << Codes(report);
    EXPECT_NE(With(report, "register-conflict")[0].message.find("bit 5 of register 1 of channel 2"), std::string::npos)
        << With(report, "register-conflict")[0].message;
}

TEST_F(SceneCheckTest, LightBitsSpillIntoTheNextRegisterAndTheFollowingChannel) {
    // On a register channel a light takes bits b..b+2; from bit 14 on, the
    // rest goes to the next register, past the last one to channel 2's first.
    scene_.g_Channels[0].nPrevChannel = 2;
    CSpring& spill = AddSpring(1);
    spill.BLOCKID_L = 1, spill.COMID_L = "10;15";  // 10:15, 11:0 and 11:1
    CSpring& clash = AddSpring(2);
    clash.BLOCKID1 = 1, clash.COMID1 = "11;1";
    CSpring& beside = AddSpring(3);
    beside.BLOCKID1 = 1, beside.COMID1 = "11;2";  // next to it: fine
    CSpring& last = AddSpring(4);
    last.BLOCKID_L = 1, last.COMID_L = "40;14";  // 40:14, 40:15, channel 2 register 1 bit 0
    CSpring& follower = AddSpring(5);
    follower.BLOCKID1 = 2, follower.COMID1 = "1;0";
    const CheckReport report = Run();

    std::vector<std::string> where;
    for (const auto& p : With(report, "register-conflict")) where.push_back(p.where);
    EXPECT_EQ(where, (std::vector<std::string>{"spring 2 COMID1", "spring 5 COMID1"})) << Codes(report);
}

}  // namespace
}  // namespace velmora::testing
