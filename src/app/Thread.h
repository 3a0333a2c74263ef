#pragma once
// Base of the long-running workers (real-time engine, channel senders, motor
// test sender): it owns one std::thread and a stop signal; a derived class
// supplies the body, `Run`.
//
// Body convention: a body checks `StopRequested()` on every pass and returns
// from `Run` when it is set. Clock-paced bodies end each pass with
// `SuspendSelf()` and are woken by `Resume()`; other bodies pace themselves
// with `WaitForStop(period)`. A body never blocks anywhere else for longer
// than ~100 ms without looking at the stop signal: there is no safe way to kill
// a thread, so a body that overruns the stop bound is abandoned (detached),
// and an abandoned body still has to end on its own before its object can be
// started again or destroyed.
//
// The control state a body shares with its owner (stop flag, wake gate,
// finished flag) lives in a block owned jointly by the object and the thread,
// so an abandoned body never reaches freed control memory. A fresh block is
// made by every Start, which is also how the stop signal is "reset": a body
// abandoned earlier keeps seeing its own stop request.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <span>
#include <thread>

namespace velmora {

struct ThreadControl;

class Thread {
public:
    static constexpr std::chrono::milliseconds kDefaultStopBound{3000};

    // `stopBound` is how long Stop waits for the body before abandoning it.
    explicit Thread(std::chrono::milliseconds stopBound = kDefaultStopBound);

    // Waits for any body of this object (running or abandoned) to end; a
    // running one is asked to stop first. This wait has no bound, which is why
    // bodies must never block indefinitely. Derived classes whose bodies use
    // their own members call WaitForBodiesToEnd() in their destructor, since
    // those members are gone by the time this one runs.
    virtual ~Thread();

    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Thread contract: any thread; Start, Stop and destruction of one object
    // are serialised. Starts a new thread running Run() with a cleared stop
    // signal, at real-time priority when the system allows it. Returns false,
    // changing nothing, when the object is already running, when a body
    // abandoned earlier is still executing (two bodies must never share one
    // object), or when no thread could be created.
    bool Start();

    // Thread contract: any thread except the body's own; serialised with
    // Start. Idle: returns at once. Otherwise signals stop, wakes a suspended
    // body and waits at most the stop bound for it to end; on time-out the
    // body is abandoned and logged. Either way the object is idle afterwards.
    // Called from the body itself it only signals stop.
    void Stop();

    // Thread contract: any thread (the playback clock's). Wakes exactly one
    // suspended pass. A resume that finds the body working, or already woken,
    // is lost and returns false: passes never queue.
    bool Resume();

    // Thread contract: any thread. Started and not yet stopped (the body may
    // have returned on its own in the meantime).
    bool IsRunning() const;

    // Thread contract: any thread. The body is waiting in SuspendSelf() and no
    // resume is pending for it.
    bool IsSuspended() const;

    // Thread contract: any thread. A body abandoned by Stop is still executing.
    bool HasAbandonedBody() const;

    std::chrono::milliseconds stopBound() const { return stopBound_; }

    // Thread contract: owner thread; serialised with Start and Stop. Keeps the
    // body on one CPU (-1: any CPU), from now on if it runs and at every later
    // Start. A thread woken by another one that runs on the same CPU starts
    // without a cross-CPU wake-up, which is what the paced threads want.
    // False when the system refuses (the wish is still kept for later Starts).
    bool SetCpuAffinity(int cpu);
    int cpuAffinity() const { return cpuAffinity_.load(); }

protected:
    // The body; runs once on the new thread.
    virtual void Run() = 0;

    // The helpers below are for the body's own thread. Called from any other
    // thread they behave as if stop had been signalled and never wait.

    // The stop signal, tested without waiting.
    bool StopRequested() const;
    // Waits up to `timeout` for the stop signal; true when it was signalled.
    bool WaitForStop(std::chrono::milliseconds timeout) const;
    // Ends a pass: waits until Resume() or the stop signal. True when resumed,
    // false when stop was signalled.
    bool SuspendSelf() const;

    // Stops a running body without a time bound and waits for an abandoned
    // one to finish. Thread contract: owner thread, from destructors.
    void WaitForBodiesToEnd();

private:
    friend bool StopAllInParallel(std::span<Thread* const>, std::chrono::milliseconds);
    using Deadline = std::chrono::steady_clock::time_point;

    // Stop in two halves so that many threads can be signalled before any is
    // awaited. Both run with opMutex_ held by the caller.
    std::shared_ptr<ThreadControl> SignalStopLocked();
    bool FinishStopLocked(const std::shared_ptr<ThreadControl>& control, Deadline signalled,
                          Deadline deadline);

    static void Entry(Thread* self, std::shared_ptr<ThreadControl> control);

    const std::chrono::milliseconds stopBound_;
    std::atomic<int> cpuAffinity_{-1};

    // Held across the whole of Start, Stop and destruction (Stop may wait for
    // the full bound while holding it).
    std::mutex opMutex_;
    std::thread thread_;  // guarded by opMutex_

    // Held only briefly; guards the two pointers so that Resume and the
    // queries never wait for a Stop in progress. Order: opMutex_, then this.
    mutable std::mutex stateMutex_;
    std::shared_ptr<ThreadControl> control_;    // the running body's block
    std::shared_ptr<ThreadControl> abandoned_;  // the last abandoned body's block
};

// Stops many threads at once so that shutdown takes about one stop bound
// rather than the sum of them. Every listed thread is signalled first (nullptr
// entries and repeats are skipped, idle threads cost nothing); then their
// bodies wind down together while this call waits for each one until its own
// stop bound or `overallBound`, whichever ends first, abandoning a body that
// is still running then. No helper thread is left behind, so the objects may
// be destroyed as soon as this returns. Returns true when no body had to be
// abandoned.
// Thread contract: any thread; serialised per object with Start/Stop.
bool StopAllInParallel(std::span<Thread* const> threads,
                       std::chrono::milliseconds overallBound = std::chrono::milliseconds{5000});

}  // namespace velmora
