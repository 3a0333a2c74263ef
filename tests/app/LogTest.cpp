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

const std::regex kStamp(R"(\d{1,2}-\d\d \d\d:\d\d:\d\d:\d{3} )");

// Points the process-wide log at a scratch file for one test.
class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = GetLogPath();
        SetLogPath(logPath_);
    }
    void TearDown() override { SetLogPath(previous_); }

    // The message part of every line, after checking the time stamp's shape.
    std::vector<std::string> LoggedTexts() {
        std::vector<std::string> texts;
        std::istringstream in(ReadAll(logPath_));
        for (std::string line; std::getline(in, line);) {
            std::smatch m;
            EXPECT_TRUE(std::regex_search(line, m, kStamp, std::regex_constants::match_continuous)) << line;
            texts.push_back(m.suffix());
        }
        return texts;
    }

    ScratchDir dir_;
    std::filesystem::path logPath_ = dir_.path() / kLogFileName;
    std::filesystem::path previous_;
};

TEST(LogFormatTest, LineCarriesUnpaddedMonthAndPaddedFields) {
    EXPECT_EQ(FormatLogLine(2, 3, 9, 4, 5, 7, "程序启动"), "2-03 09:04:05:007 程序启动\n");
    EXPECT_EQ(FormatLogLine(12, 31, 23, 59, 59, 999, "程序退出"), "12-31 23:59:59:999 程序退出\n");
}

TEST(LogFormatTest, Utf8PrefixNeverEndsInsideACharacter) {
    const std::string emoji = "\xF0\x9F\x8E\xB5";  // 4 bytes
    EXPECT_EQ(Utf8PrefixLength("a" + emoji + "b", 4), 1u);
    EXPECT_EQ(Utf8PrefixLength("a" + emoji + "b", 5), 5u);
    EXPECT_EQ(Utf8PrefixLength("ab" + emoji.substr(0, 2), 10), 2u) << "a fragment already cut";
    EXPECT_EQ(Utf8PrefixLength("\x80\x80\x80\x80\x80\x80", 3), 3u) << "not UTF-8: cut where asked";
}

TEST_F(LogTest, LoggingStartsOnlyOnceTheFileExists) {
    LogMessage("before");
    EXPECT_FALSE(std::filesystem::exists(logPath_)) << "the log must never be created";
    dir_.Write(kLogFileName, "");
    LogMessage("after %d", 42);
    EXPECT_EQ(LoggedTexts(), std::vector<std::string>{"after 42"});
}

TEST_F(LogTest, MessageIsCutTo255BytesAtACharacterBoundary) {
    dir_.Write(kLogFileName, "");
    const std::string exact = std::string(252, 'x') + "程";  // 255 bytes
    LogMessage("%s", std::string(300, 'x').c_str());
    LogMessage("%s", (std::string(254, 'x') + "程序").c_str());  // 255 falls inside 程
    LogMessage("%s", exact.c_str());
    EXPECT_EQ(LoggedTexts(), (std::vector<std::string>{std::string(255, 'x'), std::string(254, 'x'), exact}));
}

TEST_F(LogTest, ConcurrentWritersProduceWholeLinesOnly) {
    dir_.Write(kLogFileName, "");
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

    const std::regex shape("writer (\\d) line (\\d+) " + padding);
    std::set<std::pair<int, int>> seen;
    const auto texts = LoggedTexts();
    ASSERT_EQ(texts.size(), static_cast<std::size_t>(kThreads * kPerThread));
    for (const auto& text : texts) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(text, m, shape)) << text;
        seen.emplace(std::stoi(m[1]), std::stoi(m[2]));
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kPerThread));
}

}  // namespace
}  // namespace velmora
