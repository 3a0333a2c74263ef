#include "app/Thread.h"

#include "app/Log.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <functional>
#include <system_error>
#include <vector>

namespace velmora {

// Shared by one body and its owner; outlives whichever of the two ends last.
struct ThreadControl {
    std::mutex mutex;
    std::condition_variable cv;
    // Written under `mutex` (so no waiter misses it), read lock-free by
    // StopRequested on every pass.
    std::atomic<bool> stop{false};
    bool suspended = false;  // the body waits in SuspendSelf
    bool woken = false;      // a resume is on its way to that wait
    bool finished = false;   // Run has returned; the thread no longer touches its object

    void RequestStop() {
        {
            std::lock_guard lock(mutex);
            stop.store(true, std::memory_order_release);
        }
        cv.notify_all();
    }

    bool IsFinished() {
        std::lock_guard lock(mutex);
        return finished;
    }
};

namespace {

// The block of the body running on this thread; null on every other thread.
thread_local ThreadControl* t_control = nullptr;

// Modest on purpose: above every normal thread, below the kernel's own
// real-time helpers.
constexpr int kRealtimePriority = 10;

std::atomic<bool> g_priorityRefusalLogged{false};

void RaisePriority(std::thread& thread) {
    sched_param param{};
    param.sched_priority = kRealtimePriority;
    const int rc = pthread_setschedparam(thread.native_handle(), SCHED_FIFO, &param);
    if (rc != 0 && !g_priorityRefusalLogged.exchange(true)) {
        char reason[128] = {};
        // strerror_r's GNU form returns the text, possibly not in `reason`.
        const char* text = strerror_r(rc, reason, sizeof reason);
        LogMessage("Thread: real-time priority refused (%s); workers run at normal priority", text);
    }
}

bool ApplyAffinity(std::thread& thread, int cpu) {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (cpu >= 0 && cpu < CPU_SETSIZE) {
        CPU_SET(cpu, &set);
    } else {
        for (int i = 0; i < CPU_SETSIZE; ++i) CPU_SET(i, &set);
    }
    return pthread_setaffinity_np(thread.native_handle(), sizeof set, &set) == 0;
}

}  // namespace

bool Thread::SetCpuAffinity(int cpu) {
    std::lock_guard op(opMutex_);
    cpuAffinity_.store(cpu);
    {
        std::lock_guard state(stateMutex_);
        if (!control_ || !thread_.joinable()) return true;
    }
    return ApplyAffinity(thread_, cpu);
}

Thread::Thread(std::chrono::milliseconds stopBound)
    : stopBound_(std::max(stopBound, std::chrono::milliseconds{0})) {}

Thread::~Thread() {
    WaitForBodiesToEnd();
}

bool Thread::Start() {
    std::lock_guard op(opMutex_);
    {
        std::lock_guard state(stateMutex_);
        if (control_) return false;
        if (abandoned_) {
            if (!abandoned_->IsFinished()) {
                LogMessage("Thread: start refused, an abandoned body is still running");
                return false;
            }
            abandoned_.reset();
        }
    }

    auto control = std::make_shared<ThreadControl>();
    {
        std::lock_guard state(stateMutex_);
        control_ = control;
    }
    try {
        thread_ = std::thread(&Thread::Entry, this, control);
    } catch (const std::system_error& e) {
        std::lock_guard state(stateMutex_);
        control_.reset();
        LogMessage("Thread: could not create a thread (%s)", e.what());
        return false;
    }
    RaisePriority(thread_);
    if (cpuAffinity_.load() >= 0) ApplyAffinity(thread_, cpuAffinity_.load());
    return true;
}

void Thread::Stop() {
    std::lock_guard op(opMutex_);
    const auto control = SignalStopLocked();
    if (!control) return;
    const auto signalled = std::chrono::steady_clock::now();
    FinishStopLocked(control, signalled, signalled + stopBound_);
}

std::shared_ptr<ThreadControl> Thread::SignalStopLocked() {
    std::shared_ptr<ThreadControl> control;
    {
        std::lock_guard state(stateMutex_);
        control = control_;
    }
    if (control) control->RequestStop();
    return control;
}

bool Thread::FinishStopLocked(const std::shared_ptr<ThreadControl>& control, Deadline signalled,
                              Deadline deadline) {
    // A body stopping itself cannot wait for its own end; its owner's Stop
    // completes the job later.
    if (thread_.get_id() == std::this_thread::get_id()) return true;

    bool finished;
    {
        std::unique_lock lock(control->mutex);
        finished = control->cv.wait_until(lock, deadline, [&] { return control->finished; });
    }
    if (finished) {
        // Past `finished` the thread only drops its reference and exits.
        thread_.join();
    } else {
        thread_.detach();
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - signalled);
        LogMessage("Thread: body did not end within %lld ms of the stop signal; abandoned",
                   static_cast<long long>(waited.count()));
    }
    std::lock_guard state(stateMutex_);
    control_.reset();
    if (!finished) abandoned_ = control;
    return finished;
}

