// Feeds arbitrary device behaviour to the reply reader: the input is split
// into a script of readiness answers and receive chunk sizes, and the bytes
// the "device" sends. Checks that the reader never writes past its buffer
// (ASan), never takes more bytes than the device sent, and that a complete
// reply is exactly the header it announced plus that many bytes.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "comm/ReplyReader.h"

namespace {

using namespace velmora;

void Check(bool ok, int line) {
    if (ok) return;
    std::fprintf(stderr, "fuzz_reply: check at line %d failed\n", line);
    std::abort();
}

class ScriptedSource : public ByteSource {
public:
    ScriptedSource(const std::uint8_t* script, std::size_t scriptSize, const std::uint8_t* bytes, std::size_t size)
        : script_(script), scriptSize_(scriptSize), bytes_(bytes), size_(size) {}

    net::WaitResult WaitReadable(std::chrono::milliseconds) override {
        const std::uint8_t op = Next();
        if (op % 11 == 0) return net::WaitResult::TimedOut;
        if (op % 37 == 1) return net::WaitResult::Error;
        return net::WaitResult::Ready;
    }
    long Receive(std::uint8_t* into, std::size_t size, std::chrono::milliseconds, int* error) override {
        const std::uint8_t op = Next();
        if (op == 0xFF) {
            *error = EAGAIN;
            return -1;
        }
        if (offset_ >= size_) return 0;  // the device closed
        std::size_t n = 1 + op % 64;
        if (n > size) n = size;
        if (n > size_ - offset_) n = size_ - offset_;
        std::memcpy(into, bytes_ + offset_, n);
        offset_ += n;
        return static_cast<long>(n);
    }
    std::size_t consumed() const { return offset_; }

private:
    std::uint8_t Next() { return cursor_ < scriptSize_ ? script_[cursor_++] : 0x10; }

    const std::uint8_t* script_;
    std::size_t scriptSize_;
    std::size_t cursor_ = 0;
    const std::uint8_t* bytes_;
    std::size_t size_;
    std::size_t offset_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t scriptSize = data[0] % 32;
    if (size < 1 + scriptSize) return 0;
    const std::uint8_t* bytes = data + 1 + scriptSize;
    const std::size_t byteCount = size - 1 - scriptSize;

    ScriptedSource source(data + 1, scriptSize, bytes, byteCount);
    ReplyBuffer buffer{};
    const ReplyOutcome outcome = ReadReply(source, buffer, ReplyTiming{});
    Check(source.consumed() <= byteCount, __LINE__);
    switch (outcome.kind) {
        case ReplyOutcome::Kind::Complete: {
            Check(outcome.bodyLength <= kMaxReplyBody, __LINE__);
            Check(source.consumed() == kReplyHeaderBytes + outcome.bodyLength, __LINE__);
            Check(std::memcmp(buffer.data(), bytes, source.consumed()) == 0, __LINE__);
            Check(ReplyBodyLength(bytes) == outcome.bodyLength, __LINE__);
            break;
        }
        case ReplyOutcome::Kind::Oversize:
            Check(outcome.bodyLength > kMaxReplyBody, __LINE__);
            Check(source.consumed() == kReplyHeaderBytes, __LINE__);
            break;
        case ReplyOutcome::Kind::HeaderFailed:
            Check(source.consumed() < kReplyHeaderBytes || outcome.receive.result < 0, __LINE__);
            Check(outcome.receive.result <= 0, __LINE__);
            break;
        case ReplyOutcome::Kind::BodyFailed:
            Check(outcome.receive.result <= 0, __LINE__);
            break;
        case ReplyOutcome::Kind::Stopped:
            Check(false, __LINE__);  // this source never reports a stop
            break;
    }
    return 0;
}
