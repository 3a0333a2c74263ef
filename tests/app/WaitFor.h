#pragma once
// Waiting in tests for something another thread does: polls `condition`
// with a short sleep until it holds or `timeout` passes. Returns whether it
// held, so a test asserts on the result instead of hanging.

#include <chrono>
#include <thread>

namespace velmora::testing {

template <class Condition>
bool WaitFor(Condition&& condition, std::chrono::steady_clock::duration timeout = std::chrono::seconds(5),
             std::chrono::steady_clock::duration poll = std::chrono::milliseconds(1)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return condition();
        std::this_thread::sleep_for(poll);
    }
    return true;
}

}  // namespace velmora::testing
