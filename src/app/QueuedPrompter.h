#pragma once
// Operator messages from any thread, delivered on one thread. Workers (the
// motor test sender, a compile or preparation run off the UI thread) raise
// messages while the operator's prompter lives on the owner thread, which
// may itself be waiting for a lock the worker holds: a message raised
// elsewhere is queued, and the owner delivers the queue in the order the
// messages were raised. Questions need an answer at once, so they are asked
// only on the owner thread.

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "app/Prompter.h"

namespace velmora {

class QueuedPrompter final : public Prompter {
public:
    // `target` receives every message and question, on the owner thread: the
    // thread that constructs this object.
    explicit QueuedPrompter(Prompter& target);

    // Thread contract: owner thread, while no other thread raises messages.
    void SetTarget(Prompter& target) { target_ = &target; }
    void SetOwnerThread(std::thread::id owner) { owner_ = owner; }
    // Thread contract: owner thread, before other threads raise messages.
    // Called on the raising thread after a message was queued, so an
    // event-driven owner can schedule Drain at once; it must only schedule.
    void SetWakeOwner(std::function<void()> wake) { wakeOwner_ = std::move(wake); }

    // Thread contract: any thread. On the owner thread the message is told
    // at once (after the ones still queued); elsewhere it is queued.
    void Tell(std::string_view text) override;
    // Thread contract: owner thread. Asked elsewhere, nobody can answer in
    // time: the question is logged and answered No (the caller then changes
    // nothing it asked about).
    bool AskYesNo(std::string_view text) override;

    // Thread contract: owner thread. Tells the queued messages in the order
    // they were raised; how many.
    std::size_t Drain();
    // Thread contract: any thread. Messages waiting for Drain.
    std::size_t Pending() const;

    // Queued messages beyond this are dropped (and logged): a worker that
    // fails in a loop must not grow the queue without bound while the owner
    // is busy.
    static constexpr std::size_t kMaxQueued = 1000;

private:
    bool OnOwnerThread() const { return std::this_thread::get_id() == owner_; }

    Prompter* target_;
    std::thread::id owner_;
    std::function<void()> wakeOwner_;

    mutable std::mutex mutex_;  // guards queue_
    std::deque<std::string> queue_;
};

}  // namespace velmora
