#pragma once
// Reading a device's reply to a write request: a 6-byte MBAP header whose
// bytes 4-5 give the length of the rest, then that many bytes. The contents
// are not interpreted (an exception reply completes an exchange like any
// other); only the framing matters, so the stream stays in step.
//
// The byte source is abstract so the same reader runs on a socket and under
// the fuzzer.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

#include "comm/Socket.h"

namespace velmora {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Waits up to `timeout` for data (or end of stream) to be readable.
    virtual net::WaitResult WaitReadable(std::chrono::milliseconds timeout) = 0;
    // Receives at most `size` bytes, waiting up to `timeout` for the first:
    // the count, 0 at end of stream, -1 with `*error` set on error or when
    // nothing came in time (EAGAIN) or a stop was asked for (ECANCELED).
    virtual long Receive(std::uint8_t* into, std::size_t size, std::chrono::milliseconds timeout,
                         int* error) = 0;
};

// Times of one exchange's reads.
struct ReplyTiming {
    std::chrono::milliseconds headerWait{1000};
    std::chrono::milliseconds bodyWait{10000};
    std::chrono::milliseconds receiveTimeout{1000};
};

struct ReceiveResult {
    int result = 1;    // 1 = all bytes in; 0 = not readable in time or end of stream; -1 = error
    int error = 0;     // errno of the failing call, 0 when none
    bool stopped = false;
    // The peer closed the connection (a result of 0 that is not a time-out):
    // a controller that hangs up reads differently from one that is silent.
    bool closed = false;
    std::size_t received = 0;  // bytes that did arrive before the read ended
};

// Waits for readability up to `wait` (a wait that runs out fails with result
// 0 even when `size` is 0), then receives until `size` bytes are in.
ReceiveResult ReceiveExact(ByteSource& source, std::uint8_t* into, std::size_t size,
                           std::chrono::milliseconds wait, std::chrono::milliseconds receiveTimeout);

inline constexpr std::size_t kReplyBufferBytes = 1024;
inline constexpr std::size_t kReplyHeaderBytes = 6;
inline constexpr std::size_t kMaxReplyBody = kReplyBufferBytes - kReplyHeaderBytes;  // 1018

using ReplyBuffer = std::array<std::uint8_t, kReplyBufferBytes>;

struct ReplyOutcome {
    enum class Kind {
        Complete,      // header and body in
        HeaderFailed,  // the 6 header bytes did not arrive
        BodyFailed,    // the announced body did not arrive
        Oversize,      // the header announced more than the buffer holds
        Stopped,       // a stop request ended a wait
    };
    Kind kind = Kind::Complete;
    ReceiveResult receive;      // of the failing read
    std::size_t bodyLength = 0; // as announced by the header
};

// The announced body length of a reply header.
std::size_t ReplyBodyLength(const std::uint8_t* header);

// Reads one reply into `buffer` (header at 0, body after it). A length above
// kMaxReplyBody is not read at all: no real reply to a write is that long,
// so the stream is taken as out of step and the caller reconnects.
ReplyOutcome ReadReply(ByteSource& source, ReplyBuffer& buffer, const ReplyTiming& timing);

// A connected socket as a byte source.
class SocketSource : public ByteSource {
public:
    SocketSource(int fd, net::StopCheck stop) : fd_(fd), stop_(std::move(stop)) {}
    net::WaitResult WaitReadable(std::chrono::milliseconds timeout) override;
    long Receive(std::uint8_t* into, std::size_t size, std::chrono::milliseconds timeout,
                 int* error) override;

private:
    int fd_;
    net::StopCheck stop_;
};

}  // namespace velmora
