#pragma once
// A request the operator's panels set (the hand panel, the debug panel, the
// motor fine-tune dialog) and the engine reads on its next tick. The panels
// write without the output lock while the engine reads inside it, so the
// value is atomic: each request is one whole value, never torn, and a
// request set on one thread is seen by the engine's next tick.
//
// Copying a record copies the current value (records are copied when a
// scene is loaded or edited, on the thread that owns them).

#include <atomic>

namespace velmora {

template <class T>
class HandRequest {
public:
    constexpr HandRequest(T value = T{}) noexcept : value_(value) {}  // NOLINT: reads like the plain field it replaces
    HandRequest(const HandRequest& other) noexcept : value_(other.Get()) {}
    HandRequest& operator=(const HandRequest& other) noexcept {
        Set(other.Get());
        return *this;
    }
    HandRequest& operator=(T value) noexcept {
        Set(value);
        return *this;
    }

    T Get() const noexcept { return value_.load(std::memory_order_acquire); }
    void Set(T value) noexcept { value_.store(value, std::memory_order_release); }
    operator T() const noexcept { return Get(); }  // NOLINT: read where the plain field was read

private:
    std::atomic<T> value_;
};

}  // namespace velmora
