#include "engine/MusicLevel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace velmora {
namespace {

SpectrumList Records(std::initializer_list<std::pair<double, double>> timeAndLoudness) {
    SpectrumList list;
    for (const auto& [time, level] : timeAndLoudness) {
        spectum r;
        r.time = time;
        r.level = level;
        list.push_back(r);
    }
    return list;
}

TEST(MusicLevelTest, NoRecordsOrNoLengthGiveSilence) {
    const SpectrumList records = Records({{0, 30}, {200, 40}});
    EXPECT_EQ(MusicLevel(SpectrumList{}, 100.0, 1000.0), 0);
    EXPECT_EQ(MusicLevel(records, 100.0, 0.0), 0);
    EXPECT_EQ(MusicLevel(records, 100.0, -5.0), 0);
    EXPECT_EQ(MusicLevel(records, std::nan(""), 1000.0), 0);
    EXPECT_EQ(MusicLevel(records, 100.0, std::numeric_limits<double>::quiet_NaN()), 0);
    // A position far enough before the start, or at/after the length, maps
    // to no record; just before the start truncates to record 0.
    EXPECT_EQ(MusicLevel(records, -300.0, 400.0), 0);
    EXPECT_EQ(MusicLevel(records, -1.0, 400.0), 60);
    EXPECT_EQ(MusicLevel(records, 400.0, 400.0), 0);
}

TEST(MusicLevelTest, WalksFromTheProportionalIndexToTheRecordAtThePosition) {
    // Records are 200 ms apart but the length says 2000 ms for 5 records, so
    // the starting index is off and the walk must correct it.
    const SpectrumList records = Records({{0, 1}, {200, 2}, {400, 3}, {600, 4}, {800, 5}});
    // 450 / 2000 x 5 = 1 -> record 1 (time 200 < 450): walk forward to the
    // first record with time >= 450, record 3.
    EXPECT_EQ(MusicLevel(records, 450.0, 2000.0), 8);
    // 1900 / 2000 x 5 = 4 -> record 4 (time 800 < 1900): walk forward, ends at the list end.
    EXPECT_EQ(MusicLevel(records, 1900.0, 2000.0), 10);
    // 300 / 500 x 5 = 3 -> record 3 (time 600 >= 300): walk back to the last
    // record with time <= 300, record 1.
    EXPECT_EQ(MusicLevel(records, 300.0, 500.0), 4);
    // Exactly on a record's time.
    EXPECT_EQ(MusicLevel(records, 400.0, 1000.0), 6);
}

TEST(MusicLevelTest, LevelIsTwiceTheLoudnessTruncatedAndCappedAtFull) {
    for (const auto& [loudness, level] : {std::pair{10.7, 21}, std::pair{64.4, 128}, std::pair{64.5, 128},
                                          std::pair{500.0, 128}, std::pair{0.0, 0}}) {
        EXPECT_EQ(MusicLevel(Records({{0, loudness}}), 0.0, 200.0), level) << loudness;
    }
}

}  // namespace
}  // namespace velmora
