#include "media/MadStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velmora {

std::uint64_t TagSizeAt(const unsigned char* p, std::size_t avail) {
    if (avail >= 3 && std::memcmp(p, "TAG", 3) == 0) return 128;
    if (avail >= 10 && std::memcmp(p, "ID3", 3) == 0 && p[3] != 0xff && p[4] != 0xff &&
        p[6] < 0x80 && p[7] < 0x80 && p[8] < 0x80 && p[9] < 0x80) {
        std::uint64_t size = (std::uint64_t{p[6]} << 21) | (std::uint64_t{p[7]} << 14) |
                             (std::uint64_t{p[8]} << 7) | std::uint64_t{p[9]};
        size += 10;
        if (p[5] & 0x10) size += 10;
        return size;
    }
    return 0;
}

MadStream::MadStream() : buffer_(new unsigned char[kInputSize + kGuardSize]) {
    mad_stream_init(&stream_);
    mad_frame_init(&frame_);
}

MadStream::~MadStream() {
    Close();
    mad_frame_finish(&frame_);
    mad_stream_finish(&stream_);
}

bool MadStream::Open(const std::filesystem::path& path, std::string* error) {
    Close();
    // Non-blocking so that opening a FIFO cannot wait for a writer; it is
    // refused just below anyway.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (error) *error = "not a regular file";
        ::close(fd);
        return false;
    }
    fd_ = fd;
    fileSize_ = static_cast<std::uint64_t>(st.st_size);
    readPos_ = 0;
    bufferStart_ = 0;
    ResetDecoder();
    return true;
}

void MadStream::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    fileSize_ = 0;
}

void MadStream::ResetDecoder() {
    mad_frame_finish(&frame_);
    mad_stream_finish(&stream_);
    mad_stream_init(&stream_);
    mad_frame_init(&frame_);
    hasBuffer_ = false;
    eof_ = false;
    drained_ = false;
    readFailed_ = false;
}

bool MadStream::SeekToByte(std::uint64_t offset) {
    if (fd_ < 0) return false;
    if (offset > fileSize_) offset = fileSize_;
    ResetDecoder();
    readPos_ = offset;
    bufferStart_ = offset;
    return true;
}

std::uint64_t MadStream::FrameOffset() const {
    if (!hasBuffer_ || stream_.this_frame == nullptr) return bufferStart_;
    return bufferStart_ + static_cast<std::uint64_t>(stream_.this_frame - buffer_.get());
}

void MadStream::Refill() {
    std::size_t remainder = 0;
    if (hasBuffer_ && stream_.next_frame != nullptr) {
        remainder = static_cast<std::size_t>(stream_.bufend - stream_.next_frame);
        // A frame never comes near the buffer's size, so a full remainder is junk.
        if (remainder >= kInputSize) remainder = 0;
        std::memmove(buffer_.get(), stream_.next_frame, remainder);
    }
    const std::size_t want = kInputSize - remainder;
    std::size_t got = 0;
    while (got < want) {
        const ssize_t n = ::pread(fd_, buffer_.get() + remainder + got, want - got,
                                  static_cast<off_t>(readPos_ + got));
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN) continue;  // a regular file never really says this
            readFailed_ = true;
            return;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    // Valid file bytes in the buffer start this far into the file (the
    // remainder's bytes are the ones read last time).
    bufferStart_ = readPos_ - remainder;
    readPos_ += got;
    std::size_t length = remainder + got;
    if (got == 0) {
        // End of file: the guard lets libmad decode the last frame whole.
        eof_ = true;
        std::memset(buffer_.get() + length, 0, kGuardSize);
        length += kGuardSize;
    }
    mad_stream_buffer(&stream_, buffer_.get(), length);
    stream_.error = MAD_ERROR_NONE;
    hasBuffer_ = true;
}

MadStream::Step MadStream::Decode(bool headerOnly) {
    if (fd_ < 0 || Ended()) return Step::Ended;
    if (!hasBuffer_ || stream_.error == MAD_ERROR_BUFLEN) {
        Refill();
        if (readFailed_) return Step::Ended;
    }
    const int rc = headerOnly ? mad_header_decode(&frame_.header, &stream_)
                              : mad_frame_decode(&frame_, &stream_);
    if (rc == 0) return Step::Frame;

    const int error = stream_.error;
    if (!MAD_RECOVERABLE(error)) {
        if (error == MAD_ERROR_BUFLEN) {
            // Needing more input after the end of the file was seen means
            // nothing decodable is left (a truncated frame, a skip past the end).
            if (eof_) drained_ = true;
            return drained_ ? Step::Ended : Step::NoFrame;
        }
        // Out of memory or a broken buffer pointer: nothing sensible follows.
        drained_ = true;
        return Step::Ended;
    }
    if (error == MAD_ERROR_LOSTSYNC) {
        const std::size_t avail = static_cast<std::size_t>(stream_.bufend - stream_.this_frame);
        const std::uint64_t tag = TagSizeAt(stream_.this_frame, avail);
        if (tag > 0) mad_stream_skip(&stream_, static_cast<unsigned long>(tag));
        return Step::NoFrame;
    }
    if (error == MAD_ERROR_BADCRC && !headerOnly) {
        mad_frame_mute(&frame_);
        return Step::Frame;
    }
    return Step::NoFrame;
}

}  // namespace velmora
