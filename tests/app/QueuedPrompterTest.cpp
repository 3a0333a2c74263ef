#include "app/QueuedPrompter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace velmora {
namespace {

TEST(QueuedPrompter, WorkerMessagesWaitForTheOwnersDrainAndKeepTheirOrder) {
    RecordingPrompter target;
    QueuedPrompter queue(target);
    std::atomic<int> wakes{0};
    queue.SetWakeOwner([&] { ++wakes; });

    std::thread worker([&] {
        queue.Tell("一");
        queue.Tell("二");
    });
    worker.join();
    EXPECT_TRUE(target.messages.empty());  // nothing told off the owner thread
    EXPECT_EQ(queue.Pending(), 2u);
    EXPECT_EQ(wakes.load(), 2);

    // A message raised on the owner comes after those raised before it.
    queue.Tell("三");
    EXPECT_EQ(target.messages, (std::vector<std::string>{"一", "二", "三"}));
    EXPECT_EQ(queue.Pending(), 0u);
    EXPECT_EQ(queue.Drain(), 0u);
}

TEST(QueuedPrompter, QuestionsAreAskedOnlyOnTheOwnerThread) {
    RecordingPrompter target(true);
    QueuedPrompter queue(target);
    bool workerAnswer = true;
    std::thread worker([&] { workerAnswer = queue.AskYesNo("保存？"); });
    worker.join();
    EXPECT_FALSE(workerAnswer);
    EXPECT_TRUE(target.questions.empty());

    std::thread teller([&] { queue.Tell("先"); });
    teller.join();
    EXPECT_TRUE(queue.AskYesNo("保存？"));
    EXPECT_EQ(target.messages, std::vector<std::string>{"先"});  // delivered before the question
    EXPECT_EQ(target.questions, std::vector<std::string>{"保存？"});
}

TEST(QueuedPrompter, ManyWorkersLoseNothingUpToTheBound) {
    RecordingPrompter target;
    QueuedPrompter queue(target);
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w)
        workers.emplace_back([&, w] {
            for (int i = 0; i < 100; ++i) queue.Tell(std::to_string(w));
        });
    std::size_t delivered = 0;
    for (int i = 0; i < 50; ++i) delivered += queue.Drain();  // draining while they raise
    for (auto& worker : workers) worker.join();
    delivered += queue.Drain();
    EXPECT_EQ(delivered, 400u);
    EXPECT_EQ(target.messages.size(), 400u);

    std::thread flood([&] {
        for (std::size_t i = 0; i < QueuedPrompter::kMaxQueued + 10; ++i) queue.Tell("x");
    });
    flood.join();
    EXPECT_EQ(queue.Pending(), QueuedPrompter::kMaxQueued);
}

}  // namespace
}  // namespace velmora