bool Thread::Resume() {
    std::shared_ptr<ThreadControl> control;
    {
        std::lock_guard state(stateMutex_);
        control = control_;
    }
    if (!control) return false;
    {
        std::lock_guard lock(control->mutex);
        if (!control->suspended || control->woken) return false;
        control->woken = true;
    }
    control->cv.notify_all();
    return true;
}

bool Thread::IsRunning() const {
    std::lock_guard state(stateMutex_);
    return control_ != nullptr;
}

bool Thread::IsSuspended() const {
    std::shared_ptr<ThreadControl> control;
    {
        std::lock_guard state(stateMutex_);
        control = control_;
    }
    if (!control) return false;
    std::lock_guard lock(control->mutex);
    return control->suspended && !control->woken;
}

bool Thread::HasAbandonedBody() const {
    std::shared_ptr<ThreadControl> abandoned;
    {
        std::lock_guard state(stateMutex_);
        abandoned = abandoned_;
    }
    return abandoned && !abandoned->IsFinished();
}

bool Thread::StopRequested() const {
    const ThreadControl* control = t_control;
    return control == nullptr || control->stop.load(std::memory_order_acquire);
}

bool Thread::WaitForStop(std::chrono::milliseconds timeout) const {
    ThreadControl* control = t_control;
    if (control == nullptr) return true;
    std::unique_lock lock(control->mutex);
    return control->cv.wait_for(lock, timeout, [&] { return control->stop.load(); });
}

bool Thread::SuspendSelf() const {
    ThreadControl* control = t_control;
    if (control == nullptr) return false;
    std::unique_lock lock(control->mutex);
    control->suspended = true;
    control->woken = false;
    control->cv.wait(lock, [&] { return control->woken || control->stop.load(); });
    control->suspended = false;
    control->woken = false;
    return !control->stop.load();
}

void Thread::WaitForBodiesToEnd() {
    std::lock_guard op(opMutex_);
    std::shared_ptr<ThreadControl> control;
    std::shared_ptr<ThreadControl> abandoned;
    {
        std::lock_guard state(stateMutex_);
        control = control_;
        abandoned = abandoned_;
    }
    for (const auto& block : {control, abandoned}) {
        if (!block) continue;
        block->RequestStop();
        if (block.get() == t_control) continue;  // our own body: it ends when we return
        std::unique_lock lock(block->mutex);
        block->cv.wait(lock, [&] { return block->finished; });
    }
    if (control && thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id()) {
            thread_.detach();  // destroyed by its own body: nothing left to wait for
        } else {
            thread_.join();
        }
    }
    std::lock_guard state(stateMutex_);
    control_.reset();
    abandoned_.reset();
}

void Thread::Entry(Thread* self, std::shared_ptr<ThreadControl> control) {
    t_control = control.get();
    try {
        self->Run();
    } catch (const std::exception& e) {
        LogMessage("Thread: body ended by an exception: %s", e.what());
    } catch (...) {
        LogMessage("Thread: body ended by an unknown exception");
    }
    t_control = nullptr;
    {
        std::lock_guard lock(control->mutex);
        control->finished = true;
    }
    // `self` must not be touched from here on: the owner may free it as soon
    // as it sees `finished`.
    control->cv.notify_all();
}

bool StopAllInParallel(std::span<Thread* const> threads, std::chrono::milliseconds overallBound) {
    std::vector<Thread*> unique;
    unique.reserve(threads.size());
    for (Thread* thread : threads) {
        if (thread != nullptr) unique.push_back(thread);
    }
    std::sort(unique.begin(), unique.end(), std::less<Thread*>{});
    unique.erase(std::unique(unique.begin(), unique.end()), unique.end());

    const auto start = std::chrono::steady_clock::now();
    const auto overallDeadline = start + std::max(overallBound, std::chrono::milliseconds{0});

    // Each object's lock is taken once per phase rather than held from
    // signal to end: holding a hundred locks at once buys nothing and upsets
    // lock-order checkers. A Start or Stop slipping in between is noticed
    // below because the object then holds a different block, or none.
    struct Pending {
        Thread* thread;
        std::shared_ptr<ThreadControl> control;
    };
    std::vector<Pending> pending;
    pending.reserve(unique.size());
    for (Thread* thread : unique) {
        std::lock_guard op(thread->opMutex_);
        if (auto control = thread->SignalStopLocked()) pending.push_back({thread, std::move(control)});
    }

    bool allFinished = true;
    for (const auto& p : pending) {
        std::lock_guard op(p.thread->opMutex_);
        {
            std::lock_guard state(p.thread->stateMutex_);
            if (p.thread->control_ != p.control) continue;  // already stopped by someone else
        }
        const auto deadline = std::min(start + p.thread->stopBound_, overallDeadline);
        allFinished = p.thread->FinishStopLocked(p.control, start, deadline) && allFinished;
    }
    return allFinished;
}

}  // namespace velmora
