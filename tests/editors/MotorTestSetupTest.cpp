#include "editors/MotorTestSetup.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "app/Profile.h"
#include "app/ScratchDir.h"
#include "comm/ModbusMotorThread.h"

namespace velmora {
namespace {

TEST(MotorTestSetupTest, KeptInConfigBesideTheOtherKeysAndReadBack) {
    testing::ScratchDir dir;
    const auto ini = dir.Write("config.ini", "[Main]\r\nnightStart=1:30\r\n");
    EXPECT_EQ(LoadMotorTestSetup(ini), MotorTestSetup{});

    MotorTestSetup s;
    s.address = " 192.168.1.20 ";
    s.port = 1502;
    s.unitID = 3;
    s.startAddr = 41;
    s.motorCount = 4;
    s.stagger = 250;
    std::string error;
    ASSERT_TRUE(SaveMotorTestSetup(ini, s, &error)) << error;

    const MotorTestSetup back = LoadMotorTestSetup(ini);
    EXPECT_EQ(back.address, "192.168.1.20");
    EXPECT_EQ(back.port, 1502);
    EXPECT_EQ(back.motorCount, 4);
    EXPECT_EQ(back.stagger, 250);
    Profile file;
    ASSERT_TRUE(file.Load(ini));
    EXPECT_EQ(file.GetString("Main", "nightStart", ""), "1:30");
    EXPECT_EQ(file.lineEnding(), LineEnding::CrLf);  // written back as it was read

    // A missing file is made.
    ASSERT_TRUE(SaveMotorTestSetup(dir.path() / "new.ini", s));
    EXPECT_EQ(LoadMotorTestSetup(dir.path() / "new.ini").unitID, 3);
}

TEST(MotorTestSetupTest, HandEditedValuesAreBoundedAndReachTheSender) {
    testing::ScratchDir dir;
    const auto ini = dir.Write("config.ini",
                               "[MotorTest]\nport=70000\nunitID=-4\nstartAddr=0\nmotorCount=40\nstagger=-1\naddress=\n");
    const MotorTestSetup s = LoadMotorTestSetup(ini);
    EXPECT_EQ(s.port, 65535);
    EXPECT_EQ(s.unitID, 0);
    EXPECT_EQ(s.startAddr, 1);
    EXPECT_EQ(s.motorCount, 16);
    EXPECT_EQ(s.stagger, 0);
    EXPECT_EQ(s.address, "127.0.0.1");  // an empty address would connect nowhere

    CModbusMotorThread sender;
    MotorTestSetup mine = s;
    mine.address = "10.0.0.9";
    mine.motorCount = 0;
    ApplyMotorTestSetup(mine, sender);
    EXPECT_EQ(sender.m_szIP, "10.0.0.9");
    EXPECT_EQ(sender.m_nPort, 65535);
    EXPECT_EQ(sender.m_nMotorCount, 1);
}

TEST(MotorTestSetupTest, AnUnreadableConfigIsNotWrittenOver) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    testing::ScratchDir dir;
    const auto ini = dir.Write("config.ini", "[Main]\nnightEnd=100\n");
    ::chmod(ini.c_str(), 0);
    std::string error;
    EXPECT_FALSE(SaveMotorTestSetup(ini, MotorTestSetup{}, &error));
    EXPECT_FALSE(error.empty());
    ::chmod(ini.c_str(), 0600);
    Profile file;
    ASSERT_TRUE(file.Load(ini));
    EXPECT_FALSE(file.HasSection(kMotorTestSection));
}

}  // namespace
}  // namespace velmora
