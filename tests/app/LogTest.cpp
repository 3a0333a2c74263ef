#include "app/Log.h"

#include "app/ScratchDir.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace velmora {
namespace {

using testing::ReadAll;
using testing::ScratchDir;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Points the process-wide log at a scratch file for one test.
class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = GetLogPath();
        logPath_ = dir_.path() / kLogFileName;
        SetLogPath(logPath_);
    }
    void TearDown() override { SetLogPath(previous_); }

    void CreateLog() { dir_.Write(kLogFileName, ""); }
    std::string LoggedText() {
        const auto lines = Lines(ReadAll(logPath_));
        EXPECT_EQ(lines.size(), 1u);
        if (lines.empty()) return {};
        const auto space = lines[0].find(' ', lines[0].find(' ') + 1);  // after "M-DD hh:mm:ss:mmm"
        return lines[0].substr(space + 1);
    }

    ScratchDir dir_;
    std::filesystem::path logPath_;
    std::filesystem::path previous_;
};

TEST(LogFormatTest, LineCarriesUnpaddedMonthAndPaddedFields) {
    EXPECT_EQ(FormatLogLine(2, 3, 9, 4, 5, 7, "程序启动"), "2-03 09:04:05:007 程序启动\n");
    EXPECT_EQ(FormatLogLine(12, 31, 23, 59, 59, 999, "ModbusTCPThread Save Quit"),
              "12-31 23:59:59:999 ModbusTCPThread Save Quit\n");
}

TEST(LogFormatTest, Utf8PrefixNeverEndsInsideACharacter) {
    const std::string han = "程";          // 3 bytes
    const std::string emoji = "\xF0\x9F\x8E\xB5";  // 4 bytes
    EXPECT_EQ(Utf8PrefixLength("ab" + han, 4), 2u);
    EXPECT_EQ(Utf8PrefixLength("ab" + han, 5), 5u);
    EXPECT_EQ(Utf8PrefixLength("a" + emoji + "b", 4), 1u);
    EXPECT_EQ(Utf8PrefixLength("a" + emoji + "b", 5), 5u);
    EXPECT_EQ(Utf8PrefixLength("abc", 10), 3u);
    // A text already cut inside a character loses the fragment.
    EXPECT_EQ(Utf8PrefixLength(std::string("ab") + han.substr(0, 2), 10), 2u);
    // Bytes that are not UTF-8 are cut where asked.
    EXPECT_EQ(Utf8PrefixLength("\x80\x80\x80\x80\x80\x80", 3), 3u);
}

TEST_F(LogTest, WithoutTheFileNothingIsWrittenOrCreated) {
    LogMessage("程序启动");
    EXPECT_FALSE(std::filesystem::exists(logPath_));
}

TEST_F(LogTest, CreatingTheFileEnablesLoggingFromTheNextMessage) {
    LogMessage("before");
    CreateLog();
    LogMessage("after %d", 42);
    const auto lines = Lines(ReadAll(logPath_));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(\d{1,2}-\d\d \d\d:\d\d:\d\d:\d{3} after 42)")))
        << lines[0];
}

TEST_F(LogTest, LongMessageIsCutTo255Bytes) {
    CreateLog();
    LogMessage("%s", std::string(300, 'x').c_str());
    EXPECT_EQ(LoggedText(), std::string(255, 'x'));
}

TEST_F(LogTest, CutBacksOffToTheStartOfASplitCharacter) {
    CreateLog();
    const std::string text = std::string(254, 'x') + "程序";  // the cut would fall inside 程
    LogMessage("%s", text.c_str());
    EXPECT_EQ(LoggedText(), std::string(254, 'x'));
}

TEST_F(LogTest, MessageThatFitsExactlyIsKeptWhole) {
    CreateLog();
    const std::string text = std::string(252, 'x') + "程";  // 255 bytes
    LogMessage("%s", text.c_str());
    EXPECT_EQ(LoggedText(), text);
}

TEST_F(LogTest, ConcurrentWritersProduceWholeLinesOnly) {
    CreateLog();
    constexpr int kThreads = 8;
    constexpr int kPerThread = 200;
    const std::string padding(180, '#');
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([t, &padding] {
            for (int i = 0; i < kPerThread; ++i) LogMessage("writer %d line %d %s", t, i, padding.c_str());
        });
    }
    for (auto& w : writers) w.join();

    const std::regex shape(R"(\d{1,2}-\d\d \d\d:\d\d:\d\d:\d{3} writer (\d) line (\d+) #{180})");
    std::set<std::pair<int, int>> seen;
    const auto lines = Lines(ReadAll(logPath_));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kPerThread));
    for (const auto& line : lines) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, shape)) << line;
        EXPECT_TRUE(seen.emplace(std::stoi(m[1]), std::stoi(m[2])).second) << "duplicate: " << line;
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kPerThread));
}

}  // namespace
}  // namespace velmora
